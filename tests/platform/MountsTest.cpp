// Mount table parsing, the drive filter on a made-up system, and drive roots
// of paths.
#include "platform/Mounts.h"

#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <unistd.h>
#include <vector>

using namespace Platform;

namespace {

// ---- mountinfo parsing ---------------------------------------------------

TEST(MountInfoParsing, DecodesOctalEscapes) {
    EXPECT_EQ(DecodeMountField("/mnt/My\\040Disk"), "/mnt/My Disk");
    EXPECT_EQ(DecodeMountField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
    EXPECT_EQ(DecodeMountField("\\303\\251t\\303\\251"), "\xc3\xa9t\xc3\xa9");
    // Not three octal digits: left as written.
    EXPECT_EQ(DecodeMountField("x\\04"), "x\\04");
    EXPECT_EQ(DecodeMountField("x\\089y"), "x\\089y");
    EXPECT_EQ(DecodeMountField("trailing\\"), "trailing\\");
}

TEST(MountInfoParsing, ReadsEveryField) {
    const auto table =
        ParseMountInfo("36 35 98:0 /mnt1 /mnt/with\\040space rw,noatime master:1 shared:7 - ext3 "
                       "/dev/root rw,errors=continue\n"
                       "27 1 254:17 / / rw,relatime - ext4 /dev/vda rw");
    ASSERT_EQ(table.size(), 2u);
    const TMountEntry& e = table[0];
    EXPECT_EQ(e.MountId, 36);
    EXPECT_EQ(e.ParentId, 35);
    EXPECT_EQ(e.Major, 98u);
    EXPECT_EQ(e.Minor, 0u);
    EXPECT_EQ(e.Root, "/mnt1");
    EXPECT_EQ(e.MountPoint, "/mnt/with space");
    EXPECT_EQ(e.Options, "rw,noatime");
    EXPECT_EQ(e.FsType, "ext3");
    EXPECT_EQ(e.Source, "/dev/root");
    EXPECT_EQ(e.SuperOptions, "rw,errors=continue");
    // The last line has no newline and no optional fields.
    EXPECT_EQ(table[1].MountPoint, "/");
    EXPECT_EQ(table[1].Major, 254u);
    EXPECT_EQ(table[1].Minor, 17u);
}

TEST(MountInfoParsing, SkipsMalformedLines) {
    const auto table = ParseMountInfo("\n"
                                      "garbage\n"
                                      "1 2 8:1 / /nodash rw ext4 /dev/sda1 rw\n"
                                      "x 2 8:1 / /badid rw - ext4 /dev/sda1 rw\n"
                                      "3 2 81 / /baddev rw - ext4 /dev/sda1 rw\n"
                                      "4 2 8:1 / /short rw - ext4\n"
                                      "5 2 8:1 / /good rw - ext4 /dev/sda1 rw\n");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].MountPoint, "/good");
    EXPECT_TRUE(ParseMountInfo("").empty());
}

// ---- paths ----------------------------------------------------------------

TEST(MountPaths, NormaliseAndWholeComponentPrefix) {
    EXPECT_EQ(NormalisePath("/home//anna/./x/"), "/home/anna/x");
    EXPECT_EQ(NormalisePath("///"), "/");
    EXPECT_EQ(NormalisePath("/."), "/");
    EXPECT_EQ(NormalisePath("a/b/"), "a/b");
    EXPECT_EQ(NormalisePath("/a/b/../c"), "/a/b/../c");
    EXPECT_TRUE(IsPathPrefix("/", "/home"));
    EXPECT_TRUE(IsPathPrefix("/home", "/home"));
    EXPECT_TRUE(IsPathPrefix("/home", "/home/anna"));
    EXPECT_FALSE(IsPathPrefix("/home", "/home2"));
    EXPECT_FALSE(IsPathPrefix("/home/anna", "/home"));
    EXPECT_FALSE(IsPathPrefix("", "/home"));
}

TEST(MountPaths, DisplayNames) {
    EXPECT_EQ(DriveDisplayName("/", ""), "Root (/)");
    EXPECT_EQ(DriveDisplayName("/home", ""), "Home (/home)");
    EXPECT_EQ(DriveDisplayName("/mnt/data", ""), "Data (/mnt/data)");
    EXPECT_EQ(DriveDisplayName("/mnt/data", "Backup 2"), "Backup 2 (/mnt/data)");
    EXPECT_EQ(DriveDisplayName("/media/anna/USB", ""), "USB (/media/anna/USB)");
    EXPECT_EQ(DriveDisplayName("/mnt/\xc3\xa9t\xc3\xa9", ""),
              "\xc3\xa9t\xc3\xa9 (/mnt/\xc3\xa9t\xc3\xa9)");
}

TEST(MountPaths, GvfsShareLabels) {
    EXPECT_EQ(GvfsShareLabel("smb-share:server=nas,share=data"), "data on nas");
    EXPECT_EQ(GvfsShareLabel("smb-share:server=nas.local,share=my%20files,user=anna"),
              "my files on nas.local");
    EXPECT_EQ(GvfsShareLabel("sftp:host=example.com,user=anna"), "example.com");
    EXPECT_EQ(GvfsShareLabel("smb-server:server=nas"), "nas");
    EXPECT_EQ(GvfsShareLabel("not-a-share"), "");
}

TEST(MountPaths, DecodesUdevLabels) {
    EXPECT_EQ(DecodeLabel("MY\\x20STICK"), "MY STICK");
    EXPECT_EQ(DecodeLabel("a\\x2fb"), "a/b");
    EXPECT_EQ(DecodeLabel("odd\\x2"), "odd\\x2");
    EXPECT_EQ(DecodeLabel("plain"), "plain");
}

// ---- a made-up system ----------------------------------------------------

const char* const RealisticTable =
    "21 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "22 21 0:21 / /proc rw,nosuid,nodev,noexec shared:12 - proc proc rw\n"
    "23 21 0:22 / /sys rw,nosuid shared:2 - sysfs sysfs rw\n"
    "24 23 0:23 / /sys/fs/cgroup rw shared:3 - cgroup2 cgroup2 rw,nsdelegate\n"
    "25 21 0:5 / /dev rw,nosuid shared:4 - devtmpfs udev rw,size=8000000k\n"
    "26 25 0:24 / /dev/shm rw shared:5 - tmpfs tmpfs rw\n"
    "27 21 0:25 / /run rw,nosuid shared:6 - tmpfs tmpfs rw,size=1600000k\n"
    "28 21 8:3 / /home rw,relatime shared:7 - ext4 /dev/sda3 rw\n"
    "29 21 7:1 / /snap/core22/1234 ro,nodev shared:8 - squashfs /dev/loop1 ro\n"
    "30 21 0:30 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay rw,lowerdir=/x\n"
    "31 21 8:3 /x /srv/x rw,relatime shared:7 - ext4 /dev/sda3 rw\n"
    "32 21 0:31 / /tmp rw shared:9 - tmpfs tmpfs rw\n"
    "33 21 0:40 / /mnt/nas rw - nfs4 nas:/export rw,vers=4.2\n"
    "34 21 8:17 / /media/anna/MY\\040STICK rw,nosuid - vfat /dev/sdb1 rw,fmask=0022\n"
    "35 27 0:41 / /run/user/1000 rw,nosuid shared:10 - tmpfs tmpfs rw,uid=1000\n"
    "36 35 0:42 / /run/user/1000/gvfs rw,nosuid - fuse.gvfsd-fuse gvfsd-fuse rw\n"
    "37 21 11:0 / /media/anna/DISC ro,nosuid - iso9660 /dev/sr0 ro\n"
    "38 21 8:33 / /media/anna/CARD rw - ext4 /dev/sdc1 rw\n"
    "39 21 254:0 / /media/anna/SAFE rw - ext4 /dev/mapper/luks-1 rw\n"
    "40 21 0:50 /@data /mnt/data rw - btrfs /dev/nvme0n1p3 rw,subvol=/@data\n"
    "41 21 8:4 / /mnt/over rw - ext4 /dev/sda4 rw\n"
    "42 21 0:60 / /mnt/over rw - tmpfs tmpfs rw\n"
    "43 22 0:61 / /proc/sys/fs/binfmt_misc rw - binfmt_misc binfmt_misc rw\n";

class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override {
        // Disks: sda on SATA, sdb on USB reporting "not removable", sdc in a
        // card reader reporting removable, sdd on USB under a LUKS mapping,
        // an NVMe disk found only through its name.
        const std::string sata = "sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/"
                                 "0:0:0:0/block/sda";
        const std::string usb = "sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/"
                                "target6:0:0/6:0:0:0/block/sdb";
        const std::string card = "sys/devices/pci0000:00/0000:00:1c.0/0000:02:00.0/host7/"
                                 "target7:0:0/7:0:0:0/block/sdc";
        const std::string usb2 = "sys/devices/pci0000:00/0000:00:14.0/usb3/3-2/3-2:1.0/host8/"
                                 "target8:0:0/8:0:0:0/block/sdd";
        const std::string nvme = "sys/devices/pci0000:00/0000:00:1d.0/0000:03:00.0/nvme/nvme0/"
                                 "nvme0n1";
        Disk(sata, "0", {"sda2", "sda3", "sda4"});
        Disk(usb, "0", {"sdb1"});
        Disk(card, "1", {"sdc1"});
        Disk(usb2, "0", {"sdd1"});
        Disk(nvme, "0", {"nvme0n1p3"});
        Tree.MakeDir("sys/devices/virtual/block/dm-0/slaves/sdd1");
        Tree.MakeDir("sys/dev/block");
        Tree.MakeDir("sys/class/block");
        Link(sata + "/sda2", "sys/dev/block/8:2");
        Link(sata + "/sda3", "sys/dev/block/8:3");
        Link(usb + "/sdb1", "sys/dev/block/8:17");
        Link(card + "/sdc1", "sys/dev/block/8:33");
        Link("sys/devices/virtual/block/dm-0", "sys/dev/block/254:0");
        Link(usb2 + "/sdd1", "sys/class/block/sdd1");
        Link(nvme + "/nvme0n1p3", "sys/class/block/nvme0n1p3");

        Tree.MakeDir("by-label");
        Tree.MakeSymlink("../../sdb1", "by-label/MY\\x20STICK");
        Tree.MakeSymlink("../../sda2", "by-label/system");
        Tree.MakeDir("run/user/1000/gvfs/smb-share:server=nas,share=data");

        Roots.SysRoot = Tree.Path("sys");
        Roots.ByLabelDir = Tree.Path("by-label");
        Roots.FsRoot = Tree.Root();
    }

    void Disk(const std::string& dir, const char* removable, std::vector<std::string> parts) {
        Tree.MakeDir(dir);
        std::ofstream(Tree.Path(dir + "/removable")) << removable << "\n";
        for (const auto& p : parts) {
            Tree.MakeDir(dir + "/" + p);
            std::ofstream(Tree.Path(dir + "/" + p + "/partition")) << "1\n";
        }
    }
    // A symbolic link at `relative` pointing to the absolute place of `target`.
    void Link(const std::string& target, const std::string& relative) {
        Tree.MakeSymlink(Tree.Path(target), relative);
    }
    const TDrive* Find(const std::vector<TDrive>& drives, const std::string& root) {
        auto it = std::find_if(drives.begin(), drives.end(),
                               [&](const TDrive& d) { return d.RootPath == root; });
        return it == drives.end() ? nullptr : &*it;
    }

    TTempTree Tree;
    TSystemRoots Roots;
};

TEST_F(FakeSystem, ListsWhatAFileManagerWouldShow) {
    const auto drives = DrivesFromMountTable(ParseMountInfo(RealisticTable), Roots);
    std::vector<std::string> roots;
    for (const auto& d : drives)
        roots.push_back(d.RootPath);
    const std::vector<std::string> expected = {
        "/",
        "/home",
        "/media/anna/CARD",
        "/media/anna/DISC",
        "/media/anna/MY STICK",
        "/media/anna/SAFE",
        "/mnt/data",
        "/mnt/nas",
        "/mnt/over",
        "/run/user/1000/gvfs/smb-share:server=nas,share=data",
        "/tmp",
    };
    EXPECT_EQ(roots, expected);
}

TEST_F(FakeSystem, DriveTypes) {
    const auto drives = DrivesFromMountTable(ParseMountInfo(RealisticTable), Roots);
    const struct {
        const char* Root;
        TDriveType Type;
    } cases[] = {
        {"/", TDriveType::Fixed},
        {"/home", TDriveType::Fixed},
        {"/media/anna/CARD", TDriveType::Removable},     // removable flag
        {"/media/anna/MY STICK", TDriveType::Removable}, // on USB
        {"/media/anna/SAFE", TDriveType::Removable},     // LUKS over a USB disk
        {"/media/anna/DISC", TDriveType::CdRom},
        {"/mnt/data", TDriveType::Fixed}, // btrfs: found by device name
        {"/mnt/nas", TDriveType::Remote},
        {"/mnt/over", TDriveType::RamDisk}, // the tmpfs mounted over the ext4
        {"/run/user/1000/gvfs/smb-share:server=nas,share=data", TDriveType::Remote},
        {"/tmp", TDriveType::RamDisk},
    };
    for (const auto& c : cases) {
        const TDrive* d = Find(drives, c.Root);
        ASSERT_NE(d, nullptr) << c.Root;
        EXPECT_EQ(d->Type, c.Type) << c.Root;
    }
}

TEST_F(FakeSystem, LabelsDevicesAndDisplayNames) {
    const auto drives = DrivesFromMountTable(ParseMountInfo(RealisticTable), Roots);
    const TDrive* stick = Find(drives, "/media/anna/MY STICK");
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(stick->Label, "MY STICK");
    EXPECT_EQ(stick->DisplayName, "MY STICK (/media/anna/MY STICK)");
    EXPECT_EQ(stick->FileSystem, "vfat");
    EXPECT_EQ(stick->Device, "/dev/sdb1");

    const TDrive* root = Find(drives, "/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Label, "system");
    EXPECT_EQ(root->DisplayName, "system (/)");

    const TDrive* home = Find(drives, "/home");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->Label, "");
    EXPECT_EQ(home->DisplayName, "Home (/home)");

    const TDrive* share = Find(drives, "/run/user/1000/gvfs/smb-share:server=nas,share=data");
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->DisplayName,
              "data on nas (/run/user/1000/gvfs/smb-share:server=nas,share=data)");
    EXPECT_EQ(share->FileSystem, "fuse.gvfsd-fuse");
}

TEST_F(FakeSystem, LabelLookup) {
    EXPECT_EQ(LabelOfDevice("/dev/sdb1", Roots.ByLabelDir), "MY STICK");
    EXPECT_EQ(LabelOfDevice("/dev/sda3", Roots.ByLabelDir), "");
    EXPECT_EQ(LabelOfDevice("tmpfs", Roots.ByLabelDir), "");
    EXPECT_EQ(LabelOfDevice("/dev/sdb1", Tree.Path("missing")), "");
}

TEST_F(FakeSystem, RootIsListedWhateverItsType) {
    const auto drives =
        DrivesFromMountTable(ParseMountInfo("1 0 0:30 / / rw - overlay overlay rw,lowerdir=/a\n"
                                            "2 1 0:21 / /proc rw - proc proc rw\n"),
                             Roots);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].RootPath, "/");
    EXPECT_EQ(drives[0].Type, TDriveType::Fixed);
    EXPECT_EQ(drives[0].DisplayName, "Root (/)");

    const auto fallback = DrivesFromMountTable({}, Roots);
    ASSERT_EQ(fallback.size(), 1u);
    EXPECT_EQ(fallback[0].RootPath, "/");
}

TEST_F(FakeSystem, SameFileSystemTwiceIsListedOnce) {
    const auto drives =
        DrivesFromMountTable(ParseMountInfo("1 0 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                            "2 1 8:17 / /media/anna/stick rw - vfat /dev/sdb1 rw\n"
                                            "3 1 8:17 / /mnt/s rw - vfat /dev/sdb1 rw\n"
                                            "4 1 8:17 /docs /mnt/docs rw - vfat /dev/sdb1 rw\n"
                                            "5 1 8:33 / /mnt/c2 rw - ext4 /dev/sdc1 rw\n"
                                            "6 1 8:33 / /mnt/c1 rw - ext4 /dev/sdc1 rw\n"),
                             Roots);
    std::vector<std::string> roots;
    for (const auto& d : drives)
        roots.push_back(d.RootPath);
    // The shortest mount point stays; between equals, the one mounted first.
    EXPECT_EQ(roots, (std::vector<std::string>{"/", "/mnt/c2", "/mnt/s"}));
}

TEST_F(FakeSystem, BtrfsSubvolumesAreSeparateDrives) {
    // Same device number, roots that do not contain each other.
    const auto drives = DrivesFromMountTable(
        ParseMountInfo("1 0 0:50 /@ / rw - btrfs /dev/nvme0n1p3 rw,subvol=/@\n"
                       "2 1 0:50 /@home /home rw - btrfs /dev/nvme0n1p3 rw,subvol=/@home\n"
                       "3 1 0:50 /@home/anna/x /srv/x rw - btrfs /dev/nvme0n1p3 rw\n"),
        Roots);
    std::vector<std::string> roots;
    for (const auto& d : drives)
        roots.push_back(d.RootPath);
    EXPECT_EQ(roots, (std::vector<std::string>{"/", "/home"}));
}

TEST_F(FakeSystem, UnknownFileSystemsAreNotDrives) {
    TMountEntry entry;
    entry.MountPoint = "/mnt/x";
    for (const char* type : {"proc", "sysfs", "cgroup", "cgroup2", "devpts", "securityfs",
                             "squashfs", "autofs", "fuse.portal", "overlay", "debugfs"}) {
        entry.FsType = type;
        entry.Source = type;
        EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::Unknown) << type;
    }
    entry.FsType = "fuse.mystery";
    entry.Source = "mystery";
    EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::Unknown);
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "fuse.rclone", "9p"}) {
        entry.FsType = type;
        EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::Remote) << type;
    }
    entry.FsType = "udf";
    entry.Source = "/dev/sr1";
    EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::CdRom);
    entry.FsType = "ramfs";
    entry.Source = "ramfs";
    EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::RamDisk);
    entry.MountPoint = "/run/lock";
    EXPECT_EQ(ClassifyMount(entry, Roots), TDriveType::Unknown);
}

// ---- drive roots of paths ------------------------------------------------

TEST(DriveRoots, LongestMountByWholeComponents) {
    const auto table = ParseMountInfo(RealisticTable);
    EXPECT_EQ(DriveRootOf("/home/anna/x", table), "/home");
    EXPECT_EQ(DriveRootOf("/home", table), "/home");
    EXPECT_EQ(DriveRootOf("/home/", table), "/home");
    EXPECT_EQ(DriveRootOf("/home2/anna", table), "/");
    EXPECT_EQ(DriveRootOf("//home/./anna", table), "/home");
    EXPECT_EQ(DriveRootOf("/media/anna/MY STICK/photos", table), "/media/anna/MY STICK");
    EXPECT_EQ(DriveRootOf("/media/anna/MY", table), "/");
    // Pseudo file systems are no drives but still own their folders.
    EXPECT_EQ(DriveRootOf("/proc/self/fd", table), "/proc");
    EXPECT_EQ(DriveRootOf("/proc/sys/fs/binfmt_misc/status", table), "/proc/sys/fs/binfmt_misc");
    EXPECT_EQ(DriveRootOf("/srv/x/a", table), "/srv/x");
    // A gvfs share is a drive of its own below the gvfs mount.
    EXPECT_EQ(DriveRootOf("/run/user/1000/gvfs/smb-share:server=nas,share=data/docs/a", table),
              "/run/user/1000/gvfs/smb-share:server=nas,share=data");
    EXPECT_EQ(DriveRootOf("/run/user/1000/gvfs", table), "/run/user/1000/gvfs");
    EXPECT_EQ(DriveRootOf("/anything", {}), "/");
}

TEST(DriveRoots, LaterMountOnTheSameFolderWins) {
    const auto table = ParseMountInfo(RealisticTable);
    const TMountEntry* entry = MountEntryOf("/mnt/over/a", table);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->FsType, "tmpfs");
    EXPECT_EQ(MountEntryOf("relative/path", table), nullptr);
}

TEST(DriveRoots, MountPoints) {
    const auto table = ParseMountInfo(RealisticTable);
    EXPECT_TRUE(IsMountPoint("/", table));
    EXPECT_TRUE(IsMountPoint("/home", table));
    EXPECT_TRUE(IsMountPoint("/home/", table));
    EXPECT_TRUE(IsMountPoint("/srv/x", table));
    EXPECT_TRUE(IsMountPoint("/media/anna/MY STICK", table));
    EXPECT_FALSE(IsMountPoint("/home/anna", table));
    EXPECT_FALSE(IsMountPoint("/media/anna", table));
}

// ---- this machine ---------------------------------------------------------

TEST(ThisMachine, TableAndDrivesHoldTheRoot) {
    const auto table = ReadMountTable();
    ASSERT_FALSE(table.empty()) << "/proc/self/mountinfo unreadable";
    EXPECT_TRUE(IsMountPoint("/"));
    const auto drives = ListDrives();
    EXPECT_TRUE(std::any_of(drives.begin(), drives.end(),
                            [](const TDrive& d) { return d.RootPath == "/"; }));
    for (const auto& d : drives) {
        EXPECT_NE(d.Type, TDriveType::Unknown) << d.RootPath;
        const std::string suffix = " (" + d.RootPath + ")";
        EXPECT_TRUE(
            d.DisplayName.size() > suffix.size() &&
            d.DisplayName.compare(d.DisplayName.size() - suffix.size(), suffix.size(), suffix) == 0)
            << d.DisplayName;
    }
}

TEST(ThisMachine, ProcBelongsToItsOwnMount) {
    if (!IsMountPoint("/proc"))
        GTEST_SKIP() << "/proc is not mounted here";
    EXPECT_EQ(DriveRootOf("/proc/self/status"), "/proc");
    EXPECT_FALSE(IsMountPoint("/proc/self"));
}

TEST(ThisMachine, RelativePathsAreTakenFromTheCurrentFolder) {
    TTempTree tree;
    const auto table = ReadMountTable();
    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    ASSERT_EQ(chdir(tree.Root().c_str()), 0);
    const std::string relative = DriveRootOf("x/y", table);
    const std::string absolute = DriveRootOf(tree.Root() + "/x/y", table);
    ASSERT_EQ(chdir(cwd), 0);
    free(cwd);
    EXPECT_EQ(relative, absolute);
}

TEST(ThisMachine, DotDotIsTheParentOfWhereALinkLeads) {
    // near/link leads to far/deep, and far is a drive of its own: "link/.."
    // is far, on that drive, though its text says near.
    TTempTree tree;
    tree.MakeDir("near");
    tree.MakeDir("far/deep/sub");
    char* real = realpath(tree.Root().c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    const std::string base = real;
    free(real);
    tree.MakeSymlink(base + "/far/deep", "near/link");
    const auto table = ParseMountInfo("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                      "2 1 8:2 / " +
                                      base + "/far rw - ext4 /dev/sdb1 rw\n");
    const std::string link = tree.Path("near/link");

    EXPECT_EQ(AbsolutePath(link + "/.."), base + "/far");
    EXPECT_EQ(AbsolutePath(link + "/../deep/./sub/"), base + "/far/deep/sub");
    EXPECT_EQ(DriveRootOf(link + "/../deep/sub", table), base + "/far");
    EXPECT_TRUE(IsMountPoint(link + "/..", table));
    // Going up out of a drive leaves it, whatever the text began with.
    EXPECT_EQ(DriveRootOf(base + "/far/deep/../..", table), "/");
    EXPECT_FALSE(IsMountPoint(base + "/far/deep/../..", table));
    // Without "..", the link stays as the user named it; a ".." after
    // something that is not there stays too, naming nothing.
    EXPECT_EQ(AbsolutePath(link + "//sub/"), link + "/sub");
    EXPECT_EQ(AbsolutePath(base + "/gone/../near"), base + "/gone/../near");

    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    ASSERT_EQ(chdir(tree.Path("near").c_str()), 0);
    const std::string relative = AbsolutePath("link/../deep");
    ASSERT_EQ(chdir(cwd), 0);
    free(cwd);
    EXPECT_EQ(relative, base + "/far/deep");
}

} // namespace
