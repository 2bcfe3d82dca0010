// Volume queries on a drive root path: label and file system, the cluster
// size that decides every wasted-space figure, free and total bytes, and the
// check that a drive can be read before it is scanned. Every query that
// touches the volume is bounded in time, so a dead network share costs a few
// seconds, never a frozen program. Nothing is cached.
#pragma once

#include "platform/VolumeStat.h"

#include <cstdint>
#include <optional>
#include <string>

struct TVolumeInformation {
    std::string VolumeName;
    std::uint32_t SerialNumber = 0;
    std::uint32_t MaxComponentLength = 0;
    std::uint32_t FileSystemFlags = 0;
    std::string FileSystemName;
};

// Bits of TVolumeInformation::FileSystemFlags.
constexpr std::uint32_t FsCaseSensitive = 0x1;
constexpr std::uint32_t FsCasePreservedNames = 0x2;
constexpr std::uint32_t FsReadOnlyVolume = 0x80000;

// How long a volume query may take before it counts as failed.
constexpr int VolumeQueryTimeoutMs = 3000;

// Fills info for the file system holding root; false (numbers 0, strings
// empty) when the volume cannot be read in time.
bool GetVolumeInfo(const std::string& root, TVolumeInformation& info);
// "ext4", "vfat", "nfs4", ...; empty when GetVolumeInfo fails.
std::string FileSystemNameOf(const std::string& root);

// Cluster size in bytes for wasted space; -1 when it cannot be determined.
std::int32_t ClusterSizeOf(const std::string& root);
// The rule behind ClusterSizeOf: from the file-system type and, where the
// type does not decide alone, the statvfs figures (none when unreadable).
std::int32_t ClusterSizeFor(const std::string& fsType,
                            const std::optional<Platform::TVolumeStat>& stat);
// Whether names on this file system type differ by case alone.
bool IsCaseSensitiveFileSystem(const std::string& fsType);

// Bytes available to the user, total bytes; -1 on failure.
std::int64_t DiskFreeBytes(const std::string& root);
std::int64_t DiskTotalBytes(const std::string& root);

enum class TDriveAccess { Ok, NotAccessible, TimedOut };
// Whether root can be opened and listed within timeoutMs.
TDriveAccess CheckDriveAccessible(const std::string& root, int timeoutMs = 3000);
