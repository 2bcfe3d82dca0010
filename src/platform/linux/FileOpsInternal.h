// What the delete, the trash and the tree copy share: descriptors that close
// themselves, identities, the mount test, and the walk that reaches a scanned
// item without following links.
#pragma once

#include "platform/FileOps.h"

#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Platform {

class TOwnedFd {
public:
    TOwnedFd() = default;
    explicit TOwnedFd(int fd) : Fd(fd) {}
    ~TOwnedFd() { Reset(); }
    TOwnedFd(TOwnedFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TOwnedFd& operator=(TOwnedFd&& other) noexcept {
        if (this != &other) {
            Reset();
            Fd = std::exchange(other.Fd, -1);
        }
        return *this;
    }
    int Get() const { return Fd; }
    int Release() { return std::exchange(Fd, -1); }
    bool Valid() const { return Fd >= 0; }
    void Reset() {
        if (Fd >= 0)
            close(Fd);
        Fd = -1;
    }

private:
    int Fd = -1;
};

struct TIdentity {
    dev_t Dev = 0;
    ino_t Ino = 0;
    auto operator<=>(const TIdentity&) const = default;
};

inline std::optional<TIdentity> IdentityOf(int dirFd, const char* name, bool follow) {
    struct stat st {};
    int flags = AT_NO_AUTOMOUNT | (follow ? 0 : AT_SYMLINK_NOFOLLOW);
    if (*name == '\0')
        flags |= AT_EMPTY_PATH;
    if (fstatat(dirFd, name, &st, flags) != 0)
        return std::nullopt;
    return TIdentity{st.st_dev, st.st_ino};
}

// Opens the folder at an absolute path of any length, following links as the
// kernel would. errno is set on failure.
inline TOwnedFd OpenFolderPath(const std::string& path) {
    TOwnedFd fd(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    size_t pos = 0;
    while (fd.Valid() && pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        if (end > pos) {
            std::string part = path.substr(pos, end - pos);
            fd = TOwnedFd(openat(fd.Get(), part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        pos = end + 1;
    }
    return fd;
}

// Whether two items lie on the same mounted file system. Mount ids decide
// where the kernel tells them: a btrfs subvolume has a device number of its
// own but is no other mount, and the scan reads it like any folder; a bind
// mount shares the device but is another mount. Without mount ids, devices.
inline bool SameFileSystem(dev_t deviceA, std::uint64_t mountA, dev_t deviceB,
                           std::uint64_t mountB) {
    const auto real = [](std::uint64_t id) { return id != 0 && !(id >> 63); };
    if (real(mountA) && real(mountB))
        return mountA == mountB;
    return deviceA == deviceB && (mountA == 0 || mountB == 0 || mountA == mountB);
}

// The scanned item's folder, opened as the scan saw it, and its name there.
struct TResolved {
    TOwnedFd Parent;
    std::string Name;
    std::string Path;       // for messages
    std::string ParentPath; // for messages
    struct stat Item {};
    std::string Refused; // not empty when the item cannot be reached as scanned
};

// Reads a symbolic link's target; empty with errno set when it cannot.
std::string ReadLink(int dirFd, const char* name, std::size_t sizeHint);

// A path in double quotes, as messages name things.
inline std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Reaches the scanned item as the scan saw it (see TScannedItem). With
// checkProtected, a protected item is refused too.
TResolved Resolve(const TScannedItem& item, bool checkProtected = true);
// FolderRemovalRefusal of an item already resolved (with checkProtected).
std::string FolderRemovalRefusal(const TResolved& r);

// Removes the item `name` of the open folder parent and everything below it
// on the same mount, provided it is still the item with identity `item`.
// No protection check: for what this program made itself.
void DeleteOwnTree(TOwnedFd parent, const std::string& parentPath, const std::string& name,
                   TIdentity item, TDeleteResult& result);

} // namespace Platform
