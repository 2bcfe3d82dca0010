// The folder information and wasted space texts, from records built in the
// test and from real folders for the entry of the folder itself.
#include "models/FolderInfoContent.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>

// Failures show the texts, not their code units.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

class TEnglishLocale {
public:
    TEnglishLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~TEnglishLocale() { QLocale::setDefault(Previous); }
    TEnglishLocale(const TEnglishLocale&) = delete;
    TEnglishLocale& operator=(const TEnglishLocale&) = delete;

private:
    QLocale Previous;
};

class FolderInfoContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drive.RootPath = "/mnt/data";
        Drive.Text = "Data (/mnt/data)";
        Root.Name = "/mnt/data";
        Root.Drive = &Drive;
        Root.Data = std::make_unique<TFolderSize>();
        Folder = std::make_unique<TFolderNode>();
        Folder->Parent = &Root;
        Folder->Name = "Projects";
        Folder->Data = std::make_unique<TFolderSize>();
        TFolderSize& r = *Folder->Data;
        r.TreeSize = 5000;
        r.TreeWasted = 3192;
        r.OwnSize = 1000;
        r.OwnWasted = 3096;
        r.TreeFileCount = 3;
        r.TreeFolderCount = 2;
        r.OwnFileCount = 1;
        r.OwnFolderCount = 1;
        for (int i = 1; i <= AltClusterCount; ++i) {
            r.TreeWastedAlt[i] = 1000 * i;
            r.OwnWastedAlt[i] = 100 * i;
        }
        *Root.Data = r;
    }
    // The what-if cluster size whose wasted space is shown.
    int WhatIf = 0;

    TEnglishLocale English;
    TDriveRecInfo Drive;
    TFolderNode Root;
    std::unique_ptr<TFolderNode> Folder;
};

TEST_F(FolderInfoContentTest, FiguresOfTreeAndFolderWithExactTooltips) {
    const TFolderInfoContent c =
        FolderInfoContent(*Folder, nullptr, QStringLiteral("Folder"), WhatIf);
    EXPECT_EQ(c.Tree.Size.Text, QStringLiteral("5 KB"));
    EXPECT_EQ(c.Tree.Size.Hint, QStringLiteral("5,000 bytes"));
    EXPECT_EQ(c.Tree.Allocated.Text, QStringLiteral("8 KB"));
    EXPECT_EQ(c.Tree.Allocated.Hint, QStringLiteral("8,192 bytes"));
    EXPECT_EQ(c.Tree.Wasted.Hint, QStringLiteral("3,192 bytes"));
    EXPECT_EQ(c.Tree.Objects.Text, QStringLiteral("5"));
    EXPECT_EQ(c.Tree.Objects.Hint, QStringLiteral("3 file(s) and 2 subfolder(s)"));
    EXPECT_EQ(c.Folder.Size.Text, QStringLiteral("1,000 bytes"));
    EXPECT_EQ(c.Folder.Allocated.Hint, QStringLiteral("4,096 bytes"));
    EXPECT_EQ(c.Folder.Wasted.Hint, QStringLiteral("3,096 bytes"));
    EXPECT_EQ(c.Folder.Objects.Text, QStringLiteral("2"));
    EXPECT_EQ(c.Folder.Objects.Hint, QStringLiteral("1 file(s) and 1 subfolder(s)"));
}

TEST_F(FolderInfoContentTest, WhatIfSizeChangesAllocatedAndWastedOnly) {
    WhatIf = 7;
    const TFolderInfoContent c =
        FolderInfoContent(*Folder, nullptr, QStringLiteral("Folder"), WhatIf);
    EXPECT_EQ(c.Tree.Size.Hint, QStringLiteral("5,000 bytes"));
    EXPECT_EQ(c.Tree.Wasted.Hint, QStringLiteral("7,000 bytes"));
    EXPECT_EQ(c.Tree.Allocated.Hint, QStringLiteral("12,000 bytes"));
    EXPECT_EQ(c.Folder.Wasted.Hint, QStringLiteral("700 bytes"));
    EXPECT_EQ(c.Folder.Allocated.Hint, QStringLiteral("1,700 bytes"));
}

TEST_F(FolderInfoContentTest, ObjectCountsDoNotWrapAtThirtyTwoBits) {
    Folder->Data->TreeFileCount = 4000000000u;
    Folder->Data->TreeFolderCount = 300000000u;
    const TFolderInfoContent c =
        FolderInfoContent(*Folder, nullptr, QStringLiteral("Folder"), WhatIf);
    EXPECT_EQ(c.Tree.Objects.Text, QStringLiteral("4,300,000,000"));
    EXPECT_EQ(c.Tree.Objects.Hint,
              QStringLiteral("4,000,000,000 file(s) and 300,000,000 subfolder(s)"));
}

TEST_F(FolderInfoContentTest, GridOfAFolderWithItsOwnEntry) {
    TDirEntry entry;
    entry.Attributes = AttrReadOnly | AttrDirectory;
    entry.CreationTime = UnixToFileTime(1000000000, 0);
    Folder->Data->NewestWriteTime = UnixToFileTime(1100000000, 0);
    Folder->Data->AttributesOr = AttrHidden | AttrCompressed;
    const TFolderInfoContent c =
        FolderInfoContent(*Folder, &entry, QStringLiteral("Folder"), WhatIf);
    EXPECT_FALSE(c.IsDriveRoot);
    EXPECT_EQ(c.TypeText, QStringLiteral("Folder"));
    EXPECT_EQ(c.PathText, QStringLiteral("/mnt/data/Projects"));
    ASSERT_EQ(c.Rows.size(), 11u);
    EXPECT_EQ(c.Rows[RowLongName].Caption, QStringLiteral("Long name"));
    EXPECT_EQ(c.Rows[RowLongName].Value, QStringLiteral("Projects"));
    // No short names on Linux: the long name in upper case.
    EXPECT_EQ(c.Rows[RowDosName].Value, QStringLiteral("PROJECTS"));
    EXPECT_EQ(c.Rows[RowLastAccess].Value, QStringLiteral("(unknown)"));
    EXPECT_NE(c.Rows[RowLastChange].Value.indexOf(QStringLiteral("November")), -1);
    EXPECT_NE(c.Rows[RowLastChange].Value.indexOf(QStringLiteral(", 2004")), -1);
    EXPECT_NE(c.Rows[RowCreation].Value.indexOf(QStringLiteral("2001")), -1);
    EXPECT_EQ(c.Rows[RowAttributes].Value, QStringLiteral("ReadOnly + Directory"));
    EXPECT_EQ(c.Rows[RowSeparator].Caption, QString());
    EXPECT_EQ(c.Rows[RowSeparator].Value, QString());
    EXPECT_EQ(c.Rows[RowReadOnlyFiles].Value, QStringLiteral("No Read-Only files"));
    EXPECT_EQ(c.Rows[RowHiddenFiles].Value, QStringLiteral("The folder contains Hidden files"));
    EXPECT_EQ(c.Rows[RowSystemFiles].Value, QStringLiteral("No System files"));
    EXPECT_EQ(c.Rows[RowCompressedFiles].Caption, QStringLiteral("Compressed files"));
    EXPECT_EQ(c.Rows[RowCompressedFiles].Value,
              QStringLiteral("The folder contains Compressed files"));
}

TEST_F(FolderInfoContentTest, FolderWithoutEntryOrBirthTimeSaysUnknown) {
    // Gone meanwhile: no short name, no attributes, no creation date.
    TFolderInfoContent c = FolderInfoContent(*Folder, nullptr, QStringLiteral("Folder"), WhatIf);
    EXPECT_EQ(c.Rows[RowDosName].Value, QString());
    EXPECT_EQ(c.Rows[RowAttributes].Value, QString());
    EXPECT_EQ(c.Rows[RowCreation].Value, QStringLiteral("(unknown)"));
    // A file system that keeps no birth time.
    TDirEntry entry;
    entry.Attributes = AttrDirectory;
    c = FolderInfoContent(*Folder, &entry, QStringLiteral("Folder"), WhatIf);
    EXPECT_EQ(c.Rows[RowCreation].Value, QStringLiteral("(unknown)"));
    EXPECT_EQ(c.Rows[RowAttributes].Value, QStringLiteral("Directory"));
}

TEST_F(FolderInfoContentTest, DriveRootShowsTheDriveAndNoEntryRows) {
    const TFolderInfoContent c = FolderInfoContent(Root, WhatIf);
    EXPECT_TRUE(c.IsDriveRoot);
    EXPECT_EQ(c.TypeText, QStringLiteral("Root Folder of Drive"));
    EXPECT_EQ(c.DisplayName, QStringLiteral("Data (/mnt/data)"));
    EXPECT_EQ(c.Rows[RowLongName].Value, QStringLiteral("Data (/mnt/data)"));
    EXPECT_EQ(c.Rows[RowDosName].Value, QString());
    EXPECT_EQ(c.Rows[RowCreation].Value, QStringLiteral("(unknown)"));
    EXPECT_EQ(c.Rows[RowAttributes].Value, QString());
}

TEST(FolderInfoAttributes, NamesInTheirOrderJoinedWithPlus) {
    EXPECT_EQ(AttributeNames(0), QString());
    EXPECT_EQ(AttributeNames(AttrDirectory | AttrArchive | AttrHidden | AttrSystem | AttrReadOnly),
              QStringLiteral("Archive + ReadOnly + Hidden + System + Directory"));
    EXPECT_EQ(AttributeNames(AttrSystem | AttrCompressed), QStringLiteral("System"));
}

TEST(FolderInfoRealEntry, HiddenReadOnlyFolderReadFromDisk) {
    TEnglishLocale english;
    TTempTree temp;
    temp.MakeDir(".cache");
    ASSERT_EQ(chmod(temp.Path(".cache").c_str(), 0555), 0);
    TFolderNode root;
    root.Name = temp.Root();
    root.Data = std::make_unique<TFolderSize>();
    auto child = std::make_unique<TFolderNode>();
    child->Parent = &root;
    child->Name = ".cache";
    child->Data = std::make_unique<TFolderSize>();
    const TFolderInfoContent c = FolderInfoContent(*child, 0);
    EXPECT_EQ(c.Rows[RowAttributes].Value, QStringLiteral("ReadOnly + Hidden + Directory"));
    EXPECT_EQ(c.Rows[RowDosName].Value, QStringLiteral(".CACHE"));
    EXPECT_FALSE(c.TypeText.isEmpty());
    // The birth time where the file system keeps one.
    TDirEntry entry;
    ASSERT_TRUE(FindEntry(temp.Path(".cache"), entry));
    if (entry.CreationTime != 0)
        EXPECT_NE(c.Rows[RowCreation].Value, QStringLiteral("(unknown)"));
    else
        EXPECT_EQ(c.Rows[RowCreation].Value, QStringLiteral("(unknown)"));
    chmod(temp.Path(".cache").c_str(), 0755);
}

// ---- wasted space ---------------------------------------------------------------------

TEST_F(FolderInfoContentTest, SevenPanelsWithTheDrivesOwnSizeMarked) {
    const TWastedContent c = WastedSpaceContent(*Folder, 4096);
    EXPECT_FALSE(c.IsDriveRoot);
    EXPECT_EQ(c.Amount, QStringLiteral("Amount of space wasted by folder (+ subfolders)"));
    EXPECT_EQ(c.PathText, QStringLiteral("/mnt/data/Projects"));
    EXPECT_EQ(c.AtDifferentSizes,
              QStringLiteral("at different cluster sizes (and % of usage+wasted)"));
    EXPECT_EQ(c.HelpContext, 3010);
    const char* captions[] = {"0.5K", "2K", "4K", "8K", "16K", "32K", "64K"};
    const std::int32_t sizes[] = {512, 2048, 4096, 8192, 16384, 32768, 65536};
    for (std::size_t i = 0; i < c.Panels.size(); ++i) {
        const TWastedPanel& p = c.Panels[i];
        EXPECT_EQ(p.Caption, QLatin1String(captions[i]));
        EXPECT_EQ(p.ClusterSize, sizes[i]);
        EXPECT_EQ(p.CaptionHint, QString::number(sizes[i]) + QStringLiteral(" bytes"));
        EXPECT_EQ(p.Wasted, 1000 * std::int64_t(i + 1));
        EXPECT_EQ(p.UsagePlusWasted, 5000 + 1000 * std::int64_t(i + 1));
        EXPECT_EQ(p.DriveSize, sizes[i] == 4096) << i;
    }
    EXPECT_EQ(c.Panels[0].CaptionHint, QStringLiteral("512 bytes"));
    EXPECT_EQ(c.Panels[1].PanelHint, QStringLiteral("CD-ROMs"));
    EXPECT_EQ(c.Panels[6].PanelHint, QString());
    EXPECT_EQ(c.Panels[1].Value.Text, QStringLiteral("2 KB"));
    EXPECT_EQ(c.Panels[1].Value.Hint, QStringLiteral("2,000 bytes"));
    EXPECT_EQ(c.Panels[6].Value.Text, QStringLiteral("7 KB"));
}

TEST_F(FolderInfoContentTest, WastedPageIgnoresTheWhatIfSizeAndOddClusterSizes) {
    WhatIf = 7;
    const TWastedContent c = WastedSpaceContent(Root, 1024);
    EXPECT_TRUE(c.IsDriveRoot);
    EXPECT_EQ(c.Amount, QStringLiteral("Amount of space wasted on drive"));
    EXPECT_EQ(c.PathText, QStringLiteral("Data (/mnt/data)"));
    EXPECT_EQ(c.HelpContext, 3020);
    for (std::size_t i = 0; i < c.Panels.size(); ++i) {
        EXPECT_FALSE(c.Panels[i].DriveSize) << i;
        EXPECT_EQ(c.Panels[i].Wasted, 1000 * std::int64_t(i + 1));
    }
}

TEST_F(FolderInfoContentTest, EmptyTreeHasNothingWasted) {
    *Folder->Data = TFolderSize{};
    const TWastedContent c = WastedSpaceContent(*Folder, 4096);
    for (const TWastedPanel& p : c.Panels) {
        EXPECT_EQ(p.Wasted, 0);
        EXPECT_EQ(p.UsagePlusWasted, 0);
        EXPECT_EQ(p.Value.Text, QStringLiteral("0 bytes"));
    }
}

} // namespace
