// The file-system side of moving a folder: a rename that never replaces
// anything, and the copy of a whole folder to another file system under a
// hidden temporary name, its check against the source, and its publication
// under the final name. The order of these steps, and what is kept when one
// fails, is the caller's.
//
// Contract: nothing here follows a symbolic link or enters another mount
// below the source; names are raw bytes and depth is unlimited (folders are
// reached through open descriptors). The copy keeps contents (holes stay
// holes), symbolic links as links, hard links inside the folder as hard
// links, FIFOs and device nodes as such, permissions, owner where allowed,
// times to the nanosecond, and extended attributes where the target keeps
// them. The target's folder is opened once (TMoveTarget); a target folder
// that is, by identity, any folder of the source is refused, so the copy
// never goes into what it copies.
#pragma once

#include "platform/FileOps.h"
#include "platform/Result.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Platform {

// Told about the copy as it goes, on the copying thread.
class TCopyWatcher {
public:
    virtual ~TCopyWatcher() = default;
    // Tested between entries and between blocks of a file.
    virtual bool Stopping() = 0;
    // Before an entry is copied or checked; below is its path under the folder.
    virtual void Entering(const std::string& below) = 0;
    virtual void Copied(std::uint64_t bytes) = 0;
    virtual void EntryDone() = 0;
};

// The folder a move goes into, opened once by its path: every step then
// works in that folder, whatever the path comes to name meanwhile (a link
// swapped in for it cannot lead the copy into the folder being moved).
class TMoveTarget {
public:
    explicit TMoveTarget(const std::string& target);
    ~TMoveTarget();
    TMoveTarget(const TMoveTarget&) = delete;
    TMoveTarget& operator=(const TMoveTarget&) = delete;

    // Why the target cannot be used (no new name in it, its folder missing
    // or closed); empty when its folder is open.
    const std::string& Error() const { return Problem; }
    const std::string& Path() const { return Target; }
    const std::string& Folder() const { return FolderPath; }
    const std::string& Name() const { return NewName; }
    int FolderFd() const { return Fd; } // -1 when not open

private:
    std::string Target, FolderPath, NewName, Problem;
    int Fd = -1;
};

// Why the scanned folder must not be moved to target, checked before
// anything is touched: the folder is protected (as for a delete) or no longer
// what was scanned, another drive is mounted inside it (named), target's
// folder is missing, target exists or lies inside the folder. Empty when the
// move may start. A target folder that is one of the folder's own under
// another path (a bind mount) is found only by TTreeCopy::Count, which sees
// every folder.
std::string MoveCheck(const TScannedItem& source, const TMoveTarget& target);
std::string MoveCheck(const TScannedItem& source, const std::string& target);

enum class TRenameOutcome { Renamed, OtherFileSystem, Failed };

// Renames the scanned item to target (an absolute path whose folder exists)
// with one call that fails rather than replace what is at target. `failure`
// holds the reason with Failed: its text names the paths, and the error
// number is the rename's when the system refused it.
TRenameOutcome RenameNoReplace(const TScannedItem& source, const TMoveTarget& target,
                               TFailure& failure);

// What lies below a folder: the bytes of its regular files (a file with hard
// links once), and its entries (files, links, folders, others).
struct TTreeCount {
    std::uint64_t Bytes = 0;
    std::uint64_t Entries = 0;
    std::string Error; // not empty when the folder could not be counted
};

// The identity of a copy, for removing it later when the process that made
// it has died.
struct TCopyRecord {
    std::string Path; // the hidden temporary folder
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

enum class TCopyStep { Done, Stopped, Failed };

class TTreeCopy {
public:
    // Reaches the source as scanned and the target's folder; nothing is
    // made yet. Error() tells when either cannot be reached.
    TTreeCopy(const TScannedItem& source, const TMoveTarget& target);
    ~TTreeCopy(); // removes a copy that was not published
    TTreeCopy(const TTreeCopy&) = delete;
    TTreeCopy& operator=(const TTreeCopy&) = delete;

    const std::string& Error() const { return Problem; }

    // Counts what is to be copied; fails when one of the folders met is the
    // target's folder (the copy would go into what it copies).
    TTreeCount Count(TCopyWatcher& watcher);
    // The hidden folder the copy will be made in, chosen at construction,
    // so that it can be recorded before it exists; Inode 0 until Begin.
    const TCopyRecord& Record() const;
    // Makes the hidden folder beside the target; Record then has its inode.
    bool Begin();
    // Copies everything below the source into the hidden folder.
    TCopyStep Copy(TCopyWatcher& watcher);
    // Flushes the copy to disk and compares every entry of the source with
    // its copy: type, link target, and for a file whether it changed since
    // its copy began (see FileChange.h; contents are compared where times
    // cannot tell). An entry that came or changed in the source meanwhile
    // fails the check.
    TCopyStep Verify(TCopyWatcher& watcher);
    // Gives the copy the target's name, failing if something is there now.
    bool Publish();
    // After Publish: removes the source, entry by entry, but only entries
    // still the same as their copy, by the test of Verify; anything that
    // came or changed since stays and is listed, and so does the target's
    // folder or the copy should either be found inside. Not stopped by the
    // watcher.
    TDeleteResult RemoveSource(TCopyWatcher& watcher);
    // Removes the unpublished copy; true when nothing of it is left.
    bool Discard();

    struct TState; // the open folders and what the copy has made

private:
    std::unique_ptr<TState> State;
    std::string Problem;
};

// Removes the hidden copy a record names, provided it is still that folder
// (with Inode 0, only an empty folder of that name). True when it is gone,
// or when something else has its name now.
bool RemoveRecordedCopy(const TCopyRecord& record);

} // namespace Platform
