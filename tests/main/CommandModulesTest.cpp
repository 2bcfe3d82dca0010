// Each command module on its own, with a session over a plain folder and a
// host of the test's own instead of the main window: its actions exist under
// their names, their enabling follows the session, and a handler does its job
// on the disk and in the session.
#include "ModuleHost.h"

#include "engine/Paths.h"
#include "snapshot/ScanExport.h"
#include "snapshot/ScanImport.h"
#include "ui/main/CleanUpCommands.h"
#include "ui/main/CompareCommands.h"
#include "ui/main/ProgramCommands.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/ScanCommands.h"
#include "ui/main/ScanFileCommands.h"
#include "ui/main/ToolsMenu.h"
#include "ui/main/ViewCommands.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace {

class CommandModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Temp.MakeFile("drive/a/x.bin", 1000);
        Temp.MakeFile("drive/a/deep/y.bin", 10);
        Temp.MakeFile("drive/b/z.bin", 300);
        Host = std::make_unique<TModuleHost>(Temp.Path("drive"));
    }
    void Scan() {
        Host->Session().ScanOrRescanDrive(Host->Drive);
        ASSERT_TRUE(Host->CurrentNode() && Host->CurrentNode()->Data);
    }
    bool Enabled(const char* name) {
        Host->Commands.Update();
        return Host->Action(name)->isEnabled();
    }
    void ExpectActions(std::initializer_list<const char*> names) {
        for (const char* name : names)
            EXPECT_EQ(Host->Action(name)->objectName(), QLatin1String(name));
    }
    // The node of a folder of the drive ("" for its root), or none.
    TFolderNode* Node(const std::string& relative) {
        TDriveRecInfo* drive = Host->Session().Tree().FindDriveRec(Host->Drive);
        if (!drive || !drive->RootNode)
            return nullptr;
        return relative.empty() ? drive->RootNode : FindNodeByPath(drive->RootNode, relative, true);
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TTempTree Temp;
    TMessageBoxScript Boxes;
    std::unique_ptr<TModuleHost> Host;
};

TEST_F(CommandModulesTest, ScanCommandsScanRescanGoUpAndRemove) {
    TScanCommands scans(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdFileScanDrives", "cmdFileRescan", "cmdFileRescanCurrentDirectory",
                   "cmdFileRescanCurrentDrive", "cmdFileRescanAllDrives", "cmdFileRemove",
                   "cmdFileRemoveCurrentDrive", "cmdFileRemoveAllDrives", "cmdFileAbort",
                   "cmdFileSelectFolder", "toolScan", "toolRescanDir", "toolStop", "toolLevelUp"});
    EXPECT_FALSE(Enabled("cmdFileRescan"));
    EXPECT_FALSE(Enabled("toolRescanDir"));
    EXPECT_FALSE(Enabled("cmdFileAbort"));
    ASSERT_TRUE(Enabled("toolScan"));

    Host->Action("toolScan")->trigger(); // the drive the host's box names
    ASSERT_EQ(Host->Session().ScannedDrives(), std::vector<std::string>{Host->Drive});
    EXPECT_TRUE(Enabled("cmdFileRescan"));
    EXPECT_TRUE(Enabled("toolRescanDir"));
    EXPECT_FALSE(Enabled("toolLevelUp")) << "a drive's root has nothing above";

    ASSERT_TRUE(Host->SelectPath(Host->Drive + "/a"));
    EXPECT_TRUE(Enabled("toolLevelUp"));
    const std::int64_t before = Host->CurrentNode()->Data->TreeSize;
    Temp.MakeFile("drive/a/new.bin", 5000);
    Host->Action("toolRescanDir")->trigger();
    EXPECT_EQ(Host->CurrentNode()->Data->TreeSize, before + 5000);
    EXPECT_EQ(Host->CurrentPath(), Host->Drive + "/a");

    Host->Action("toolLevelUp")->trigger();
    EXPECT_EQ(Host->CurrentPath(), Host->Drive);
    Host->Action("cmdFileRemoveAllDrives")->trigger();
    EXPECT_TRUE(Host->Session().ScannedDrives().empty());
    EXPECT_FALSE(Enabled("cmdFileRemove"));
}

TEST_F(CommandModulesTest, ReportCommandsWriteWhatThePagesShowWithoutThem) {
    TReportCommands reports(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdFileReports", "cmdFileReportFolderInformation",
                   "cmdFileReportFolderContents", "cmdFilePrint", "cmdFilePrintFolderInformation",
                   "cmdFilePrintSubfolderlist"});
    EXPECT_FALSE(Enabled("cmdFileReports"));
    EXPECT_FALSE(reports.SaveFolderReport(Temp.Path("none.txt"))) << "nothing to report yet";
    Scan();
    EXPECT_TRUE(Enabled("cmdFileReports"));
    EXPECT_TRUE(Enabled("cmdFilePrint"));

    ASSERT_TRUE(reports.SaveSubfolderList(Temp.Path("list.csv"), 0));
    const std::string list = Read(Temp.Path("list.csv"));
    EXPECT_NE(list.find("\na,"), std::string::npos) << list;
    EXPECT_NE(list.find("\nb,"), std::string::npos) << list;
    ASSERT_TRUE(reports.SaveFolderReport(Temp.Path("info.txt")));
    const std::string info = Read(Temp.Path("info.txt"));
    EXPECT_NE(info.find(Host->Drive), std::string::npos);
    EXPECT_EQ(Host->CurrentPage(), PagePie) << "no page was shown for the report";

    // A report that cannot be written says so and leaves nothing behind.
    EXPECT_FALSE(reports.SaveFolderReport(Temp.Path("missing/info.txt")));
    EXPECT_EQ(Boxes.Shown().size(), 1u);
}

TEST_F(CommandModulesTest, ScanFileCommandsOpenAScanThatIsNotTheDisk) {
    TScanFileCommands files(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdFileOpenScanFile", "cmdFileExportScan"});
    EXPECT_TRUE(Enabled("cmdFileOpenScanFile"));
    EXPECT_FALSE(Enabled("cmdFileExportScan")) << "no folder to export";
    Scan();
    EXPECT_TRUE(Enabled("cmdFileExportScan"));

    TExportProgress progress;
    const TStatus exported = ExportFolder(Host->Drive, Temp.Path("scan.json"), progress);
    ASSERT_TRUE(exported) << exported.Failure().Describe();
    ASSERT_TRUE(files.OpenScanFile(Temp.Path("scan.json"), false));
    ASSERT_EQ(Host->Session().Tree().Roots().size(), 2u);
    const TFolderNode* opened = Host->Session().Tree().Roots().back().get();
    EXPECT_EQ(Host->Expanded, std::vector<const TFolderNode*>{opened});
    EXPECT_EQ(Host->CurrentNode(), opened);
    EXPECT_EQ(opened->Data->TreeFileCount, Node("")->Data->TreeFileCount);
    EXPECT_FALSE(Enabled("cmdFileExportScan")) << "an opened scan is not on this disk";
}

TEST_F(CommandModulesTest, CleanUpCommandsFreeOnlyAFolderOfTheDisk) {
    TCleanUpCommands cleanUps(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdFileRestoreCompressedFolders", "cmdCleanUpArchive", "cmdCleanUpMove",
                   "cmdCleanUpTrash", "cmdCleanUpDelete"});
    Scan();
    EXPECT_FALSE(Enabled("cmdCleanUpDelete")) << "a drive's root is never freed";
    EXPECT_TRUE(Enabled("cmdFileRestoreCompressedFolders"));
    ASSERT_TRUE(Host->SelectPath(Host->Drive + "/a"));
    EXPECT_TRUE(Enabled("cmdCleanUpDelete"));
    EXPECT_TRUE(Enabled("cmdCleanUpArchive"));

    const std::int64_t before = Node("")->Data->TreeSize;
    const std::int64_t freed = Node("a")->Data->TreeSize;
    Boxes.Answer(QMessageBox::Yes); // "delete it?"
    Host->Action("cmdCleanUpDelete")->trigger();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Host->Drive + "/a")));
    EXPECT_EQ(Node("a"), nullptr);
    EXPECT_EQ(Node("")->Data->TreeSize, before - freed);
}

TEST_F(CommandModulesTest, ViewCommandsKeepTheSettingsAndThePage) {
    TViewCommands view(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdViewToolbar", "cmdViewStatusBar", "cmdViewFolderTree", "cmdViewPieChart",
                   "cmdViewFolderInformation", "cmdViewSubfolders", "cmdViewWastedSpace",
                   "cmdViewCleanUp", "cmdViewPieSectionSizeWindow", "cmdViewBarChart",
                   "cmdViewPieSort", "cmdViewPieSortAscending", "cmdViewPieSortDescending",
                   "cmdViewOptions", "toolShowWasted", "toolShowFiles", "toolPercent", "toolMB"});
    EXPECT_FALSE(Enabled("cmdViewWastedSpace"));
    Scan();
    EXPECT_TRUE(Enabled("cmdViewWastedSpace"));
    EXPECT_FALSE(Enabled("cmdViewCleanUp")) << "not for a drive's root";

    Host->Action("cmdViewWastedSpace")->trigger();
    EXPECT_EQ(Host->CurrentPage(), PageWasted);
    Host->Page = PageSubfolders; // moved by the window itself
    Host->Commands.Update();
    EXPECT_TRUE(Host->Action("cmdViewSubfolders")->isChecked());

    const int invalidated = Host->Invalidated;
    Host->Action("toolShowFiles")->trigger();
    EXPECT_FALSE(Host->Settings().ShowFileNames.Value);
    EXPECT_GT(Host->Invalidated, invalidated);
    Host->Action("toolPercent")->trigger();
    Host->Action("toolMB")->trigger();
    EXPECT_EQ(Host->Settings().ShowPercentInPie.Value, 2);
    EXPECT_FALSE(Host->Action("toolPercent")->isChecked()) << "the two labels exclude each other";
    Host->Action("cmdViewPieSortAscending")->trigger();
    EXPECT_TRUE(Host->Settings().SortAscending.Value);
}

TEST_F(CommandModulesTest, CompareCommandsEndWhenTheComparedFolderLeaves) {
    TCompareCommands compare(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdViewCompareWithScanFile", "cmdViewWhatGrew", "cmdViewEndComparison",
                   "cmdViewUnreadableFolders"});
    Scan();
    EXPECT_FALSE(Enabled("cmdViewCompareWithScanFile")) << "nothing can load an earlier scan";
    int loads = 0;
    compare.SetEarlierScanLoader([&] { ++loads; });
    EXPECT_TRUE(Enabled("cmdViewCompareWithScanFile"));
    Host->Action("cmdViewCompareWithScanFile")->trigger();
    EXPECT_EQ(loads, 1);

    TExportProgress exported;
    TLoadProgress loading;
    const TStatus written = ExportFolder(Host->Drive, Temp.Path("then.json"), exported);
    ASSERT_TRUE(written) << written.Failure().Describe();
    TResult<TLoadedScan> loaded = LoadScanFile(Temp.Path("then.json"), 4096, loading);
    ASSERT_TRUE(loaded) << loaded.Failure().Describe();
    TLoadedScan& earlier = *loaded;
    EXPECT_FALSE(Enabled("cmdViewWhatGrew"));
    ASSERT_TRUE(compare.StartComparison(std::move(earlier.Root), earlier.Info));
    ASSERT_TRUE(compare.Active());
    EXPECT_EQ(&compare.Active()->Base(), Host->CurrentNode());
    EXPECT_TRUE(Enabled("cmdViewWhatGrew"));
    EXPECT_TRUE(Enabled("cmdViewEndComparison"));

    Host->Session().RemoveAllDrives();
    EXPECT_FALSE(compare.Active()) << "the compared folder left the tree";
    QTest::qWait(10);
    EXPECT_FALSE(Enabled("cmdViewEndComparison"));
}

TEST_F(CommandModulesTest, ToolsMenuRunsTheDiskToolFoundOnThePath) {
    // A disk utility of the test's own, first on PATH.
    Temp.MakeDir("bin");
    const std::string marker = Temp.Path("ran");
    {
        std::ofstream tool(Temp.Path("bin/gparted"));
        tool << "#!/bin/sh\n/usr/bin/touch '" << marker << "'\n";
    }
    ASSERT_EQ(::chmod(Temp.Path("bin/gparted").c_str(), 0755), 0);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(Temp.Path("bin")));
    TToolsMenu tools(Host->Commands, *Host, nullptr);
    qputenv("PATH", path);
    ExpectActions({"cmdToolsWindowsExplorer", "cmdToolsFindFiles", "cmdToolsWindowsSystemTools",
                   "cmdToolsCustomize", "LT1", "toolExplore"});
    EXPECT_FALSE(Enabled("toolExplore")) << "no folder to explore";
    ASSERT_TRUE(Enabled("cmdToolsWindowsSystemTools"));
    Host->Action("cmdToolsWindowsSystemTools")->trigger();
    for (int i = 0; i < 100 && !QFile::exists(QString::fromStdString(marker)); ++i)
        QTest::qWait(50);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(marker)));
}

TEST_F(CommandModulesTest, ProgramCommandsExitClosesTheWindow) {
    TProgramCommands program(Host->Commands, *Host, nullptr);
    ExpectActions({"cmdFileExit", "cmdHelpHelpTopics", "cmdHelpVisitWebPage", "cmdHelpFeedback",
                   "cmdHelpAbout"});
    Host->Parent.show();
    Host->Action("cmdFileExit")->trigger();
    EXPECT_FALSE(Host->Parent.isVisible());
}

} // namespace
