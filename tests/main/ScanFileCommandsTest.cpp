// Scan files in the real window: a folder exported, then gone from the disk,
// opened again from the command line and shown beside the drive it came
// from, without anything taking it for the disk.
#include "WindowTest.h"
#include "models/FolderTreeModel.h"
#include "snapshot/ScanExport.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/PiePage.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

class ScanFileCommandsTest : public TWindowTest {
protected:
    void SetUp() override { MakeDrive(); }
};

TEST_F(ScanFileCommandsTest, AnExportOpensAsItWasAndIsNeverTakenForTheDisk) {
    Temp.MakeFile("drive/proj/a/f", 10000);
    Temp.MakeFile("drive/proj/a/deep/g", 3000);
    Temp.MakeFile("drive/proj/b/h", 500);
    const std::string file = Temp.Path("proj.json");
    TExportProgress progress;
    const TStatus exported = ExportFolder(Temp.Path("drive/proj"), file, progress);
    ASSERT_TRUE(exported) << exported.Failure().Describe();

    MakeForm();
    Form->Session().ScanOrRescanDrive(Root);
    const TFolderSize live = *Node("proj")->Data;
    // The folder goes; its scan file still has it.
    Temp.Remove("drive/proj");
    Form->SetArguments({file});
    Form->show();
    Form->StartUp();

    ASSERT_EQ(Form->Session().Tree().Roots().size(), 2u);
    TFolderNode* opened = Form->Session().Tree().Roots()[1].get();
    EXPECT_EQ(Form->CurrentNode(), opened);
    EXPECT_TRUE(IsOpenedScan(opened));
    EXPECT_EQ(opened->Name, Temp.Path("drive/proj"));
    EXPECT_EQ(opened->Data->TreeSize, live.TreeSize);
    EXPECT_EQ(opened->Data->TreeFileCount, live.TreeFileCount);
    EXPECT_EQ(opened->Data->TreeFolderCount, live.TreeFolderCount);
    EXPECT_EQ(opened->Data->TreeWasted, live.TreeWasted);

    // It has one name, the tree's: in the pie's header, on the folder
    // information page and in both places of the report.
    const QString name = TFolderTreeModel::NodeText(opened);
    Form->ShowPage(PagePie);
    EXPECT_EQ(Part<TPiePage>().txtWebFolderName->text(), name);
    ASSERT_TRUE(Part<TReportCommands>().SaveFolderReport(Temp.Path("report.txt")));
    QFile report(QString::fromStdString(Temp.Path("report.txt")));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(report.readAll()).split(QStringLiteral("\r\n"));
    const qsizetype location = lines.indexOf(QStringLiteral("Location: ") +
                                             QString::fromStdString(Temp.Path("drive/proj")));
    ASSERT_GT(location, 0);
    EXPECT_EQ(lines[location - 1], Part<TPiePage>().txtWebFolderType->text() + " " + name);
    Form->ShowPage(PageFolderInfo);
    const QTableWidget* grid = Part<TFolderInfoPage>().gridFolderInfo;
    EXPECT_TRUE(lines.contains(grid->item(RowLongName, 0)->text() + ": " + name));

    // Its folders are not on the disk any more, and they stay in the tree.
    TFolderNode* a = FindNodeByPath(opened, "a", true);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(Form->SelectNode(a));
    EXPECT_EQ(Form->CurrentPath(), Temp.Path("drive/proj/a"));
    EXPECT_TRUE(Form->CurrentDiskPath().empty());
    EXPECT_EQ(a->Data->TreeSize, 13000);
    // Nothing reads it again, frees space in it or exports it.
    EXPECT_FALSE(Action("cmdFileRescanCurrentDirectory")->isEnabled());
    EXPECT_FALSE(Action("cmdViewCleanUp")->isEnabled());
    EXPECT_FALSE(Action("cmdFileExportScan")->isEnabled());
    EXPECT_FALSE(Widget<QTabWidget>("ThePages")->isTabVisible(PageCleanUp + 1));
    Action("cmdFileRescanCurrentDirectory")->trigger();
    EXPECT_EQ(Form->CurrentNode(), a);
    // Back on the drive, the disk's commands are there again.
    ASSERT_TRUE(Form->SelectNode(Node("")));
    EXPECT_TRUE(Action("cmdFileExportScan")->isEnabled());
    EXPECT_EQ(Form->Session().Tree().Roots().size(), 2u);
}

} // namespace
