// The mount table and the drives a user would pick from it. A drive is a
// mounted file system that a file manager would show (block devices, optical
// discs, network shares, RAM disks), identified by its mount point. Parsing is
// separate from reading so that made-up tables and /sys trees can be fed in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// One line of /proc/self/mountinfo, escapes decoded.
struct TMountEntry {
    int MountId = 0;
    int ParentId = 0;
    unsigned Major = 0;
    unsigned Minor = 0;
    std::string Root;       // folder of the file system that is mounted here
    std::string MountPoint; // where it is mounted
    std::string Options;    // per-mount options ("rw,relatime")
    std::string FsType;     // "ext4", "nfs4", "fuse.sshfs"
    std::string Source;     // "/dev/sda1", "server:/export", "tmpfs"
    std::string SuperOptions;
};

enum class TDriveType { Unknown, Removable, Fixed, Remote, CdRom, RamDisk };

struct TDrive {
    std::string RootPath;
    TDriveType Type = TDriveType::Unknown;
    std::string FileSystem;
    std::string Device;
    std::string Label;       // empty when the file system has none
    std::string DisplayName; // "Data (/mnt/data)"

    bool operator==(const TDrive&) const = default;
};

// Where drive detection looks; tests point these at made-up trees.
struct TSystemRoots {
    std::string SysRoot = "/sys";
    std::string ByLabelDir = "/dev/disk/by-label";
    // Prefix put before mount points when their contents are listed (gvfs).
    std::string FsRoot;
    // Time limit for listing a gvfs folder, whose daemon may hang.
    int ListTimeoutMs = 2000;
};

// Undoes the octal escapes (\040 for a space) of mountinfo fields.
std::string DecodeMountField(std::string_view field);
// Undoes the \xNN escapes of udev's /dev/disk/by-label names.
std::string DecodeLabel(std::string_view name);

// Malformed lines are skipped.
std::vector<TMountEntry> ParseMountInfo(std::string_view text);
// The table of this process; empty when it cannot be read.
std::vector<TMountEntry> ReadMountTable();

// A descriptor on this process's mount table that the kernel marks with
// POLLPRI (an exceptional condition to select) whenever a mount is added or
// removed; -1 when the table cannot be opened. The caller closes it.
int OpenMountTableWatch();
// Reads the watched table through from its start, done after each change.
void ReadThroughMountTableWatch(int fd);

// The drives of a table, sorted by root path, "/" always included.
std::vector<TDrive> DrivesFromMountTable(const std::vector<TMountEntry>& table,
                                         const TSystemRoots& roots);
std::vector<TDrive> ListDrives();

// Type of one mounted file system; Unknown for pseudo file systems.
TDriveType ClassifyMount(const TMountEntry& entry, const TSystemRoots& roots);
// The label (else the last component of the root path, capitalised) followed
// by the root path in brackets: "Root (/)".
std::string DriveDisplayName(const std::string& rootPath, const std::string& label);
// The label of a device from the by-label folder; empty when it has none.
std::string LabelOfDevice(const std::string& device, const std::string& byLabelDir);
// A readable name for a gvfs share folder ("data on nas"); empty when the
// folder name is not one gvfs makes.
std::string GvfsShareLabel(const std::string& folderName);

// Collapses repeated slashes, drops "." components and a trailing slash. ".."
// stays: dropping it with the component before it is only right when that
// component is no symbolic link, which the text cannot tell.
std::string NormalisePath(const std::string& path);
// The absolute, tidy form of a path the user gave, on which drives are looked
// up: taken from the current folder when relative, then tidied as by
// NormalisePath. ".." means what the kernel makes of it, the parent of the
// folder reached so far, links followed: so the part up to the last ".." is
// resolved on the file system, and "link/.." is the parent of where the link
// leads. Links elsewhere stay as named (the user named this folder). When
// that part cannot be resolved (it does not exist) the path keeps its "..",
// still naming nothing rather than another folder. Empty when the current
// folder cannot be read.
std::string AbsolutePath(const std::string& path);
// Whether `prefix` is `path` or one of its ancestors, by whole components.
bool IsPathPrefix(const std::string& prefix, const std::string& path);

// The mount whose mount point is the longest whole-component prefix of path;
// nullptr when none is (a relative path, an empty table).
const TMountEntry* MountEntryOf(const std::string& path, const std::vector<TMountEntry>& table);
// The root path of the drive holding path: its mount point, or for a gvfs
// share the share's folder. "/" when the table gives no answer.
std::string DriveRootOf(const std::string& path, const std::vector<TMountEntry>& table);
std::string DriveRootOf(const std::string& path);
// Whether the file system holding path can stop answering (network shares,
// FUSE file systems): calls on it from the window's thread need a time limit.
bool MayHang(const std::string& path, const std::vector<TMountEntry>& table);
bool MayHang(const std::string& path);
bool IsMountPoint(const std::string& path, const std::vector<TMountEntry>& table);
bool IsMountPoint(const std::string& path);

} // namespace Platform
