// The facts of one item for the desktop's dialogs, from statx relative to the
// item's folder descriptor.
#include "platform/ItemFacts.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Platform {

TItemAt::TItemAt(std::string path) : Path(std::move(path)) {
    int error = 0;
    Folder = OpenParentOf(Path, Name, error);
    if (!Folder.Valid())
        Name = Path; // "/" has no parent; short paths work as they are
}

int TItemAt::Dir() const {
    return Folder.Valid() ? Folder.Get() : AT_FDCWD;
}

TResult<TItemFacts> TItemAt::Facts() const {
    struct statx sx {};
    if (statx(Dir(), Name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return SystemFailure(errno, Path);
    TItemFacts facts;
    facts.Mode = sx.stx_mode;
    facts.Size = static_cast<std::int64_t>(sx.stx_size);
    facts.DiskUsage = static_cast<std::int64_t>(sx.stx_blocks) * 512;
    facts.Owner = sx.stx_uid;
    facts.Group = sx.stx_gid;
    facts.Modified = {sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec};
    facts.Accessed = {sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec};
    if (sx.stx_mask & STATX_BTIME)
        facts.Created = TTimeStamp{sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec};
    return facts;
}

TResult<std::string> TItemAt::LinkTarget(std::size_t sizeHint) const {
    std::vector<char> target(std::max<std::size_t>(sizeHint, PATH_MAX) + 1);
    const ssize_t n = readlinkat(Dir(), Name.c_str(), target.data(), target.size());
    if (n < 0)
        return SystemFailure(errno, Path);
    return std::string(target.data(), static_cast<std::size_t>(n));
}

TResult<std::uint64_t> TItemAt::EntryCount() const {
    int error = 0;
    TFd fd = OpenFolderAt(Dir(), Name.c_str(), error);
    if (!fd.Valid())
        return SystemFailure(error, Path);
    DIR* dir = fdopendir(fd.Get());
    if (!dir)
        return SystemFailure(errno, Path);
    fd.Release(); // closedir closes it now
    std::uint64_t count = 0;
    // An error part way reads as the end: the dialog shows what could be
    // counted, as a listing that stops early still says something true.
    while (const dirent* e = readdir(dir)) {
        const char* n = e->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            ++count;
    }
    closedir(dir);
    return count;
}

std::string TItemAt::Head(std::size_t most) const {
    std::string head;
    const int fd = openat(Dir(), Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return head;
    head.resize(most);
    const ssize_t n = read(fd, head.data(), most);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    close(fd);
    return head;
}

bool LeadsToFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsProgramFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string RunningProgramFile() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(n));
    return {};
}

} // namespace Platform
