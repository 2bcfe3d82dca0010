// The tree model checked by Qt's model tester while the scanner builds,
// rescans and prunes the tree underneath it.
#include "models/FolderTreeModel.h"
#include "common/TempTree.h"
#include "engine/Scanner.h"

#include <QAbstractItemModelTester>
#include <QPixmap>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class TQuietHost : public TScanHost {
public:
    void ProcessEvents() override {
        // Walk what the view would see, as a view repainting mid-scan does.
        if (Model)
            Walk(QModelIndex());
    }
    void Walk(const QModelIndex& parent) {
        for (int r = 0; r < Model->rowCount(parent); ++r) {
            QModelIndex i = Model->index(r, 0, parent);
            Seen += !Model->data(i).toString().isEmpty();
            Walk(i);
        }
    }
    TFolderTreeModel* Model = nullptr;
    int Seen = 0;
};

class FolderTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        Scanner.ScanClusterSize = 4096;
        for (int i = 0; i < 30; ++i)
            for (int j = 0; j < 5; ++j)
                Temp.MakeFile("d" + std::to_string(i) + "/s" + std::to_string(j) + "/f", i * j);
        Host.Model = &Model;
    }

    int CountRows(const QModelIndex& parent) {
        int n = Model.rowCount(parent);
        for (int r = 0, rows = n; r < rows; ++r)
            n += CountRows(Model.index(r, 0, parent));
        return n;
    }

    TTempTree Temp;
    TFolderTree Tree;
    TFolderTreeModel Model{Tree};
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TQuietHost Host;
    TScanner Scanner{Tree, Host};
};

TEST_F(FolderTreeModelTest, RowsFollowScansRescansAndRemovals) {
    Scanner.SetReaderThreads(4);
    QSignalSpy figures(&Model, &TFolderTreeModel::TreeFiguresChanged);
    TFolderNode* root = Tree.AddRoot(Temp.Root());
    Scanner.ScanFolder(root->Name, root);
    ASSERT_TRUE(root->Data);
    EXPECT_EQ(Model.rowCount(), 1);
    EXPECT_EQ(CountRows(QModelIndex()), 1 + 30 + 150);
    EXPECT_GE(figures.count(), 1);

    // Index and node lead to each other.
    TFolderNode* d7 = FindNodeByPath(root, "d7", true);
    QModelIndex i7 = Model.IndexOf(d7);
    ASSERT_TRUE(i7.isValid());
    EXPECT_EQ(Model.NodeOf(i7), d7);
    EXPECT_EQ(Model.data(i7).toString(), QString("d7"));
    EXPECT_EQ(Model.rowCount(i7), 5);

    // Rescan after a change on disk: rows go and come back.
    Temp.MakeFile("d7/s9/new", 1);
    Scanner.RescanFolder(NodePath(d7), d7);
    EXPECT_EQ(Model.rowCount(Model.IndexOf(d7)), 6);

    // A folder deleted on disk disappears from the model.
    Temp.Remove("d3");
    TFolderNode* d3 = FindNodeByPath(root, "d3", true);
    EXPECT_TRUE(Scanner.RemoveVanishedFolder(NodePath(d3), d3));
    EXPECT_EQ(CountRows(QModelIndex()), 1 + 29 + 146);

    // A second top-level node, then removal of the first.
    TFolderNode* other = Tree.AddRoot(Temp.Path("d1"));
    Scanner.ScanFolder(other->Name, other);
    EXPECT_EQ(Model.rowCount(), 2);
    Tree.DeleteNode(root);
    EXPECT_EQ(Model.rowCount(), 1);
    EXPECT_EQ(Model.NodeOf(Model.index(0, 0)), other);
    EXPECT_EQ(Model.data(Model.index(0, 0)).toString(), QString::fromStdString(Temp.Path("d1")));
}

TEST_F(FolderTreeModelTest, AFolderShowsNoRowsWhileItIsRead) {
    // The host walks the model at every turn; the tester checks each change.
    Scanner.SetReaderThreads(1);
    TFolderNode* root = Tree.AddRoot(Temp.Root());
    Scanner.ScanFolder(root->Name, root);
    ASSERT_TRUE(root->Data);
    // An aborted rescan leaves the children found so far, visible.
    TFolderNode* d9 = FindNodeByPath(root, "d9", true);
    Scanner.SetFolderHook(
        [](const std::string& name, void* scanner) {
            if (name == "s2")
                static_cast<TScanner*>(scanner)->Abort();
        },
        &Scanner);
    Scanner.RescanFolder(NodePath(d9), d9);
    Scanner.SetFolderHook(nullptr, nullptr);
    EXPECT_FALSE(d9->Data);
    EXPECT_EQ(Model.rowCount(Model.IndexOf(d9)), 5);
}

TEST_F(FolderTreeModelTest, IconsAreAskedOncePerKindOfNode) {
    std::vector<TFolderTreeModel::TNodeKind> asked;
    Model.SetIconProvider([&](TFolderTreeModel::TNodeKind kind, bool) {
        asked.push_back(kind);
        QPixmap picture(8, 8);
        picture.fill(Qt::blue);
        return QIcon(picture);
    });
    TDriveRecInfo* drive = Tree.CreateDriveRec(Temp.Root());
    TFolderNode* root = Tree.AddRoot(Temp.Root());
    root->Drive = drive;
    Scanner.ScanFolder(root->Name, root);
    const QModelIndex i = Model.IndexOf(root);
    Model.data(i, Qt::DecorationRole);
    Model.data(i, Qt::DecorationRole);
    for (int r = 0; r < Model.rowCount(i); ++r)
        EXPECT_FALSE(Model.data(Model.index(r, 0, i), Qt::DecorationRole).isNull());
    EXPECT_EQ(asked, (std::vector<TFolderTreeModel::TNodeKind>{
                         TFolderTreeModel::TNodeKind::Drive, TFolderTreeModel::TNodeKind::Folder}));
}

} // namespace

namespace {

// A chain of folders two thousand deep, scanned under the model tester: the
// view gets no deeper than the limit, yet every folder can be shown (the fold
// row stands for it), selected folders keep their rows when the fold moves,
// and rescans and removals around the fold keep the model sound.
TEST(FolderTreeModelDeep, AChainDeeperThanTheLimitFoldsAndEveryFolderCanBeShown) {
    constexpr int Limit = TFolderTreeModel::DepthLimit;
    TTempTree temp;
    std::string relative = "chain";
    for (int level = 0; level < 2000; ++level)
        relative += "/d";
    temp.MakeFile(relative + "/end", 7);
    TFolderTree tree;
    TFolderTreeModel model{tree};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TScanHost host;
    TScanner scanner{tree, host};
    scanner.ScanClusterSize = 4096;
    TFolderNode* root = tree.AddRoot(temp.Root());
    ASSERT_TRUE(scanner.ScanFolder(root->Name, root));
    auto viewDepth = [&](QModelIndex index) {
        int depth = 0;
        for (index = index.parent(); index.isValid(); index = index.parent())
            ++depth;
        return depth;
    };
    QModelIndex index = model.IndexOf(root);
    while (model.rowCount(index) == 1)
        index = model.index(0, 0, index);
    EXPECT_EQ(viewDepth(index), Limit + 1);
    EXPECT_FALSE(model.NodeOf(index)->Children.empty());
    TFolderNode* anchor = model.NodeOf(index.parent());
    QPersistentModelIndex shallow = model.index(0, 0, model.IndexOf(root));

    TFolderNode* deepest = FindNodeByPath(root, relative, true);
    ASSERT_TRUE(deepest);
    EXPECT_FALSE(model.IndexOf(deepest).isValid());
    const QModelIndex fold = model.Reveal(deepest);
    ASSERT_TRUE(fold.isValid());
    EXPECT_EQ(model.NodeOf(fold), deepest);
    EXPECT_EQ(model.Fold(), deepest);
    EXPECT_EQ(model.NodeOf(fold.parent()), anchor->Parent);
    EXPECT_EQ(viewDepth(fold), Limit);
    EXPECT_TRUE(model.data(fold).toString().endsWith(QStringLiteral("/d/d")));
    EXPECT_FALSE(model.IndexOf(anchor).isValid());
    EXPECT_EQ(model.NodeOf(shallow), root->Children.front().get());
    EXPECT_EQ(deepest->Data->OwnSize, 7);

    // A folder between the limit and the fold moves the fold to itself; the
    // level the fold took brings its own row back.
    TFolderNode* between = deepest->Parent->Parent;
    EXPECT_EQ(model.NodeOf(model.Reveal(between)), between);
    EXPECT_EQ(model.rowCount(model.IndexOf(between)), 1);
    EXPECT_EQ(model.NodeOf(model.Reveal(anchor)), anchor);
    EXPECT_EQ(model.Fold(), nullptr);

    // Rescanning above the fold and removing the fold's ancestor take it away.
    model.Reveal(deepest);
    scanner.RescanFolder(NodePath(anchor), anchor);
    EXPECT_EQ(model.Fold(), nullptr);
    EXPECT_EQ(model.rowCount(model.IndexOf(anchor)), 1);
    deepest = FindNodeByPath(root, relative, true);
    model.Reveal(deepest);
    RemoveFolderNode(tree, deepest->Parent);
    EXPECT_EQ(model.Fold(), nullptr);
    EXPECT_EQ(root->Data->TreeSize, 0);
}

} // namespace
