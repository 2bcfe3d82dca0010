// What the desktop's dialogs and commands learn about one item of the user's:
// the facts the properties dialog shows, whether a path leads to a folder or
// to a program, and the program's own file. Kept apart from the scanner's
// reading, which asks for less and never follows a link.
//
// Contract: paths are raw bytes of any length. An item is examined relative
// to its folder's open descriptor and never through a link of its own, unless
// a function says it follows links.
#pragma once

#include "platform/DirReader.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace Platform {

struct TTimeStamp {
    std::int64_t Seconds = 0; // Unix time
    std::uint32_t Nanoseconds = 0;
};

struct TItemFacts {
    std::uint32_t Mode = 0; // st_mode: type and permission bits
    std::int64_t Size = 0;
    std::int64_t DiskUsage = 0; // allocated bytes
    std::uint32_t Owner = 0;
    std::uint32_t Group = 0;
    TTimeStamp Modified;
    TTimeStamp Accessed;
    std::optional<TTimeStamp> Created; // none when the file system keeps no birth time
};

// One item held by its folder's descriptor and its name in it, so that the
// several looks a dialog takes at it all reach the same folder, whatever
// the length of the path.
class TItemAt {
public:
    explicit TItemAt(std::string path);

    // The item itself, not what a link leads to; an automount is not
    // triggered.
    TResult<TItemFacts> Facts() const;
    // What a symbolic link says, as raw bytes. sizeHint: the size its facts
    // report (some file systems report 0).
    TResult<std::string> LinkTarget(std::size_t sizeHint) const;
    // How many entries a folder holds, "." and ".." not counted; a link is
    // not followed.
    TResult<std::uint64_t> EntryCount() const;
    // Up to `most` first bytes of a file, to tell its kind by; empty when it
    // cannot be read. Never waits for a FIFO's writer.
    std::string Head(std::size_t most) const;

private:
    int Dir() const;

    std::string Path;
    TFd Folder;
    std::string Name; // in Folder, or the whole path when it has no parent
};

// True when path is a folder or a link that leads to one.
bool LeadsToFolder(const std::string& path);

// True when path (links followed) is a regular file the user may run.
bool IsProgramFile(const std::string& path);

// The file of the program running now; empty when the system does not say.
std::string RunningProgramFile();

} // namespace Platform
