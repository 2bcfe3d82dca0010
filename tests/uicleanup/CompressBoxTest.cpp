// The archive dialog with a folder on a share that stops answering: Stop
// cannot reach the worker blocked in the share, so after a while without
// progress the dialog stops waiting, says where things are, and lets the
// user go on; the folder is not touched and no archive is left behind.
#include "common/FaultFigures.h"
#include "common/HangFsMount.h"
#include "common/TempTree.h"
#include "common/TreeSnapshot.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "ui/cleanup/ArchiveProgressPage.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"
#include "ui/cleanup/RestoreArchivePage.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(CompressBoxTest, StopsWaitingForAnArchiveThatADeadShareHolds) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    TTempTree temp;
    temp.MakeDir("drive");
    const std::string drive = temp.Path("drive");
    TDriveSourceOverride drives([drive] {
        Platform::TDrive d;
        d.RootPath = drive;
        d.Type = Platform::TDriveType::Fixed;
        d.DisplayName = "Work (" + drive + ")";
        return std::vector<Platform::TDrive>{d};
    });
    const TTreeSnapshot before = SnapshotTree(share.Root() + "/live");
    TProgramSettings settings;
    TCleanUpCompressFolderBox box(settings, TCleanUpCompressFolderBox::TMode::Compress);
    box.SetFolder(share.Root() + "/stuck", 1000, 1000);
    box.GiveUpAfterStop = std::chrono::milliseconds(300);
    TMessageBoxScript script;
    script.Answer(QMessageBox::Ok);
    QTimer::singleShot(0, &box, [&] { box.cmdCompress->click(); });
    // Stop as soon as the dialog shows its progress, as often as the user
    // would while nothing happens.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, &box, [&] {
        if (box.sheetProgress->cmdStop->isVisible())
            box.sheetProgress->cmdStop->click();
    });
    stopper.start(20);
    QElapsedTimer clock;
    clock.start();
    box.exec();
    stopper.stop();

    EXPECT_LT(clock.elapsed(), 20000);
    ASSERT_FALSE(script.Shown().empty());
    EXPECT_EQ(script.Shown().back().Kind, TMessageKind::Warning);
    EXPECT_TRUE(box.ChangedDisk()); // the folder's fate is told by a rescan
    // Nothing of the share was touched, and the archive not published.
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(share.Root() + "/live")), "");
    EXPECT_TRUE(FolderNames(drive + "/.Archives Bin").empty() ||
                FolderNames(drive + "/.Archives Bin") == std::vector<std::string>{"archives.ini"});
    RecordFaultCase("archive (window)", "hang, Stop", !HasFailure(), 0);
}

} // namespace
