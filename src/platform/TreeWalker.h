// The one walk over a folder tree that the delete, the move's copy, its
// check, the removal of its source, the measuring of an item and the
// archive's gathering share, each as a visitor.
//
// Contract: the walk starts at one item of an open folder and never leaves
// what lies below it. No symbolic link is followed; a folder on another
// mount than the item (bind mounts included: mount ids are compared) is
// shown to the visitor but never entered. Names are raw bytes and depth is
// unlimited: folders are reached through open descriptors, never by path,
// and no recursion runs on the stack. Only the deepest OpenFramesKept
// folders (and the item) keep their descriptor open; the others are opened
// again through ".." on the way back up and must then be, by device and
// inode, the folders that were left, or the walk ends there. A folder is
// entered only when, opened, it is the folder its entry named.
//
// A walk may carry a mirror: a second tree of the same shape (the copy of a
// move), walked by the same names under the same rules beside the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace Platform {

// One entry the walk has met.
struct TVisitEntry {
    int Folder = -1;       // the open folder that holds it
    int MirrorFolder = -1; // the same folder in the mirror; -1 without one
    const std::string& Name;
    // Its path below the walked item, "/"-separated; empty for the item.
    const std::string& Below;
    const struct stat& St; // not followed; zero when it could not be examined
    std::size_t Depth = 0; // 0 for the item itself
    // A folder on another mount than the item: never entered.
    bool OtherMount = false;
};

// What the walk does next with an entry.
enum class TVisitAnswer {
    Enter, // a folder is entered (anything else is passed)
    Pass,  // the entry is left as it is and the walk goes on
    End,   // the walk ends here
};

// Why an entry could not be examined or a folder not entered. All but the
// last two leave the rest of the walk to the visitor's answer; losing the
// way back ends it whatever the answer.
enum class TVisitFault {
    Examine,       // the entry could not be examined (it may be gone)
    Open,          // the folder could not be opened
    Replaced,      // opened, it was another folder, or on another mount
    List,          // the folder could not be listed
    MirrorOpen,    // its mirror could not be opened or is not the expected one
    WayBack,       // the folder above could not be found again through ".."
    MirrorWayBack, // the same in the mirror
};

class TTreeVisitor {
public:
    virtual ~TTreeVisitor() = default;
    // Every entry met, before anything is done with it.
    virtual TVisitAnswer Visit(const TVisitEntry& entry) = 0;
    // A step failed on entry; error is the system's error number, or 0. For
    // the way back, entry is the folder just left, its Folder closed (-1).
    virtual TVisitAnswer Fault(const TVisitEntry& entry, TVisitFault fault, int error) = 0;
    // A folder was entered: open (its mirror too), and listed.
    virtual void Entered(const TVisitEntry&, int /*fd*/, int /*mirrorFd*/) {}
    // Every entry of the folder was visited; its descriptors are still open
    // (entry.Folder may be closed by now). False ends the walk.
    virtual bool Leaving(const TVisitEntry&, int /*fd*/, int /*mirrorFd*/) { return true; }
    // The folder is closed again and the walk is back in the folder that
    // holds it (entry.Folder). False ends the walk.
    virtual bool Left(const TVisitEntry&) { return true; }
};

// Deep enough that ordinary trees never need a folder opened again, shallow
// enough to leave descriptors to the scan's readers and to a second walk.
inline constexpr std::size_t OpenFramesKept = 48;

class TTreeWalker {
public:
    // The item `name` in the open folder `folderFd`, which must stay open
    // for the walk.
    TTreeWalker(int folderFd, std::string name);
    ~TTreeWalker();
    TTreeWalker(const TTreeWalker&) = delete;
    TTreeWalker& operator=(const TTreeWalker&) = delete;

    // Walks a mirror beside the tree: the item `name` of `folderFd` (open
    // for the walk), which must be, by identity, device and inode.
    void SetMirror(int folderFd, std::string name, std::uint64_t device, std::uint64_t inode);
    // Each folder's entries in byte order of their names, not as listed.
    void SetSorted(bool sorted) { Sorted = sorted; }

    // True when the walk went through to the end; false when the visitor
    // ended it or the way back up was lost.
    bool Run(TTreeVisitor& visitor);

    struct TFrame;

private:
    bool Enter(TTreeVisitor& visitor, const TVisitEntry& entry);
    bool Leave(TTreeVisitor& visitor);

    int TopFolder;
    std::string TopName;
    int MirrorTopFolder = -1;
    std::string MirrorTopName;
    std::uint64_t MirrorDevice = 0, MirrorInode = 0;
    bool Sorted = false;
    dev_t TopDevice = 0;
    std::uint64_t TopMount = 0;
    std::vector<TFrame> Frames;
    std::string Below; // the path below the item of the entry at hand
};

// The names in an open folder, "." and ".." left out; false with errno set
// when it cannot be listed whole.
bool ListNamesAt(int fd, std::vector<std::string>& names);

// What lies below a folder, counted by TTallyVisitor.
struct TTreeTally {
    std::uint64_t Entries = 0;    // everything below: files, links, folders, others
    std::uint64_t Folders = 0;    // of them, folders
    std::uint64_t NonFolders = 0; // the rest
    std::uint64_t Size = 0;       // apparent sizes of the non-folders, each name once
    std::uint64_t FileBytes = 0;  // regular files only, a file with hard links once

    // Adds one entry below the counted folder.
    void Add(const struct stat& st);

private:
    std::set<std::pair<std::uint64_t, std::uint64_t>> Linked; // hard-linked files seen
};

// Counts everything below the walked folder on its own mount: a folder that
// cannot be entered counts as itself, another mount not at all.
class TTallyVisitor : public TTreeVisitor {
public:
    TTreeTally Tally;
    TVisitAnswer Visit(const TVisitEntry& entry) override;
    TVisitAnswer Fault(const TVisitEntry&, TVisitFault, int) override { return TVisitAnswer::Pass; }
};

} // namespace Platform
