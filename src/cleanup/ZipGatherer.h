// What an archive takes from the folder it packs: the list of entries, each
// as it was when it was listed, in the order they go into the archive (each
// folder before what it holds, names in byte order).
//
// Contract: the shared tree walk starts from an open folder and opens every
// component below it without following a link; a folder of another mount inside is
// left out, as are FIFOs, sockets and devices; an entry gone meanwhile is
// passed over, any other entry that cannot be examined or listed fails the
// whole gathering (an archive that leaves out what it could not read would
// let the folder's removal take it).
#pragma once

#include "platform/FileChange.h"
#include "platform/Result.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <vector>

// One thing to archive, as it was when it was listed.
struct TZipSource {
    std::string Name; // below the root folder, "/" separators; folders end in "/"
    struct stat St {};
    std::string LinkTarget;
    std::int64_t Written = 0; // bytes of contents that went into the archive
    // A regular file as it was when its reading began, and when that was:
    // what tells, before it is removed, that no write came after.
    Platform::TFileStamp Stamp;
    std::timespec ReadStart{};
    bool Stamped = false;

    bool IsFolder() const { return !Name.empty() && Name.back() == '/'; }
};

struct TGatherOptions {
    bool Recurse = true; // below the named folders' own entries
    bool Hidden = true;  // names beginning with "."
};

// The entries of the items named (below the open folder rootFd; a folder
// brings what it holds). The failure's Text names the entry ("\"a/b\": why").
TResult<std::vector<TZipSource>> GatherSources(int rootFd, const std::vector<std::string>& items,
                                               TGatherOptions options);
