// The file types of a real scanned folder: the figures per extension agree
// with the files made, extensions fall into their kinds, the percentages
// are of the folder, the cluster size picked sets the wasted space, a newer
// folder supersedes a count still running, and a scan that kept no files
// says so.
#include "models/FileTypesModel.h"
#include "common/TempTree.h"
#include "engine/FolderSize.h"
#include "engine/Scanner.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

struct TMade {
    std::uint64_t Files = 0;
    std::int64_t Size = 0, Wasted4K = 0, Wasted512 = 0;
};

// Waits for the count asked last to arrive.
void WaitReady(TFileTypesModel& model) {
    QSignalSpy changed(&model, &TFileTypesModel::Changed);
    while (model.State() == TFileTypesModel::TState::Counting)
        ASSERT_TRUE(changed.wait(10000));
}

const TFileTypeRow* RowOf(const TFileTypesModel& model, const std::string& extension) {
    for (const TFileCategoryRow& kind : model.Categories())
        for (const TFileTypeRow& row : kind.Types)
            if (FileExtensionName(row.Figures.Extension) == extension)
                return &row;
    return nullptr;
}

TEST(FileTypesModel, CountsAScannedFolderByExtensionAndKind) {
    TTempTree temp;
    // extension -> the files made with it (names differ in case: one kind).
    std::map<std::string, TMade> made;
    const auto make = [&](const std::string& relative, const std::string& extension,
                          std::int64_t size) {
        temp.MakeFile("drive/" + relative, size);
        TMade& m = made[extension];
        ++m.Files;
        m.Size += size;
        m.Wasted4K += ClusterSlack(4096, size);
        m.Wasted512 += ClusterSlack(512, size);
    };
    make("photos/a.jpg", "jpg", 5000);
    make("photos/deep/B.JPG", "jpg", 1);
    make("photos/c.png", "png", 700);
    make("film/clip.mkv", "mkv", 100000);
    make("music/song.mp3", "mp3", 3000);
    make("notes.txt", "txt", 10);
    make("README", "", 777);
    make("src/main.cpp", "cpp", 1234);
    make("src/main.h", "h", 99);
    make("lib/libz.so", "so", 3 * 8192 + 1);
    make("lib/old.tar.gz", "gz", 4096);

    TFolderTree tree;
    TScanHost host;
    TScanner scanner{tree, host};
    TDriveRecInfo drive;
    drive.RootPath = temp.Path("drive");
    scanner.ScanDrive("drive", drive);
    TFolderNode* root = drive.RootNode;
    ASSERT_TRUE(root && root->Data);

    TFileTypesModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    model.ShowFolder(root, 4096);
    WaitReady(model);
    ASSERT_EQ(model.State(), TFileTypesModel::TState::Ready);

    // Every extension made is a row with its files' figures.
    std::size_t rows = 0;
    for (const TFileCategoryRow& kind : model.Categories())
        rows += kind.Types.size();
    EXPECT_EQ(rows, made.size());
    for (const auto& [extension, m] : made) {
        const TFileTypeRow* row = RowOf(model, extension);
        ASSERT_TRUE(row) << extension;
        EXPECT_EQ(row->Figures.Files, m.Files) << extension;
        EXPECT_EQ(row->Figures.Size, m.Size) << extension;
        EXPECT_EQ(row->Figures.Wasted, m.Wasted4K) << extension;
    }
    EXPECT_EQ(RowOf(model, "jpg")->Category, TFileCategory::Images);
    EXPECT_EQ(RowOf(model, "")->Category, TFileCategory::Other);

    // The kinds come largest first, each with its extensions' sum, and the
    // percentages of the rows are of the folder's size: all of it together.
    ASSERT_EQ(model.rowCount(), FileCategoryCount); // a file or more of every kind
    const auto& kinds = model.Categories();
    EXPECT_EQ(kinds.front().Category, TFileCategory::Video);
    EXPECT_EQ(model.FolderSize(), root->Data->TreeSize);
    double percents = 0;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        EXPECT_TRUE(k == 0 || kinds[k - 1].Totals.Size >= kinds[k].Totals.Size);
        std::int64_t size = 0;
        for (int r = 0; r < model.rowCount(model.index(int(k), 0)); ++r) {
            const QModelIndex cell =
                model.index(r, TFileTypesModel::ColPercent, model.index(int(k), 0));
            percents += cell.data(TFileTypesModel::ValueRole).toDouble();
            size += kinds[k].Types[std::size_t(r)].Figures.Size;
        }
        EXPECT_EQ(kinds[k].Totals.Size, size);
    }
    EXPECT_NEAR(percents, 100.0, 1e-9);
    const QModelIndex mkv = model.index(0, TFileTypesModel::ColExtension, model.index(0, 0));
    EXPECT_EQ(mkv.data().toString(), QStringLiteral(".mkv"));
    EXPECT_EQ(FileExtensionName(*model.ExtensionAt(mkv)), "mkv");
    EXPECT_FALSE(model.ExtensionAt(model.index(0, 0)));

    // Another cluster size, another waste; the sizes stay.
    model.ShowFolder(root, 512);
    WaitReady(model);
    for (const auto& [extension, m] : made)
        EXPECT_EQ(RowOf(model, extension)->Figures.Wasted, m.Wasted512) << extension;

    // A newer folder supersedes the count still running: only its rows show.
    model.ShowFolder(root, 4096);
    model.ShowFolder(FindNodeByPath(root, "photos", true), 4096);
    WaitReady(model);
    ASSERT_EQ(model.Categories().size(), 1u);
    EXPECT_EQ(model.Categories()[0].Category, TFileCategory::Images);
    EXPECT_EQ(model.Categories()[0].Totals.Files, 3u);
    EXPECT_NEAR(model.PercentOf(5701), 100.0, 1e-9);

    // A drive scanned without its files: nothing to count, and the model
    // says why.
    TDriveRecInfo sums;
    sums.RootPath = temp.Path("drive/photos");
    TFolderTree otherTree;
    TScanner other{otherTree, host};
    other.SetKeepFiles(false);
    other.ScanDrive("photos", sums);
    ASSERT_TRUE(sums.RootNode && sums.RootNode->Data);
    model.ShowFolder(sums.RootNode, 4096);
    EXPECT_EQ(model.State(), TFileTypesModel::TState::NotKept);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.StateText().isEmpty());
    model.ShowFolder(nullptr, 4096);
    EXPECT_EQ(model.State(), TFileTypesModel::TState::Empty);
}

TEST(FileCategories, CommonExtensionsFallIntoTheirKinds) {
    using enum TFileCategory;
    const std::pair<const char*, TFileCategory> expected[] = {
        {"jpg", Images},    {"mkv", Video},       {"flac", Audio},    {"docx", Documents},
        {"txt", Documents}, {"xz", Archives},     {"deb", Archives},  {"img", Archives},
        {"so", Programs},   {"a", Programs},      {"pyc", Programs},  {"appimage", Programs},
        {"c", SourceCode},  {"json", SourceCode}, {"rs", SourceCode}, {"qwzx", Other},
    };
    for (const auto& [extension, kind] : expected)
        EXPECT_EQ(FileCategoryOf(InternExtension(extension)), kind) << extension;
}

} // namespace
