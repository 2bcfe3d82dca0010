// Writing and removing the user's small files.
#include "platform/UserFiles.h"

#include "platform/OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

TStatus WriteWholeFile(const std::string& path, const std::string& content, unsigned mode) {
    TOutputFile out;
    if (!out.Open(path) || !out.Write(content.data(), content.size()) || !out.Commit())
        return SystemFailure(out.Error(), out.Target().empty() ? path : out.Target());
    // The permissions go on the file that was just renamed into place, found
    // without following a link, so a link swapped in meanwhile gains nothing.
    // A umask that leaves the owner no reading still leaves writing, which
    // TOutputFile needed; either way of opening lets the owner change it.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = open(out.Target().c_str(), O_RDONLY | flags);
    if (fd < 0 && errno == EACCES)
        fd = open(out.Target().c_str(), O_WRONLY | flags);
    if (fd < 0)
        return SystemFailure(errno, out.Target());
    struct stat st {};
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EEXIST; // something else took its place; it is not ours to change
    else if (fchmod(fd, static_cast<mode_t>(mode)) != 0)
        error = errno;
    close(fd);
    if (error != 0)
        return SystemFailure(error, out.Target());
    return {};
}

TStatus RemoveFile(const std::string& path) {
    if (unlink(path.c_str()) != 0)
        return SystemFailure(errno, path);
    return {};
}

} // namespace Platform
