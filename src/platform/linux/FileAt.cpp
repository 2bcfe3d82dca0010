// The clean-up work's file-system steps on Linux: thin, descriptor-relative
// wrappers that turn errno into a TFailure.
#include "platform/FileAt.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

namespace Platform {

namespace {

TResult<TFd> Opened(int fd, const std::string& name) {
    if (fd < 0)
        return SystemFailure(errno, name);
    return TFd(fd);
}

TStatus Done(int result, const std::string& name) {
    if (result != 0)
        return SystemFailure(errno, name);
    return {};
}

} // namespace

TResult<TFd> OpenFolderPathFollowing(const std::string& path) {
    return Opened(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), path);
}

TResult<TFd> OpenFolderPathNoLink(const std::string& path) {
    return Opened(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), path);
}

TResult<TFd> OpenFilePathForReading(const std::string& path, bool noWait) {
    return Opened(open(path.c_str(), O_RDONLY | O_CLOEXEC | (noWait ? O_NONBLOCK : 0)), path);
}

TResult<TFd> OpenFileAt(int folderFd, const std::string& name, bool noWait) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (noWait ? O_NONBLOCK : 0);
    return Opened(openat(folderFd, name.c_str(), flags), name);
}

TResult<TFd> OpenSubfolder(int folderFd, const std::string& name) {
    return Opened(openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
                  name);
}

TResult<TFd> OpenBelow(int rootFd, const std::string& below, bool folder) {
    TFd fd(fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    if (!fd.Valid())
        return SystemFailure(errno, below);
    for (std::size_t pos = 0; pos < below.size();) {
        std::size_t end = below.find('/', pos);
        const bool last = end == std::string::npos || end + 1 >= below.size();
        if (end == std::string::npos)
            end = below.size();
        const std::string part = below.substr(pos, end - pos);
        const int flags =
            last ? (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) : O_PATH | O_DIRECTORY;
        TFd next(openat(fd.Get(), part.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
        if (!next.Valid())
            return SystemFailure(errno, below);
        fd = std::move(next);
        pos = end + 1;
    }
    return fd;
}

TResult<TFd> CreateFileAt(int folderFd, const std::string& name, unsigned mode) {
    return Opened(
        openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode),
        name);
}

TResult<TFd> CreateFilePath(const std::string& path, unsigned mode) {
    return Opened(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode), path);
}

TResult<TFd> Duplicate(int fd) {
    return Opened(fcntl(fd, F_DUPFD_CLOEXEC, 0), {});
}

TResult<struct stat> StatAt(int folderFd, const std::string& name) {
    struct stat st {};
    const int result = name.empty() ? fstat(folderFd, &st)
                                    : fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    if (result != 0)
        return SystemFailure(errno, name);
    return st;
}

TResult<struct stat> StatPath(const std::string& path, bool follow) {
    struct stat st {};
    if ((follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0)
        return SystemFailure(errno, path);
    return st;
}

bool MayWritePath(const std::string& path) {
    return access(path.c_str(), W_OK) == 0;
}

bool MayRunPath(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

TResult<std::string> RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return SystemFailure(errno, path);
    std::string resolved = real;
    std::free(real);
    return resolved;
}

TResult<std::string> ReadLinkAt(int folderFd, const std::string& name, std::size_t sizeHint) {
    // The size lstat gives may be short (a link changed meanwhile, or a
    // file system that reports 0): room to spare tells a cut target.
    std::string target(sizeHint + 256, '\0');
    for (;;) {
        const ssize_t n = readlinkat(folderFd, name.c_str(), target.data(), target.size());
        if (n < 0)
            return SystemFailure(errno, name);
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        if (target.size() > PATH_MAX * 16)
            return SystemFailure(ENAMETOOLONG, name);
        target.resize(target.size() * 2);
    }
}

TResult<std::vector<std::string>> NamesIn(int folderFd) {
    const int fd = fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            close(fd);
        return SystemFailure(error, {});
    }
    // The copy shares its position with folderFd: from the start, always.
    rewinddir(dir);
    std::vector<std::string> names;
    errno = 0;
    while (dirent* e = readdir(dir)) {
        const char* n = e->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            names.emplace_back(n);
        errno = 0;
    }
    const int error = errno;
    closedir(dir);
    if (error != 0)
        return SystemFailure(error, {});
    return names;
}

TResult<std::size_t> ReadSome(int fd, void* buffer, std::size_t length) {
    for (;;) {
        const ssize_t n = read(fd, buffer, length);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return SystemFailure(errno, {});
    }
}

TResult<std::size_t> ReadAt(int fd, void* buffer, std::size_t length, std::int64_t offset) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, static_cast<char*>(buffer) + done, length - done,
                                static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SystemFailure(errno, {});
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

TResult<std::string> ReadRest(int fd, std::size_t limit) {
    std::string text;
    char buffer[65536];
    for (;;) {
        const TResult<std::size_t> n = ReadSome(fd, buffer, sizeof buffer);
        if (!n)
            return n.Failure();
        if (*n == 0)
            return text;
        if (text.size() + *n > limit)
            return SystemFailure(EFBIG, {});
        text.append(buffer, *n);
    }
}

TStatus WriteAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return SystemFailure(n < 0 ? errno : EIO, {});
        done += static_cast<std::size_t>(n);
    }
    return {};
}

TStatus WriteAllAt(int fd, const void* bytes, std::size_t length, std::int64_t offset) {
    for (std::size_t done = 0; done < length;) {
        const ssize_t n = pwrite(fd, static_cast<const char*>(bytes) + done, length - done,
                                 static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return SystemFailure(n < 0 ? errno : EIO, {});
        done += static_cast<std::size_t>(n);
    }
    return {};
}

TStatus Sync(int fd) {
    return Done(fsync(fd), {});
}

TStatus RemoveAt(int folderFd, const std::string& name, bool folder) {
    return Done(unlinkat(folderFd, name.c_str(), folder ? AT_REMOVEDIR : 0), name);
}

TStatus RemovePath(const std::string& path, bool folder) {
    return Done(folder ? rmdir(path.c_str()) : unlink(path.c_str()), path);
}

TStatus RenameAt(int folderFd, const std::string& from, const std::string& to, bool replace) {
    return Done(replace ? renameat(folderFd, from.c_str(), folderFd, to.c_str())
                        : renameat2(folderFd, from.c_str(), folderFd, to.c_str(), RENAME_NOREPLACE),
                to);
}

TStatus RenamePath(const std::string& from, const std::string& to) {
    return Done(rename(from.c_str(), to.c_str()), to);
}

TStatus MakeFolderPath(const std::string& path, unsigned mode) {
    return Done(mkdir(path.c_str(), mode), path);
}

TStatus SetMode(int fd, unsigned mode) {
    return Done(fchmod(fd, mode), {});
}

TStatus LockFile(int fd, bool wait) {
    for (;;) {
        if (flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
            return {};
        if (errno != EINTR)
            return SystemFailure(errno, {});
    }
}

} // namespace Platform
