// Linux directory reading: getdents64 and statx on descriptors, so paths of any
// length and names of any bytes work, and nothing is allocated per entry.
#include "platform/DirReader.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace Platform {

namespace {

// The fixed head of a getdents64 record; the name follows it.
struct TLinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
};
constexpr std::size_t DirentNameOffset = offsetof(TLinuxDirent64, d_type) + 1;

constexpr unsigned FileMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME;
// What an export needs besides: allocation, identity and links.
constexpr unsigned FullMask = FileMask | STATX_BLOCKS | STATX_INO | STATX_NLINK;
constexpr int NoFollow = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;

std::uint64_t ToFileTime(const struct statx_timestamp& t) {
    return UnixTimeToFileTime(t.tv_sec, t.tv_nsec);
}

void FillFacts(const char* name, const struct statx& sx, TFileFacts& facts) {
    const unsigned type = sx.stx_mode & S_IFMT;
    facts.IsFolder = type == S_IFDIR;
    facts.Size = static_cast<std::int64_t>(sx.stx_size);
    facts.AccessTime = (sx.stx_mask & STATX_ATIME) ? ToFileTime(sx.stx_atime) : 0;
    facts.WriteTime = (sx.stx_mask & STATX_MTIME) ? ToFileTime(sx.stx_mtime) : 0;
    // Some file systems answer the birth time with a zero (1970) they do not
    // really know; that is no date.
    const bool born = (sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec || sx.stx_btime.tv_nsec);
    facts.CreationTime = born ? ToFileTime(sx.stx_btime) : 0;
    std::uint32_t attributes = 0;
    if (!(sx.stx_mode & S_IWUSR))
        attributes |= FileAttrReadOnly;
    if (name[0] == '.')
        attributes |= FileAttrHidden;
    if (type != S_IFREG && type != S_IFDIR && type != S_IFLNK)
        attributes |= FileAttrSystem;
    if (type == S_IFDIR)
        attributes |= FileAttrDirectory;
    if (sx.stx_attributes & sx.stx_attributes_mask & STATX_ATTR_COMPRESSED)
        attributes |= FileAttrCompressed;
    facts.Attributes = attributes;
}

void FillFullFacts(const char* name, const struct statx& sx, TFileFacts& facts) {
    FillFacts(name, sx, facts);
    facts.DiskUsage = static_cast<std::int64_t>(sx.stx_blocks) * 512;
    facts.Inode = sx.stx_ino;
    facts.Device = makedev(sx.stx_dev_major, sx.stx_dev_minor); // as st_dev gives it
    facts.Links = sx.stx_nlink;
    facts.Mode = sx.stx_mode;
    facts.WriteSeconds = sx.stx_mtime.tv_sec;
}

bool IsDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

} // namespace

std::uint64_t UnixTimeToFileTime(std::int64_t seconds, std::uint32_t nanoseconds) {
    constexpr std::int64_t EpochDifference = 11644473600LL; // 1601 to 1970, in seconds
    constexpr std::uint64_t TicksPerSecond = 10000000ULL;
    if (seconds > INT64_MAX - 5)
        return UINT64_MAX;
    seconds += nanoseconds / 1000000000;
    nanoseconds %= 1000000000;
    if (seconds < -EpochDifference)
        return 0; // before 1601: as good as unknown
    std::uint64_t ticks = 0;
    const std::uint64_t since1601 = static_cast<std::uint64_t>(seconds) + EpochDifference;
    if (__builtin_mul_overflow(since1601, TicksPerSecond, &ticks) ||
        __builtin_add_overflow(ticks, nanoseconds / 100, &ticks))
        return UINT64_MAX; // past the FILETIME range: the largest time
    return ticks;
}

TFd::~TFd() {
    if (Fd >= 0)
        close(Fd);
}

TFd& TFd::operator=(TFd&& other) noexcept {
    if (this != &other) {
        if (Fd >= 0)
            close(Fd);
        Fd = other.Release();
    }
    return *this;
}

TFd OpenFolderAt(int parentFd, const char* name, int& error) {
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return TFd();
    }
    error = 0;
    return TFd(fd);
}

namespace {

// -1 unknown, 0 no, 1 yes; probed by the first call.
std::atomic<int> NoXdevOpenWorks{-1};

long OpenNoXdev(int parentFd, const char* name) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_NO_XDEV;
    return syscall(SYS_openat2, parentFd, name, &how, sizeof how);
}

} // namespace

bool SubfolderOpenSeesMounts() {
    int state = NoXdevOpenWorks.load(std::memory_order_relaxed);
    if (state < 0) {
        // Kernels before 5.6, and sandboxes that filter the call, lack it.
        const long fd = OpenNoXdev(AT_FDCWD, "/");
        state = fd >= 0 ? 1 : 0;
        if (fd >= 0)
            close(static_cast<int>(fd));
        NoXdevOpenWorks.store(state, std::memory_order_relaxed);
    }
    return state == 1;
}

// With use, -1: the next question probes the kernel again.
TNoXdevOpenOverride::TNoXdevOpenOverride(bool use)
    : Saved(NoXdevOpenWorks.exchange(use ? -1 : 0, std::memory_order_relaxed)) {}

TNoXdevOpenOverride::~TNoXdevOpenOverride() {
    NoXdevOpenWorks.store(Saved, std::memory_order_relaxed);
}

TFd OpenSubfolderAt(int parentFd, const char* name, int& error, bool& otherMount) {
    otherMount = false;
    const long fd = OpenNoXdev(parentFd, name);
    if (fd >= 0) {
        error = 0;
        return TFd(static_cast<int>(fd));
    }
    if (errno == EXDEV) {
        otherMount = true;
        error = 0;
        return TFd();
    }
    error = errno;
    return TFd();
}

TFd OpenFolderPath(const std::string& path, int& error) {
    if (path.size() < PATH_MAX - 1 || path.empty() || path[0] != '/')
        return OpenFolderAt(AT_FDCWD, path.c_str(), error);
    // Too long for one call: walk down a component at a time.
    TFd current = OpenFolderAt(AT_FDCWD, "/", error);
    std::size_t pos = 1;
    std::string component;
    while (current.Valid() && pos < path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        component.assign(path, pos, next - pos);
        pos = next + 1;
        if (component.empty() || component == ".")
            continue;
        // As the kernel does for a short path: links are followed on the
        // way, but not at the last component.
        const bool last = pos >= path.size();
        const int fd = openat(current.Get(), component.c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | (last ? O_NOFOLLOW : 0));
        if (fd < 0) {
            error = errno;
            return TFd();
        }
        current = TFd(fd);
    }
    return current;
}

TFd OpenParentOf(const std::string& path, std::string& lastComponent, int& error) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        lastComponent = trimmed;
        return OpenFolderAt(AT_FDCWD, ".", error);
    }
    lastComponent = trimmed.substr(slash + 1);
    if (lastComponent.empty()) { // "/" has no parent
        error = EINVAL;
        return TFd();
    }
    return OpenFolderPath(slash == 0 ? std::string("/") : trimmed.substr(0, slash), error);
}

std::uint64_t MountIdAt(int dirFd, const char* name) {
    const int emptyPath = *name == '\0' ? AT_EMPTY_PATH : 0;
    struct statx sx {};
    if (statx(dirFd, name, NoFollow | emptyPath, STATX_MNT_ID, &sx) != 0)
        return 0;
    if (sx.stx_mask & STATX_MNT_ID)
        return sx.stx_mnt_id;
    union {
        file_handle Handle;
        char Space[sizeof(file_handle) + MAX_HANDLE_SZ];
    } buffer{};
    buffer.Handle.handle_bytes = MAX_HANDLE_SZ;
    int mountId = 0;
    if (name_to_handle_at(dirFd, name, &buffer.Handle, &mountId, emptyPath) == 0)
        return static_cast<std::uint32_t>(mountId);
    // File systems that hand out no file handles: their device then. Mount
    // ids are 32 bits here, so the top bit keeps the two kinds apart.
    return (std::uint64_t{1} << 63) | (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) |
           sx.stx_dev_minor;
}

std::uint64_t MountIdOf(int fd) {
    return MountIdAt(fd, "");
}

bool IdentityOf(int fd, std::uint64_t& device, std::uint64_t& inode) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool FactsAt(int dirFd, const char* name, TFileFacts& facts, int& error) {
    struct statx sx {};
    if (statx(dirFd, name, NoFollow, FileMask | STATX_BTIME, &sx) != 0) {
        error = errno;
        return false;
    }
    const char* base = std::strrchr(name, '/');
    FillFacts(base ? base + 1 : name, sx, facts);
    error = 0;
    return true;
}

bool FullFactsAt(int dirFd, const char* name, TFileFacts& facts, int& error) {
    struct statx sx {};
    const int emptyPath = *name == '\0' ? AT_EMPTY_PATH : 0;
    if (statx(dirFd, name, NoFollow | emptyPath, FullMask, &sx) != 0) {
        error = errno;
        return false;
    }
    FillFullFacts(name, sx, facts);
    error = 0;
    return true;
}

bool ListFolder(int dirFd, std::uint64_t mountId, TListSink& sink, const std::atomic<bool>& abort,
                std::vector<char>& buffer, bool& aborted, int& error) {
    const bool all = sink.WantsAllFacts();
    const unsigned mask = all ? FullMask : FileMask;
    aborted = false;
    error = 0;
    if (buffer.size() < 32768)
        buffer.resize(32768);
    for (;;) {
        const long n = syscall(SYS_getdents64, dirFd, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        for (long offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const TLinuxDirent64*>(buffer.data() + offset);
            offset += entry->d_reclen;
            const char* name = buffer.data() + offset - entry->d_reclen + DirentNameOffset;
            if (IsDotOrDotDot(name))
                continue;
            const std::size_t length = std::strlen(name);
            struct statx sx {};
            if (entry->d_type == DT_DIR && mountId == 0) {
                sink.OnFolder(name, length, false);
            } else if (entry->d_type == DT_DIR) {
                // A folder that vanished since the listing (id 0) is still
                // passed on: opening it will fail and record why.
                const std::uint64_t id = MountIdAt(dirFd, name);
                sink.OnFolder(name, length, id != 0 && id != mountId);
            } else if (statx(dirFd, name, NoFollow, mask, &sx) == 0) {
                if ((sx.stx_mode & S_IFMT) == S_IFDIR) { // file systems without d_type
                    const std::uint64_t id = mountId != 0 ? MountIdAt(dirFd, name) : 0;
                    sink.OnFolder(name, length, id != 0 && id != mountId);
                } else {
                    TFileFacts facts;
                    if (all)
                        FillFullFacts(name, sx, facts);
                    else
                        FillFacts(name, sx, facts);
                    sink.OnFile(name, length, facts);
                }
            } else if (errno != ENOENT) {
                sink.OnUnreadable(name, length, errno);
            } // ENOENT: removed since the listing; it no longer takes space.
            if (abort.load(std::memory_order_relaxed)) {
                aborted = true;
                return false;
            }
        }
    }
}

bool LookUpEntry(const std::string& path, TFileFacts& facts) {
    if (path.empty())
        return false;
    int error = 0;
    if (path.size() < PATH_MAX - 1)
        return FactsAt(AT_FDCWD, path.c_str(), facts, error);
    std::string last;
    TFd parent = OpenParentOf(path, last, error);
    return parent.Valid() && FactsAt(parent.Get(), last.c_str(), facts, error);
}

bool EntryExists(const std::string& path) {
    TFileFacts facts;
    return LookUpEntry(path, facts);
}

bool FolderExists(const std::string& path) {
    TFileFacts facts;
    return LookUpEntry(path, facts) && facts.IsFolder;
}

std::string ErrorText(int error) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(error, buf, sizeof buf);
    return text ? std::string(text) : std::string("Error ") + std::to_string(error);
}

std::string ErrorName(int error) {
    const char* name = strerrorname_np(error);
    return name ? std::string(name) : std::string();
}

int ErrorOfName(const std::string& name) {
    // errno values are small; the largest Linux has is under 140.
    for (int error = 1; error < 256; ++error)
        if (const char* known = strerrorname_np(error); known && name == known)
            return error;
    return 0;
}

} // namespace Platform
