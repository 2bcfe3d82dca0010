#include "cleanup/MoveJournal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char Magic[] = "quillmere-move 1\n";

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Encode(const Platform::TCopyRecord& record) {
    // The path goes last and takes the rest of the file: it may hold any
    // byte but NUL, newlines included.
    return std::string(Magic) + std::to_string(record.Device) + " " + std::to_string(record.Inode) +
           "\n" + record.Path;
}

bool Decode(const std::string& text, Platform::TCopyRecord& record) {
    if (text.rfind(Magic, 0) != 0)
        return false;
    const std::size_t line = std::strlen(Magic);
    const std::size_t end = text.find('\n', line);
    if (end == std::string::npos)
        return false;
    unsigned long long device = 0, inode = 0;
    if (std::sscanf(text.substr(line, end - line).c_str(), "%llu %llu", &device, &inode) != 2)
        return false;
    record.Device = device;
    record.Inode = inode;
    record.Path = text.substr(end + 1);
    return !record.Path.empty() && record.Path[0] == '/';
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

} // namespace

std::string MoveJournalFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/quillmere/moves";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.local/state/quillmere/moves";
    return {};
}

TMoveJournalEntry::~TMoveJournalEntry() {
    if (Fd >= 0)
        close(Fd);
}

bool TMoveJournalEntry::Write(const Platform::TCopyRecord& record) {
    const std::string folder = MoveJournalFolder();
    if (folder.empty() || !Platform::MakeFolders(folder, 0700)) {
        Problem = "The record of the move cannot be kept in \"" + folder +
                  "\": " + std::strerror(errno) + ".";
        return false;
    }
    // Written in full under a name the cleaners pass over, locked, then
    // renamed: a record is never seen half written or unlocked while alive.
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "/move-%ld-%08x", static_cast<long>(getpid()),
                  static_cast<unsigned>(random()));
    const std::string fresh = folder + name + ".new";
    const int fd = open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || !WriteAll(fd, Encode(record)) || fsync(fd) != 0 ||
        rename(fresh.c_str(), (Path.empty() ? folder + name : Path).c_str()) != 0) {
        Problem = "The record of the move cannot be written in \"" + folder +
                  "\": " + std::strerror(errno) + ".";
        if (fd >= 0) {
            unlink(fresh.c_str());
            close(fd);
        }
        return false;
    }
    if (Path.empty())
        Path = folder + name;
    if (Fd >= 0)
        close(Fd);
    Fd = fd;
    return true;
}

void TMoveJournalEntry::Remove() {
    if (!Path.empty())
        unlink(Path.c_str());
    Path.clear();
    if (Fd >= 0)
        close(Fd);
    Fd = -1;
}

int RemoveLeftoverCopies() {
    const std::string folder = MoveJournalFolder();
    DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "move-", 5) == 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    int removed = 0;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // A lock held means a move that is still running.
        struct stat opened {
        }, now{};
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &opened) != 0 ||
            stat(path.c_str(), &now) != 0 || opened.st_ino != now.st_ino) {
            // Still running, or rewritten by its move since it was opened.
            close(fd);
            continue;
        }
        const bool isNew = name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0;
        Platform::TCopyRecord record;
        if (isNew || !Decode(ReadAll(fd), record)) {
            // Half written by a move that died before its copy was begun.
            unlink(path.c_str());
        } else if (Platform::RemoveRecordedCopy(record)) {
            removed += record.Inode != 0;
            unlink(path.c_str());
        }
        close(fd);
    }
    return removed;
}
