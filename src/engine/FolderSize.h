// The size record of one scanned folder: its own files' figures and its whole
// subtree's, with the cluster slack at the drive's own cluster size and at
// seven what-if sizes. Everything that shows a figure reads it from here.
#pragma once

#include <cstdint>

// 100-nanosecond intervals since 1601-01-01 UTC; 0 means "no time known".
using TFileTime = std::uint64_t;

// The what-if cluster sizes, indexed 1 to 7 (slot 0 is unused so the indices
// read the same everywhere).
inline constexpr std::int32_t AltClusterSizes[8] = {0, 512, 2048, 4096, 8192, 16384, 32768, 65536};
inline constexpr int AltClusterCount = 7;

struct TFolderSize {
    std::int64_t TreeSize = 0;
    std::int64_t OwnSize = 0;
    std::int64_t TreeWasted = 0;
    std::int64_t OwnWasted = 0;
    std::uint32_t TreeFileCount = 0;
    std::uint32_t TreeFolderCount = 0;
    std::uint32_t OwnFileCount = 0;
    std::uint32_t OwnFolderCount = 0;
    TFileTime NewestAccessTime = 0;
    TFileTime NewestWriteTime = 0;
    std::uint32_t AttributesOr = 0;
    // Indexed 1..7 like AltClusterSizes; slot 0 stays 0.
    std::int64_t TreeWastedAlt[8] = {};
    std::int64_t OwnWastedAlt[8] = {};

    // Step 1: a file directly in the folder.
    void AddFile(std::int32_t clusterSize, std::int64_t size, TFileTime accessTime,
                 TFileTime writeTime, std::uint32_t attributes);
    // Step 2a: an immediate subfolder was met.
    void AddSubfolder();
    // Step 2b: a subfolder's finished record is folded in.
    void AddFinishedChild(const TFolderSize& child);
    // Step 3: the listing has ended; own figures join the tree figures.
    void Finish();
};

// Attribute bits of the record's attribute word.
enum : std::uint32_t {
    AttrReadOnly = 0x1,
    AttrHidden = 0x2,
    AttrSystem = 0x4,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
    AttrCompressed = 0x800,
};

// Bytes left unused in the last cluster of a file of fileSize bytes. Inline:
// every file of a scan takes it eight times, and cluster sizes are powers of
// two, which a mask divides far faster than a division does.
inline std::int32_t ClusterSlack(std::int32_t clusterSize, std::int64_t fileSize) {
    if (clusterSize <= 0)
        return 0;
    const std::int64_t r = fileSize >= 0 && (clusterSize & (clusterSize - 1)) == 0
                               ? fileSize & (clusterSize - 1)
                               : fileSize % clusterSize;
    return r == 0 ? 0 : clusterSize - static_cast<std::int32_t>(r);
}

// The wasted space shown: at the drive's own cluster size (whatIfIndex 0) or
// at AltClusterSizes[whatIfIndex]; an index out of range shows the drive's.
std::int64_t ShownTreeWasted(const TFolderSize& record, int whatIfIndex);
std::int64_t ShownOwnWasted(const TFolderSize& record, int whatIfIndex);
std::int64_t AltTreeWasted(const TFolderSize& record, int index);
