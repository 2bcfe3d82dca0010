// Archiving a folder from the clean-up page and restoring it from the File
// menu, as a user does: the archive lands on the chosen drive, the folder
// leaves the tree, and the restore brings it back and says to rescan the
// drive it went to. The bar follows the bytes all the way, and an
// encrypted archive asks for its password before anything else.
#include "WindowTest.h"

#include "common/TreeSnapshot.h"
#include "engine/Formatting.h"
#include "shell/DriveLists.h"
#include "ui/cleanup/ArchiveProgressPage.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"
#include "ui/cleanup/RestoreArchivePage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>
#include <memory>

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
        // Large enough for many progress events inside one file.
        std::string scan(4 << 20, '\0');
        for (std::size_t i = 0; i < scan.size(); ++i)
            scan[i] = static_cast<char>(i * 7 / 4096);
        std::ofstream(Temp.Path("drive/Letters/old/scan.tif"), std::ios::binary) << scan;
        Temp.MakeFile("drive/Other/keep", 700);
        // A file system of its own mounted inside the scanned drive.
        Temp.MakeDir("drive/Mounted");
        Drives = {Temp.Path("drive/Mounted"), Root};
        MakeForm();
        // The made-up drive is the only drive the pickers list.
        Pickers = std::make_unique<TDriveSourceOverride>([this] {
            Platform::TDrive d;
            d.RootPath = Root;
            d.Type = Platform::TDriveType::Fixed;
            d.DisplayName = "Work (" + Root + ")";
            return std::vector<Platform::TDrive>{d};
        });
        Form->Session().ScanOrRescanDrive(Root);
    }

    // Runs fn on the dialog once it is up.
    void OnDialog(std::function<void(TCleanUpCompressFolderBox&)> fn) {
        QTimer::singleShot(50, Form.get(), [fn] {
            if (auto* box =
                    qobject_cast<TCleanUpCompressFolderBox*>(QApplication::activeModalWidget()))
                fn(*box);
        });
    }

    // Each position of the dialog's bar, with the number of message boxes
    // shown before it.
    void WatchBar(TCleanUpCompressFolderBox& box) {
        Bar.clear();
        QObject::connect(box.sheetProgress->pbOverall, &QProgressBar::valueChanged, &box,
                         [this](int value) {
                             Bar.push_back({value, Boxes.Shown().size()});
                         });
    }
    // The bar climbed in steps of at most maxStep, and was full before any box.
    void ExpectBarFollowedTheBytes(int maxStep) {
        int last = 0;
        for (const auto& [value, boxes] : Bar) {
            EXPECT_LE(value - last, maxStep) << "from " << last << " % to " << value << " %";
            EXPECT_TRUE(value < 100 || boxes == 0) << "full only after a message";
            last = value;
        }
        EXPECT_EQ(last, 100);
    }

    std::unique_ptr<TDriveSourceOverride> Pickers;
    std::vector<std::pair<int, std::size_t>> Bar;
};

TEST_F(ArchiveCommandTest, AFolderArchivedFromThePageComesBackFromTheMenu) {
    const TTreeSnapshot before = SnapshotTree(Temp.Path("drive/Letters"), true);
    Select("Letters");
    // The space the folder uses counts its wasted space too, by the option's default.
    const std::int64_t used = Node("Letters")->Data->TreeSize + Node("Letters")->Data->TreeWasted;

    QString results;
    Form->resize(780, 600);
    OnDialog([&](TCleanUpCompressFolderBox& box) {
        // Centred over the window at its final size.
        EXPECT_LE((box.geometry().center() - Form->geometry().center()).manhattanLength(), 2);
        EXPECT_EQ(box.ediZIPDescription->text(), QStringLiteral("Letters Folder"));
        box.cbDrives->SetDrive(QString::fromStdString(Root));
        box.chkDeleteAfterCompressing->setChecked(true);
        box.chkPasswordProtect->setChecked(true);
        box.AskPassword = [](bool, bool) { return QStringLiteral("s3cret"); };
        box.ediCompressionLevel->setValue(6);
        WatchBar(box);
        box.cmdCompressClick();
        results =
            box.sheetProgress->txtCResults1->text() + "|" + box.sheetProgress->txtCResults3->text();
        box.cmdClose->click();
    });
    Form->CleanUp(TCleanUpAction::Compress);
    EXPECT_TRUE(results.contains(FormatSize(used))) << results.toStdString();
    EXPECT_TRUE(results.contains(QStringLiteral("gained"))) << results.toStdString();
    ExpectBarFollowedTheBytes(5);
    // The folder left the disk and the tree; its drive holds the archive.
    EXPECT_TRUE(SnapshotTree(Temp.Path("drive/Letters")).empty());
    EXPECT_EQ(Node("Letters"), nullptr);
    EXPECT_EQ(FolderNames(Temp.Path("drive/.Archives Bin")).size(), 2u); // archive, catalogue

    // Restore mode lists it and asks for the password before anything else
    // (again after a wrong one). Restored into the file system mounted
    // inside the scanned drive, that drive needs no rescan; restored where
    // it was, it does.
    const auto restore = [&](const std::string& to, bool deleteArchive) {
        std::vector<std::pair<bool, std::size_t>> asked; // retry, boxes shown before
        Boxes.ClearShown();
        OnDialog([&](TCleanUpCompressFolderBox& box) {
            EXPECT_EQ(box.ThePages->count(), 1);
            box.sheetRestore->cbRestoreDrivesList->SetDrive(QString::fromStdString(Root));
            box.sheetRestore->lvArchives->setCurrentItem(
                box.sheetRestore->lvArchives->topLevelItem(0));
            EXPECT_EQ(box.sheetRestore->ediRestorePath->text(), QString::fromStdString(Root));
            box.sheetRestore->ediRestorePath->setText(QString::fromStdString(to));
            box.sheetRestore->chkDeleteArchive->setChecked(deleteArchive);
            box.AskPassword = [&](bool, bool retry) {
                asked.push_back({retry, Boxes.Shown().size()});
                return asked.size() == 1 ? QStringLiteral("guess") : QStringLiteral("s3cret");
            };
            WatchBar(box);
            box.cmdRestoreClick();
        });
        Action("cmdFileRestoreCompressedFolders")->trigger();
        EXPECT_EQ(asked, (std::vector<std::pair<bool, std::size_t>>{{false, 0}, {true, 0}}));
        ExpectBarFollowedTheBytes(10);
        EXPECT_EQ(SnapshotDifference(before, SnapshotTree(to + "/Letters", true)), "");
        ASSERT_FALSE(Boxes.Shown().empty());
        EXPECT_EQ(Boxes.Shown().front().Kind, TMessageKind::Information);
    };
    restore(Temp.Path("drive/Mounted"), false);
    EXPECT_EQ(Boxes.Shown().size(), 1u); // done, and no rescan
    restore(Root, true);
    ASSERT_EQ(Boxes.Shown().size(), 2u);
    EXPECT_TRUE(Boxes.Shown().back().Text.contains(QString::fromStdString(Root)));
    // The archive went with the restore; the emptied catalogue with it.
    const TResult<std::vector<TCatalogueEntry>> listed =
        ListArchives(Temp.Path("drive/.Archives Bin"));
    EXPECT_TRUE(listed && listed->empty());
}

} // namespace
