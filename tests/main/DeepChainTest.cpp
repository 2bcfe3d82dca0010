// A chain of folders far deeper than any stack would hold as recursion, in
// the real window: selected from the command line, expanded with "*" in the
// tree, shown on every page, reported, exported and opened again.
#include "WindowTest.h"
#include "common/FaultFigures.h"
#include "models/FolderTreeModel.h"
#include "snapshot/ScanExport.h"

#include <QTest>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace {

constexpr int ChainLength = 30000;

// Makes parent/chain/d/d/.../d (ChainLength folders) with one file at the
// bottom, one level at a time: the path is far longer than PATH_MAX.
void MakeChain(const std::string& parent, std::int64_t bottomBytes) {
    int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const char* name = "chain";
    for (int level = 0; level < ChainLength && fd >= 0; ++level, name = "d") {
        mkdirat(fd, name, 0755);
        const int next = openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    const int file = openat(fd, "bottom", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    EXPECT_EQ(ftruncate(file, bottomBytes), 0);
    close(file);
    close(fd);
}

std::string ChainBelow(int levels) {
    std::string path = "chain";
    for (int level = 1; level < levels; ++level)
        path += "/d";
    return path;
}

class DeepChain : public TWindowTest {
protected:
    void SetUp() override { MakeDrive(); }
    void TearDown() override {
        TWindowTest::TearDown();
        RemoveTreeForTest(Temp.Path("drive/chain"));
    }
};

TEST_F(DeepChain, EveryViewReportAndScanFileHoldsAChainOfThirtyThousandFolders) {
    MakeChain(Root, 5000);
    Temp.MakeFile("drive/beside/f", 100);
    const std::string deepest = ChainBelow(ChainLength);
    MakeForm();
    Form->SetArguments({Root + "/" + deepest});
    Form->show();
    Form->StartUp();

    // The command line's folder is current and the tree's current row is it.
    TFolderNode* bottom = Node(deepest);
    ASSERT_TRUE(bottom && bottom->Data);
    EXPECT_EQ(Form->CurrentNode(), bottom);
    const auto* model = static_cast<const TFolderTreeModel*>(FolderTree()->model());
    EXPECT_EQ(model->NodeOf(FolderTree()->currentIndex()), bottom);
    EXPECT_EQ(Node("")->Data->TreeSize, 5100);
    EXPECT_EQ(Node("chain")->Data->TreeFolderCount, static_cast<std::uint32_t>(ChainLength - 1));

    // Every page shows the folders along the chain.
    for (TFolderNode* node : {bottom, Node(ChainBelow(ChainLength / 2)), Node("chain")}) {
        ASSERT_TRUE(Form->SelectNode(node));
        for (int page : {PagePie, PageFolderInfo, PageSubfolders, PageWasted})
            Form->ShowPage(page);
        EXPECT_EQ(model->NodeOf(FolderTree()->currentIndex()), node);
    }

    // "*" on the drive expands all the tree shows; the deepest folder is
    // selected again afterwards, as find would.
    ASSERT_TRUE(Form->SelectNode(Node("")));
    QTest::keyClick(FolderTree(), Qt::Key_Asterisk);
    EXPECT_TRUE(FolderTree()->isExpanded(FolderTree()->currentIndex()));
    ASSERT_TRUE(Form->SelectNode(bottom));
    EXPECT_EQ(model->NodeOf(FolderTree()->currentIndex()), bottom);

    // Reports of the top and of the deepest folder.
    const std::string csv = Temp.Path("chain.csv"), info = Temp.Path("bottom.txt");
    EXPECT_TRUE(Form->RunReportCommand({"/RCSV", Root + "/chain", csv}));
    EXPECT_TRUE(Form->RunReportCommand({"/RINF", Root + "/" + deepest, info}));
    std::ifstream csvIn(csv), infoIn(info);
    const std::string csvText{std::istreambuf_iterator<char>(csvIn), {}};
    const std::string infoText{std::istreambuf_iterator<char>(infoIn), {}};
    EXPECT_NE(csvText.find("29,999"), std::string::npos) << csvText.substr(0, 400);
    EXPECT_NE(infoText.find("Location: " + NodePath(bottom->Parent)), std::string::npos);

    // Exported and opened again, the chain is whole and its bottom selectable.
    const std::string file = Temp.Path("chain.json");
    TExportProgress progress;
    const TStatus exported = ExportFolder(Root + "/chain", file, progress);
    ASSERT_TRUE(exported) << exported.Failure().Describe();
    ASSERT_TRUE(Part<TScanFileCommands>().OpenScanFile(file, false));
    TFolderNode* opened = Form->Session().Tree().Roots().back().get();
    TFolderNode* openedBottom = FindNodeByPath(opened, ChainBelow(ChainLength).substr(6), true);
    ASSERT_TRUE(openedBottom && openedBottom->Data);
    EXPECT_EQ(openedBottom->Data->OwnSize, 5000);
    ASSERT_TRUE(Form->SelectNode(openedBottom));
    Form->ShowPage(PageSubfolders);
    EXPECT_EQ(model->NodeOf(FolderTree()->currentIndex()), openedBottom);

    RecordFaultCase("scan, open, report", "chain of 30,000 folders", !HasFailure(), 0);
}

} // namespace
