// The largest files of a scanned temporary tree: order, cells, filters,
// sorting, a file removed through the session, and a scan that kept no files.
#include "models/LargestFilesModel.h"
#include "common/TempTree.h"
#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "models/ScanSession.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TQuietView final : public TSessionView {
public:
    bool RetryDrive(const std::string&) override { return false; }
    void Inform(const QString&) override {}
    void ScanStateChanged(bool) override {}
    void ScanReached(const std::string&) override {}
    void CurrentChanged(bool) override {}
    void ProcessEvents() override {}
};

// The model's rows once its search has come back.
std::vector<QString> Names(TLargestFilesModel& model) {
    for (int i = 0; i < 500 && model.Searching(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(model.Searching());
    std::vector<QString> names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.Cells(row)[TLargestFilesModel::ColName]);
    return names;
}

using TNames = std::vector<QString>;

TEST(LargestFilesModel, ListsTheLargestFilesOfAScannedTree) {
    TTempTree temp;
    temp.MakeFile("a/big.iso", 50000);
    temp.MakeFile("a/sub/deep.bin", 30000);
    temp.MakeFile("a/sub/Photo.JPG", 20000);
    temp.MakeFile("a/sub/sub2/y.jpg", 7000);
    temp.MakeFile("a/sub/x.txt", 100);
    temp.MakeFile("a/small", 10);
    temp.MakeFile("a/sub/\xff\xfe.bin", 500);
    temp.SetTimes("a/sub/deep.bin", 1600000000, 1600000000);
    temp.MakeFile("b/kept-not.bin", 900);
    TQuietView view;
    TScanSession session(view);
    session.SetDriveResolver([&](const std::string& path) {
        for (const char* drive : {"a", "b"})
            if (path.rfind(temp.Path(drive), 0) == 0)
                return temp.Path(drive);
        return std::string();
    });
    ASSERT_TRUE(session.SelectPath(temp.Path("a")));
    TFolderNode* root = session.Current();
    TFolderNode* sub = FindNodeByPath(root, "sub", true);
    ASSERT_NE(sub, nullptr);

    TLargestFilesModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const std::int32_t cluster = 4096;
    model.SetFolder(root, cluster);
    EXPECT_EQ(Names(model), (TNames{"big.iso", "deep.bin", "Photo.JPG", "y.jpg",
                                    QStringLiteral("\uFFFD\uFFFD.bin"), "x.txt", "small"}));
    EXPECT_TRUE(model.FilesKept());
    EXPECT_TRUE(model.StateText().isEmpty());

    // The cells of one file: its folder, the sizes, the wasted space at the
    // cluster size given, its time.
    const QStringList deep = model.Cells(1, true);
    EXPECT_EQ(deep[TLargestFilesModel::ColFolder], DisplayText(temp.Path("a/sub")));
    EXPECT_EQ(deep[TLargestFilesModel::ColSize], "30000");
    EXPECT_EQ(deep[TLargestFilesModel::ColAllocated],
              QString::number(model.Row(1).Entry().Allocated()));
    EXPECT_EQ(deep[TLargestFilesModel::ColWasted], QString::number(ClusterSlack(cluster, 30000)));
    EXPECT_EQ(deep[TLargestFilesModel::ColModified], FormatFileTime(UnixToFileTime(1600000000, 0)));
    EXPECT_EQ(model.Cells(1)[TLargestFilesModel::ColSize], FormatSize(30000));
    EXPECT_EQ(model.Row(1).Folder, sub);
    EXPECT_EQ(model.Row(1).Path(), temp.Path("a/sub/deep.bin"));

    // Fewer rows; a name filter (any case, anywhere in the name); an
    // extension; both cleared.
    model.SetCount(3);
    EXPECT_EQ(Names(model), (TNames{"big.iso", "deep.bin", "Photo.JPG"}));
    model.SetCount(100);
    model.SetNameFilter("*.jpg");
    EXPECT_EQ(Names(model), (TNames{"Photo.JPG", "y.jpg"}));
    model.SetNameFilter("ISO; x");
    EXPECT_EQ(Names(model), (TNames{"big.iso", "x.txt"}));
    model.SetNameFilter("no-such-name");
    EXPECT_TRUE(Names(model).empty());
    EXPECT_FALSE(model.StateText().isEmpty());
    model.SetNameFilter("");
    model.ShowExtension(InternExtension("jpg"));
    EXPECT_EQ(Names(model), (TNames{"Photo.JPG", "y.jpg"}));
    model.ShowExtension(0);
    EXPECT_EQ(Names(model), (TNames{"small"}));
    model.ClearExtension();
    EXPECT_EQ(Names(model).size(), 7u);

    // Sorting by name, then back to largest first.
    model.sort(TLargestFilesModel::ColName, Qt::AscendingOrder);
    EXPECT_EQ(Names(model).front(), "big.iso");
    EXPECT_EQ(Names(model).back(), QStringLiteral("\uFFFD\uFFFD.bin"));
    model.sort(TLargestFilesModel::ColSize, Qt::DescendingOrder);
    EXPECT_EQ(Names(model).front(), "big.iso");

    // A subfolder lists its own tree only.
    model.SetFolder(sub, cluster);
    EXPECT_EQ(Names(model).front(), "deep.bin");
    EXPECT_EQ(Names(model).size(), 5u);

    // A file deleted from the list: the session takes it out of its folder
    // (not the current one) and the sums, and the list made again lacks it.
    model.SetFolder(root, cluster);
    Names(model);
    const std::int64_t before = root->Data->TreeSize;
    TPieItem item;
    item.Folder = sub;
    item.Path = model.Row(1).Path();
    item.Size = 30000;
    item.Kind = TPieItemKind::File;
    model.ForgetNodes();
    EXPECT_EQ(model.Row(1).Folder, nullptr);
    ASSERT_EQ(std::remove(item.Path.c_str()), 0);
    session.RepairAfter(item, true);
    EXPECT_EQ(root->Data->TreeSize, before - 30000);
    model.SetFolder(root, cluster);
    EXPECT_EQ(Names(model), (TNames{"big.iso", "Photo.JPG", "y.jpg",
                                    QStringLiteral("\uFFFD\uFFFD.bin"), "x.txt", "small"}));

    // A drive scanned without its files: nothing to list, and the window
    // says why.
    session.Scanner().SetKeepFiles(false);
    ASSERT_TRUE(session.SelectPath(temp.Path("b")));
    model.SetFolder(session.Current(), cluster);
    EXPECT_TRUE(Names(model).empty());
    EXPECT_FALSE(model.FilesKept());
    EXPECT_FALSE(model.StateText().isEmpty());
}

TEST(LargestFilesModel, NameFilterPatterns) {
    EXPECT_TRUE(NameMatchesFilter("Report.PDF", "*.pdf"));
    EXPECT_TRUE(NameMatchesFilter("a-long-name.tar.gz", "long*.gz"));
    EXPECT_TRUE(NameMatchesFilter("abc", "a?c"));
    EXPECT_FALSE(NameMatchesFilter("ac", "a?c"));
    EXPECT_TRUE(NameMatchesFilter("x", " ; "));
    EXPECT_FALSE(NameMatchesFilter("x.txt", "*.pdf;*.doc"));
    EXPECT_TRUE(NameMatchesFilter("x.doc", "*.pdf;*.doc"));
    // Bytes that are not UTF-8 are compared as they are.
    EXPECT_TRUE(NameMatchesFilter("\xff\xfe.bin", "?\xfe"));
}

} // namespace
