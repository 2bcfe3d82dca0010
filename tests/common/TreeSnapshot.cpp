#include "TreeSnapshot.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint64_t Digest(int fd, off_t size) {
    std::uint64_t hash = 1469598103934665603ull;
    const auto add = [&](const void* data, std::size_t length) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < length; ++i)
            hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    std::vector<char> buffer(1 << 16);
    off_t pos = 0;
    while (pos < size) {
        off_t data = lseek(fd, pos, SEEK_DATA);
        if (data < 0)
            break;
        off_t hole = lseek(fd, data, SEEK_HOLE);
        if (hole < 0)
            hole = size;
        add(&data, sizeof data);
        for (off_t at = data; at < hole;) {
            const ssize_t n =
                pread(fd, buffer.data(),
                      static_cast<std::size_t>(std::min<off_t>(hole - at, 1 << 16)), at);
            if (n <= 0)
                return 0;
            // Zeros written out and zeros of a hole read alike.
            add(buffer.data(), static_cast<std::size_t>(n));
            at += n;
        }
        pos = hole;
    }
    return hash;
}

std::vector<std::pair<std::string, std::pair<dev_t, ino_t>>> Linked;

void Walk(int dirFd, const std::string& below, TTreeSnapshot& snapshot,
          std::map<std::pair<dev_t, ino_t>, std::string>& inodes) {
    DIR* dir = fdopendir(dup(dirFd));
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        const std::string path = below.empty() ? name : below + "/" + name;
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        char line[256];
        std::snprintf(line, sizeof line, "%o %u:%u %lld %lld.%09ld", st.st_mode, st.st_uid,
                      st.st_gid, S_ISDIR(st.st_mode) ? 0LL : static_cast<long long>(st.st_size),
                      static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec);
        std::string text = line;
        if (S_ISLNK(st.st_mode)) {
            std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
            const ssize_t n = readlinkat(dirFd, name.c_str(), target.data(), target.size());
            target.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            text += " -> " + target;
        } else if (S_ISREG(st.st_mode)) {
            const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            text += " #" + std::to_string(fd >= 0 ? Digest(fd, st.st_size) : 0);
            if (fd >= 0)
                close(fd);
            if (st.st_nlink > 1) {
                // Named after the group's first path in name order, whatever
                // order the folders list their entries in.
                auto [it, first] = inodes.try_emplace({st.st_dev, st.st_ino}, path);
                if (path < it->second)
                    it->second = path;
                Linked.emplace_back(path, std::make_pair(st.st_dev, st.st_ino));
            }
        }
        snapshot[path] = text;
        if (S_ISDIR(st.st_mode)) {
            const int fd =
                openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                Walk(fd, path, snapshot, inodes);
                close(fd);
            }
        }
    }
}

} // namespace

TTreeSnapshot SnapshotTree(const std::string& root) {
    TTreeSnapshot snapshot;
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return snapshot;
    struct stat st {};
    fstat(fd, &st);
    char line[64];
    std::snprintf(line, sizeof line, "%o %u:%u", st.st_mode, st.st_uid, st.st_gid);
    snapshot[""] = line;
    std::map<std::pair<dev_t, ino_t>, std::string> inodes;
    Linked.clear();
    Walk(fd, "", snapshot, inodes);
    close(fd);
    for (const auto& [path, inode] : Linked)
        snapshot[path] += " =" + inodes[inode];
    return snapshot;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string MakeDeepChain(const std::string& parent, std::size_t bytes) {
    const std::string part(200, 'd');
    std::string below;
    int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && below.size() < bytes) {
        mkdirat(fd, part.c_str(), 0755);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
        below += (below.empty() ? "" : "/") + part;
    }
    if (fd >= 0) {
        const int file = openat(fd, "deepest", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file >= 0) {
            (void)!write(file, "at the bottom\n", 14);
            close(file);
        }
        close(fd);
    }
    return below;
}

std::string SnapshotDifference(const TTreeSnapshot& expected, const TTreeSnapshot& actual) {
    std::string text;
    int shown = 0;
    for (const auto& [path, entry] : expected) {
        auto it = actual.find(path);
        if (it == actual.end() || it->second != entry) {
            if (++shown <= 5)
                text += "\n" + path.substr(0, 80) + ": " + entry + " | " +
                        (it == actual.end() ? std::string("missing") : it->second);
        }
    }
    for (const auto& [path, entry] : actual) {
        if (!expected.contains(path) && ++shown <= 5)
            text += "\n" + path.substr(0, 80) + ": unexpected " + entry;
    }
    if (shown > 5)
        text += "\n... " + std::to_string(shown - 5) + " more";
    return text;
}
