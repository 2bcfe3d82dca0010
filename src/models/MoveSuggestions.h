// The drives the move dialog suggests for a folder, decided without a window:
// those with smaller clusters than the folder's own drive, and what moving
// there gains in wasted space. The dialog only lists them.
#pragma once

#include "engine/FolderSize.h"
#include "platform/Mounts.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TMoveSuggestion {
    Platform::TDrive Drive;
    std::int32_t ClusterSize = 0;
    // The wasted space the folder sheds there; negative when it would waste
    // more (a cluster size the records keep no figure for).
    std::int64_t Gain = 0;
};

// The drives of `drives` worth moving the folder at sourceRoot's drive to,
// in their order. `record` is the folder's, `whatIfIndex` the cluster size
// its wasted space is shown at now; clusterSizeOf gives a drive root's
// cluster size (negative when unknown).
std::vector<TMoveSuggestion>
MoveSuggestions(const TFolderSize& record, int whatIfIndex,
                const std::vector<Platform::TDrive>& drives, const std::string& sourceRoot,
                const std::function<std::int32_t(const std::string& root)>& clusterSizeOf);
