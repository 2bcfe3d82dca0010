// The folder tree of a scan file, built from the parser's entries.
//
// Contract: the tree is the one a live scan of the same folder builds:
// folders with their kept files (what the file says of them: apparent and
// allocated size, time, kind, other names), each with the record its files sum to (every hard link
// counted, as the scanner counts them; apparent sizes; wasted space at the
// cluster size given), read errors and mount points flagged, with the reason
// where the file names it and ReasonNotRecorded where it does not. A folder
// is finished (record summed, children in display order) at its end and
// added into its parent: the steps, and the order, of a live scan's owner.
#pragma once

#include "engine/FolderNode.h"
#include "snapshot/ScanFileParser.h"

#include <cstdint>
#include <memory>
#include <vector>

class TScanTreeBuilder final : public TScanFileEvents {
public:
    explicit TScanTreeBuilder(std::int32_t clusterSize) : ClusterSize(clusterSize) {}
    // What was built and not taken, iteratively: it may be deep.
    ~TScanTreeBuilder() override { DestroyDetachedTree(std::move(Root)); }
    TScanTreeBuilder(const TScanTreeBuilder&) = delete;
    TScanTreeBuilder& operator=(const TScanTreeBuilder&) = delete;

    bool FolderBegins(const TScanEntry& folder) override;
    bool Item(const TScanEntry& item) override;
    bool FolderEnds() override;

    // The scanned folder: a detached node, no parent, its name the path.
    std::unique_ptr<TFolderNode> TakeRoot() { return std::move(Root); }
    // Folders read (not those left out) and files counted.
    std::uint64_t Folders() const { return FolderCount; }
    std::uint64_t Files() const { return FileCount; }

private:
    struct TFrame {
        TFolderNode* Node = nullptr;
        TFolderSize Record;
        bool ReadError = false;
        // Why: the folder's own failure, else the first of its entries'.
        bool OwnError = false;
        int Reason = 0;
        bool IncompleteBelow = false;
    };

    const std::int32_t ClusterSize;
    std::unique_ptr<TFolderNode> Root;
    std::vector<TFrame> Frames;
    // The files of the folder open at each depth; reused.
    std::vector<std::unique_ptr<TFileListBuilder>> KeptFiles;
    TExtensionCache Extensions;
    std::uint64_t FolderCount = 0;
    std::uint64_t FileCount = 0;
};
