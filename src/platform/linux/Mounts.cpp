// The mount table from /proc/self/mountinfo and the drive list derived from
// it, filtered the way df and desktop file managers do: pseudo file systems,
// snaps, container overlays, over-mounted file systems and bind mounts of an
// already listed folder are left out, "/" is always in.
#include "platform/Mounts.h"

#include "platform/VolumeStat.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Kernel and daemon file systems that hold no user data, plus read-only
// images (snaps) and container layers, which a user never wants to analyse.
bool IsPseudoType(const std::string& type) {
    static const std::set<std::string> types = {
        "autofs",     "binfmt_misc", "bpf",       "cgroup",
        "cgroup2",    "configfs",    "debugfs",   "devfs",
        "devpts",     "devtmpfs",    "efivarfs",  "fuse.portal",
        "fusectl",    "hugetlbfs",   "mqueue",    "nfsd",
        "nsfs",       "overlay",     "proc",      "pstore",
        "rpc_pipefs", "securityfs",  "selinuxfs", "squashfs",
        "sysfs",      "tracefs",     "rootfs",    "fuse.gvfsd-fuse",
        "binder",     "fuse.lxcfs"};
    return types.count(type) != 0;
}

bool IsRemoteType(const std::string& type) {
    static const std::set<std::string> types = {
        "cifs", "smb3", "smbfs",     "9p",    "fuse.sshfs",     "fuse.rclone", "ncpfs",
        "afs",  "ceph", "glusterfs", "davfs", "fuse.glusterfs", "lustre"};
    return StartsWith(type, "nfs") || types.count(type) != 0;
}

// Folders where the system keeps its own RAM file systems (/dev/shm, /run,
// /run/lock, /run/user/<uid>, /sys/fs/cgroup); a tmpfs there is no RAM disk
// of the user's.
bool IsSystemLocation(const std::string& mountPoint) {
    for (const char* top : {"/dev", "/proc", "/sys", "/run"}) {
        if (IsPathPrefix(top, mountPoint))
            return true;
    }
    return false;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Reads the open file from where it stands to its end.
std::string ReadToEnd(int fd) {
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

std::string ReadSmallFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text = ReadToEnd(fd);
    close(fd);
    return text;
}

// Kernel name of a device node ("sdb1" for /dev/sdb1 or for a
// /dev/disk/by-uuid link to it).
std::string KernelDeviceName(const std::string& device) {
    const std::string real = RealPath(device);
    return BaseName(real.empty() ? device : real);
}

// The sysfs folder of the disk that holds a block device, following
// device-mapper and RAID members down to a physical disk.
std::string SysDiskFolder(const std::string& sysFolder, const TSystemRoots& roots, int depth) {
    std::string disk = sysFolder;
    if (Exists(disk + "/partition"))
        disk = DirName(disk);
    if (depth < 4) {
        const std::string slavesDir = disk + "/slaves";
        if (DIR* dir = opendir(slavesDir.c_str())) {
            std::string first;
            while (const dirent* e = readdir(dir)) {
                if (e->d_name[0] != '.') {
                    first = e->d_name;
                    break;
                }
            }
            closedir(dir);
            if (!first.empty()) {
                const std::string member = RealPath(roots.SysRoot + "/class/block/" + first);
                if (!member.empty())
                    return SysDiskFolder(member, roots, depth + 1);
            }
        }
    }
    return disk;
}

bool IsRemovableDevice(const TMountEntry& entry, const TSystemRoots& roots) {
    std::string folder;
    if (entry.Major != 0)
        folder = RealPath(roots.SysRoot + "/dev/block/" + std::to_string(entry.Major) + ":" +
                          std::to_string(entry.Minor));
    // btrfs and a few others report an anonymous device number; the source names the disk.
    if (folder.empty())
        folder = RealPath(roots.SysRoot + "/class/block/" + KernelDeviceName(entry.Source));
    if (folder.empty())
        return false;
    const std::string disk = SysDiskFolder(folder, roots, 0);
    if (ReadSmallFile(disk + "/removable").substr(0, 1) == "1")
        return true;
    // USB disks and SD cards often report 0 there; where they hang decides.
    return disk.find("/usb") != std::string::npos || disk.find("/mmc") != std::string::npos;
}

std::string DecodePercent(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TDrive MakeDrive(const std::string& root, TDriveType type, const std::string& fs,
                 const std::string& device, const std::string& label) {
    TDrive drive;
    drive.RootPath = root;
    drive.Type = type;
    drive.FileSystem = fs;
    drive.Device = device;
    drive.Label = label;
    drive.DisplayName = DriveDisplayName(root, label);
    return drive;
}

} // namespace

std::string DecodeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string DecodeLabel(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<TMountEntry> ParseMountInfo(std::string_view text) {
    std::vector<TMountEntry> table;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::vector<std::string_view> fields;
        std::size_t pos = 0;
        while (pos < line.size()) {
            const std::size_t space = std::min(line.find(' ', pos), line.size());
            if (space > pos)
                fields.push_back(line.substr(pos, space - pos));
            pos = space + 1;
        }
        // Six fixed fields, optional tagged fields ended by "-", then type and source.
        const auto dash = std::find(fields.begin() + std::min<std::size_t>(6, fields.size()),
                                    fields.end(), std::string_view("-"));
        if (fields.size() < 6 || dash == fields.end() || fields.end() - dash < 3)
            continue;
        TMountEntry entry;
        char* end = nullptr;
        const std::string id(fields[0]), parent(fields[1]), device(fields[2]);
        entry.MountId = static_cast<int>(std::strtol(id.c_str(), &end, 10));
        if (*end != '\0')
            continue;
        entry.ParentId = static_cast<int>(std::strtol(parent.c_str(), &end, 10));
        if (*end != '\0')
            continue;
        entry.Major = static_cast<unsigned>(std::strtoul(device.c_str(), &end, 10));
        if (*end != ':')
            continue;
        entry.Minor = static_cast<unsigned>(std::strtoul(end + 1, &end, 10));
        if (*end != '\0')
            continue;
        entry.Root = DecodeMountField(fields[3]);
        entry.MountPoint = DecodeMountField(fields[4]);
        entry.Options = DecodeMountField(fields[5]);
        entry.FsType = DecodeMountField(dash[1]);
        entry.Source = DecodeMountField(dash[2]);
        if (fields.end() - dash > 3)
            entry.SuperOptions = DecodeMountField(dash[3]);
        table.push_back(std::move(entry));
    }
    return table;
}

std::vector<TMountEntry> ReadMountTable() {
    return ParseMountInfo(ReadSmallFile("/proc/self/mountinfo"));
}

int OpenMountTableWatch() {
    return open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
}

// The documented way to watch the table is to wait for POLLPRI, then read
// it; the current kernel already counts the change as seen when it is
// polled, but a watcher that also reads does not depend on that.
void ReadThroughMountTableWatch(int fd) {
    if (lseek(fd, 0, SEEK_SET) < 0)
        return;
    ReadToEnd(fd);
}

TDriveType ClassifyMount(const TMountEntry& entry, const TSystemRoots& roots) {
    const std::string& type = entry.FsType;
    if (IsPseudoType(type))
        return TDriveType::Unknown;
    if (type == "iso9660" || type == "udf")
        return TDriveType::CdRom;
    if (IsRemoteType(type))
        return TDriveType::Remote;
    if (type == "tmpfs" || type == "ramfs")
        return IsSystemLocation(entry.MountPoint) ? TDriveType::Unknown : TDriveType::RamDisk;
    if (StartsWith(entry.Source, "/dev/")) {
        if (StartsWith(KernelDeviceName(entry.Source), "sr"))
            return TDriveType::CdRom;
        return IsRemovableDevice(entry, roots) ? TDriveType::Removable : TDriveType::Fixed;
    }
    // ZFS datasets name their pool, not a device.
    if (type == "zfs")
        return TDriveType::Fixed;
    return TDriveType::Unknown;
}

std::string DriveDisplayName(const std::string& rootPath, const std::string& label) {
    std::string name = label;
    if (name.empty()) {
        if (rootPath == "/") {
            name = "Root";
        } else {
            name = BaseName(rootPath);
            if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
                name[0] = static_cast<char>(name[0] - 'a' + 'A');
        }
    }
    return name + " (" + rootPath + ")";
}

std::string LabelOfDevice(const std::string& device, const std::string& byLabelDir) {
    if (!StartsWith(device, "/"))
        return {};
    const std::string wanted = KernelDeviceName(device);
    DIR* dir = opendir(byLabelDir.c_str());
    if (!dir)
        return {};
    std::string label;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        char target[PATH_MAX];
        const std::string link = byLabelDir + "/" + e->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        if (BaseName(std::string(target, static_cast<std::size_t>(n))) == wanted) {
            label = DecodeLabel(e->d_name);
            break;
        }
    }
    closedir(dir);
    return label;
}

std::string GvfsShareLabel(const std::string& folderName) {
    const auto colon = folderName.find(':');
    if (colon == std::string::npos)
        return {};
    std::string server, share, host;
    std::string_view rest = std::string_view(folderName).substr(colon + 1);
    while (!rest.empty()) {
        const std::size_t comma = std::min(rest.find(','), rest.size());
        const std::string_view pair = rest.substr(0, comma);
        rest = rest.substr(std::min(comma + 1, rest.size()));
        const std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = pair.substr(0, eq);
        const std::string value = DecodePercent(pair.substr(eq + 1));
        if (key == "server")
            server = value;
        else if (key == "share")
            share = value;
        else if (key == "host")
            host = value;
    }
    if (!share.empty() && !server.empty())
        return share + " on " + server;
    return !host.empty() ? host : server;
}

std::vector<TDrive> DrivesFromMountTable(const std::vector<TMountEntry>& table,
                                         const TSystemRoots& roots) {
    struct TCandidate {
        std::size_t Index;
        TDriveType Type;
    };
    std::vector<TCandidate> candidates;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TMountEntry& entry = table[i];
        // A later mount on the same folder hides this one.
        const bool hidden = std::any_of(
            table.begin() + static_cast<std::ptrdiff_t>(i) + 1, table.end(),
            [&](const TMountEntry& later) { return later.MountPoint == entry.MountPoint; });
        if (hidden)
            continue;
        TDriveType type = ClassifyMount(entry, roots);
        if (entry.MountPoint == "/" && type == TDriveType::Unknown)
            type = TDriveType::Fixed;
        if (type != TDriveType::Unknown || entry.FsType == "fuse.gvfsd-fuse")
            candidates.push_back({i, type});
    }

    // A mount that shows a folder of a file system already listed through a
    // mount of that folder or one above it is a bind mount: one entry is enough.
    auto prefer = [&](const TMountEntry& a, const TMountEntry& b) {
        if (a.MountPoint == "/" || b.MountPoint == "/")
            return a.MountPoint == "/";
        if (a.Root.size() != b.Root.size())
            return a.Root.size() < b.Root.size();
        return a.MountPoint.size() < b.MountPoint.size();
    };
    std::vector<TDrive> drives;
    bool haveRoot = false;
    for (const TCandidate& c : candidates) {
        const TMountEntry& entry = table[c.Index];
        const bool duplicate =
            entry.MountPoint != "/" &&
            std::any_of(candidates.begin(), candidates.end(), [&](const TCandidate& other) {
                const TMountEntry& o = table[other.Index];
                if (other.Index == c.Index || o.Major != entry.Major || o.Minor != entry.Minor ||
                    o.FsType != entry.FsType || !IsPathPrefix(o.Root, entry.Root))
                    return false;
                // Of two equally good ones the first in the table stays.
                return prefer(o, entry) || (!prefer(entry, o) && other.Index < c.Index);
            });
        if (duplicate)
            continue;
        if (entry.FsType == "fuse.gvfsd-fuse") {
            // Each folder there is a share that gvfs mounted for the user.
            std::vector<std::string> names;
            if (ListFolderNames(roots.FsRoot + entry.MountPoint, names, roots.ListTimeoutMs) ==
                TProbeResult::Ok) {
                for (const std::string& name : names)
                    drives.push_back(MakeDrive(entry.MountPoint + "/" + name, TDriveType::Remote,
                                               entry.FsType, entry.Source, GvfsShareLabel(name)));
            }
            continue;
        }
        haveRoot = haveRoot || entry.MountPoint == "/";
        drives.push_back(MakeDrive(entry.MountPoint, c.Type, entry.FsType, entry.Source,
                                   LabelOfDevice(entry.Source, roots.ByLabelDir)));
    }
    if (!haveRoot)
        drives.push_back(MakeDrive("/", TDriveType::Fixed, {}, {}, {}));
    std::stable_sort(drives.begin(), drives.end(),
                     [](const TDrive& a, const TDrive& b) { return a.RootPath < b.RootPath; });
    return drives;
}

std::vector<TDrive> ListDrives() {
    return DrivesFromMountTable(ReadMountTable(), TSystemRoots());
}

std::string NormalisePath(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    std::size_t i = 0;
    const bool absolute = !path.empty() && path[0] == '/';
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/')
            ++i;
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view part = std::string_view(path).substr(i, end - i);
        i = end;
        if (part.empty() || part == ".")
            continue;
        if (!out.empty() || absolute)
            out += '/';
        out += part;
    }
    if (out.empty() && absolute)
        out = "/";
    return out;
}

std::string AbsolutePath(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
        if (!cwd)
            return {};
        full = std::string(cwd.get()) + "/" + path;
    }
    full = NormalisePath(full);
    std::size_t resolveTo = std::string::npos; // end of the last ".." component
    for (std::size_t at = full.find("/.."); at != std::string::npos;
         at = full.find("/..", at + 1)) {
        if (at + 3 == full.size() || full[at + 3] == '/')
            resolveTo = at + 3;
    }
    if (resolveTo == std::string::npos)
        return full;
    const std::string resolved = RealPath(full.substr(0, resolveTo));
    if (resolved.empty())
        return full;
    return NormalisePath(resolved + full.substr(resolveTo));
}

bool IsPathPrefix(const std::string& prefix, const std::string& path) {
    if (prefix == "/")
        return StartsWith(path, "/");
    if (prefix.empty() || !StartsWith(path, prefix))
        return false;
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

const TMountEntry* MountEntryOf(const std::string& path, const std::vector<TMountEntry>& table) {
    const TMountEntry* best = nullptr;
    for (const TMountEntry& entry : table) {
        // ">=": of two mounts on one folder the later one is the one seen.
        if (IsPathPrefix(entry.MountPoint, path) &&
            (!best || entry.MountPoint.size() >= best->MountPoint.size()))
            best = &entry;
    }
    return best;
}

std::string DriveRootOf(const std::string& path, const std::vector<TMountEntry>& table) {
    const std::string normal = AbsolutePath(path);
    const TMountEntry* entry = MountEntryOf(normal, table);
    if (!entry)
        return "/";
    const std::string& mount = entry->MountPoint;
    if (entry->FsType == "fuse.gvfsd-fuse" && normal.size() > mount.size() + 1) {
        const std::size_t start = mount == "/" ? 1 : mount.size() + 1;
        const std::size_t end = std::min(normal.find('/', start), normal.size());
        return normal.substr(0, end);
    }
    return mount;
}

std::string DriveRootOf(const std::string& path) {
    return DriveRootOf(path, ReadMountTable());
}

bool MayHang(const std::string& path, const std::vector<TMountEntry>& table) {
    const TMountEntry* entry = MountEntryOf(path, table);
    return entry && (IsRemoteType(entry->FsType) || StartsWith(entry->FsType, "fuse"));
}

bool MayHang(const std::string& path) {
    return MayHang(path, ReadMountTable());
}

bool IsMountPoint(const std::string& path, const std::vector<TMountEntry>& table) {
    const std::string normal = AbsolutePath(path);
    return std::any_of(table.begin(), table.end(),
                       [&](const TMountEntry& e) { return e.MountPoint == normal; });
}

bool IsMountPoint(const std::string& path) {
    return IsMountPoint(path, ReadMountTable());
}

} // namespace Platform
