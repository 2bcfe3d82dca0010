// The Move Folder dialog over made-up drives whose roots are real folders:
// which drives it suggests and what moving there gains, how a suggestion
// moves the drive, the folders and the target along, how a name that is not
// UTF-8 stays the folder it names, and what a drive that cannot be read does.
#include "common/TempTree.h"
#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/ScopeExit.h"
#include "settings/Product.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/cleanup/CleanUpMoveFolderBox.h"
#include "ui/cleanup/FolderListBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <unistd.h>

namespace {

Platform::TDrive MadeUpDrive(const std::string& root, Platform::TDriveType type) {
    Platform::TDrive drive;
    drive.RootPath = root;
    drive.Type = type;
    drive.FileSystem = "ext4";
    drive.Device = "/dev/made-up";
    drive.DisplayName = Platform::DriveDisplayName(root, "");
    return drive;
}

// Rows of the wasting list as "drive root|cluster|gain".
std::vector<std::string> WastingRows(const QTreeWidget* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.push_back((item->data(0, DriveRootRole).toString() + QLatin1Char('|') + item->text(1) +
                        QLatin1Char('|') + item->text(2))
                           .toStdString());
    }
    return rows;
}

std::string Row(const std::string& root, std::int32_t cluster, std::int64_t gain) {
    return (DriveText(root) + QLatin1Char('|') + FormatSize32(cluster) + QLatin1Char('|') +
            FormatSize(gain))
        .toStdString();
}

QTreeWidgetItem* ItemOf(QTreeWidgetItem* parent, const std::string& path) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (TFolderListBox::PathOf(parent->child(i)) == path)
            return parent->child(i);
    return nullptr;
}

QTreeWidgetItem* RowOf(QTreeWidget* list, const std::string& root) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->data(0, DriveRootRole).toString() == DriveText(root))
            return list->topLevelItem(i);
    return nullptr;
}

TEST(MoveFolderBoxTest, SuggestsDrivesWithSmallerClustersAndProposesTheirFolders) {
    TTempTree temp;
    const std::string odd = "\xff\xfe"
                            "fotos";
    temp.MakeFile("home/Photos/a.jpg", 5000);
    temp.MakeDir("small/plain");
    temp.MakeDir("small/" + odd + "/inner");
    temp.MakeDir("small/.cache");
    for (const char* root : {"nas", "onek", "usb", "disc", "twin"})
        temp.MakeDir(root);
    const std::string home = temp.Path("home"), small = temp.Path("small"), nas = temp.Path("nas"),
                      onek = temp.Path("onek"), dead = temp.Path("dead");
    using Platform::TDriveType;
    const std::vector<Platform::TDrive> drives = {
        MadeUpDrive(dead, TDriveType::Remote),
        MadeUpDrive(temp.Path("disc"), TDriveType::CdRom),
        MadeUpDrive(home, TDriveType::Fixed),
        MadeUpDrive(nas, TDriveType::Remote),
        MadeUpDrive(onek, TDriveType::RamDisk),
        MadeUpDrive(small, TDriveType::Fixed),
        MadeUpDrive(temp.Path("twin"), TDriveType::Fixed),
        MadeUpDrive(temp.Path("usb"), TDriveType::Removable)};
    const TDriveSourceOverride source([&] { return drives; });
    // A dead share's cluster cannot be read; removable media and discs have
    // small clusters but are never suggested; a twin of the source's drive
    // gains nothing.
    const std::map<std::string, std::int32_t> clusters = {
        {dead, -1},   {temp.Path("disc"), 2048}, {home, 4096},           {nas, 2048}, {onek, 1024},
        {small, 512}, {temp.Path("twin"), 4096}, {temp.Path("usb"), 512}};
    TMessageBoxScript boxes;

    // The pickers open where the program was started.
    const std::string started = AbsolutePath(".");
    ASSERT_EQ(chdir(temp.Path("small/plain").c_str()), 0);
    const TScopeExit back([&] { EXPECT_EQ(chdir(started.c_str()), 0); });
    TCleanUpMoveFolderBox box;
    box.ClusterSizeOfRoot = [&](const std::string& root) {
        const auto found = clusters.find(root);
        return found == clusters.end() ? -1 : found->second;
    };
    box.SetSource(home + "/Photos");
    EXPECT_EQ(box.cbDrives->Drive(), DriveText(small));
    EXPECT_EQ(box.lbFolders->Folder(), small + "/plain");
    EXPECT_EQ(box.TargetPath(), small + "/plain/Photos");
    EXPECT_TRUE(box.cmdOK->isEnabled());

    TFolderSize record;
    record.TreeWasted = 90000;
    const std::int64_t alt[8] = {0, 1000, 30000, 60000, 120000, 250000, 500000, 900000};
    std::copy(std::begin(alt), std::end(alt), record.TreeWastedAlt);
    box.FillWastingList(record, 0);
    // 1,024-byte clusters keep no what-if figure: all of today's waste is gained.
    EXPECT_EQ(WastingRows(box.lvWasting),
              (std::vector<std::string>{Row(nas, 2048, 90000 - 30000), Row(onek, 1024, 90000),
                                        Row(small, 512, 90000 - 1000)}));
    EXPECT_TRUE(box.lvWasting->selectedItems().isEmpty());
    // Seen at 512-byte clusters, the folder would waste more on the 2 KB
    // share, and the list says so rather than showing nothing gained.
    box.FillWastingList(record, 1);
    EXPECT_EQ(WastingRows(box.lvWasting),
              (std::vector<std::string>{Row(nas, 2048, 1000 - 30000), Row(onek, 1024, 1000),
                                        Row(small, 512, 0)}));

    // A suggestion takes the pickers to that drive's root.
    RowOf(box.lvWasting, nas)->setSelected(true);
    EXPECT_EQ(box.cbDrives->Drive(), DriveText(nas));
    EXPECT_EQ(box.lbFolders->Drive(), nas);
    EXPECT_EQ(box.TargetPath(), nas + "/Photos");
    EXPECT_EQ(box.ediFolderTarget->text(), DisplayPath(nas + "/Photos"));

    // Back on the drive the program started from, its folder is current again.
    box.lvWasting->clearSelection();
    RowOf(box.lvWasting, small)->setSelected(true);
    EXPECT_EQ(box.lbFolders->Folder(), small + "/plain");
    QTreeWidgetItem* top = box.lbFolders->topLevelItem(0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->childCount(), 2); // hidden folders are left out...
    QTreeWidgetItem* oddItem = ItemOf(top, small + "/" + odd);
    ASSERT_NE(oddItem, nullptr);
    oddItem->setExpanded(true);
    EXPECT_NE(ItemOf(oddItem, small + "/" + odd + "/inner"), nullptr);

    // ...unless one is asked for.
    EXPECT_TRUE(box.lbFolders->SetFolder(small + "/.cache"));
    EXPECT_EQ(box.lbFolders->Folder(), small + "/.cache");
    EXPECT_EQ(box.lbFolders->currentItem()->parent(), top);

    // The folder's bytes, not its text, make the target.
    box.lbFolders->setCurrentItem(oddItem);
    EXPECT_EQ(box.TargetPath(), small + "/" + odd + "/Photos");
    EXPECT_TRUE(box.ediFolderTarget->text().contains(QChar::ReplacementCharacter));
    const QString proposed = box.ediFolderTarget->text();

    // OK only for a target that differs from the source, letter case counting.
    box.ediFolderTarget->setText(box.ediFolderSource->text());
    EXPECT_FALSE(box.cmdOK->isEnabled());
    box.ediFolderTarget->setText(DisplayPath(home + "/photos"));
    EXPECT_TRUE(box.cmdOK->isEnabled());
    EXPECT_EQ(box.TargetPath(), home + "/photos");
    box.ediFolderTarget->setText(proposed);
    EXPECT_EQ(box.TargetPath(), small + "/" + odd + "/Photos");

    // A drive that cannot be listed is reported, and the pickers stay where
    // they were.
    EXPECT_TRUE(boxes.Shown().empty());
    box.cbDrives->SetDrive(DriveText(dead));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(boxes.Shown()[0].Caption, QString::fromLatin1(ProductTitle));
    EXPECT_TRUE(boxes.Shown()[0].Text.startsWith(DriveText(dead) + QStringLiteral(": ")));
    EXPECT_EQ(box.cbDrives->Drive(), DriveText(small));
    EXPECT_EQ(box.lbFolders->Drive(), small);
    EXPECT_EQ(box.TargetPath(), small + "/" + odd + "/Photos");
}

} // namespace
