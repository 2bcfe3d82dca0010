// The two readers of a scan file: the loader hands the parser's entries to
// the tree builder; the probe looks at the first files' sizes only.
#include "snapshot/ScanImport.h"

#include "snapshot/ScanTreeBuilder.h"

#include <algorithm>

namespace {

// The smallest cluster size that allocates exactly dsize bytes to a file of
// asize bytes; 0 when none does (a sparse file, one with extra metadata
// blocks counted, a compressed one).
std::uint64_t SmallestFittingCluster(std::uint64_t asize, std::uint64_t dsize) {
    for (std::uint64_t p = 512; p <= (std::uint64_t{1} << 20); p <<= 1)
        if ((asize + p - 1) / p * p == dsize)
            return p;
    return 0;
}

// Reads until enough files told their disk usage, or so many folders went by
// (deep or wide, but with few files to tell by) that more would not help.
class TProbe final : public TScanFileEvents {
public:
    // Enough files for their disk usage to tell the cluster size.
    static constexpr std::uint64_t SampleFiles = 2000;

    bool FolderBegins(const TScanEntry& folder) override {
        if (folder.LeftOut != TLeftOut::No)
            return true;
        return ++Folders < 10 * SampleFiles;
    }
    bool Item(const TScanEntry& item) override {
        if (item.LeftOut != TLeftOut::No)
            return true;
        ++Files;
        if (item.ReadError)
            return true;
        if (item.DSize > 0 && item.ASize > 0)
            ImpliedCluster =
                std::max(ImpliedCluster, SmallestFittingCluster(item.ASize, item.DSize));
        return Files < SampleFiles;
    }
    bool FolderEnds() override { return true; }

    // The largest of the files' smallest fitting clusters: a file no larger
    // than a cluster takes a whole one, so the largest is the cluster size.
    std::uint64_t ImpliedCluster = 0;

private:
    std::uint64_t Folders = 0;
    std::uint64_t Files = 0;
};

} // namespace

TResult<TScanFileProbe> ProbeScanFile(const std::string& file) {
    TProbe probe;
    TResult<TScanFileInfo> info = ParseScanFile(file, probe);
    if (!info)
        return info.Failure();
    return TScanFileProbe{std::move(*info), static_cast<std::int32_t>(probe.ImpliedCluster)};
}

TResult<TLoadedScan> LoadScanFile(const std::string& file, std::int32_t clusterSize,
                                  TLoadProgress& progress) {
    TScanTreeBuilder builder(clusterSize);
    TResult<TScanFileInfo> info = ParseScanFile(file, builder, &progress);
    if (!info)
        return info.Failure();
    TLoadedScan scan;
    scan.Info = std::move(*info);
    scan.Info.ClusterSize = clusterSize;
    scan.Root = builder.TakeRoot();
    scan.Folders = builder.Folders();
    scan.Files = builder.Files();
    return scan;
}
