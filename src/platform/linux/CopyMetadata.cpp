// What a copy carries besides contents: link targets, owner, mode, extended
// attributes and times.
#include "platform/linux/CopyWalk.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/xattr.h>

namespace Platform {
namespace {

bool IgnorableAttributeError(int error, const char* name) {
    if (error == ENOTSUP || error == EOPNOTSUPP)
        return true; // the target does not keep extended attributes
    // Namespaces other than "user." may be closed to this user, or managed by
    // the target's own security module.
    return (error == EPERM || error == EACCES || error == EINVAL) &&
           std::strncmp(name, "user.", 5) != 0;
}

// Copies the extended attributes of one open item to another; false with
// errno set on a failure that matters.
bool CopyAttributes(int from, int to) {
    ssize_t size = flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP || errno == EOPNOTSUPP;
    if (size == 0)
        return true;
    std::vector<char> names(static_cast<std::size_t>(size) + 1);
    size = flistxattr(from, names.data(), names.size());
    if (size < 0)
        return errno == ENOTSUP || errno == EOPNOTSUPP;
    std::vector<char> value(4096);
    for (const char* name = names.data(); name < names.data() + size;
         name += std::strlen(name) + 1) {
        ssize_t length = fgetxattr(from, name, value.data(), value.size());
        if (length < 0 && errno == ERANGE) {
            length = fgetxattr(from, name, nullptr, 0);
            if (length >= 0) {
                value.resize(static_cast<std::size_t>(length) + 1);
                length = fgetxattr(from, name, value.data(), value.size());
            }
        }
        if (length < 0) {
            if (errno == ENODATA || IgnorableAttributeError(errno, name))
                continue;
            return false;
        }
        if (fsetxattr(to, name, value.data(), static_cast<std::size_t>(length), 0) != 0 &&
            !IgnorableAttributeError(errno, name))
            return false;
    }
    return true;
}

} // namespace

std::string ReadLink(int dirFd, const char* name, std::size_t sizeHint) {
    std::string target(sizeHint + 1 > 256 ? sizeHint + 1 : 256, '\0');
    for (;;) {
        const ssize_t n = readlinkat(dirFd, name, target.data(), target.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// Owner where allowed (a user may not give files away), then the mode, which
// a change of owner may have cut, then the times.
bool ApplyMetadata(int from, int to, const struct stat& st) {
    if (fchown(to, st.st_uid, st.st_gid) != 0 && errno != EPERM && errno != EINVAL)
        return false;
    if (fchmod(to, st.st_mode & 07777) != 0)
        return false;
    if (!CopyAttributes(from, to))
        return false;
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    return futimens(to, times.data()) == 0;
}

} // namespace Platform
