#include "engine/FolderSize.h"

std::int64_t ShownTreeWasted(const TFolderSize& record, int whatIfIndex) {
    return whatIfIndex >= 1 && whatIfIndex <= AltClusterCount ? record.TreeWastedAlt[whatIfIndex]
                                                              : record.TreeWasted;
}

std::int64_t ShownOwnWasted(const TFolderSize& record, int whatIfIndex) {
    return whatIfIndex >= 1 && whatIfIndex <= AltClusterCount ? record.OwnWastedAlt[whatIfIndex]
                                                              : record.OwnWasted;
}

std::int64_t AltTreeWasted(const TFolderSize& record, int index) {
    return index >= 1 && index <= AltClusterCount ? record.TreeWastedAlt[index] : 0;
}

void TFolderSize::AddFile(std::int32_t clusterSize, std::int64_t size, TFileTime accessTime,
                          TFileTime writeTime, std::uint32_t attributes) {
    ++TreeFileCount;
    ++OwnFileCount;
    if (size != 0) {
        OwnSize += size;
        OwnWasted += ClusterSlack(clusterSize, size);
        for (int i = 1; i <= AltClusterCount; ++i)
            OwnWastedAlt[i] += ClusterSlack(AltClusterSizes[i], size);
    }
    if (accessTime > NewestAccessTime)
        NewestAccessTime = accessTime;
    if (writeTime > NewestWriteTime)
        NewestWriteTime = writeTime;
    AttributesOr |= attributes;
}

void TFolderSize::AddSubfolder() {
    ++TreeFolderCount;
    ++OwnFolderCount;
}

void TFolderSize::AddFinishedChild(const TFolderSize& child) {
    TreeSize += child.TreeSize;
    TreeWasted += child.TreeWasted;
    TreeFolderCount += child.TreeFolderCount;
    TreeFileCount += child.TreeFileCount;
    if (child.NewestAccessTime > NewestAccessTime)
        NewestAccessTime = child.NewestAccessTime;
    if (child.NewestWriteTime > NewestWriteTime)
        NewestWriteTime = child.NewestWriteTime;
    for (int i = 1; i <= AltClusterCount; ++i)
        TreeWastedAlt[i] += child.TreeWastedAlt[i];
    AttributesOr |= child.AttributesOr;
}

void TFolderSize::Finish() {
    TreeSize += OwnSize;
    TreeWasted += OwnWasted;
    for (int i = 1; i <= AltClusterCount; ++i)
        TreeWastedAlt[i] += OwnWastedAlt[i];
}
