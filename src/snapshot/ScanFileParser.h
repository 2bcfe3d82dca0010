// Reading a scan file (the JSON export of ncdu 1.x, gdu or Quillmere) as a
// stream of entries, for whoever builds something from it: the loader's tree,
// the quick look at a file's head.
//
// Contract: the parser streams the file (any size, any depth, no document in
// memory, no recursion) and hands over entries only once their facts are
// checked: every name one a file can have (the scanned folder's a path),
// sizes whole and below an exbibyte, their sum below what any disk holds, no
// text longer than LongestScanFileName bytes (refused without holding it).
// What differs between the writers is settled here: the keys each writes,
// the ways they mark what was left out, the reason of our own key. Events
// come in the file's order and nest: FolderBegins, then that folder's items
// and subfolders, then FolderEnds; the first folder is the scanned one.
// Runs on any thread and touches nothing shared.
#pragma once

#include "platform/Result.h"
#include "snapshot/ScanFile.h"

#include <atomic>
#include <cstdint>
#include <string>

struct TLoadProgress {
    std::atomic<std::uint64_t> BytesRead{0};
    // The file's size, set when reading starts.
    std::atomic<std::uint64_t> TotalBytes{0};
    // Set by anyone to stop the reading, which then fails.
    std::atomic<bool> Stop{false};
};

// Why an entry holds no figures.
enum class TLeftOut : std::uint8_t {
    No,
    // Another file system (a mount point): shown, not read.
    OtherDrive,
    // Left out by the writer's user (a pattern, a link not followed): a
    // folder so marked is shown like another drive; an item is never handed
    // over, as ncdu neither counts nor shows it.
    ByWriter,
};

// One entry, its facts checked. Keys a writer leaves out read as zero.
struct TScanEntry {
    // Raw bytes; the scanned folder's is its path.
    std::string Name;
    std::uint64_t ASize = 0;
    std::uint64_t DSize = 0;
    // Unix seconds; 0 when not given.
    std::int64_t MTime = 0;
    std::uint32_t Mode = 0;
    bool HasMode = false;
    // The file has other names too ("hlnkc", or "nlink" above 1).
    bool HardLinked = false;
    bool ReadError = false;
    // The errno our own key names; 0 when none does (ncdu and gdu never say).
    int Reason = 0;
    TLeftOut LeftOut = TLeftOut::No;

    bool Hidden() const { return !Name.empty() && Name[0] == '.'; }
};

// What the parser hands entries to. Each call returns whether to read on:
// false ends the reading there, and the parse counts as a success, since the
// consumer has what it wanted.
class TScanFileEvents {
public:
    virtual ~TScanFileEvents() = default;
    virtual bool FolderBegins(const TScanEntry& folder) = 0;
    // A file, or something of another drive that is not a folder.
    virtual bool Item(const TScanEntry& item) = 0;
    virtual bool FolderEnds() = 0;
};

// Reads `file` into `events`. Gives what the file says about itself (its
// writer, the time, the scanned folder's path, SourceFile), or why the file
// is not a scan file or is damaged, or that progress->Stop was set.
TResult<TScanFileInfo> ParseScanFile(const std::string& file, TScanFileEvents& events,
                                     TLoadProgress* progress = nullptr);
