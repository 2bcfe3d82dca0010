// Volume information on top of the mount table and time-limited statvfs.
#include "engine/VolumeInfo.h"

#include "platform/Mounts.h"

#include <climits>

namespace {

std::optional<Platform::TVolumeStat> StatOf(const std::string& root) {
    Platform::TVolumeStat stat;
    if (Platform::StatVolume(root, stat, VolumeQueryTimeoutMs) != Platform::TProbeResult::Ok)
        return std::nullopt;
    return stat;
}

// The unit in which statvfs counts blocks.
std::uint64_t BlockUnit(const Platform::TVolumeStat& stat) {
    return stat.FragmentSize != 0 ? stat.FragmentSize : stat.BlockSize;
}

std::int64_t BytesOf(std::uint64_t blocks, std::uint64_t unit) {
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(blocks, unit, &bytes) || bytes > INT64_MAX)
        return INT64_MAX;
    return static_cast<std::int64_t>(bytes);
}

bool IsPowerOfTwo(std::uint64_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

const Platform::TMountEntry* MountOf(const std::string& root,
                                     const std::vector<Platform::TMountEntry>& table) {
    return Platform::MountEntryOf(Platform::AbsolutePath(root), table);
}

} // namespace

bool IsCaseSensitiveFileSystem(const std::string& fsType) {
    return !(fsType == "vfat" || fsType == "exfat" || fsType == "msdos" || fsType == "cifs" ||
             fsType == "smb3");
}

bool GetVolumeInfo(const std::string& root, TVolumeInformation& info) {
    info = TVolumeInformation();
    const std::optional<Platform::TVolumeStat> stat = StatOf(root);
    if (!stat)
        return false;
    const std::vector<Platform::TMountEntry> table = Platform::ReadMountTable();
    if (const Platform::TMountEntry* mount = MountOf(root, table)) {
        info.FileSystemName = mount->FsType;
        if (mount->FsType == "fuse.gvfsd-fuse") {
            const std::string share = Platform::DriveRootOf(root, table);
            info.VolumeName = Platform::GvfsShareLabel(share.substr(share.rfind('/') + 1));
        } else {
            info.VolumeName = Platform::LabelOfDevice(mount->Source, "/dev/disk/by-label");
        }
    }
    // The file-system id is 64 bits; fold it so that both halves count.
    info.SerialNumber = static_cast<std::uint32_t>(stat->FsId ^ (stat->FsId >> 32));
    info.MaxComponentLength = static_cast<std::uint32_t>(
        stat->MaxNameLength > UINT32_MAX ? UINT32_MAX : stat->MaxNameLength);
    info.FileSystemFlags = FsCasePreservedNames;
    if (IsCaseSensitiveFileSystem(info.FileSystemName))
        info.FileSystemFlags |= FsCaseSensitive;
    if (stat->ReadOnly)
        info.FileSystemFlags |= FsReadOnlyVolume;
    return true;
}

std::string FileSystemNameOf(const std::string& root) {
    TVolumeInformation info;
    GetVolumeInfo(root, info);
    return info.FileSystemName;
}

std::int32_t ClusterSizeFor(const std::string& fsType,
                            const std::optional<Platform::TVolumeStat>& stat) {
    if (fsType == "iso9660" || fsType == "udf")
        return 2048;
    // Network and FUSE file systems report figures of the server or of the
    // FUSE daemon, not an allocation unit.
    if (fsType.rfind("nfs", 0) == 0 || fsType.rfind("fuse", 0) == 0)
        return 4096;
    if (!stat)
        return -1;
    const std::uint64_t size = BlockUnit(*stat);
    if (!IsPowerOfTwo(size) || size < 512 || size > 1024 * 1024)
        return 4096;
    return static_cast<std::int32_t>(size);
}

// The mount table names the file system without touching it, so optical,
// network and FUSE drives are decided without asking a possibly dead server.
std::int32_t ClusterSizeOf(const std::string& root) {
    const std::vector<Platform::TMountEntry> table = Platform::ReadMountTable();
    const Platform::TMountEntry* mount = MountOf(root, table);
    const std::string fsType = mount ? mount->FsType : std::string();
    const std::int32_t byType = ClusterSizeFor(fsType, std::nullopt);
    if (byType != -1)
        return byType;
    return ClusterSizeFor(fsType, StatOf(root));
}

std::int64_t DiskFreeBytes(const std::string& root) {
    const std::optional<Platform::TVolumeStat> stat = StatOf(root);
    return stat ? BytesOf(stat->AvailableBlocks, BlockUnit(*stat)) : -1;
}

std::int64_t DiskTotalBytes(const std::string& root) {
    const std::optional<Platform::TVolumeStat> stat = StatOf(root);
    return stat ? BytesOf(stat->TotalBlocks, BlockUnit(*stat)) : -1;
}

TDriveAccess CheckDriveAccessible(const std::string& root, int timeoutMs) {
    switch (Platform::CheckListable(root, timeoutMs)) {
    case Platform::TProbeResult::Ok:
        return TDriveAccess::Ok;
    case Platform::TProbeResult::TimedOut:
        return TDriveAccess::TimedOut;
    case Platform::TProbeResult::Failed:
        break;
    }
    return TDriveAccess::NotAccessible;
}
