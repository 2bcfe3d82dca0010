// Files written whole under a temporary name and renamed, or in place for a
// device or a pipe; see OutputFile.h for what holds at every step.
#include "platform/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Platform {

namespace {

// How long a wait on a pipe sleeps before it looks at the stop flag again.
constexpr int PollMs = 100;
// Links followed before giving up, as the kernel does.
constexpr int MostLinks = 40;
// Bytes of the target's name kept in the temporary name, so that it stays
// within NAME_MAX.
constexpr std::size_t NameKept = 200;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows path's links to what they end at (which need not exist); 0 or
// errno. A link that someone else owns in a sticky folder anyone may write is
// refused: another user may have planted it to make us write over a file of
// ours.
int ResolveLinks(std::string& path) {
    for (int hops = 0; hops < MostLinks; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        const std::string folder = FolderOf(path);
        struct stat dir {};
        if (stat(folder.c_str(), &dir) != 0)
            return errno;
        const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
        if (shared && st.st_uid != geteuid() && st.st_uid != dir.st_uid)
            return EACCES;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return errno;
        if (static_cast<std::size_t>(length) >= target.size())
            return ENAMETOOLONG;
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : folder + "/" + target;
    }
    return ELOOP;
}

std::string RandomSuffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Too early in boot for the pool: O_EXCL still keeps names apart.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>((now >> (8 * i)) ^ getpid());
    }
    std::string suffix;
    for (unsigned char b : bytes)
        suffix += letters[b % (sizeof letters - 1)];
    return suffix;
}

// write() on a pipe without SIGPIPE: a reader that went away is EPIPE, which
// the caller reports, instead of a signal that ends the program before it
// can clean up.
ssize_t WriteToPipe(int fd, const void* data, std::size_t size) {
    sigset_t pipeSignal, old, pendingBefore;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    sigpending(&pendingBefore);
    const ssize_t written = write(fd, data, size);
    const int error = errno;
    if (written < 0 && error == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec none{};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return written;
}

} // namespace

mode_t CurrentUmask() {
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        std::fclose(status);
    }
    return static_cast<mode_t>(mask);
}

TOutputFile::~TOutputFile() {
    Discard();
    if (FolderFd >= 0)
        close(FolderFd);
}

void TOutputFile::Discard() {
    if (Fd >= 0 && OwnsFd)
        close(Fd);
    Fd = -1;
    if (!Temp.empty())
        unlinkat(FolderFd, Temp.c_str(), 0);
    Temp.clear();
}

bool TOutputFile::Fail(int error) {
    LastError = error ? error : EIO;
    // Nothing more goes to this file: a partial one is removed at once, which
    // also gives a full disk its space back.
    Discard();
    return false;
}

bool TOutputFile::Open(const std::string& path, bool append) {
    Discard();
    if (FolderFd >= 0)
        close(FolderFd);
    FolderFd = -1;
    OwnsFd = true;
    Older = Pipe = false;
    LastError = 0;
    TargetPath = path;
    if (path.empty())
        return Fail(ENOENT);
    if (const int error = ResolveLinks(TargetPath))
        return Fail(error);
    Folder = FolderOf(TargetPath);
    Name = NameOf(TargetPath);
    if (Name.empty() || Name == "." || Name == "..")
        return Fail(EISDIR);
    // The folder is opened once: a folder renamed or swapped meanwhile cannot
    // send the temporary file and the rename to two different places.
    FolderFd = open(Folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (FolderFd < 0)
        return Fail(errno);

    struct stat st {};
    if (fstatat(FolderFd, Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode)) // swapped in after the links were followed
            return Fail(ELOOP);
        if (S_ISDIR(st.st_mode))
            return Fail(EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A device or FIFO: a file renamed over it would replace it.
            Pipe = S_ISFIFO(st.st_mode);
            const int flags =
                O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | (Pipe ? O_NONBLOCK : 0);
            while ((Fd = openat(FolderFd, Name.c_str(), flags)) < 0) {
                // A FIFO without a reader: ENXIO until one comes.
                if (errno != EINTR && !(Pipe && errno == ENXIO))
                    return Fail(errno);
                if (Stop && Stop->load())
                    return Fail(ECANCELED);
                std::this_thread::sleep_for(std::chrono::milliseconds(PollMs / 2));
            }
            return true;
        }
        // A file we may not write is not replaced behind its back either.
        if (faccessat(FolderFd, Name.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(errno);
        Older = true;
        OlderOwner = st.st_uid;
        OlderGroup = st.st_gid;
        Mode = st.st_mode & 0777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    } else {
        Mode = 0666 & ~CurrentUmask();
    }

    const std::string stem = "." + Name.substr(0, NameKept) + ".";
    for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
        const std::string candidate = stem + RandomSuffix();
        Fd = openat(FolderFd, candidate.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (Fd >= 0)
            Temp = candidate;
        else if (errno != EEXIST)
            return Fail(errno);
    }
    if (Fd < 0)
        return Fail(EEXIST);
    if (append && Older) {
        const int older = openat(FolderFd, Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (older < 0)
            return Fail(errno);
        const bool copied = CopyOlder(older);
        close(older);
        return copied;
    }
    return true;
}

bool TOutputFile::CopyOlder(int olderFd) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(olderFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(errno);
        if (n == 0)
            return true;
        if (!Write(buffer, static_cast<std::size_t>(n)))
            return false;
    }
}

void TOutputFile::OpenDescriptor(int fd) {
    Discard();
    LastError = 0;
    Fd = fd;
    OwnsFd = false;
    struct stat st {};
    Pipe = fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

bool TOutputFile::WaitFor(short events) {
    for (;;) {
        if (Stop && Stop->load())
            return Fail(ECANCELED);
        pollfd p{Fd, events, 0};
        const int ready = poll(&p, 1, PollMs);
        // POLLERR or POLLHUP count as ready: the write then says what failed.
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return Fail(errno);
    }
}

bool TOutputFile::Write(const void* data, std::size_t size) {
    if (Fd < 0)
        return Fail(LastError ? LastError : EBADF);
    const auto* at = static_cast<const char*>(data);
    // On a pipe that blocks, one write of PIPE_BUF fits once poll says there
    // is room; a larger one could block past a Stop.
    const bool blocking = Pipe && !(fcntl(Fd, F_GETFL) & O_NONBLOCK);
    while (size > 0) {
        if (Pipe && !WaitFor(POLLOUT))
            return false;
        const std::size_t chunk = blocking ? std::min<std::size_t>(size, PIPE_BUF) : size;
        const ssize_t n = Pipe ? WriteToPipe(Fd, at, chunk) : write(Fd, at, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(POLLOUT))
                return false;
            continue;
        }
        if (n <= 0)
            return Fail(n < 0 ? errno : EIO);
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TOutputFile::Commit() {
    if (Fd < 0)
        return Fail(LastError ? LastError : EBADF);
    if (Temp.empty()) {
        const int fd = Fd;
        Fd = -1;
        if (OwnsFd && close(fd) != 0 && errno != EINTR)
            return Fail(errno);
        return true;
    }
    // A full disk or a lost network drive often shows only here.
    if (fsync(Fd) != 0)
        return Fail(errno);
    if (Older && (OlderOwner != geteuid() || OlderGroup != getegid()) &&
        fchown(Fd, OlderOwner, OlderGroup) != 0 &&
        fchown(Fd, static_cast<uid_t>(-1), OlderGroup) != 0)
        Mode &= ~static_cast<mode_t>(070); // the group's access is not given to another group
    if (fchmod(Fd, Mode) != 0)
        return Fail(errno);
    const int fd = Fd;
    Fd = -1;
    if (close(fd) != 0 && errno != EINTR)
        return Fail(errno);
    if (renameat(FolderFd, Temp.c_str(), FolderFd, Name.c_str()) != 0)
        return Fail(errno);
    Temp.clear();
    // The rename itself on disk, so that a crash does not bring the older file
    // back; a folder that cannot be opened for reading keeps that to chance.
    const int folder = openat(FolderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

} // namespace Platform
