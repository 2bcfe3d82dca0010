// Archiving a folder from the clean-up page and restoring it from the File
// menu, as a user does: the archive lands on the chosen drive, the folder
// leaves the tree, and the restore brings it back and says to rescan.
#include "WindowTest.h"

#include "common/TreeSnapshot.h"
#include "engine/Formatting.h"
#include "shell/DriveLists.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>

namespace {

class ArchiveCommandTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeDir("drive/Letters");
        for (int i = 0; i < 30; ++i)
            std::ofstream(Temp.Path("drive/Letters/" + std::to_string(i) + ".txt"),
                          std::ios::binary)
                << std::string(3000 + i, 'a');
        Temp.MakeFile("drive/Letters/old/\xe9t\xe9.doc", 0);
        Temp.MakeFile("drive/Other/keep", 700);
        MakeForm();
    }

    // Runs fn on the dialog once it is up.
    void OnDialog(std::function<void(TCleanUpCompressFolderBox&)> fn) {
        QTimer::singleShot(50, Form.get(), [fn] {
            if (auto* box =
                    qobject_cast<TCleanUpCompressFolderBox*>(QApplication::activeModalWidget()))
                fn(*box);
        });
    }
};

TEST_F(ArchiveCommandTest, AFolderArchivedFromThePageComesBackFromTheMenu) {
    // The made-up drive is the only drive the pickers list.
    TDriveSourceOverride drives([this] {
        Platform::TDrive d;
        d.RootPath = Root;
        d.Type = Platform::TDriveType::Fixed;
        d.DisplayName = "Work (" + Root + ")";
        return std::vector<Platform::TDrive>{d};
    });
    Form->ScanOrRescanDrive(Root);
    const TTreeSnapshot before = SnapshotTree(Temp.Path("drive/Letters"), true);
    Select("Letters");
    // The space the folder uses counts its wasted space too, by the option's default.
    const std::int64_t used = Node("Letters")->Data->TreeSize + Node("Letters")->Data->TreeWasted;

    QString results;
    OnDialog([&](TCleanUpCompressFolderBox& box) {
        EXPECT_EQ(box.ediZIPDescription->text(), QStringLiteral("Letters Folder"));
        box.cbDrives->SetDrive(QString::fromStdString(Root));
        box.chkDeleteAfterCompressing->setChecked(true);
        box.chkPasswordProtect->setChecked(false);
        box.ediCompressionLevel->setValue(6);
        box.cmdCompressClick();
        results = box.txtCResults1->text() + "|" + box.txtCResults3->text();
        EXPECT_EQ(box.txtProgress->text(), QStringLiteral("100%"));
        box.cmdClose->click();
    });
    Form->CleanUp(TCleanUpAction::Compress);
    EXPECT_TRUE(results.contains(FormatSize(used))) << results.toStdString();
    EXPECT_TRUE(results.contains(QStringLiteral("gained"))) << results.toStdString();
    // The folder left the disk and the tree; its drive holds the archive.
    EXPECT_TRUE(SnapshotTree(Temp.Path("drive/Letters")).empty());
    EXPECT_EQ(Node("Letters"), nullptr);
    EXPECT_EQ(FolderNames(Temp.Path("drive/.Archives Bin")).size(), 2u); // archive, catalogue

    // Restore mode lists it; restoring asks nothing, says it is done, and
    // says to rescan the drive it went to.
    bool listed = false;
    OnDialog([&](TCleanUpCompressFolderBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Restore Compressed Folders"));
        EXPECT_EQ(box.ThePages->count(), 1);
        box.cbRestoreDrivesList->SetDrive(QString::fromStdString(Root));
        listed = box.lvArchives->topLevelItemCount() == 1;
        if (!listed) {
            box.cmdClose->click();
            return;
        }
        box.lvArchives->setCurrentItem(box.lvArchives->topLevelItem(0));
        EXPECT_TRUE(box.cmdRestore->isEnabled());
        EXPECT_EQ(box.ediRestorePath->text(), QString::fromStdString(Root));
        EXPECT_TRUE(box.ediRestorePath->toolTip().contains(QStringLiteral("Letters")));
        box.chkDeleteArchive->setChecked(true);
        Boxes.Answer(QMessageBox::Ok); // restored
        Boxes.Answer(QMessageBox::Ok); // rescan the drive
        box.cmdRestoreClick();
    });
    Form->cmdFileRestoreCompressedFolders->trigger();
    ASSERT_TRUE(listed);
    EXPECT_EQ(Boxes.PendingAnswers(), 0);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Temp.Path("drive/Letters"), true)), "");
    // The archive went with the restore; the emptied catalogue with it.
    std::string error;
    EXPECT_TRUE(ListArchives(Temp.Path("drive/.Archives Bin"), error).empty());
}

} // namespace
