// What the fuzz targets share: a check that stops the run when a property
// fails (libFuzzer then keeps the input; the corpus driver fails), and a
// scratch folder that is removed with everything in it, whatever a target
// left there.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

[[noreturn]] inline void FuzzFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : FuzzFailed(#condition, __FILE__, __LINE__))

namespace FuzzSupport {

// Removes what is below an open folder without following links, making
// folders readable first: an archive may restore one with no permissions.
inline void RemoveBelow(int dirFd) {
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int fd = dirfd(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            fchmodat(fd, name.c_str(), 0700, 0);
            const int sub =
                openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                RemoveBelow(sub);
            unlinkat(fd, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(fd, name.c_str(), 0);
        }
    }
    closedir(dir);
}

// The names in a folder, sorted; none when it cannot be listed.
inline std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return close(fd) == 0 && done == bytes.size();
}

// The file's bytes; false when it cannot be read (or is absent).
inline bool ReadBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return n == 0;
}

// A fresh folder below $TMPDIR (else /tmp), removed with all it holds.
class TScratchFolder {
public:
    TScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/quillmere-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        Root = pattern;
    }
    ~TScratchFolder() {
        const int fd = open(Root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            RemoveBelow(fd);
        rmdir(Root.c_str());
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return Root; }
    std::string Path(const std::string& name) const { return Root + "/" + name; }

private:
    std::string Root;
};

} // namespace FuzzSupport
