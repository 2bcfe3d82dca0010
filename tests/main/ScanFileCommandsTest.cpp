// Scan files in the real window: a folder exported, then gone from the disk,
// opened again from the command line and shown beside the drive it came
// from, without anything taking it for the disk.
#include "WindowTest.h"
#include "snapshot/ScanExport.h"

#include <QAction>
#include <QTabWidget>

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
    std::string error;
    ASSERT_TRUE(ExportFolder(Temp.Path("drive/proj"), file, progress, error)) << error;

    MakeForm();
    Form->ScanOrRescanDrive(Root);
    const TFolderSize live = *Node("proj")->Data;
    // The folder goes; its scan file still has it.
    Temp.Remove("drive/proj");
    Form->SetArguments({file});
    Form->show();
    Form->StartUp();

    ASSERT_EQ(Form->Tree().Roots().size(), 2u);
    TFolderNode* opened = Form->Tree().Roots()[1].get();
    EXPECT_EQ(Form->CurrentNode(), opened);
    EXPECT_TRUE(IsOpenedScan(opened));
    EXPECT_EQ(opened->Name, Temp.Path("drive/proj"));
    EXPECT_EQ(opened->Data->TreeSize, live.TreeSize);
    EXPECT_EQ(opened->Data->TreeFileCount, live.TreeFileCount);
    EXPECT_EQ(opened->Data->TreeFolderCount, live.TreeFolderCount);
    EXPECT_EQ(opened->Data->TreeWasted, live.TreeWasted);

    // Its folders are not on the disk any more, and they stay in the tree.
    TFolderNode* a = FindNodeByPath(opened, "a", true);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(Form->SelectNode(a));
    EXPECT_EQ(Form->CurrentPath(), Temp.Path("drive/proj/a"));
    EXPECT_TRUE(Form->CurrentDiskPath().empty());
    EXPECT_EQ(a->Data->TreeSize, 13000);
    // Nothing reads it again, frees space in it or exports it.
    EXPECT_FALSE(Form->cmdFileRescanCurrentDirectory->isEnabled());
    EXPECT_FALSE(Form->cmdViewCleanUp->isEnabled());
    EXPECT_FALSE(Form->cmdFileExportScan->isEnabled());
    EXPECT_FALSE(Form->ThePages->isTabVisible(PageCleanUp + 1));
    Form->cmdFileRescanCurrentDirectoryClick();
    EXPECT_EQ(Form->CurrentNode(), a);
    // Back on the drive, the disk's commands are there again.
    ASSERT_TRUE(Form->SelectNode(Node("")));
    EXPECT_TRUE(Form->cmdFileExportScan->isEnabled());
    EXPECT_EQ(Form->Tree().Roots().size(), 2u);
}

} // namespace
