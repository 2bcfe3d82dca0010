// Whether a file is still what it was when a copy of it began, so that the
// original may be removed without losing a write made meanwhile. The move
// and the archive ask it before they remove a source file.
//
// Size and modification time cannot tell alone: writers that put the old
// modification time back (touch -d, rsync, tar) leave both as they were, and
// only the change time, which no user can set, moves. Even the change time
// stays put when a write falls in the same tick as the change before it: on
// file systems that keep coarse times (FAT, whole seconds on ext4 with small
// inodes, network shares, which also stamp with another machine's clock),
// and because Linux stamps files from a clock that lags the real time by up
// to one tick. So a file is
//
//   Unchanged  when device, inode, size, modification and change time are
//              those recorded, and the recorded change time lies more than
//              the file system's margin before the copy began: a write after
//              the copy began would have moved the change time;
//   Changed    when any of them differs, or the file is gone;
//   Unproven   when all are the same but the change time is too recent to
//              tell: the caller compares the contents with its copy and
//              removes the file only when they are equal, then looks again.
//
// The margin: a tenth of a second on file systems with nanosecond times
// (tmpfs, btrfs, XFS, F2FS), a little over two seconds on the ext family
// (whole seconds with 128-byte inodes), a minute on every other one (FAT,
// exFAT, NTFS, FUSE and network file systems, unknown ones).
//
// Use:
//   const timespec start = CopyStartTime();        // before the file is looked at
//   TFileStamp stamp;
//   StampFile(openedFd, "", stamp);                // the file as it is copied
//   ... copy it, keep stamp and start ...
//   switch (FileChangeSince(folderFd, name, stamp, start)) ...
//
// Not caught, by any test of times: a write between the last look and the
// removal, and writes through a shared mapping that the kernel has not yet
// stamped.
#pragma once

#include <cstdint>
#include <ctime>

namespace Platform {

struct TFileStamp {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Size = 0;
    std::timespec Modified{};
    std::timespec Changed{};
    bool HasChangeTime = false; // false where the file system does not tell it
};

enum class TFileChange { Unchanged, Changed, Unproven };

// The clock the kernel stamps files from (the real time), read now.
std::timespec CopyStartTime();

// Records the item `name` of the open folder dirFd, never following a link;
// with name "", the open file dirFd itself. False with errno set on failure.
bool StampFile(int dirFd, const char* name, TFileStamp& stamp);

// Looks at the item `name` of the open folder dirFd now (never following a
// link) and tells whether it is still the file recorded in `before`, whose
// copy began at copyStart (read with CopyStartTime before `before` was taken).
TFileChange FileChangeSince(int dirFd, const char* name, const TFileStamp& before,
                            std::timespec copyStart);

} // namespace Platform
