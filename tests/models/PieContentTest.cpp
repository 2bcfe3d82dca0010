// The choice of pie sections on records built here, with the folder's files
// handed in by the test, and the listing of a real folder.
#include "models/PieContent.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using TFileList = std::vector<std::pair<std::string, std::int64_t>>;

// Folders with records set by hand; the top folder is a drive root.
class PieContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Tree.AddRoot("/drive");
        Root->Data = std::make_unique<TFolderSize>();
    }

    TFolderNode* AddFolder(TFolderNode* parent, const std::string& name, std::int64_t size,
                           std::int64_t wasted = 0) {
        auto node = std::make_unique<TFolderNode>();
        node->Parent = parent;
        node->Name = name;
        node->Data = std::make_unique<TFolderSize>();
        node->Data->TreeSize = size;
        node->Data->TreeWasted = wasted;
        node->Row = std::uint32_t(parent->Children.size());
        parent->Children.push_back(std::move(node));
        return parent->Children.back().get();
    }

    // The folder's figures made the sum of its children and the given own
    // files, as the scanner leaves them.
    void Finish(TFolderNode* folder, std::int64_t ownSize, std::int64_t ownWasted = 0) {
        TFolderSize& r = *folder->Data;
        r.OwnSize = ownSize;
        r.OwnWasted = ownWasted;
        r.TreeSize = ownSize;
        r.TreeWasted = ownWasted;
        for (const auto& child : folder->Children)
            if (child->Data) {
                r.TreeSize += child->Data->TreeSize;
                r.TreeWasted += child->Data->TreeWasted;
            }
    }

    // Hands the list over in order; fails with `error` after it when asked.
    static TPieFileSource Files(TFileList list, int error = 0, int* calls = nullptr) {
        return [list = std::move(list), error, calls](const TPieFileVisitor& visit, int& e) {
            if (calls)
                ++*calls;
            for (const auto& [name, size] : list)
                visit(name, size);
            e = error;
            return error == 0;
        };
    }

    static std::vector<QString> Captions(const TPieContent& pie) {
        std::vector<QString> captions;
        for (const TPieSlice& s : pie.Slices)
            captions.push_back(s.Caption);
        return captions;
    }

    static const TPieSlice* Find(const TPieContent& pie, const QString& caption) {
        for (const TPieSlice& s : pie.Slices)
            if (s.Caption == caption)
                return &s;
        return nullptr;
    }

    static double AngleSum(const TPieContent& pie) {
        double sum = 0;
        for (const TPieSlice& s : pie.Slices)
            sum += s.Angle;
        return sum;
    }

    TPieOptions Plain() const {
        TPieOptions o;
        o.IncludeWasted = false;
        o.ShowFiles = false;
        return o;
    }

    TFolderTree Tree;
    TFolderNode* Root = nullptr;
};

TEST_F(PieContentTest, EmptyFolderIsOneFullDiscNamedAfterItself) {
    TFolderNode* folder = AddFolder(Root, "empty", 0);
    AddFolder(folder, "nothing", 0);
    int calls = 0;
    TPieOptions options;
    options.ShowFiles = true;
    TPieContent pie = BuildPieContent(*folder, options, 4096, Files({{"zero", 0}}, 0, &calls));

    ASSERT_EQ(pie.Slices.size(), 1u);
    const TPieSlice& disc = pie.Slices[0];
    EXPECT_EQ(disc.Caption, PieThisFolderEmpty());
    EXPECT_EQ(disc.Angle, 360.0);
    EXPECT_EQ(disc.ColorIndex, PieColorOtherFolders);
    const TPieItem& item = pie.Items[std::size_t(disc.Item)];
    EXPECT_EQ(item.Node, nullptr);
    EXPECT_EQ(item.Kind, TPieItemKind::Group);
    EXPECT_EQ(item.Path, "This folder (0 bytes)");
    EXPECT_EQ(item.Cursor, PieCursorArrow);
    // Nothing is listed for a folder that holds nothing.
    EXPECT_EQ(calls, 0);

    options.LabelValue = 1;
    EXPECT_EQ(Captions(BuildPieContent(*folder, options, 4096, Files({}))),
              std::vector<QString>{"This folder (0 bytes) (100%)"});
    options.LabelValue = 2;
    EXPECT_EQ(Captions(BuildPieContent(*folder, options, 4096, Files({}))),
              std::vector<QString>{"This folder (0 bytes) (" + FormatSize(0) + ")"});
}

TEST_F(PieContentTest, FirstItemIsTheFolderItself) {
    TFolderNode* folder = AddFolder(Root, "Docs", 100, 3996);
    TPieContent pie = BuildPieContent(*folder, TPieOptions{}, 4096, Files({}));
    ASSERT_FALSE(pie.Items.empty());
    const TPieItem& self = pie.Items[0];
    EXPECT_EQ(self.Node, folder);
    EXPECT_EQ(self.Path, "/drive/Docs");
    EXPECT_EQ(self.Name, "Docs");
    EXPECT_EQ(self.Size, 100);
    EXPECT_EQ(self.Wasted, 3996);
    EXPECT_EQ(self.Kind, TPieItemKind::Folder);
    // Outside the disc of a subfolder the pie goes up a level...
    EXPECT_EQ(self.Cursor, PieCursorZoomOut);
    // ...but not at a drive root, which is named by its drive text.
    TDriveRecInfo* drive = Tree.CreateDriveRec("/drive");
    drive->Text = "Data (/drive)";
    Root->Drive = drive;
    Finish(Root, 0);
    TPieContent top = BuildPieContent(*Root, TPieOptions{}, 4096, Files({}));
    EXPECT_EQ(top.Items[0].Cursor, PieCursorArrow);
    EXPECT_EQ(top.Items[0].Name, "Data (/drive)");
    EXPECT_EQ(top.Items[0].Path, "/drive");
    // The subfolder's path below a root has one separator.
    ASSERT_EQ(top.Slices.size(), 1u);
    EXPECT_EQ(top.Items[std::size_t(top.Slices[0].Item)].Path, "/drive/Docs");
}

TEST_F(PieContentTest, OneSubfolderHoldingEverythingIsTheWholeDisc) {
    TFolderNode* folder = AddFolder(Root, "top", 0);
    TFolderNode* only = AddFolder(folder, "only", 5000, 3192);
    AddFolder(folder, "vacant", 0);
    Finish(folder, 0);

    for (bool showFiles : {false, true})
        for (bool wasted : {false, true}) {
            TPieOptions options;
            options.ShowFiles = showFiles;
            options.IncludeWasted = wasted;
            TPieContent pie = BuildPieContent(*folder, options, 4096, Files({{"empty", 0}}));
            ASSERT_EQ(pie.Slices.size(), 1u) << showFiles << wasted;
            const TPieSlice& s = pie.Slices[0];
            EXPECT_EQ(s.Caption, "only");
            EXPECT_EQ(s.Angle, 360.0);
            EXPECT_EQ(s.ColorIndex, PieColorNormalFolder);
            const TPieItem& item = pie.Items[std::size_t(s.Item)];
            EXPECT_EQ(item.Node, only);
            EXPECT_EQ(item.Cursor, PieCursorZoomIn);
            EXPECT_EQ(item.Kind, TPieItemKind::Folder);
            EXPECT_EQ(item.Path, "/drive/top/only");
            EXPECT_EQ(item.Size, 5000);
            EXPECT_EQ(item.Wasted, 3192);
        }
}

TEST_F(PieContentTest, PercentLabelsAreTruncatedAndSizesScaled) {
    TFolderNode* folder = AddFolder(Root, "f", 0);
    AddFolder(folder, "A", 899, 1);  // 89.9 degrees of 3600 bytes
    AddFolder(folder, "B", 900, 2);  // exactly a quarter
    AddFolder(folder, "C", 1801, 3); // 180.1 degrees
    Finish(folder, 0);
    TPieOptions options = Plain();
    options.LabelValue = 1;
    TPieContent pie = BuildPieContent(*folder, options, 4096, Files({}));
    EXPECT_NEAR(pie.Slices[2].Angle, 89.9, 1e-9);
    EXPECT_EQ(Captions(pie), (std::vector<QString>{"C (50%)", "B (25%)", "A (24%)"}));

    options.LabelValue = 2;
    EXPECT_EQ(Captions(BuildPieContent(*folder, options, 4096, Files({}))),
              (std::vector<QString>{"C (" + FormatSize(1801) + ")", "B (" + FormatSize(900) + ")",
                                    "A (" + FormatSize(899) + ")"}));
    // With wasted space the label shows the allocated size.
    options.IncludeWasted = true;
    EXPECT_EQ(Captions(BuildPieContent(*folder, options, 4096, Files({}))),
              (std::vector<QString>{"C (" + FormatSize(1804) + ")", "B (" + FormatSize(902) + ")",
                                    "A (" + FormatSize(900) + ")"}));
    options.LabelValue = 0;
    EXPECT_EQ(Captions(BuildPieContent(*folder, options, 4096, Files({}))),
              (std::vector<QString>{"C", "B", "A"}));

    EXPECT_EQ(PieLabelValue(1, 359.99, 0), " (99%)");
    EXPECT_EQ(PieLabelValue(1, 3.5, 0), " (0%)");
}

// 36,000 bytes: one degree is 100 bytes. Minimum angles must be exceeded, not
// just reached.
class PieGrouping : public PieContentTest {
protected:
    void SetUp() override {
        PieContentTest::SetUp();
        Folder = AddFolder(Root, "g", 0);
        Big = AddFolder(Folder, "big", 35338);
        Exactly1 = AddFolder(Folder, "exactly1", 100);
        Above1 = AddFolder(Folder, "above1", 101);
        AddFolder(Folder, "tiny", 50);
        Finish(Folder, 411);
        ASSERT_EQ(Folder->Data->TreeSize, 36000);
    }
    TPieFileSource OwnFiles() const {
        return Files({{"exactly2", 200}, {"above2", 201}, {"small", 10}});
    }
    TFolderNode* Folder = nullptr;
    TFolderNode* Big = nullptr;
    TFolderNode* Exactly1 = nullptr;
    TFolderNode* Above1 = nullptr;
};

TEST_F(PieGrouping, SmallItemsGoToTheirGroups) {
    TPieOptions options = Plain();
    options.ShowFiles = true;
    TPieContent pie = BuildPieContent(*Folder, options, 4096, OwnFiles());
    EXPECT_EQ(Captions(pie), (std::vector<QString>{"big", "Other smaller files", "above2",
                                                   "Other smaller folders", "above1"}));
    const TPieSlice* folders = Find(pie, PieOtherSmallerFolders());
    ASSERT_TRUE(folders);
    EXPECT_DOUBLE_EQ(folders->Angle, 1.5); // exactly1 and tiny
    EXPECT_EQ(folders->ColorIndex, PieColorOtherFolders);
    EXPECT_EQ(pie.Items[std::size_t(folders->Item)].Node, nullptr);
    EXPECT_EQ(pie.Items[std::size_t(folders->Item)].Kind, TPieItemKind::Group);
    EXPECT_EQ(pie.Items[std::size_t(folders->Item)].Size, 150);
    const TPieSlice* files = Find(pie, PieOtherSmallerFiles());
    ASSERT_TRUE(files);
    EXPECT_DOUBLE_EQ(files->Angle, 2.1); // exactly2 and small
    EXPECT_EQ(files->ColorIndex, PieColorOtherFiles);
    const TPieSlice* file = Find(pie, "above2");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->ColorIndex, PieColorFile);
    EXPECT_EQ(pie.Items[std::size_t(file->Item)].Node, nullptr);
    const TPieItem& fileItem = pie.Items[std::size_t(file->Item)];
    EXPECT_EQ(fileItem.Kind, TPieItemKind::File);
    EXPECT_EQ(fileItem.Path, "/drive/g/above2");
    EXPECT_EQ(fileItem.Cursor, PieCursorArrow);
    EXPECT_NEAR(AngleSum(pie), 360.0, 1e-9);
    // One record per section plus the folder itself.
    EXPECT_EQ(pie.Items.size(), pie.Slices.size() + 1);

    // Lower thresholds let the small ones out of their groups.
    options.MinFolderAngle = 0.0;
    options.MinFileAngle = 0.0;
    pie = BuildPieContent(*Folder, options, 4096, OwnFiles());
    EXPECT_TRUE(Find(pie, "exactly1"));
    EXPECT_TRUE(Find(pie, "tiny"));
    EXPECT_TRUE(Find(pie, "exactly2"));
    EXPECT_TRUE(Find(pie, "small"));
    EXPECT_FALSE(Find(pie, PieOtherSmallerFolders()));
    EXPECT_FALSE(Find(pie, PieOtherSmallerFiles()));
}

TEST_F(PieGrouping, WithoutFilesTheFolderFilesAreOneSection) {
    int calls = 0;
    TPieContent pie = BuildPieContent(*Folder, Plain(), 4096, Files({{"x", 1}}, 0, &calls));
    EXPECT_EQ(calls, 0); // the disk is not read for a section it does not need
    EXPECT_EQ(Captions(pie), (std::vector<QString>{"big", "Files in this folder",
                                                   "Other smaller folders", "above1"}));
    const TPieSlice* own = Find(pie, PieFilesInThisFolder());
    ASSERT_TRUE(own);
    EXPECT_DOUBLE_EQ(own->Angle, 4.11);
    EXPECT_EQ(own->ColorIndex, PieColorFilesInFolder);
    // It stands for the folder it is in, and opens nothing.
    EXPECT_EQ(pie.Items[std::size_t(own->Item)].Node, Folder);
    const TPieItem& item = pie.Items[std::size_t(own->Item)];
    EXPECT_EQ(item.Cursor, PieCursorArrow);
    EXPECT_EQ(item.Kind, TPieItemKind::Group);
    EXPECT_EQ(item.Path, "Files in this folder");
    EXPECT_EQ(item.Size, 411);
    // A subfolder that happens to carry the group's name still opens.
    TFolderNode* alike = AddFolder(Folder, "Files in this folder", 1000);
    Finish(Folder, 411);
    pie = BuildPieContent(*Folder, Plain(), 4096, Files({}));
    int named = 0;
    for (const TPieSlice& s : pie.Slices) {
        if (s.Caption != PieFilesInThisFolder())
            continue;
        ++named;
        const TPieItem& item = pie.Items[std::size_t(s.Item)];
        EXPECT_EQ(item.Cursor, item.Node == alike ? PieCursorZoomIn : PieCursorArrow);
    }
    EXPECT_EQ(named, 2);
}

TEST_F(PieGrouping, SortOrderIncludesGroupsAndKeepsTiesInOrder) {
    AddFolder(Folder, "twinA", 1000);
    AddFolder(Folder, "twinB", 1000);
    Finish(Folder, 411);
    TPieOptions options = Plain();
    TPieContent down = BuildPieContent(*Folder, options, 4096, Files({}));
    options.SortAscending = true;
    TPieContent up = BuildPieContent(*Folder, options, 4096, Files({}));
    EXPECT_EQ(Captions(down), (std::vector<QString>{"big", "twinA", "twinB", "Files in this folder",
                                                    "Other smaller folders"}));
    EXPECT_EQ(Captions(up), (std::vector<QString>{"Other smaller folders", "Files in this folder",
                                                  "twinA", "twinB", "big"}));
}

TEST_F(PieContentTest, WastedSpaceCountsOnlyWhenAskedAndFilesUseTheRealCluster) {
    // Drive clusters of 4096 bytes; the what-if slot 7 is 64 KB.
    TFolderNode* folder = AddFolder(Root, "w", 0);
    TFolderNode* sub = AddFolder(folder, "sub", 8000, 192);
    sub->Data->TreeWastedAlt[7] = 65536 - 8000;
    Finish(folder, 2000, 2096);
    folder->Data->TreeWastedAlt[7] = (65536 - 8000) + (65536 - 2000);
    folder->Data->OwnWastedAlt[7] = 65536 - 2000;
    const auto files = Files({{"f", 2000}});

    TPieOptions options = Plain();
    options.ShowFiles = true;
    TPieContent pie = BuildPieContent(*folder, options, 4096, files);
    EXPECT_EQ(pie.Total, 10000);
    EXPECT_DOUBLE_EQ(Find(pie, "sub")->Angle, 288.0);
    EXPECT_DOUBLE_EQ(Find(pie, "f")->Angle, 72.0);

    options.IncludeWasted = true;
    pie = BuildPieContent(*folder, options, 4096, files);
    EXPECT_EQ(pie.Total, 12288);
    EXPECT_DOUBLE_EQ(Find(pie, "sub")->Angle, 240.0);
    EXPECT_DOUBLE_EQ(Find(pie, "f")->Angle, 120.0);
    const TPieItem& file = pie.Items[std::size_t(Find(pie, "f")->Item)];
    EXPECT_EQ(file.Size, 2000);
    EXPECT_EQ(file.Wasted, 2096);

    // A what-if cluster size changes the folders, not the file on disk.
    options.WhatIfIndex = 7;
    pie = BuildPieContent(*folder, options, 4096, files);
    EXPECT_EQ(pie.Total, 10000 + 57536 + 63536);
    EXPECT_DOUBLE_EQ(Find(pie, "sub")->Angle, 180.0);
    EXPECT_DOUBLE_EQ(Find(pie, "f")->Angle, 4096.0 * 360.0 / 131072.0);
    EXPECT_EQ(pie.Items[std::size_t(Find(pie, "f")->Item)].Wasted, 2096);
    EXPECT_EQ(pie.Items[0].Wasted, 57536 + 63536);
    options.ShowFiles = false;
    pie = BuildPieContent(*folder, options, 4096, files);
    EXPECT_DOUBLE_EQ(Find(pie, PieFilesInThisFolder())->Angle, 180.0);

    // Without a known cluster size a file has no slack.
    options.WhatIfIndex = 0;
    options.ShowFiles = true;
    pie = BuildPieContent(*folder, options, 0, files);
    EXPECT_EQ(pie.Items[std::size_t(Find(pie, "f")->Item)].Wasted, 0);
}

TEST_F(PieContentTest, TinyFilesThatAreMostlyWastedStillShowBySize) {
    TFolderNode* folder = AddFolder(Root, "t", 0);
    TFileList list;
    for (int i = 0; i < 10; ++i)
        list.emplace_back("f" + std::to_string(i), 10);
    Finish(folder, 100, 10 * 4086);
    TPieOptions options = Plain();
    options.ShowFiles = true;
    TPieContent pie = BuildPieContent(*folder, options, 4096, Files(list));
    EXPECT_EQ(pie.Slices.size(), 10u);
    for (const TPieSlice& s : pie.Slices)
        EXPECT_DOUBLE_EQ(s.Angle, 36.0) << s.Caption.toStdString();
}

TEST_F(PieContentTest, ListingFailureKeepsWhatWasReadAndTheRestAsFolderFiles) {
    TFolderNode* folder = AddFolder(Root, "locked", 0);
    AddFolder(folder, "sub", 3000);
    Finish(folder, 1000);
    TPieOptions options = Plain();
    options.ShowFiles = true;

    // Nothing could be read: the own files stay one section, the pie whole.
    TPieContent pie = BuildPieContent(*folder, options, 4096, Files({}, EACCES));
    EXPECT_FALSE(pie.FilesListed);
    EXPECT_EQ(pie.FilesError, EACCES);
    EXPECT_EQ(Captions(pie), (std::vector<QString>{"sub", "Files in this folder"}));
    EXPECT_DOUBLE_EQ(Find(pie, PieFilesInThisFolder())->Angle, 90.0);

    // Part read: the files met keep their sections, the rest is one section.
    pie = BuildPieContent(*folder, options, 4096, Files({{"seen", 600}}, EIO));
    EXPECT_EQ(Captions(pie), (std::vector<QString>{"sub", "seen", "Files in this folder"}));
    EXPECT_DOUBLE_EQ(Find(pie, PieFilesInThisFolder())->Angle, 36.0);
    EXPECT_NEAR(AngleSum(pie), 360.0, 1e-9);

    // A read in full is not a failure.
    pie = BuildPieContent(*folder, options, 4096, Files({{"all", 1000}}));
    EXPECT_TRUE(pie.FilesListed);
    EXPECT_FALSE(Find(pie, PieFilesInThisFolder()));
}

TEST_F(PieContentTest, RawNamesKeepTheirBytesInPaths) {
    TFolderNode* folder = AddFolder(Root, "n", 0);
    AddFolder(folder, "caf\xe9", 500);
    TFolderNode* other = AddFolder(folder, "mnt", 0);
    other->Data.reset(); // another drive mounted here: no figures
    Finish(folder, 500);
    TPieOptions options = Plain();
    options.ShowFiles = true;
    TPieContent pie = BuildPieContent(*folder, options, 512, Files({{"r\xe9sum\xe9", 500}}));
    ASSERT_EQ(pie.Slices.size(), 2u);
    std::vector<std::string> paths;
    for (const TPieSlice& s : pie.Slices) {
        const TPieItem& item = pie.Items[std::size_t(s.Item)];
        paths.push_back(item.Path);
        EXPECT_TRUE(item.Name.contains(QChar::ReplacementCharacter));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/drive/n/caf\xe9", "/drive/n/r\xe9sum\xe9"}));
}

TEST(PieFilesOnDisk, ListsEveryEntryButFoldersWithFullSizes) {
    TTempTree temp;
    temp.MakeFile("a", 10);
    temp.MakeFile("huge", 5LL << 30);
    temp.MakeFile("sub/inner", 99);
    temp.MakeSymlink("sub", "link");
    TFileList seen;
    int error = -1;
    EXPECT_TRUE(FolderFilesOnDisk(temp.Root())(
        [&](std::string_view name, std::int64_t size) { seen.emplace_back(name, size); }, error));
    EXPECT_EQ(error, 0);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (TFileList{{"a", 10}, {"huge", 5LL << 30}, {"link", 3}}));

    EXPECT_FALSE(
        FolderFilesOnDisk(temp.Path("gone"))([](std::string_view, std::int64_t) {}, error));
    EXPECT_EQ(error, ENOENT);
}

} // namespace
