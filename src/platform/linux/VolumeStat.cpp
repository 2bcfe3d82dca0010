// Time-limited volume queries on Linux: statvfs and folder listing on a
// helper thread that the caller waits for with a deadline.
#include "platform/VolumeStat.h"

#include "platform/DirReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace Platform {
namespace {

// Shared by the helper thread and every caller waiting for it, so a caller
// that gives up leaves nothing dangling.
struct TProbe {
    std::mutex Lock;
    std::condition_variable Finished;
    bool Done = false;
    TProbeOutput Output;
};

struct TPendingProbes {
    std::mutex Lock;
    std::map<std::string, std::shared_ptr<TProbe>> ByKey;
};

// Never destroyed: a stuck helper thread may still reach it while the process exits.
TPendingProbes& Pending() {
    static auto* pending = new TPendingProbes;
    return *pending;
}

TProbeOutput StatWork(const std::string& path) {
    TProbeOutput out;
    struct statvfs sv {};
    if (statvfs(path.c_str(), &sv) != 0) {
        out.Error = errno;
        return out;
    }
    out.Stat.BlockSize = sv.f_bsize;
    out.Stat.FragmentSize = sv.f_frsize;
    out.Stat.TotalBlocks = sv.f_blocks;
    out.Stat.FreeBlocks = sv.f_bfree;
    out.Stat.AvailableBlocks = sv.f_bavail;
    out.Stat.FsId = sv.f_fsid;
    out.Stat.MaxNameLength = sv.f_namemax;
    out.Stat.ReadOnly = (sv.f_flag & ST_RDONLY) != 0;
    return out;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Hands each name of the open folder but "." and ".." to visit until it
// returns false, then closes the folder. The errno of a failed read, else 0.
template <class F> int VisitNames(DIR* dir, F&& visit) {
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        if (!IsDotOrDotDot(entry->d_name) && !visit(entry->d_name))
            break;
    }
    closedir(dir);
    return error;
}

// Reads the folder; with `all` false it stops after the first real entry.
TProbeOutput ListWork(const std::string& path, bool all) {
    TProbeOutput out;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        out.Error = errno;
        return out;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        out.Error = errno;
        close(fd);
        return out;
    }
    out.Error = VisitNames(dir, [&](const char* name) {
        if (!all)
            return false;
        out.Names.emplace_back(name);
        return true;
    });
    return out;
}

// The files of a folder and their sizes, links not followed.
TProbeOutput FilesWork(const std::string& path) {
    TProbeOutput out;
    int error = 0;
    TFd fd = OpenFolderPath(path, error);
    if (!fd.Valid()) {
        out.Error = error;
        return out;
    }
    const int copy = dup(fd.Get());
    DIR* dir = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!dir) {
        out.Error = errno;
        if (copy >= 0)
            close(copy);
        return out;
    }
    out.Error = VisitNames(dir, [&](const char* name) {
        struct stat st {};
        if (fstatat(fd.Get(), name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0 &&
            S_ISDIR(st.st_mode))
            return true;
        out.Names.emplace_back(name);
        out.Sizes.push_back(st.st_size); // 0 when it could not be examined
        return true;
    });
    return out;
}

} // namespace

TProbeResult ProbeExists(const std::string& path, bool folderOnly, int timeoutMs, bool& exists) {
    TProbeOutput out;
    const TProbeResult result =
        RunProbe((folderOnly ? "folder-exists:" : "exists:") + path,
                 [path, folderOnly] {
                     TProbeOutput found;
                     found.Exists = folderOnly ? FolderExists(path) : EntryExists(path);
                     return found;
                 },
                 timeoutMs, out);
    if (result == TProbeResult::Ok)
        exists = out.Exists;
    return result;
}

TProbeResult ListFolderFiles(const std::string& path, std::vector<std::string>& names,
                             std::vector<std::int64_t>& sizes, int timeoutMs, int* error) {
    TProbeOutput out;
    const TProbeResult result = RunProbe(
        "files:" + path, [path] { return FilesWork(path); }, timeoutMs, out);
    if (error)
        *error = result == TProbeResult::TimedOut ? ETIMEDOUT : out.Error;
    if (result == TProbeResult::Ok) {
        names = std::move(out.Names);
        sizes = std::move(out.Sizes);
    }
    return result;
}

TProbeResult RunProbe(const std::string& key, std::function<TProbeOutput()> work, int timeoutMs,
                      TProbeOutput& output) {
    std::shared_ptr<TProbe> probe;
    {
        TPendingProbes& pending = Pending();
        std::lock_guard<std::mutex> guard(pending.Lock);
        auto it = pending.ByKey.find(key);
        if (it != pending.ByKey.end()) {
            probe = it->second;
        } else {
            probe = std::make_shared<TProbe>();
            // Registered before the thread starts; the thread removes it when done.
            pending.ByKey.emplace(key, probe);
            try {
                // The thread owns copies of everything it uses.
                std::thread([probe, key, work = std::move(work)] {
                    TProbeOutput result = work();
                    {
                        // Out of the table before the answer is known: a
                        // caller that comes after the answer must ask again,
                        // not be handed this one, which may be stale by then.
                        TPendingProbes& pendingProbes = Pending();
                        std::lock_guard<std::mutex> lock(pendingProbes.Lock);
                        auto own = pendingProbes.ByKey.find(key);
                        if (own != pendingProbes.ByKey.end() && own->second == probe)
                            pendingProbes.ByKey.erase(own);
                    }
                    {
                        std::lock_guard<std::mutex> lock(probe->Lock);
                        probe->Output = std::move(result);
                        probe->Done = true;
                    }
                    probe->Finished.notify_all();
                }).detach();
            } catch (const std::system_error&) {
                pending.ByKey.erase(key);
                output = TProbeOutput();
                output.Error = EAGAIN;
                return TProbeResult::Failed;
            }
        }
    }
    std::unique_lock<std::mutex> lock(probe->Lock);
    if (!probe->Finished.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                  [&] { return probe->Done; }))
        return TProbeResult::TimedOut;
    output = probe->Output;
    return output.Error == 0 ? TProbeResult::Ok : TProbeResult::Failed;
}

TProbeResult StatVolume(const std::string& path, TVolumeStat& stat, int timeoutMs, int* error) {
    TProbeOutput out;
    const TProbeResult result = RunProbe(
        "statvfs:" + path, [path] { return StatWork(path); }, timeoutMs, out);
    if (result == TProbeResult::Ok)
        stat = out.Stat;
    if (error)
        *error = result == TProbeResult::TimedOut ? ETIMEDOUT : out.Error;
    return result;
}

TProbeResult CheckListable(const std::string& path, int timeoutMs, int* error) {
    TProbeOutput out;
    const TProbeResult result = RunProbe(
        "list-first:" + path, [path] { return ListWork(path, false); }, timeoutMs, out);
    if (error)
        *error = result == TProbeResult::TimedOut ? ETIMEDOUT : out.Error;
    return result;
}

TProbeResult ListFolderNames(const std::string& path, std::vector<std::string>& names,
                             int timeoutMs, int* error) {
    TProbeOutput out;
    const TProbeResult result = RunProbe(
        "list-all:" + path, [path] { return ListWork(path, true); }, timeoutMs, out);
    if (result == TProbeResult::Ok)
        names = std::move(out.Names);
    if (error)
        *error = result == TProbeResult::TimedOut ? ETIMEDOUT : out.Error;
    return result;
}

} // namespace Platform
