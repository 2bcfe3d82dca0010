// The move dialog's suggestions and their gains.
#include "models/MoveSuggestions.h"

#include <algorithm>
#include <iterator>

namespace {

// The what-if slot of a cluster size; 0 for a size the records keep no
// figure for (1,024 bytes among them).
int AltIndexOf(std::int32_t clusterSize) {
    const auto* found =
        std::find(std::begin(AltClusterSizes) + 1, std::end(AltClusterSizes), clusterSize);
    return found == std::end(AltClusterSizes)
               ? 0
               : static_cast<int>(std::distance(std::begin(AltClusterSizes), found));
}

} // namespace

std::vector<TMoveSuggestion>
MoveSuggestions(const TFolderSize& record, int whatIfIndex,
                const std::vector<Platform::TDrive>& drives, const std::string& sourceRoot,
                const std::function<std::int32_t(const std::string& root)>& clusterSizeOf) {
    std::vector<TMoveSuggestion> suggestions;
    const std::int32_t sourceCluster = clusterSizeOf(sourceRoot);
    const std::int64_t wasted = ShownTreeWasted(record, whatIfIndex);
    for (const Platform::TDrive& drive : drives) {
        // Removable media and discs come and go; a folder moved there would
        // not stay where the user left it.
        if (drive.Type == Platform::TDriveType::Removable ||
            drive.Type == Platform::TDriveType::CdRom)
            continue;
        const std::int32_t cluster = clusterSizeOf(drive.RootPath);
        if (cluster < 0 || cluster >= sourceCluster)
            continue;
        const int alt = AltIndexOf(cluster);
        const std::int64_t wastedThere = alt > 0 ? AltTreeWasted(record, alt) : 0;
        // Not clipped at zero: a folder that would waste more there says so.
        suggestions.push_back({drive, cluster, wasted - wastedThere});
    }
    return suggestions;
}
