// The archive's gathering: a depth-first walk by descriptors (see
// ZipGatherer.h).
#include "cleanup/ZipGatherer.h"

#include "platform/DirReader.h"
#include "platform/FileAt.h"

#include <algorithm>
#include <cerrno>

namespace {

bool IsHidden(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

TFailure About(const std::string& name, const TFailure& failure) {
    return TFailure{failure.Errno, {}, "\"" + name + "\": " + Platform::ErrorText(failure.Errno)};
}

class TGatherer {
public:
    explicit TGatherer(TGatherOptions options) : Options(options) {}

    TStatus Add(int rootFd, const std::string& item) {
        TZipSource source;
        source.Name = item;
        while (!source.Name.empty() && source.Name.back() == '/')
            source.Name.pop_back();
        const TResult<struct stat> st = Platform::StatAt(rootFd, source.Name);
        if (!st)
            return About(source.Name, st.Failure());
        source.St = *st;
        if (!S_ISDIR(source.St.st_mode))
            return AddItem(rootFd, source.Name, std::move(source));
        TResult<Platform::TFd> folder = Platform::OpenSubfolder(rootFd, source.Name);
        if (!folder)
            return About(source.Name, folder.Failure());
        Mount = Platform::MountIdAt(folder->Get(), "");
        const std::string name = source.Name;
        source.Name += '/';
        Sources.push_back(std::move(source));
        return Walk(folder->Get(), name, true);
    }

    std::vector<TZipSource> Sources;

private:
    TStatus AddItem(int dirFd, const std::string& name, TZipSource source) {
        if (S_ISLNK(source.St.st_mode)) {
            TResult<std::string> target =
                Platform::ReadLinkAt(dirFd, name, static_cast<std::size_t>(source.St.st_size));
            if (!target)
                return About(source.Name, target.Failure());
            source.LinkTarget = std::move(*target);
        } else if (!S_ISREG(source.St.st_mode)) {
            // FIFOs, sockets and devices hold nothing to archive; they stay.
            return {};
        }
        Sources.push_back(std::move(source));
        return {};
    }

    TStatus Walk(int dirFd, const std::string& prefix, bool top) {
        TResult<std::vector<std::string>> names = Platform::NamesIn(dirFd);
        if (!names)
            return About(prefix, names.Failure());
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (IsHidden(name) && !Options.Hidden)
                continue;
            TZipSource source;
            source.Name = prefix + "/" + name;
            const TResult<struct stat> st = Platform::StatAt(dirFd, name);
            if (!st) {
                if (st.Failure().Errno == ENOENT)
                    continue; // gone meanwhile: nothing of it to keep
                return About(source.Name, st.Failure());
            }
            source.St = *st;
            if (!S_ISDIR(source.St.st_mode)) {
                if (TStatus added = AddItem(dirFd, name, std::move(source)); !added)
                    return added;
                continue;
            }
            if (!Options.Recurse && top)
                continue;
            // Another drive mounted inside is not part of the folder.
            if (Platform::MountIdAt(dirFd, name.c_str()) != Mount)
                continue;
            TResult<Platform::TFd> sub = Platform::OpenSubfolder(dirFd, name);
            if (!sub)
                return About(source.Name, sub.Failure());
            const std::string below = source.Name;
            source.Name += '/';
            Sources.push_back(std::move(source));
            if (TStatus walked = Walk(sub->Get(), below, false); !walked)
                return walked;
        }
        return {};
    }

    TGatherOptions Options;
    std::uint64_t Mount = 0;
};

} // namespace

TResult<std::vector<TZipSource>> GatherSources(int rootFd, const std::vector<std::string>& items,
                                               TGatherOptions options) {
    TGatherer gatherer(options);
    for (const std::string& item : items) {
        if (TStatus added = gatherer.Add(rootFd, item); !added)
            return added.Failure();
    }
    return std::move(gatherer.Sources);
}
