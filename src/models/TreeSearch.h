// Finding folders and kept files of the scanned tree by name: a pattern with
// * and ? that must match the whole name, in any case, as the windows show
// the name (bytes that are not UTF-8 as replacement characters).
//
// The tree belongs to the window's thread, and a tree of a million files
// takes a while to match. So the search has two halves: TakeTreeSnapshot
// reads the tree on its own thread in one quick pass (every folder's name,
// parent and size, and a reference to its kept files); SearchTree then
// matches on any thread, since the snapshot holds no node and the file lists
// it refers to never change. Whatever the tree does meanwhile, the snapshot
// and the hits found in it stay valid.
#pragma once

#include "engine/FileTable.h"
#include "engine/FolderNode.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TSnapshotFolder {
    static constexpr std::uint32_t NoParent = 0xffffffff;
    std::uint32_t Parent = NoParent; // index of the parent folder
    std::uint32_t NameOffset = 0;    // into TTreeSnapshot::Names
    std::uint32_t NameLength = 0;
    std::int64_t Size = -1; // the folder's tree size, -1 when not scanned
    TFileListRef Files;
};

struct TTreeSnapshot {
    // Depth first in the tree's order, each folder before its subfolders;
    // top-level folders are named by their paths.
    std::vector<TSnapshotFolder> Folders;
    std::string Names;
    // Some scanned drive (or folder) in the tree did not keep its files.
    bool FilesMissing = false;

    std::string_view Name(std::uint32_t folder) const;
    // The folder's full path, raw bytes, as NodePath gives it.
    std::string Path(std::uint32_t folder) const;
};

// Reads the whole tree; on the tree's thread.
TTreeSnapshot TakeTreeSnapshot(const TFolderTree& tree);

struct TSearchHit {
    static constexpr std::uint32_t NoFile = 0xffffffff;
    std::uint32_t Folder = 0;    // snapshot index
    std::uint32_t File = NoFile; // index into the folder's files; NoFile: the folder itself
    bool IsFile() const { return File != NoFile; }
};

struct TSearchHits {
    std::vector<TSearchHit> Hits;
    // More matched than were asked for.
    bool Truncated = false;
};

// The folders (top-level ones aside) and files whose names match pattern
// (empty: everything), at most maxHits, each folder followed by its files and
// then by its subfolders. Stops early, with what it found, once stop is set.
TSearchHits SearchTree(const TTreeSnapshot& snapshot, const QString& pattern, std::size_t maxHits,
                       const std::atomic<bool>& stop);
