// Whether a file changed since its copy began; see FileChange.h for the rule.
#include "platform/FileChange.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace Platform {
namespace {

constexpr std::int64_t Second = 1000000000;
// Nanosecond times: the stamping clock lags the real time by one tick (10 ms
// at the slowest tick rate); ten ticks leave room.
constexpr std::int64_t FineMargin = Second / 10;
// The ext family keeps whole seconds in 128-byte inodes.
constexpr std::int64_t WholeSecondMargin = 2 * Second + FineMargin;
// FAT keeps two seconds; a share is stamped by its server, whose clock may
// run apart from ours.
constexpr std::int64_t UnknownMargin = 60 * Second;

constexpr unsigned long ZfsMagic = 0x2fc12fc1;
constexpr unsigned long BcachefsMagic = 0xca451a4e;

std::int64_t MarginOf(int fd) {
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0)
        return UnknownMargin;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case ZfsMagic:
    case BcachefsMagic:
        return FineMargin;
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
        return WholeSecondMargin;
    default:
        return UnknownMargin;
    }
}

std::int64_t Nanoseconds(const std::timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * Second + t.tv_nsec;
}

bool Same(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::timespec TimeOf(const struct statx_timestamp& t) {
    std::timespec result{};
    result.tv_sec = static_cast<std::time_t>(t.tv_sec);
    result.tv_nsec = static_cast<long>(t.tv_nsec);
    return result;
}

} // namespace

std::timespec CopyStartTime() {
    std::timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool StampFile(int dirFd, const char* name, TFileStamp& stamp) {
    int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT;
    if (*name == '\0')
        flags |= AT_EMPTY_PATH;
    struct statx st {};
    if (statx(dirFd, name, flags, STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME, &st) != 0)
        return false;
    stamp.Device = makedev(st.stx_dev_major, st.stx_dev_minor);
    stamp.Inode = st.stx_ino;
    stamp.Size = st.stx_size;
    stamp.Modified = TimeOf(st.stx_mtime);
    stamp.Changed = TimeOf(st.stx_ctime);
    stamp.HasChangeTime = (st.stx_mask & STATX_CTIME) != 0;
    return true;
}

TFileChange FileChangeSince(int dirFd, const char* name, const TFileStamp& before,
                            std::timespec copyStart) {
    TFileStamp now;
    // Gone or out of reach: nothing proves it is the file that was copied.
    if (!StampFile(dirFd, name, now))
        return TFileChange::Changed;
    if (now.Device != before.Device || now.Inode != before.Inode || now.Size != before.Size ||
        !Same(now.Modified, before.Modified))
        return TFileChange::Changed;
    if (!now.HasChangeTime || !before.HasChangeTime)
        return TFileChange::Unproven;
    if (!Same(now.Changed, before.Changed))
        return TFileChange::Changed;
    return Nanoseconds(before.Changed) < Nanoseconds(copyStart) - MarginOf(dirFd)
               ? TFileChange::Unchanged
               : TFileChange::Unproven;
}

} // namespace Platform
