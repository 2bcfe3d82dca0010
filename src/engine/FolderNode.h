// The folder tree: one node per folder met by a scan, children in name order,
// each scanned node carrying its size record. The tree belongs to the thread
// that shows it; only that thread creates, changes or deletes nodes.
#pragma once

#include "engine/FileTable.h"
#include "engine/FolderSize.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TDriveRecInfo;

enum TNodeFlag : std::uint8_t {
    // The scan of this folder completed and its record is attached.
    NodeScanned = 0x01,
    // A mount point met inside a scan: another drive, left unscanned.
    NodeOtherDrive = 0x02,
    // The folder's listing failed (see Error); its record holds what was read.
    NodeReadError = 0x04,
    // Something below this folder could not be read or was not finished.
    NodeIncompleteBelow = 0x08,
    // The folder's listing has ended: its children are final and may be shown.
    NodeChildrenPublished = 0x10,
    // Reading the folder hung in the file system and was given up (see Error).
    NodeNotAnswering = 0x20,
};

class TFolderNode {
public:
    TFolderNode() = default;
    // Tears the subtree down without recursion: a chain of folders can be far
    // deeper than the stack allows.
    ~TFolderNode();
    TFolderNode(const TFolderNode&) = delete;
    TFolderNode& operator=(const TFolderNode&) = delete;

    TFolderNode* Parent = nullptr;
    std::vector<std::unique_ptr<TFolderNode>> Children;
    // Raw bytes of the folder's name; for a top-level node its absolute path.
    std::string Name;
    // The size record, or none while the folder is not (yet, or no longer) scanned.
    std::unique_ptr<TFolderSize> Data;
    // The folder's own files, kept with its record when the scan keeps files;
    // none when it has none or they were not kept (see TDriveRecInfo).
    TFileListRef Files;
    // Set on the root node of a scanned drive.
    TDriveRecInfo* Drive = nullptr;
    // The folder's inode when it was scanned, so that commands that remove it
    // can tell whether the folder at its path is still the same one.
    std::uint64_t Inode = 0;
    // errno of a failed listing (or of an entry that could not be examined),
    // 0 when it was read whole; negative when a scan file did not say why.
    std::int32_t Error = 0;
    // Position among the parent's children (or among the top-level nodes).
    std::uint32_t Row = 0;
    std::uint8_t Flags = 0;

    bool Scanned() const { return Data != nullptr; }
    bool Has(TNodeFlag flag) const { return (Flags & flag) != 0; }
    void Set(TNodeFlag flag, bool on = true) { Flags = on ? (Flags | flag) : (Flags & ~flag); }
    // Sets the rows of the children after they were created or reordered.
    void RenumberChildren();
};

// One entry per drive in the tree.
struct TDriveRecInfo {
    // Where a drive letter would be: the drive's root path ("/", "/home").
    std::string RootPath;
    TFolderNode* RootNode = nullptr;
    std::int32_t ClusterSize = 0;
    // Device number of the scanned root folder, 0 before its scan.
    std::uint64_t Device = 0;
    // A network or FUSE drive, which can stop answering: calls on it from the
    // window's thread need a time limit. Set once, when the drive is scanned.
    bool MayHang = false;
    // The drive text it was first scanned with (display name).
    std::string Text;
    // The scan file the tree was opened from, which is then also RootPath;
    // empty for a drive read from the disk. An opened tree is not the disk:
    // nothing checks it against the disk or acts on its paths there.
    std::string ScanFile;
    // The scan kept every file (TFolderNode::Files); without it, folders
    // hold their sums only.
    bool FilesKept = false;
};

// Whether node belongs to a tree opened from a scan file.
bool IsOpenedScan(const TFolderNode* node);
// Whether node is folder or lies below it.
bool IsWithin(const TFolderNode* node, const TFolderNode* folder);

// Told about structural changes, so a view can follow the tree. Figures of
// existing nodes change without a call per node: the scanner calls
// FiguresChanged once per batch.
class TTreeObserver {
public:
    virtual ~TTreeObserver() = default;
    virtual void NodeAboutToBeAdded(TFolderNode* parent, std::uint32_t row) = 0;
    virtual void NodeAdded(TFolderNode* node) = 0;
    virtual void ChildrenAboutToBePublished(TFolderNode* node, std::uint32_t count) = 0;
    virtual void ChildrenPublished(TFolderNode* node) = 0;
    virtual void NodeAboutToBeRemoved(TFolderNode* node) = 0;
    virtual void NodeRemoved(TFolderNode* parent, std::uint32_t row) = 0;
    virtual void ChildrenAboutToBeRemoved(TFolderNode* node) = 0;
    virtual void ChildrenRemoved(TFolderNode* node) = 0;
    virtual void FiguresChanged() = 0;
};

// The top-level nodes (one per scanned drive or folder) and the drive list.
class TFolderTree {
public:
    TFolderTree() = default;
    ~TFolderTree();
    TFolderTree(const TFolderTree&) = delete;
    TFolderTree& operator=(const TFolderTree&) = delete;

    const std::vector<std::unique_ptr<TFolderNode>>& Roots() const { return RootNodes; }
    void SetObserver(TTreeObserver* observer) { Observer = observer; }
    TTreeObserver* GetObserver() const { return Observer; }

    // Appends a top-level node; `name` is its absolute path.
    TFolderNode* AddRoot(const std::string& name);
    // Appends a finished top-level node built elsewhere (a scan file read on
    // another thread) with the drive entry it belongs to; the observer sees
    // it added like a scanned root whose listing is done.
    TFolderNode* AdoptRoot(std::unique_ptr<TFolderNode> node, TDriveRecInfo* drive);
    // Gives a folder that was never listed its only child, shown at once: a
    // step on the way to a folder scanned without the rest of its drive.
    TFolderNode* AddOnlyChild(TFolderNode* parent, const std::string& name);
    // Deletes a node and its subtree (top-level or not). Records are freed first.
    void DeleteNode(TFolderNode* node);
    // Deletes all children of node, freeing their records.
    void DeleteChildren(TFolderNode* node);
    // Makes node's children visible to the observer (once per listing).
    void PublishChildren(TFolderNode* node);
    void NotifyFiguresChanged();

    // The scanned-drive list.
    TDriveRecInfo* CreateDriveRec(const std::string& rootPath);
    TDriveRecInfo* FindDriveRec(const std::string& rootPath) const;
    void RemoveDriveRec(TDriveRecInfo* rec);
    const std::vector<std::unique_ptr<TDriveRecInfo>>& Drives() const { return DriveRecs; }

private:
    std::vector<std::unique_ptr<TFolderNode>> RootNodes;
    std::vector<std::unique_ptr<TDriveRecInfo>> DriveRecs;
    TTreeObserver* Observer = nullptr;
};

// Deletes a subtree that belongs to no tree, iteratively, so that a path of
// any depth cannot overflow the stack.
void DestroyDetachedTree(std::unique_ptr<TFolderNode> node);

// The full path of a node: a top-level node gives its own path, any other
// node its parent's path joined with its name by "/". None gives "".
std::string NodePath(const TFolderNode* node);
// NodePath, or its last components after ".../" when it is longer than
// about maxBytes; the whole path is never built.
std::string NodePathTail(const TFolderNode* node, std::size_t maxBytes);
TFolderNode* RootNode(TFolderNode* node);
// The first child named `name`; without caseSensitive, ASCII letters match
// either case.
TFolderNode* FindChildNode(TFolderNode* node, const std::string& name, bool caseSensitive);
// Descends one FindChildNode per "/"-separated component of relativePath.
TFolderNode* FindNodeByPath(TFolderNode* node, const std::string& relativePath, bool caseSensitive);
// Frees the records below node (and node's own when includeSelf); nodes stay.
void FreeNodeRecords(TFolderNode* node, bool includeSelf);
// Takes a folder's (removedFolder given) or a file's contribution off parent
// and all its ancestors.
void SubtractFromAncestors(TFolderNode* parent, const TFolderNode* removedFolder,
                           std::uint32_t folders, std::uint32_t files, std::int64_t wasted,
                           std::int64_t size);
// Takes the kept file `name` out of folder's files, when it is there.
void RemoveKeptFile(TFolderNode* folder, std::string_view name);
// Newest times and attribute OR of node's record, from its children's records.
void RecomputeNewest(TFolderNode* node);
// Adds sign * the tree figures of `figures` to every scanned ancestor of node.
void AddToAncestors(TFolderNode* node, const TFolderSize& figures, int sign);
// Recomputes "something below is incomplete" for node and its ancestors.
void RefreshIncomplete(TFolderNode* node);
// Takes a folder known to be gone off the tree: its figures off every
// ancestor, then its node with the subtree. Not for top-level nodes.
void RemoveFolderNode(TFolderTree& tree, TFolderNode* node);
