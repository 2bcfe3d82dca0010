// Opening a scan file (the JSON export of ncdu 1.x, gdu or Quillmere): the
// whole file into a folder tree of its own, or a quick look at its head.
//
// Contract: both functions run on any thread and touch nothing shared. The
// tree LoadScanFile builds is the tree a live scan of the same folder builds
// (see ScanTreeBuilder.h); what the file must hold to be read at all is the
// parser's (see ScanFileParser.h).
#pragma once

#include "engine/FolderNode.h"
#include "platform/Result.h"
#include "snapshot/ScanFile.h"
#include "snapshot/ScanFileParser.h"

#include <cstdint>
#include <memory>
#include <string>

struct TScanFileProbe {
    TScanFileInfo Info;
    // The cluster size the first files' disk usage implies; 0 when none tells.
    std::int32_t ImpliedClusterSize = 0;
};

// A quick look at the start of a file: its header, the root path, and the
// cluster size its first files imply.
TResult<TScanFileProbe> ProbeScanFile(const std::string& file);

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

// Reads the whole file, its wasted space worked out at clusterSize. Fails
// when it is not a scan file, is damaged, or progress.Stop was set.
TResult<TLoadedScan> LoadScanFile(const std::string& file, std::int32_t clusterSize,
                                  TLoadProgress& progress);
