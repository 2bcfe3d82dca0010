#include "TempTree.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void RemoveAt(int parentFd, const char* name) {
    struct stat st {};
    if (fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        unlinkat(parentFd, name, 0);
        return;
    }
    fchmodat(parentFd, name, 0700, 0);
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        DIR* dir = fdopendir(fd);
        std::vector<std::string> names;
        if (dir) {
            while (dirent* e = readdir(dir)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                    names.emplace_back(e->d_name);
            }
            for (const auto& n : names)
                RemoveAt(dirfd(dir), n.c_str());
            closedir(dir);
        } else {
            close(fd);
        }
    }
    // A mount point inside the tree cannot be removed; the test unmounts it.
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

} // namespace

void RemoveTreeForTest(const std::string& path) {
    RemoveAt(AT_FDCWD, path.c_str());
}

TTempTree::TTempTree() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmere-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        Fail("mkdtemp");
    RootPath = buf.data();
}

TTempTree::~TTempTree() {
    RemoveTreeForTest(RootPath);
}

std::string TTempTree::Path(const std::string& relative) const {
    return relative.empty() ? RootPath : RootPath + "/" + relative;
}

void TTempTree::MakeDir(const std::string& relative) const {
    std::string full = Path(relative);
    for (size_t pos = RootPath.size() + 1; pos <= full.size(); ++pos) {
        if (pos == full.size() || full[pos] == '/') {
            std::string part = full.substr(0, pos);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                Fail("mkdir " + part);
        }
    }
}

void TTempTree::MakeFile(const std::string& relative, std::int64_t size) const {
    auto slash = relative.rfind('/');
    if (slash != std::string::npos)
        MakeDir(relative.substr(0, slash));
    std::string full = Path(relative);
    int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("open " + full);
    if (size > 0 && ftruncate(fd, size) != 0) {
        close(fd);
        Fail("ftruncate " + full);
    }
    close(fd);
}

void TTempTree::SetTimes(const std::string& relative, std::int64_t accessSec,
                         std::int64_t writeSec) const {
    timespec times[2] = {{static_cast<time_t>(accessSec), 0}, {static_cast<time_t>(writeSec), 0}};
    if (utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        Fail("utimensat " + relative);
}

void TTempTree::MakeSymlink(const std::string& target, const std::string& relative) const {
    if (symlink(target.c_str(), Path(relative).c_str()) != 0)
        Fail("symlink " + relative);
}

void TTempTree::MakeHardLink(const std::string& existing, const std::string& relative) const {
    if (link(Path(existing).c_str(), Path(relative).c_str()) != 0)
        Fail("link " + relative);
}

void TTempTree::Remove(const std::string& relative) const {
    RemoveTreeForTest(Path(relative));
}
