// Reading a scan file (the JSON export of ncdu 1.x, gdu or Quillmere) into a
// folder tree of its own, with a streaming parser: files of any size, and
// nesting of any depth, without a document in memory or recursion.
//
// Contract: both functions run on any thread and touch nothing shared. The
// tree LoadScanFile builds is the tree a live scan of the same folder builds:
// folders only, each with the record its files sum to (every hard link
// counted, as the scanner counts them; apparent sizes; wasted space at the
// cluster size given), read errors and mount points flagged, with the reason
// where our own key names it and ReasonNotRecorded where the file does not
// say (ncdu's and gdu's never do). A name or text longer than
// LongestScanFileName bytes is refused, without holding it in memory.
#pragma once

#include "engine/FolderNode.h"
#include "snapshot/ScanFile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct TLoadProgress {
    std::atomic<std::uint64_t> BytesRead{0};
    // The file's size, set when loading starts.
    std::atomic<std::uint64_t> TotalBytes{0};
    // Set by anyone to stop the load; LoadScanFile then returns false.
    std::atomic<bool> Stop{false};
};

// A quick look at the start of a file: its header, the root path, and the
// cluster size the first files' disk usage implies (0 when none tells).
bool ProbeScanFile(const std::string& file, TScanFileInfo& info, std::int32_t& impliedClusterSize,
                   std::string& error);

struct TLoadedScan {
    TScanFileInfo Info;
    // A detached top-level node: no parent, its name the scanned path. Give
    // it to TFolderTree::AdoptRoot on the tree's own thread.
    std::unique_ptr<TFolderNode> Root;
    std::uint64_t Folders = 0;
    std::uint64_t Files = 0;

    TLoadedScan() = default;
    TLoadedScan(TLoadedScan&&) = default;
    TLoadedScan& operator=(TLoadedScan&&) = default;
    ~TLoadedScan() { DestroyDetachedTree(std::move(Root)); }
};

// Reads the whole file. On failure (not a scan file, damaged, stopped)
// returns false with a message in error and leaves result without a tree.
bool LoadScanFile(const std::string& file, std::int32_t clusterSize, TLoadProgress& progress,
                  TLoadedScan& result, std::string& error);
