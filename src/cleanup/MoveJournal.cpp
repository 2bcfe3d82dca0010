// The records of running moves (see MoveJournal.h).
#include "cleanup/MoveJournal.h"

#include "platform/FileAt.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

constexpr char Magic[] = "quillmere-move 1\n";

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

} // namespace

std::string MoveJournalFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/quillmere/moves";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.local/state/quillmere/moves";
    return {};
}

TMoveJournalEntry::~TMoveJournalEntry() = default;

TStatus TMoveJournalEntry::Write(const Platform::TCopyRecord& record) {
    const std::string folder = MoveJournalFolder();
    if (folder.empty() || !Platform::MakeFolders(folder, 0700)) {
        const int error = errno;
        return TFailure{error,
                        {},
                        "The record of the move cannot be kept in \"" + folder +
                            "\": " + std::strerror(error) + "."};
    }
    // Written in full under a name the cleaners pass over, locked, then
    // renamed: a record is never seen half written or unlocked while alive.
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "/move-%ld-%08x", static_cast<long>(getpid()),
                  static_cast<unsigned>(random()));
    const std::string fresh = folder + name + ".new";
    TResult<Platform::TFd> file = Platform::CreateFilePath(fresh, 0600);
    TStatus written = file ? Platform::LockFile(file->Get(), true) : TStatus(file.Failure());
    if (written)
        written = Platform::WriteAll(file->Get(), Encode(record));
    if (written)
        written = Platform::Sync(file->Get());
    if (written)
        written = Platform::RenamePath(fresh, Path.empty() ? folder + name : Path);
    if (!written) {
        // Not locked, so the next cleaner removes it should this fail.
        if (file)
            (void)Platform::RemovePath(fresh);
        return TFailure{written.Failure().Errno,
                        {},
                        "The record of the move cannot be written in \"" + folder +
                            "\": " + std::strerror(written.Failure().Errno) + "."};
    }
    if (Path.empty())
        Path = folder + name;
    Fd = std::move(*file);
    return {};
}

void TMoveJournalEntry::Remove() {
    // A record left behind names a copy that is gone: the next cleaner
    // finds nothing to remove and drops it.
    if (!Path.empty())
        (void)Platform::RemovePath(Path);
    Path.clear();
    Fd = Platform::TFd();
}

int RemoveLeftoverCopies() {
    const std::string folder = MoveJournalFolder();
    if (folder.empty())
        return 0;
    const TResult<Platform::TFd> dir = Platform::OpenFolderPathFollowing(folder);
    const TResult<std::vector<std::string>> names =
        dir ? Platform::NamesIn(dir->Get()) : TResult<std::vector<std::string>>(dir.Failure());
    // No folder, no records; one that cannot be read is tried by the next move.
    if (!names)
        return 0;
    int removed = 0;
    for (const std::string& name : *names) {
        if (name.compare(0, 5, "move-") != 0)
            continue;
        const TResult<Platform::TFd> fd = Platform::OpenFileAt(dir->Get(), name);
        if (!fd)
            continue;
        // A lock held means a move that is still running. Once the lock is
        // ours, another inode under the name means that its move rewrote it
        // since it was opened (and let go of this one).
        if (!Platform::LockFile(fd->Get(), false))
            continue;
        const TResult<struct stat> opened = Platform::StatAt(fd->Get(), "");
        const TResult<struct stat> now = Platform::StatAt(dir->Get(), name);
        if (!opened || !now || opened->st_ino != now->st_ino)
            continue;
        const bool isNew = name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0;
        Platform::TCopyRecord record;
        const TResult<std::string> text = Platform::ReadRest(fd->Get(), SIZE_MAX);
        // What cannot be removed now is tried again by the next move.
        if (isNew || !text || !Decode(*text, record)) {
            // Half written by a move that died before its copy was begun.
            (void)Platform::RemoveAt(dir->Get(), name);
        } else if (Platform::RemoveRecordedCopy(record)) {
            removed += record.Inode != 0;
            (void)Platform::RemoveAt(dir->Get(), name);
        }
    }
    return removed;
}
