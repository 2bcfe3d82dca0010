// Taking away what an archive holds, once it is made, named and catalogued:
// only what is still exactly as it was archived goes, deepest first, and a
// folder only when nothing is left in it. "Exactly as archived" is proven by
// the change time (platform/FileChange.h), else by comparing the file with
// its entry in the archive.
#include "cleanup/ZipAdded.h"
#include "cleanup/ZipLibArchive.h"
#include "platform/FileAt.h"

#include <cerrno>
#include <cstring>

namespace {

std::string ParentOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? "" : name.substr(0, slash);
}

// Whether the archived file is, by its times, still what was read into the
// archive; Unproven where the times are too coarse to tell.
Platform::TFileChange ChangeSinceRead(int folderFd, const TZipSource& s) {
    if (!s.Stamped || s.Written != static_cast<std::int64_t>(s.Stamp.Size))
        return Platform::TFileChange::Changed;
    return Platform::FileChangeSince(folderFd, ZipLib::LeafOf(s.Name).c_str(), s.Stamp,
                                     s.ReadStart);
}

// The open folder that holds the entry named below rootFd.
TResult<Platform::TFd> OpenFolderOf(int rootFd, const std::string& name) {
    return Platform::OpenBelow(rootFd, ParentOf(name), true);
}

bool SameTimesAndSize(const struct stat& now, const struct stat& then) {
    return now.st_size == then.st_size && now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

// Whether the entry found now is still the one archived. A file whose times
// cannot prove it unchanged is when its contents were found equal to the
// archive's (sameAsArchived).
bool StillAsArchived(int folderFd, const TZipSource& s, const struct stat& now,
                     const std::set<std::string>& sameAsArchived) {
    if (now.st_ino != s.St.st_ino || now.st_dev != s.St.st_dev ||
        (now.st_mode & S_IFMT) != (s.St.st_mode & S_IFMT))
        return false;
    if (S_ISREG(s.St.st_mode)) {
        const Platform::TFileChange change = ChangeSinceRead(folderFd, s);
        // Removing another name of a hard-linked file moves its change
        // time; its contents, compared beforehand, decide then.
        const bool relinked = now.st_nlink < s.St.st_nlink && SameTimesAndSize(now, s.St);
        return change == Platform::TFileChange::Unchanged ||
               ((change == Platform::TFileChange::Unproven || relinked) &&
                sameAsArchived.contains(s.Name));
    }
    return s.IsFolder() || SameTimesAndSize(now, s.St);
}

// Removes, below rootFd, the archived entries still as they were archived,
// deepest first; a folder goes only when nothing is left in it.
void RemoveArchived(int rootFd, const std::string& rootDir, const std::vector<TZipSource>& sources,
                    const std::set<std::string>& sameAsArchived, std::vector<std::string>& changed,
                    std::vector<std::string>& notRemoved) {
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        const TZipSource& s = *it;
        const bool folder = s.IsFolder();
        const std::string name = folder ? s.Name.substr(0, s.Name.size() - 1) : s.Name;
        const std::string leaf = ZipLib::LeafOf(name);
        const TResult<Platform::TFd> dir = OpenFolderOf(rootFd, name);
        const TResult<struct stat> now =
            dir ? Platform::StatAt(dir->Get(), leaf) : TResult<struct stat>(dir.Failure());
        if (!now) {
            if (now.Failure().Errno != ENOENT)
                notRemoved.push_back(rootDir + "/" + name + ": " +
                                     Platform::ErrorText(now.Failure().Errno));
            continue;
        }
        if (!StillAsArchived(dir->Get(), s, *now, sameAsArchived)) {
            if (!folder)
                changed.push_back(rootDir + "/" + name);
            continue;
        }
        const TStatus removed = Platform::RemoveAt(dir->Get(), leaf, folder);
        if (!removed && !(folder && (removed.Failure().Errno == ENOTEMPTY ||
                                     removed.Failure().Errno == EEXIST)))
            notRemoved.push_back(rootDir + "/" + name + ": " +
                                 Platform::ErrorText(removed.Failure().Errno));
    }
}

} // namespace

void TZipMaster::RemoveAdded() {
    if (!Added)
        return;
    const TResult<Platform::TFd> root = Platform::OpenFolderPathFollowing(Added->RootDir);
    if (!root) {
        NotRemoved.push_back(Added->RootDir + ": " + Platform::ErrorText(root.Failure().Errno));
        return;
    }
    // Files the times leave unproven are compared with the archive first,
    // all in one reading of it; so are hard-linked files, whose change time
    // the removal of their other names moves.
    std::set<std::string> unproven;
    for (const TZipSource& s : Added->Sources) {
        if (!S_ISREG(s.St.st_mode))
            continue;
        if (s.St.st_nlink > 1) {
            unproven.insert(s.Name);
            continue;
        }
        const TResult<Platform::TFd> folder = OpenFolderOf(root->Get(), s.Name);
        if (ChangeSinceRead(folder ? folder->Get() : -1, s) == Platform::TFileChange::Unproven)
            unproven.insert(s.Name);
    }
    const std::set<std::string> same = SameAsArchived(root->Get(), unproven);
    RemoveArchived(root->Get(), Added->RootDir, Added->Sources, same, ChangedFiles, NotRemoved);
    Added.reset();
}

std::set<std::string> TZipMaster::SameAsArchived(int rootFd, const std::set<std::string>& names) {
    std::set<std::string> same;
    if (names.empty())
        return same;
    ZipLib::TUtf8Locale locale;
    ZipLib::TArchiveReader reader;
    if (!reader.Open(ZipFileName, Password, ArchiveFolderFd))
        return same; // none proven: all stay
    archive* a = reader.A;
    archive_entry* entry = nullptr;
    std::vector<char> theirs(ZipLib::Block);
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        const char* name = archive_entry_pathname(entry);
        if (!name || !names.contains(name))
            continue;
        const TResult<Platform::TFd> in = Platform::OpenBelow(rootFd, name);
        bool equal = in.Ok();
        for (;;) {
            const void* data = nullptr;
            std::size_t length = 0;
            la_int64_t offset = 0;
            const int got = archive_read_data_block(a, &data, &length, &offset);
            if (got == ARCHIVE_EOF)
                break;
            if (got != ARCHIVE_OK) {
                equal = false;
                break;
            }
            // Holes come back as gaps between blocks; the file is read at
            // the block's offset, so they compare as the zeros they are.
            for (std::size_t done = 0; equal && done < length;) {
                const std::size_t want = std::min(theirs.size(), length - done);
                const TResult<std::size_t> n = Platform::ReadAt(
                    in->Get(), theirs.data(), want,
                    static_cast<std::int64_t>(offset) + static_cast<std::int64_t>(done));
                equal =
                    n && *n == want &&
                    std::memcmp(theirs.data(), static_cast<const char*>(data) + done, want) == 0;
                done += want;
            }
        }
        // And nothing beyond what was archived.
        char beyond = 0;
        if (equal) {
            const TResult<std::size_t> more =
                Platform::ReadAt(in->Get(), &beyond, 1, archive_entry_size(entry));
            if (more && *more == 0)
                same.insert(name);
        }
    }
    return same;
}
