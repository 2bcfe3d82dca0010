// The cluster-size rule on made-up figures, and the volume queries on real
// folders of this machine (which must answer, not hang).
#include "engine/VolumeInfo.h"

#include "common/TempTree.h"

#include <gtest/gtest.h>

namespace {

Platform::TVolumeStat Figures(std::uint64_t fragmentSize, std::uint64_t blockSize) {
    Platform::TVolumeStat stat;
    stat.FragmentSize = fragmentSize;
    stat.BlockSize = blockSize;
    return stat;
}

TEST(ClusterSizeRule, TypeDecidesForOpticalNetworkAndFuse) {
    // No figures needed, and none asked for.
    EXPECT_EQ(ClusterSizeFor("iso9660", std::nullopt), 2048);
    EXPECT_EQ(ClusterSizeFor("udf", Figures(4096, 4096)), 2048);
    for (const char* type : {"nfs", "nfs4", "fuse.sshfs", "fuseblk", "fuse.gvfsd-fuse"}) {
        EXPECT_EQ(ClusterSizeFor(type, std::nullopt), 4096) << type;
        EXPECT_EQ(ClusterSizeFor(type, Figures(1048576, 1048576)), 4096) << type;
    }
}

TEST(ClusterSizeRule, LocalFileSystemsGiveTheirFragmentSize) {
    EXPECT_EQ(ClusterSizeFor("ext4", Figures(4096, 4096)), 4096);
    EXPECT_EQ(ClusterSizeFor("vfat", Figures(32768, 32768)), 32768);
    EXPECT_EQ(ClusterSizeFor("xfs", Figures(512, 65536)), 512);
    // No fragment size: the block size stands in.
    EXPECT_EQ(ClusterSizeFor("ext2", Figures(0, 1024)), 1024);
    EXPECT_EQ(ClusterSizeFor("exfat", Figures(1048576, 1048576)), 1048576);
    // Nothing known of the type: the figures still decide.
    EXPECT_EQ(ClusterSizeFor("", Figures(16384, 16384)), 16384);
}

TEST(ClusterSizeRule, ImplausibleFiguresFallBackTo4096) {
    EXPECT_EQ(ClusterSizeFor("ext4", Figures(3000, 3000)), 4096);
    EXPECT_EQ(ClusterSizeFor("ext4", Figures(256, 256)), 4096);
    EXPECT_EQ(ClusterSizeFor("ext4", Figures(2097152, 2097152)), 4096);
    EXPECT_EQ(ClusterSizeFor("ext4", Figures(0, 0)), 4096);
    EXPECT_EQ(ClusterSizeFor("cifs", Figures(1ULL << 40, 4096)), 4096);
}

TEST(ClusterSizeRule, NothingReadGivesMinusOne) {
    EXPECT_EQ(ClusterSizeFor("ext4", std::nullopt), -1);
    EXPECT_EQ(ClusterSizeFor("", std::nullopt), -1);
}

TEST(FileSystemCase, WindowsFileSystemsIgnoreCase) {
    for (const char* type : {"vfat", "exfat", "msdos", "cifs", "smb3"})
        EXPECT_FALSE(IsCaseSensitiveFileSystem(type)) << type;
    for (const char* type : {"ext4", "btrfs", "xfs", "tmpfs", "nfs4", "ntfs3", ""})
        EXPECT_TRUE(IsCaseSensitiveFileSystem(type)) << type;
}

TEST(VolumeQueries, RootOfThisMachine) {
    TVolumeInformation info;
    ASSERT_TRUE(GetVolumeInfo("/", info));
    EXPECT_FALSE(info.FileSystemName.empty());
    EXPECT_GT(info.MaxComponentLength, 0u);
    EXPECT_EQ((info.FileSystemFlags & FsCaseSensitive) != 0,
              IsCaseSensitiveFileSystem(info.FileSystemName));
    EXPECT_EQ(FileSystemNameOf("/"), info.FileSystemName);

    const std::int32_t cluster = ClusterSizeOf("/");
    EXPECT_GE(cluster, 512);
    EXPECT_LE(cluster, 1048576);
    EXPECT_EQ(cluster & (cluster - 1), 0) << cluster;

    const std::int64_t total = DiskTotalBytes("/");
    const std::int64_t free = DiskFreeBytes("/");
    EXPECT_GT(total, 0);
    EXPECT_GE(free, 0);
    EXPECT_LE(free, total);
    EXPECT_EQ(CheckDriveAccessible("/"), TDriveAccess::Ok);
}

TEST(VolumeQueries, FolderBelowARootAnswersForItsFileSystem) {
    TTempTree tree;
    tree.MakeDir("sub");
    TVolumeInformation info;
    ASSERT_TRUE(GetVolumeInfo(tree.Path("sub"), info));
    EXPECT_FALSE(info.FileSystemName.empty());
    EXPECT_GT(ClusterSizeOf(tree.Path("sub")), 0);
    EXPECT_GT(DiskTotalBytes(tree.Path("sub")), 0);
}

TEST(VolumeQueries, ProcAnswersWithoutHanging) {
    TVolumeInformation info;
    if (!GetVolumeInfo("/proc", info))
        GTEST_SKIP() << "/proc cannot be queried here";
    EXPECT_EQ(info.FileSystemName, "proc");
    EXPECT_EQ(ClusterSizeOf("/proc"), 4096);
    EXPECT_GE(DiskTotalBytes("/proc"), 0);
    EXPECT_EQ(CheckDriveAccessible("/proc"), TDriveAccess::Ok);
}

TEST(VolumeQueries, MissingPathFailsEverywhere) {
    TTempTree tree;
    const std::string missing = tree.Path("missing/deeper");
    TVolumeInformation info;
    info.VolumeName = "stale";
    info.SerialNumber = 7;
    info.MaxComponentLength = 7;
    info.FileSystemFlags = 7;
    info.FileSystemName = "stale";
    EXPECT_FALSE(GetVolumeInfo(missing, info));
    EXPECT_EQ(info.VolumeName, "");
    EXPECT_EQ(info.SerialNumber, 0u);
    EXPECT_EQ(info.MaxComponentLength, 0u);
    EXPECT_EQ(info.FileSystemFlags, 0u);
    EXPECT_EQ(info.FileSystemName, "");
    EXPECT_EQ(FileSystemNameOf(missing), "");
    EXPECT_EQ(ClusterSizeOf(missing), -1);
    EXPECT_EQ(DiskFreeBytes(missing), -1);
    EXPECT_EQ(DiskTotalBytes(missing), -1);
    EXPECT_EQ(CheckDriveAccessible(missing), TDriveAccess::NotAccessible);
}

TEST(VolumeQueries, AFileIsNoAccessibleDrive) {
    TTempTree tree;
    tree.MakeFile("file", 100);
    EXPECT_EQ(CheckDriveAccessible(tree.Path("file")), TDriveAccess::NotAccessible);
    EXPECT_EQ(CheckDriveAccessible(tree.Root()), TDriveAccess::Ok);
}

} // namespace
