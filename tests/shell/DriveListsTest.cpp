// The drive pickers on made-up drive lists: which kinds are listed, what the
// check list reports, how the combo boxes keep their drive, and the entries
// of the clean-up dialogs' pickers. Then the pickers on the real mount table,
// following a drive that is mounted and unmounted while they are open.
#include "shell/DriveLists.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "settings/ProgramSettings.h"
#include "shell/DrivesSelectBox.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Platform::TDrive;
using Platform::TDriveType;

TDrive MakeDrive(const std::string& root, TDriveType type, const std::string& label = {},
                 const std::string& device = {}, const std::string& fs = {}) {
    TDrive drive;
    drive.RootPath = root;
    drive.Type = type;
    drive.Label = label;
    drive.Device = device;
    drive.FileSystem = fs;
    drive.DisplayName = Platform::DriveDisplayName(root, label);
    return drive;
}

std::vector<TDrive> SampleDrives() {
    return {MakeDrive("/", TDriveType::Fixed, {}, "/dev/sda2", "ext4"),
            MakeDrive("/home", TDriveType::Fixed, "Home", "/dev/sda3", "ext4"),
            MakeDrive("/media/anna/DISC", TDriveType::CdRom, "DISC", "/dev/sr0", "iso9660"),
            MakeDrive("/media/anna/STICK", TDriveType::Removable, "STICK", "/dev/sdb1", "vfat"),
            MakeDrive("/mnt/nas", TDriveType::Remote, {}, "//NAS/Data", "cifs"),
            MakeDrive("/srv/odd", TDriveType::Unknown, {}, "none", "weirdfs"),
            MakeDrive("/tmp/ram", TDriveType::RamDisk, {}, "tmpfs", "tmpfs")};
}

QStringList Roots(const QListWidget& list) {
    QStringList roots;
    for (int row = 0; row < list.count(); ++row)
        roots << list.item(row)->data(DriveRootRole).toString();
    return roots;
}

class DrivePickerTest : public testing::Test {
protected:
    std::vector<TDrive> Drives = SampleDrives();
    TDriveSourceOverride Source{[this] { return Drives; }};
};

// --- Check list -------------------------------------------------------------

using DriveCheckListTest = DrivePickerTest;

TEST_F(DriveCheckListTest, ListsEveryKnownKindWithNameIconAndNoCheck) {
    TShExDriveCheckListBox list;
    EXPECT_EQ(list.DriveType(), AllDriveTypes);
    EXPECT_EQ(Roots(list), (QStringList{"/", "/home", "/media/anna/DISC", "/media/anna/STICK",
                                        "/mnt/nas", "/tmp/ram"}));
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("Root (/)"));
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("Home (/home)"));
    for (int row = 0; row < list.count(); ++row) {
        EXPECT_FALSE(list.item(row)->icon().isNull()) << row;
        EXPECT_EQ(list.item(row)->checkState(), Qt::Unchecked) << row;
        EXPECT_TRUE(list.item(row)->flags() & Qt::ItemIsUserCheckable) << row;
    }
    ASSERT_EQ(list.Drives().size(), 6u);
    EXPECT_EQ(list.Drives()[4].Device, "//NAS/Data");
}

TEST_F(DriveCheckListTest, KindFilterLeavesOutTheOtherKinds) {
    TShExDriveCheckListBox list;
    list.SetDriveType(AllDriveTypes & ~TDriveTypeSet(dtCDROM));
    EXPECT_FALSE(Roots(list).contains("/media/anna/DISC"));
    EXPECT_EQ(list.count(), 5);

    list.SetDriveType(dtREMOTE | dtRAMDISK);
    EXPECT_EQ(Roots(list), (QStringList{"/mnt/nas", "/tmp/ram"}));
    list.SetDriveType({});
    EXPECT_EQ(list.count(), 0);
}

TEST_F(DriveCheckListTest, SelectedDrivesAreTheCheckedRootsInListOrder) {
    Drives.push_back(MakeDrive("/mnt/a;b", TDriveType::Fixed));
    TShExDriveCheckListBox list;
    EXPECT_EQ(list.SelectedDrives(), QString());
    // Checked in the reverse of list order: the result still follows the list.
    list.SetChecked(3, true);
    list.SetChecked(0, true);
    EXPECT_EQ(list.SelectedDrives(), QStringLiteral("/;/media/anna/STICK"));

    // A root with the separator in it survives the round trip.
    list.SetChecked(list.count() - 1, true);
    EXPECT_EQ(SplitDriveList(list.SelectedDrives()),
              (QStringList{"/", "/media/anna/STICK", "/mnt/a;b"}));
    const std::vector<TDrive> checked = list.CheckedDriveList();
    ASSERT_EQ(checked.size(), 3u);
    EXPECT_EQ(checked[2].RootPath, "/mnt/a;b");
}

TEST_F(DriveCheckListTest, CheckDrivesByRootReplacesTheChecks) {
    TShExDriveCheckListBox list;
    list.SetAllChecked(true);
    EXPECT_EQ(list.CheckDrives({"/home", "/tmp/ram", "/not/mounted"}), 2);
    EXPECT_EQ(list.CheckedDrives(), (QStringList{"/home", "/tmp/ram"}));
    list.SetAllChecked(false);
    EXPECT_TRUE(list.CheckedDrives().isEmpty());
}

TEST_F(DriveCheckListTest, RebuildShowsNewDrivesAndClearsEveryCheck) {
    TShExDriveCheckListBox list;
    list.SetAllChecked(true);
    Drives.insert(Drives.begin() + 5, MakeDrive("/run/user/1000/gvfs/smb-share:server=nas,share=x",
                                                TDriveType::Remote, "x on nas"));
    list.BuildList();
    EXPECT_EQ(list.count(), 7);
    EXPECT_TRUE(Roots(list).contains("/run/user/1000/gvfs/smb-share:server=nas,share=x"));
    EXPECT_TRUE(list.CheckedDrives().isEmpty());
}

TEST_F(DriveCheckListTest, OwnSourceWinsOverTheProgramWide) {
    TShExDriveCheckListBox list;
    list.SetDriveSource([] { return std::vector<TDrive>{MakeDrive("/x", TDriveType::Fixed)}; });
    EXPECT_EQ(Roots(list), QStringList{"/x"});
    list.SetDriveSource({});
    EXPECT_EQ(list.count(), 6);
}

// --- Combo boxes ------------------------------------------------------------

using DriveComboTest = DrivePickerTest;

TEST_F(DriveComboTest, ListsEveryKnownKindAndStartsWithoutDrive) {
    TShExDriveComboBox box;
    EXPECT_EQ(box.count(), 6);
    EXPECT_GE(box.findData(QStringLiteral("/media/anna/DISC")), 0);
    EXPECT_EQ(box.findData(QStringLiteral("/srv/odd")), -1);
    EXPECT_TRUE(box.Drive().isEmpty());
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_FALSE(box.SelectedDrive());
    EXPECT_EQ(box.itemText(4), QStringLiteral("Nas (/mnt/nas)"));
}

TEST_F(DriveComboTest, SetDriveFiresOnChangeOnlyWhenTheDriveChanges) {
    TShExDriveComboBox box;
    QSignalSpy changes(&box, &TDriveComboBase::OnChange);
    box.SetDrive("/home");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(box.Drive(), QStringLiteral("/home"));
    EXPECT_EQ(box.currentText(), QStringLiteral("Home (/home)"));
    box.SetDrive("/home");
    EXPECT_EQ(changes.count(), 1);
    box.SetDrive("/");
    EXPECT_EQ(changes.count(), 2);
    ASSERT_TRUE(box.SelectedDrive());
    EXPECT_EQ(box.SelectedDrive()->RootPath, "/");
}

TEST_F(DriveComboTest, ADriveThatIsNotListedLeavesNoDrive) {
    TShExDriveComboBox box;
    box.SetDrive("/home");
    QSignalSpy changes(&box, &TDriveComboBase::OnChange);
    box.SetDrive("/srv/odd");
    EXPECT_TRUE(box.Drive().isEmpty());
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(changes.count(), 1);
    box.SetDrive("/nowhere");
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(DriveComboTest, ChoosingAnItemSetsTheDrive) {
    TShExDriveComboBox box;
    box.SetDrive("/");
    QSignalSpy changes(&box, &TDriveComboBase::OnChange);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.Drive(), QStringLiteral("/home"));
    EXPECT_EQ(changes.count(), 1);
    box.setCurrentIndex(box.findData(QStringLiteral("/tmp/ram")));
    EXPECT_EQ(box.Drive(), QStringLiteral("/tmp/ram"));
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(DriveComboTest, RebuildKeepsTheDriveWhileItIsListed) {
    TShExDriveComboBox box;
    box.SetDrive("/mnt/nas");
    QSignalSpy changes(&box, &TDriveComboBase::OnChange);
    // A share mapped meanwhile comes before it in the list.
    Drives.insert(Drives.begin() + 4, MakeDrive("/mnt/backup", TDriveType::Remote));
    box.BuildList();
    EXPECT_EQ(box.count(), 7);
    EXPECT_EQ(box.Drive(), QStringLiteral("/mnt/nas"));
    EXPECT_EQ(box.currentData().toString(), QStringLiteral("/mnt/nas"));
    EXPECT_EQ(changes.count(), 0);
    // Setting the noted drive again afterwards changes nothing.
    box.SetDrive("/mnt/nas");
    EXPECT_EQ(changes.count(), 0);

    Drives.erase(Drives.begin() + 5);
    box.BuildList();
    EXPECT_TRUE(box.Drive().isEmpty());
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(DriveComboTest, RebuildWithoutDriveSelectsNone) {
    TShExDriveComboBox box;
    QSignalSpy changes(&box, &TDriveComboBase::OnChange);
    box.BuildList();
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(changes.count(), 0);
}

// --- Pickers of the clean-up dialogs ----------------------------------------

// Each drive reads as in the toolbar's box, by its name and root path.
TEST_F(DrivePickerTest, PlainPickerNamesTheDrivesAsTheToolbarDoes) {
    TPlainDrivePicker picker;
    TShExDriveComboBox toolbar;
    ASSERT_EQ(picker.count(), 6);
    for (int row = 0; row < picker.count(); ++row)
        EXPECT_EQ(picker.itemText(row), toolbar.itemText(row)) << row;
    EXPECT_EQ(picker.itemText(0), QStringLiteral("Root (/)"));
    QSignalSpy changes(&picker, &TDriveComboBase::OnChange);
    picker.SetDrive("/media/anna/STICK");
    EXPECT_EQ(picker.currentIndex(), 3);
    EXPECT_EQ(changes.count(), 1);
}

TEST(DriveHoldingPath, LongestWholeComponentPrefix) {
    const std::vector<TDrive> drives = SampleDrives();
    auto rootOf = [&](const std::string& path) {
        const int index = IndexOfDriveHolding(drives, path);
        return index < 0 ? std::string("none") : drives[static_cast<std::size_t>(index)].RootPath;
    };
    EXPECT_EQ(rootOf("/home/anna/bin/quillmere"), "/home");
    EXPECT_EQ(rootOf("/homework/x"), "/");
    EXPECT_EQ(rootOf("/media/anna/STICK"), "/media/anna/STICK");
    EXPECT_EQ(rootOf("/usr/bin/quillmere"), "/");
    EXPECT_EQ(rootOf("relative/path"), "none");
    EXPECT_EQ(IndexOfDriveHolding({}, "/usr/bin/x"), -1);
}

// --- Following the mount table ----------------------------------------------

// The toolbar's box and the "Scan Drives" dialog on the system's drives: a RAM
// disk mounted while they are open joins both, keeping the user's choices;
// unmounted, it leaves both, taking only its own choice with it; and a drive
// chosen the moment it is mounted, before the event loop has run, is selected.
TEST(DriveListsFollowMounts, ADriveMountedLaterComesAndGoes) {
    TTempTree tree;
    tree.MakeDir("ram");
    const QString root = QString::fromStdString(tree.Path("ram"));
    const QString name = QString::fromStdString(Platform::DriveDisplayName(tree.Path("ram"), {}));

    TShExDriveComboBox combo;
    TDrivesSelectBox dialog;
    TShExDriveCheckListBox& checks = *dialog.TheDrivesBox;
    combo.SetDrive(QStringLiteral("/"));
    checks.CheckDrives({QStringLiteral("/")});
    ASSERT_EQ(combo.Drive(), QStringLiteral("/"));
    ASSERT_EQ(combo.findData(root), -1);
    QSignalSpy comboChanges(&combo, &TDriveComboBase::OnChange);

    auto listed = [&] { return combo.findData(root) >= 0 && Roots(checks).contains(root); };
    auto gone = [&] { return combo.findData(root) < 0 && !Roots(checks).contains(root); };

    auto disk = std::make_unique<TTmpfsMount>(tree.Path("ram"), "size=1m");
    if (!disk->Mounted())
        GTEST_SKIP() << disk->Why();
    ASSERT_TRUE(QTest::qWaitFor(listed, 5000)) << "the mounted RAM disk was not listed";
    EXPECT_EQ(combo.itemText(combo.findData(root)), name);
    EXPECT_EQ(checks.item(static_cast<int>(Roots(checks).indexOf(root)))->text(), name);
    EXPECT_EQ(combo.Drive(), QStringLiteral("/"));
    EXPECT_EQ(combo.currentData().toString(), QStringLiteral("/"));
    EXPECT_EQ(comboChanges.count(), 0);
    EXPECT_EQ(checks.CheckedDrives(), QStringList{QStringLiteral("/")});

    combo.SetDrive(root);
    EXPECT_EQ(combo.currentText(), name);
    checks.CheckDrives({QStringLiteral("/"), root});
    checks.setCurrentRow(static_cast<int>(Roots(checks).indexOf(QStringLiteral("/"))));
    ASSERT_TRUE(disk->Unmount()) << disk->Why();
    ASSERT_TRUE(QTest::qWaitFor(gone, 5000)) << "the unmounted RAM disk stayed listed";
    EXPECT_TRUE(combo.Drive().isEmpty());
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(comboChanges.count(), 2); // chosen, then gone with its drive
    EXPECT_EQ(checks.CheckedDrives(), QStringList{QStringLiteral("/")});
    ASSERT_NE(checks.currentItem(), nullptr);
    EXPECT_EQ(checks.currentItem()->data(DriveRootRole).toString(), QStringLiteral("/"));

    disk = std::make_unique<TTmpfsMount>(tree.Path("ram"), "size=1m");
    ASSERT_TRUE(disk->Mounted()) << disk->Why();
    combo.SetDrive(root);
    EXPECT_EQ(combo.Drive(), root);
    EXPECT_EQ(combo.currentText(), name);
    ASSERT_TRUE(combo.SelectedDrive());
    EXPECT_EQ(combo.SelectedDrive()->Type, TDriveType::RamDisk);
    EXPECT_EQ(comboChanges.count(), 3);
}

TEST(DriveIcons, EveryKindHasAnIconWithOrWithoutATheme) {
    const QString theme = QIcon::themeName();
    for (const QString& name : {theme, QStringLiteral("no-such-theme")}) {
        QIcon::setThemeName(name);
        for (TDriveType type : {TDriveType::Removable, TDriveType::Fixed, TDriveType::Remote,
                                TDriveType::CdRom, TDriveType::RamDisk})
            EXPECT_FALSE(DriveIcon(type).pixmap(16, 16).isNull())
                << name.toStdString() << " " << static_cast<int>(type);
    }
    QIcon::setThemeName(theme);
}

} // namespace
