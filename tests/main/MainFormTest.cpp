// The main window on a drive of its own: a tmpfs mounted by the test, so a
// scan never wanders over the machine's real disks.
#include "ui/main/MainForm.h"
#include "MainFormFixture.h"
#include "ModalCloser.h"
#include "WindowTest.h"
#include "common/HangFsMount.h"
#include "common/TempTree.h"
#include "common/Watchdog.h"
#include "engine/Paths.h"
#include "engine/VolumeInfo.h"
#include "models/FolderTreeModel.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "shell/MessageBox.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/PiePage.h"
#include "ui/main/Strings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

TEST_F(MainFormTest, NothingScannedShowsOnlyTheNotReadyPage) {
    EXPECT_TRUE(Form->NotReadyShown());
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(Widget<QTabWidget>("ThePages")->isTabVisible(i)) << i;
    EXPECT_EQ(Widget<QTabWidget>("ThePages")->tabText(0), Strings::NoScannedItems());
    EXPECT_EQ(Form->NotReadyText(), QString(Strings::NoDrivesScanned()).remove('\r'));
    EXPECT_EQ(Form->windowTitle(), Strings::DefaultCaption());
    EXPECT_FALSE(Action("cmdFileRescan")->isEnabled());
    EXPECT_FALSE(Action("cmdFileAbort")->isEnabled());
}

TEST_F(MainFormTest, ScanSelectAndPageRules) {
    Form->Session().ScanOrRescanDrive(Drive());
    ASSERT_TRUE(Node(""));
    ASSERT_TRUE(Node("")->Data);
    EXPECT_EQ(Node("")->Data->TreeSize, 1 + 4096 + 100 + 5000);
    EXPECT_EQ(Form->Session().ScannedDrives(), std::vector<std::string>{Drive()});
    EXPECT_TRUE(Action("cmdFileRescan")->isEnabled());
    EXPECT_TRUE(Action("cmdFileRemove")->isEnabled());
    EXPECT_FALSE(Action("cmdFileAbort")->isEnabled());

    // The first node was selected after the scan: the drive root.
    EXPECT_EQ(Form->CurrentNode(), Node(""));
    EXPECT_FALSE(Form->NotReadyShown());
    EXPECT_FALSE(
        Widget<QTabWidget>("ThePages")->isTabVisible(PageCleanUp + 1)); // not for a drive root
    EXPECT_TRUE(Widget<QTabWidget>("ThePages")->isTabVisible(PagePie + 1));
    EXPECT_FALSE(Action("toolLevelUp")->isEnabled());
    // The cluster size and the file system the drive really has.
    EXPECT_EQ(Widget<QLabel>("StatusPanel1")->text(),
              QStringLiteral("%1K Cluster (%2)")
                  .arg(ClusterSizeOf(Drive()) / 1024)
                  .arg(QString::fromStdString(FileSystemNameOf(Drive()))));

    Select("Temp/Sub");
    EXPECT_EQ(Form->CurrentNode(), Node("Temp/Sub"));
    EXPECT_EQ(Form->CurrentPath(), Drive() + "/Temp/Sub");
    EXPECT_EQ(Form->windowTitle(),
              Strings::DefaultCaption() + " - " + QString::fromStdString(Drive() + "/Temp/Sub"));
    EXPECT_TRUE(Widget<QTabWidget>("ThePages")->isTabVisible(PageCleanUp + 1));
    EXPECT_TRUE(Action("toolLevelUp")->isEnabled());
    // The pie page names what it shows: "Folder <path>".
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(),
              QStringLiteral("Folder ") + QString::fromStdString(Drive() + "/Temp/Sub"));

    // The clean-up page shown, then a drive root: back to the pie.
    Form->ShowPage(PageCleanUp);
    EXPECT_EQ(Form->CurrentPage(), PageCleanUp);
    Select("");
    EXPECT_EQ(Form->CurrentPage(), PagePie);

    // Up one level from a folder selects its parent.
    Select("Temp/Sub");
    Action("toolLevelUp")->trigger();
    EXPECT_EQ(Form->CurrentNode(), Node("Temp"));

    // The View menu on a drive root leaves "Free Some Space" off.
    Select("");
    emit Menu("mnuView")->aboutToShow();
    EXPECT_FALSE(Action("cmdViewCleanUp")->isEnabled());
    EXPECT_TRUE(Action("cmdViewPieChart")->isEnabled());
    EXPECT_TRUE(Action("cmdViewPieChart")->isChecked());
}

TEST_F(MainFormTest, WhatIfClusterSizeReachesTheSectionWindow) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp/Sub");
    Widget<QComboBox>("ClustersBox")->setCurrentIndex(7);
    emit Widget<QComboBox>("ClustersBox")->activated(7);
    EXPECT_EQ(Form->WhatIf(), 7);
    EXPECT_EQ(Form->SectionSizeBox()->txtWasted->text(), QStringLiteral("64 KB"));
    emit Widget<QComboBox>("ClustersBox")->activated(0);
    EXPECT_EQ(Form->WhatIf(), 0);
}

// One reader takes the last queued folder first: Temp (and below) is read
// before Other.
void AbortWhenReadingOther(const std::string& name, void* scanner) {
    if (name == "Other")
        static_cast<TScanner*>(scanner)->Abort();
}

TEST_F(MainFormTest, AbortedFolderSaysItWasInterrupted) {
    Form->Session().Scanner().SetReaderThreads(1);
    Form->Session().Scanner().SetFolderHook(&AbortWhenReadingOther, &Form->Session().Scanner());
    Form->Session().ScanOrRescanDrive(Drive());
    Form->Session().Scanner().SetFolderHook(nullptr, nullptr);
    ASSERT_TRUE(Node("Other"));
    EXPECT_FALSE(Node("")->Data);
    EXPECT_FALSE(Node("Other")->Data);
    EXPECT_TRUE(Node("Temp")->Data); // finished before the abort, kept
    Select("Other");
    EXPECT_TRUE(Form->NotReadyShown());
    EXPECT_EQ(Widget<QTabWidget>("ThePages")->tabText(0), Strings::FolderNotScanned());
    EXPECT_EQ(Form->NotReadyText(),
              QString(Strings::ScanInterrupted()).arg(QStringLiteral("folder")).remove('\r'));
    Select("");
    EXPECT_EQ(Form->NotReadyText(),
              QString(Strings::ScanInterrupted()).arg(QStringLiteral("drive")).remove('\r'));
    // The status bar said the scan is over.
    EXPECT_FALSE(Form->Scanning());
}

TEST_F(MainFormTest, RescanAfterAChangeOnDisk) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    const std::int64_t before = Node("")->Data->TreeSize;
    Temp.MakeFile("drive/Temp/new", 10000);
    Action("cmdFileRescanCurrentDirectory")->trigger();
    EXPECT_EQ(Node("")->Data->TreeSize, before + 10000);
    EXPECT_EQ(Form->CurrentNode(), Node("Temp"));
    EXPECT_FALSE(Form->NotReadyShown());
    EXPECT_FALSE(Form->Scanning());
    EXPECT_TRUE(Action("toolScan")->isEnabled());

    // Rescanning the whole drive comes back to the same folder.
    Temp.MakeFile("drive/Other/y", 7);
    Action("cmdFileRescanCurrentDrive")->trigger();
    EXPECT_EQ(Node("")->Data->TreeSize, before + 10007);
    EXPECT_EQ(Form->CurrentNode(), Node("Temp"));
}

TEST_F(MainFormTest, FolderDeletedOutsideDisappearsWhenSelected) {
    Form->Session().ScanOrRescanDrive(Drive());
    const std::int64_t before = Node("")->Data->TreeSize;
    const std::uint32_t folders = Node("")->Data->TreeFolderCount;
    Temp.Remove("drive/Temp/Sub");
    Select("Temp/Sub");
    QTest::qWait(50);
    EXPECT_EQ(Node("Temp/Sub"), nullptr);
    EXPECT_EQ(Node("")->Data->TreeSize, before - 100);
    EXPECT_EQ(Node("")->Data->TreeFolderCount, folders - 1);
    EXPECT_EQ(Node("Temp")->Data->OwnFolderCount, 0u);
    EXPECT_NE(Form->CurrentNode(), nullptr);
}

TEST_F(MainFormTest, RemovingTheLastDriveBringsBackTheStartText) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    Action("cmdFileRemoveAllDrives")->trigger();
    EXPECT_TRUE(Form->Session().ScannedDrives().empty());
    EXPECT_EQ(Form->Session().Tree().Roots().size(), 0u);
    EXPECT_EQ(Form->CurrentNode(), nullptr);
    EXPECT_TRUE(Form->NotReadyShown());
    EXPECT_EQ(Form->NotReadyText(), QString(Strings::NoDrivesScanned()).remove('\r'));
    EXPECT_FALSE(Action("cmdFileRescan")->isEnabled());
    EXPECT_FALSE(Action("cmdFileRemove")->isEnabled());
    EXPECT_EQ(Form->windowTitle(), Strings::DefaultCaption());
}

TEST_F(MainFormTest, HintsTakeTheStatusBarAndGiveItBack) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    const QString path = QString::fromStdString(Drive() + "/Temp");
    QStatusTipEvent hint(QStringLiteral("Scans one or more drives."));
    QApplication::sendEvent(Form.get(), &hint);
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(), QStringLiteral("Scans one or more drives."));
    EXPECT_TRUE(Widget<QLabel>("StatusPanel1")->isHidden());
    QStatusTipEvent back(QStringLiteral(":"));
    QApplication::sendEvent(Form.get(), &back);
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(), path);
    EXPECT_FALSE(Widget<QLabel>("StatusPanel1")->isHidden());
    // Choosing a cluster size from the drop-down takes its hint away too.
    QStatusTipEvent clusters(Widget<QComboBox>("ClustersBox")->statusTip());
    QApplication::sendEvent(Form.get(), &clusters);
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(),
              Widget<QComboBox>("ClustersBox")->statusTip());
    emit Widget<QComboBox>("ClustersBox")->activated(3);
    EXPECT_TRUE(Widget<QLabel>("StatusPanel0")->text().endsWith(path))
        << Widget<QLabel>("StatusPanel0")->text().toStdString();
    EXPECT_FALSE(Widget<QLabel>("StatusPanel1")->isHidden());
    // Tool buttons carry the short part as tooltip, the long part as hint.
    EXPECT_EQ(Action("toolScan")->toolTip(), QStringLiteral("Scan/Rescan Selected Drive"));
    EXPECT_EQ(Action("toolScan")->statusTip(),
              QStringLiteral("Scan or rescan the drive that is selected in the Drives List Box"));
}

TEST_F(MainFormTest, AccessibilityMessageOffersRetryAndCancel) {
    Boxes.Answer(QMessageBox::Cancel);
    EXPECT_FALSE(Form->Session().DriveAccessible(Temp.Path("no-such-drive")));
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Caption, Strings::ProductName());
    EXPECT_TRUE(Boxes.Shown()[0].Text.startsWith(
        QString::fromStdString(Temp.Path("no-such-drive")) + " is not accessible."));
    EXPECT_EQ(Boxes.Shown()[0].Buttons, QMessageBox::Retry | QMessageBox::Cancel);
    // A scan of it does nothing.
    EXPECT_FALSE(
        Form->Session().ScanNewDrive(Temp.Path("no-such-drive"), QStringLiteral("x"), nullptr));
    EXPECT_TRUE(Form->Session().ScannedDrives().empty());
}

TEST_F(MainFormTest, ContextMenuOfAnUnfinishedFolderIsRefused) {
    Form->Session().Scanner().SetReaderThreads(1);
    Form->Session().Scanner().SetFolderHook(&AbortWhenReadingOther, &Form->Session().Scanner());
    Form->Session().ScanOrRescanDrive(Drive());
    Form->Session().Scanner().SetFolderHook(nullptr, nullptr);
    Select("Other");
    const QRect rect = FolderTree()->visualRect(FolderTree()->currentIndex());
    emit FolderTree()->customContextMenuRequested(rect.center());
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Text, Strings::ContextMenuNotReady());
}

} // namespace

namespace {

// Slows every folder down so that a test can act while the scan runs.
void SlowFolder(const std::string&, void*) {
    QThread::msleep(40);
}

class MainFormTwoDrivesTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        if (IsSkipped())
            return;
        Second = Temp.Path("second");
        Temp.MakeDir("second");
        Drives.push_back(Second);
        for (int i = 0; i < 12; ++i)
            Temp.MakeFile("second/d" + std::to_string(i) + "/f", 10);
    }
    void TearDown() override { MainFormTest::TearDown(); }
    // Scans the second drive slowly, running `during` from inside the scan.
    void ScanSecondWhile(std::function<void()> during) {
        Form->Session().Scanner().SetReaderThreads(1);
        Form->Session().Scanner().SetFolderHook(&SlowFolder, nullptr);
        QTimer::singleShot(60, Form.get(), [during] { during(); });
        Form->Session().ScanOrRescanDrive(Second);
        Form->Session().Scanner().SetFolderHook(nullptr, nullptr);
        QTest::qWait(20); // the checks that waited for the scan's end
    }
    std::string Second;
};

TEST_F(MainFormTwoDrivesTest, NoSecondScanStartsInsideARunningOne) {
    bool selected = true;
    bool scanningInside = false;
    ScanSecondWhile([&] {
        scanningInside = Form->Scanning();
        selected = Form->SelectPath(Drive() + "/Temp");
    });
    EXPECT_TRUE(scanningInside);
    EXPECT_FALSE(selected);
    EXPECT_EQ(Form->Session().Tree().FindDriveRec(Drive()), nullptr);
    EXPECT_EQ(Form->Session().ScannedDrives(), std::vector<std::string>{Second});
    EXPECT_FALSE(Form->Scanning());
    ASSERT_FALSE(Boxes.Shown().empty());
    EXPECT_TRUE(Boxes.Shown().back().Text.contains("when the running scan has ended"));
}

TEST_F(MainFormTwoDrivesTest, FoldersFoundGoneDuringAScanLeaveWhenItEnds) {
    Temp.MakeDir("drive/Temp/Sub/Y");
    Form->Session().ScanOrRescanDrive(Drive());
    const std::int64_t before = Node("")->Data->TreeSize;
    Temp.Remove("drive/Temp/Sub");
    ScanSecondWhile([&] {
        // Both are gone; during the scan they stay in the tree.
        Select("Temp/Sub");
        Select("Temp/Sub/Y");
        EXPECT_NE(Node("Temp/Sub"), nullptr);
    });
    EXPECT_EQ(Node("Temp/Sub"), nullptr);
    EXPECT_EQ(Node("")->Data->TreeSize, before - 100);
    EXPECT_EQ(CheckedCurrent(), true);
}

TEST_F(MainFormTest, ContextMenuOnAFolderGoneFromDiskDropsIt) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    FolderTree()->expand(FolderTree()->currentIndex());
    Temp.Remove("drive/Temp/Sub");
    const QRect rect =
        FolderTree()->visualRect(FolderTree()->model()->index(0, 0, FolderTree()->currentIndex()));
    emit FolderTree()->customContextMenuRequested(rect.center());
    QTest::qWait(20);
    EXPECT_EQ(Node("Temp/Sub"), nullptr);
    EXPECT_EQ(Node("Temp")->Data->TreeSize, 4096);
}

} // namespace

namespace {

TEST_F(MainFormTest, PagesLetGoOfNodesThatARescanDeletes) {
    Form->Session().ScanOrRescanDrive(Drive());
    Select("Temp");
    ASSERT_GT(Part<TPiePage>().Chart().SectionCount(), 0);
    Form->Session().Scanner().SetReaderThreads(1);
    Form->Session().Scanner().SetFolderHook(&SlowFolder, nullptr);
    int sectionsDuring = -1;
    bool notReadyDuring = false;
    QTimer::singleShot(30, Form.get(), [&] {
        sectionsDuring = Part<TPiePage>().Chart().SectionCount();
        notReadyDuring = Form->NotReadyShown();
    });
    Action("cmdFileRescanCurrentDrive")->trigger();
    Form->Session().Scanner().SetFolderHook(nullptr, nullptr);
    // While the drive was read again, nothing on screen held its old nodes.
    EXPECT_EQ(sectionsDuring, 0);
    EXPECT_TRUE(notReadyDuring);
    EXPECT_EQ(Form->CurrentNode(), Node("Temp"));
    EXPECT_GT(Part<TPiePage>().Chart().SectionCount(), 0);
}

} // namespace

namespace {

TEST_F(MainFormTest, APartialDeleteReadsTheFolderAgain) {
    Temp.MakeFile("drive/Temp/Sub/stuck", 1);
    const std::string stuck = "'" + Temp.Path("drive/Temp/Sub/stuck") + "'";
    if (std::system(("chattr +i " + stuck + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i is not available on this file system";
    struct TUnlock {
        std::string Path;
        ~TUnlock() { std::system(("chattr -i " + Path + " 2>/dev/null").c_str()); }
    } unlock{stuck};
    Form->Session().ScanOrRescanDrive(Drive());
    const std::int64_t before = Node("")->Data->TreeSize;
    Select("Temp");
    FolderTree()->expand(FolderTree()->currentIndex());
    const QRect sub =
        FolderTree()->visualRect(FolderTree()->model()->index(0, 0, FolderTree()->currentIndex()));
    Boxes.Answer(QMessageBox::Yes); // "delete it?"; what was left is then reported
    QTimer::singleShot(50, Form.get(), [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_D); // "&Delete"
    });
    emit FolderTree()->customContextMenuRequested(sub.center());
    QTest::qWait(20);
    // The folder is still there, holding only what could not go; every
    // ancestor lost exactly the rest.
    ASSERT_NE(Node("Temp/Sub"), nullptr);
    ASSERT_TRUE(Node("Temp/Sub")->Data);
    EXPECT_EQ(Node("Temp/Sub")->Data->TreeSize, 1);
    EXPECT_EQ(Node("")->Data->TreeSize, before - 100);
    EXPECT_FALSE(Form->Scanning());
}

} // namespace

namespace {

// Start-up with a drive that stops answering half way through its scan:
// closing the window ends that scan at once, and nothing after it (the
// command line's drive) is scanned any more.
TEST_F(MainFormTest, ClosingDuringAHungStartUpScanEndsTheStartUp) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    Form->Settings().DrivesToAutoScan.Value = QString::fromStdString(share.Root());
    Form->SetArguments({Drive()});
    Form->show();
    QTimer::singleShot(600, Form.get(), [this] { Form->close(); });
    const auto start = std::chrono::steady_clock::now();
    Form->StartUp();
    QApplication::processEvents();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(Form->Scanning());
    EXPECT_EQ(Form->Session().ScannedDrives(), std::vector<std::string>{share.Root()});
    EXPECT_EQ(Form->Session().Tree().FindDriveRec(Drive()), nullptr);
    EXPECT_FALSE(Form->isVisible());
}

} // namespace

namespace {

// Start-up drives that are not there today are passed over without a box;
// the others are scanned, and the command line's folder is selected.
TEST_F(MainFormTest, StartUpPassesOverDrivesThatAreNotThere) {
    Form->Settings().DrivesToAutoScan.Value =
        QStringLiteral("/media/not-plugged-in;relative;") + QString::fromStdString(Drive()) +
        QStringLiteral(";") + QString::fromStdString(Temp.Path("gone"));
    Form->SetArguments({Drive() + "/Temp"});
    Form->show();
    Form->StartUp();
    EXPECT_TRUE(Boxes.Shown().empty());
    EXPECT_EQ(Form->Session().ScannedDrives(), std::vector<std::string>{Drive()});
    EXPECT_EQ(Form->CurrentPath(), Drive() + "/Temp");
}

} // namespace

namespace {

// Abort during the hang ends the scan; browsing the drive afterwards never
// waits long on the folder that does not answer.
TEST_F(MainFormTest, ADriveThatStopsAnsweringLeavesTheWindowLive) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    QTimer::singleShot(600, Form.get(), [this] { Action("cmdFileAbort")->trigger(); });
    const auto start = std::chrono::steady_clock::now();
    Form->Session().ScanOrRescanDrive(share.Root());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(Form->Scanning());
    TDriveRecInfo* drive = Form->Session().Tree().FindDriveRec(share.Root());
    ASSERT_TRUE(drive && drive->RootNode);
    TFolderNode* stuck = FindNodeByPath(drive->RootNode, "stuck", true);
    ASSERT_TRUE(stuck);
    // The reader hangs examining "dead" while listing "stuck", or opening it.
    TFolderNode* dead = FindNodeByPath(drive->RootNode, "stuck/dead", true);
    EXPECT_TRUE(stuck->Has(NodeNotAnswering) || (dead && dead->Has(NodeNotAnswering)));
    const auto selecting = std::chrono::steady_clock::now();
    Form->SelectPath(share.Root() + "/stuck/dead");
    Form->SelectPath(share.Root() + "/stuck");
    Form->SelectPath(share.Root() + "/live");
    EXPECT_LT(std::chrono::steady_clock::now() - selecting, std::chrono::seconds(8));
    EXPECT_TRUE(FindNodeByPath(drive->RootNode, "stuck", true));
}

} // namespace

namespace {

// A report run that scanned nothing (an unknown type, a missing folder) ends
// its start-up as any other that scanned nothing: with the "Scan Drives"
// dialog. A run that scanned, or that ends the program, opens none.
TEST_F(MainFormTest, AReportRunThatScannedNothingOffersTheDrives) {
    const std::string out = Temp.Path("out");
    const std::string missing = Temp.Path("missing");
    struct TRun {
        std::vector<std::string> Arguments;
        bool Offered;
        std::optional<int> Status;
    };
    const TRun runs[] = {
        {{"/RXLS", missing, out}, true, std::nullopt},
        {{"/RCSV", missing, out}, true, std::nullopt},
        {{"/RCSV", missing, out, "/Q"}, false, 1},
        {{"/RCSV", Drive(), out}, false, std::nullopt},
    };
    for (const TRun& run : runs) {
        MakeForm();
        Form->SetArguments(run.Arguments);
        Form->show();
        QStringList opened;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, &closer, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened << modal->objectName();
                modal->close();
            }
        });
        closer.start();
        Form->StartUp();
        QApplication::processEvents();
        EXPECT_EQ(opened.contains(QStringLiteral("DrivesSelectBox")), run.Offered)
            << run.Arguments.front() << " " << run.Arguments.size();
        EXPECT_EQ(Form->ExitStatus(), run.Status) << run.Arguments.front();
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(out + ".csv")));
}

} // namespace
