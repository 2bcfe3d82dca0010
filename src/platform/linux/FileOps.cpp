// Which items may be deleted, moved or trashed, and the walk that reaches a
// scanned item again. Folders are opened one component at a time relative to
// their parent's descriptor, so no path is ever too long, and a folder is
// identified by device and inode, not by its spelling, so links in a path
// cannot disguise a protected folder.
#include "platform/FileOps.h"

#include "platform/DirReader.h"
#include "platform/Mounts.h"
#include "platform/linux/FileOpsInternal.h"
#include "platform/linux/TrashCheck.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Platform {
namespace {

// Folders that are never removed themselves.
const char* const SystemFolders[] = {
    "/bin",   "/boot",    "/dev",     "/etc",     "/home",      "/lib",        "/lib32",
    "/lib64", "/libx32",  "/media",   "/mnt",     "/opt",       "/proc",       "/root",
    "/run",   "/sbin",    "/snap",    "/srv",     "/sys",       "/tmp",        "/usr",
    "/var",   "/var/tmp", "/var/lib", "/var/log", "/var/cache", "/lost+found",
};
// Folders whose contents belong to the system (packages, the kernel's own
// file systems): nothing inside them is removed.
const char* const SystemTrees[] = {
    "/bin",    "/boot", "/dev", "/etc",  "/lib", "/lib32", "/lib64",
    "/libx32", "/proc", "/run", "/sbin", "/sys", "/usr",
};
// Inside a system tree, these hold the user's drives and shares again.
const char* const UserTreesInSystem[] = {"/run/media", "/run/user"};

// The home folder and every folder above it.
std::set<TIdentity> HomeAndAncestors() {
    std::set<TIdentity> result;
    std::string home = HomeFolder();
    if (home.empty())
        return result;
    TOwnedFd fd = OpenFolderPath(home);
    while (fd.Valid()) {
        auto id = IdentityOf(fd.Get(), "", true);
        if (!id || !result.insert(*id).second)
            break; // the root is its own parent
        fd = TOwnedFd(openat(fd.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return result;
}

// Why the item `name` in the open folder `parent` must stay; path is how the
// user knows it.
std::string ProtectedReasonAt(int parentFd, const std::string& name, const std::string& path) {
    struct stat st {};
    if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0)
        return Quoted(path) + ": " + ErrorText(errno) + ".";
    TIdentity self{st.st_dev, st.st_ino};

    for (const char* folder : SystemFolders) {
        // A system folder by its own name (which may be a link, like /lib),
        // or reached through another path or link.
        if (IdentityOf(AT_FDCWD, folder, false) == self ||
            IdentityOf(AT_FDCWD, folder, true) == self)
            return Quoted(path) + " is a system folder.";
    }
    auto homes = HomeAndAncestors();
    if (S_ISDIR(st.st_mode) && homes.contains(self)) {
        return IdentityOf(AT_FDCWD, HomeFolder().c_str(), true) == self
                   ? Quoted(path) + " is your home folder."
                   : Quoted(path) + " contains your home folder.";
    }
    auto homeRoot = IdentityOf(AT_FDCWD, "/home", true);
    if (S_ISDIR(st.st_mode) && homeRoot && IdentityOf(parentFd, "", true) == homeRoot)
        return Quoted(path) + " is a user's home folder.";

    auto ownMount = MountIdAt(parentFd, name.c_str());
    auto parentMount = MountIdAt(parentFd, "");
    struct stat parentSt {};
    fstat(parentFd, &parentSt);
    if (!SameFileSystem(parentSt.st_dev, parentMount, st.st_dev, ownMount))
        return Quoted(path) + " is the root of a mounted drive.";

    // Walk up from the item's folder; the first marked folder met decides.
    std::set<TIdentity> systemTrees, userTrees;
    for (const char* folder : SystemTrees) {
        if (auto id = IdentityOf(AT_FDCWD, folder, true))
            systemTrees.insert(*id);
    }
    for (const char* folder : UserTreesInSystem) {
        if (auto id = IdentityOf(AT_FDCWD, folder, true))
            userTrees.insert(*id);
    }
    auto rootId = IdentityOf(AT_FDCWD, "/", true);
    TOwnedFd up(dup(parentFd));
    while (up.Valid()) {
        auto id = IdentityOf(up.Get(), "", true);
        if (!id || id == rootId || userTrees.contains(*id))
            break;
        if (systemTrees.contains(*id))
            return Quoted(path) + " lies inside a system folder.";
        up = TOwnedFd(openat(up.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return {};
}

std::string ChangedText(const std::string& path) {
    return Quoted(path) +
           " has changed since it was scanned: a folder on its way was moved, replaced or "
           "linked elsewhere. Nothing was removed. Rescan the folder and try again.";
}

} // namespace

TResolved Resolve(const TScannedItem& item, bool checkProtected) {
    TResolved r;
    r.Path = PathOf(item);
    if (item.Top.empty() || item.Top[0] != '/') {
        r.Refused = Quoted(r.Path) + " is not an absolute path.";
        return r;
    }
    std::vector<std::string> parts;
    for (std::size_t pos = 0; pos <= item.Below.size();) {
        std::size_t end = item.Below.find('/', pos);
        if (end == std::string::npos)
            end = item.Below.size();
        if (end > pos)
            parts.push_back(item.Below.substr(pos, end - pos));
        pos = end + 1;
    }
    if (parts.empty()) {
        r.Refused = item.Top == "/" ? "The root folder \"/\" cannot be removed."
                                    : Quoted(r.Path) + " does not name an item.";
        return r;
    }
    for (const std::string& part : parts) {
        if (part == "." || part == "..") {
            r.Refused = Quoted(r.Path) + " does not name an item.";
            return r;
        }
    }
    // The starting folder is reached as the scan reached it.
    TOwnedFd fd = OpenFolderPath(item.Top);
    struct stat st {};
    if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
        r.Refused =
            "The folder " + Quoted(item.Top) + " cannot be opened: " + ErrorText(errno) + ".";
        return r;
    }
    if ((item.TopDevice && st.st_dev != item.TopDevice) ||
        (item.TopInode && st.st_ino != item.TopInode)) {
        r.Refused = ChangedText(r.Path);
        return r;
    }
    const dev_t device = st.st_dev;
    const auto mount = MountIdAt(fd.Get(), "");
    r.ParentPath = item.Top;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        // One component at a time, never through a link, never onto another
        // mount: a link or a mount swapped in on the way ends the walk.
        TOwnedFd next(
            openat(fd.Get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.Valid()) {
            r.Refused = errno == ELOOP || errno == ENOTDIR
                            ? ChangedText(r.Path)
                            : Quoted(r.Path) + ": " + ErrorText(errno) + ".";
            return r;
        }
        const auto nextMount = MountIdAt(next.Get(), "");
        if (fstat(next.Get(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            !SameFileSystem(device, mount, st.st_dev, nextMount)) {
            r.Refused = ChangedText(r.Path);
            return r;
        }
        fd = std::move(next);
        r.ParentPath += (r.ParentPath == "/" ? "" : "/") + parts[i];
    }
    if (item.FolderInode && (fstat(fd.Get(), &st) != 0 || st.st_ino != item.FolderInode)) {
        r.Refused = ChangedText(r.Path);
        return r;
    }
    r.Name = parts.back();
    if (fstatat(fd.Get(), r.Name.c_str(), &r.Item, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        r.Refused = Quoted(r.Path) + ": " + ErrorText(errno) + ".";
        return r;
    }
    if (item.Inode &&
        (r.Item.st_ino != item.Inode ||
         !SameFileSystem(device, mount, r.Item.st_dev, MountIdAt(fd.Get(), r.Name.c_str())))) {
        r.Refused = ChangedText(r.Path);
        return r;
    }
    if (checkProtected)
        r.Refused = ProtectedReasonAt(fd.Get(), r.Name, r.Path);
    r.Parent = std::move(fd);
    return r;
}

std::string PathOf(const TScannedItem& item) {
    if (item.Below.empty())
        return item.Top;
    std::string path = item.Top;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + item.Below;
}

TScannedItem ItemAtPath(const std::string& path) {
    TScannedItem item;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        item.Top = trimmed; // relative: refused when resolved
        return item;
    }
    item.Top = slash == 0 ? "/" : trimmed.substr(0, slash);
    item.Below = trimmed.substr(slash + 1);
    return item;
}

std::string MountInside(const std::string& path) {
    for (const TMountEntry& entry : ReadMountTable()) {
        if (entry.MountPoint != path && IsPathPrefix(path, entry.MountPoint))
            return entry.MountPoint;
    }
    return {};
}

std::string ProtectedReason(const std::string& path) {
    return Resolve(ItemAtPath(path)).Refused;
}

std::string DeleteCheck(const TScannedItem& item) {
    return Resolve(item).Refused;
}

std::string FolderRemovalRefusal(const TScannedItem& item) {
    return FolderRemovalRefusal(Resolve(item));
}

std::string FolderRemovalRefusal(const TResolved& r) {
    if (!r.Refused.empty())
        return r.Refused;
    if (!S_ISDIR(r.Item.st_mode))
        return Quoted(r.Path) + " is not a folder.";
    // Mounts are listed by their real paths; the folder's is read back from
    // the descriptor the checks above opened.
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", r.Parent.Get());
    std::string real(PATH_MAX, '\0');
    const ssize_t length = readlink(link, real.data(), real.size());
    if (length > 0 && static_cast<std::size_t>(length) < real.size()) {
        real.resize(static_cast<std::size_t>(length));
        real = (real == "/" ? "" : real) + "/" + r.Name;
        if (std::string mount = MountInside(real); !mount.empty())
            return Quoted(r.Path) + " has another drive mounted inside it, at " + Quoted(mount) +
                   ". Unmount it first.";
    }
    return {};
}

std::string FolderRemovalRefusal(const std::string& path) {
    return FolderRemovalRefusal(ItemAtPath(path));
}

std::string TrashablePath(const TScannedItem& item, std::string& refused, dev_t& device,
                          ino_t& inode) {
    TResolved r = Resolve(item);
    refused = r.Refused;
    if (!refused.empty())
        return {};
    device = r.Item.st_dev;
    inode = r.Item.st_ino;
    // The trash takes a path, so hand it the folder's real spelling, then make
    // sure that spelling still leads to the very item that was checked.
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", r.Parent.Get());
    std::string folder(PATH_MAX, '\0');
    const ssize_t length = readlink(link, folder.data(), folder.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= folder.size() || folder[0] != '/') {
        refused = Quoted(r.Path) + " cannot be moved to the trash: its folder cannot be named.";
        return {};
    }
    folder.resize(static_cast<std::size_t>(length));
    std::string path = folder == "/" ? "/" + r.Name : folder + "/" + r.Name;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || st.st_dev != device || st.st_ino != inode) {
        refused = ChangedText(r.Path);
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        if (std::string mount = MountInside(path); !mount.empty()) {
            refused = Quoted(r.Path) +
                      " cannot be moved to the trash: another drive is mounted "
                      "inside it, at " +
                      Quoted(mount) + ". Unmount it first.";
            return {};
        }
    }
    return path;
}

bool StillInPlace(const TScannedItem& item, dev_t device, ino_t inode) {
    TResolved r = Resolve(item);
    return r.Parent.Valid() && r.Item.st_dev == device && r.Item.st_ino == inode;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

bool MakeFolders(const std::string& path, unsigned mode) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            if (mkdir(path.substr(0, pos).c_str(), static_cast<mode_t>(mode)) != 0 &&
                errno != EEXIST)
                return false;
        }
    }
    return true;
}

} // namespace Platform
