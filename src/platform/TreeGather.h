// What an archive takes from a folder: every entry below it, named as the
// archive will name it and with its facts as they were when it was listed,
// gathered by the tree walk (TreeWalker.h), so the same rules hold: no link
// followed, no other mount entered, any depth.
#pragma once

#include "platform/Result.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace Platform {

struct TGathered {
    // The item as it was asked for, and below it "/"-separated names; a
    // folder's name ends in "/".
    std::string Name;
    struct stat St {};      // not followed
    std::string LinkTarget; // of a symbolic link
};

enum TGatherOption : unsigned {
    GatherHidden = 1u << 0,     // names that begin with "." too
    GatherSubfolders = 1u << 1, // the folders in the item, and theirs, with all they hold
};

// The item (a path below the open folder rootFd; links on its way are
// followed, the item itself never is) and, for a folder, what it holds on
// its own mount, a folder before its contents and each folder's entries in
// byte order of their names. Files and links are gathered; FIFOs, sockets
// and devices hold nothing to archive and are left out, and so are entries
// gone before they were examined. The first entry that cannot be read fails
// the whole gathering (its path is the entry's name).
TResult<std::vector<TGathered>> GatherTree(int rootFd, const std::string& item, unsigned options);

} // namespace Platform
