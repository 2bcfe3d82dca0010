// The subfolder list on folders built in the test: cell texts, the display
// types and their filters, the sort rules and the sort mark, checked by Qt's
// model tester while the list is filled and sorted.
#include "models/SubfolderList.h"
#include "engine/Formatting.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QPersistentModelIndex>

#include <gtest/gtest.h>

#include <ostream>

#include <ctime>

// Failures show the texts, not their code units.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Texts are checked in one known locale, whatever the machine's is.
class TEnglishLocale {
public:
    TEnglishLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~TEnglishLocale() { QLocale::setDefault(Previous); }
    TEnglishLocale(const TEnglishLocale&) = delete;
    TEnglishLocale& operator=(const TEnglishLocale&) = delete;

private:
    QLocale Previous;
};

// Adds a scanned subfolder with the given figures (wasted at the drive's size
// and, for what-if index 7, twice that).
TFolderNode* AddFolder(TFolderNode& parent, const std::string& name, std::int64_t size,
                       std::int64_t wasted = 0, std::uint32_t files = 1,
                       std::uint32_t folders = 0) {
    auto node = std::make_unique<TFolderNode>();
    node->Parent = &parent;
    node->Name = name;
    node->Data = std::make_unique<TFolderSize>();
    node->Data->TreeSize = size;
    node->Data->TreeWasted = wasted;
    node->Data->TreeWastedAlt[7] = 2 * wasted;
    node->Data->TreeFileCount = files;
    node->Data->TreeFolderCount = folders;
    parent.Children.push_back(std::move(node));
    parent.RenumberChildren();
    if (parent.Data) {
        parent.Data->TreeSize += size;
        parent.Data->TreeWasted += wasted;
        parent.Data->TreeWastedAlt[7] += 2 * wasted;
    }
    return parent.Children.back().get();
}

std::unique_ptr<TFolderNode> MakeParent() {
    auto parent = std::make_unique<TFolderNode>();
    parent->Name = "/data";
    parent->Data = std::make_unique<TFolderSize>();
    return parent;
}

QStringList Names(const TSubfolderListModel& list) {
    QStringList names;
    for (int r = 0; r < list.RowCount(); ++r)
        names << list.Text(r, ColName);
    return names;
}

std::uint32_t Packed(int year, int month, int day, int hour, int minute, int second) {
    const std::uint32_t date =
        static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const std::uint32_t time =
        static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return (date << 16) | time;
}

class SubfolderListTest : public ::testing::Test {
protected:
    // The what-if cluster size whose wasted space is shown.
    int WhatIf = 0;

    TEnglishLocale English;
};

// ---- cell texts ---------------------------------------------------------------------

TEST_F(SubfolderListTest, KilobyteCellsRoundHalvesToEvenAndNeverOverflow) {
    EXPECT_EQ(RoundedKB(0), 0);
    EXPECT_EQ(RoundedKB(511), 0);
    EXPECT_EQ(RoundedKB(512), 0); // 0.5 -> 0
    EXPECT_EQ(RoundedKB(513), 1);
    EXPECT_EQ(RoundedKB(1536), 2); // 1.5 -> 2
    EXPECT_EQ(RoundedKB(2560), 2); // 2.5 -> 2
    EXPECT_EQ(RoundedKB(2561), 3);
    EXPECT_EQ(KBCell(1234 * 1024), QStringLiteral("1,234 KB"));
    // 2 TB and more: past what a 32-bit count of kilobytes holds.
    EXPECT_EQ(KBCell(std::int64_t{1} << 41), QStringLiteral("2,147,483,648 KB"));
    EXPECT_EQ(KBCell(std::int64_t{5} << 50), QStringLiteral("5,497,558,138,880 KB"));
}

TEST_F(SubfolderListTest, ShareOfParentHasTwoDecimalsAndZeroForAnEmptyParent) {
    EXPECT_EQ(ShareCell(1, 3), QStringLiteral("33.33 %"));
    EXPECT_EQ(ShareCell(2, 3), QStringLiteral("66.67 %"));
    EXPECT_EQ(ShareCell(7, 7), QStringLiteral("100.00 %"));
    EXPECT_EQ(ShareCell(0, 0), QStringLiteral("0.00 %"));
    EXPECT_EQ(ShareCell(5, 0), QStringLiteral("0.00 %"));
}

TEST_F(SubfolderListTest, PackedDatesShowAsShortDateAndTimeOrNothing) {
    EXPECT_EQ(DosDateTimeCell(Packed(2024, 12, 28, 23, 59, 58)),
              QStringLiteral("12/28/24 11:59:58 PM"));
    EXPECT_EQ(DosDateTimeCell(Packed(2002, 3, 5, 0, 0, 2)), QStringLiteral("3/5/02 12:00:02 AM"));
    EXPECT_EQ(DosDateTimeCell(Packed(2002, 3, 5, 0, 0, 0)), QStringLiteral("3/5/02"));
    EXPECT_EQ(DosDateTimeCell(0), QString());
    EXPECT_EQ(DosDateTimeCell(Packed(2002, 13, 5, 1, 0, 0)), QString()); // month 13
    EXPECT_EQ(DosDateTimeCell(Packed(2002, 2, 30, 1, 0, 0)), QString()); // February 30
    EXPECT_EQ(DosDateTimeCell(Packed(2002, 2, 3, 25, 0, 0)), QString()); // hour 25
}

TEST_F(SubfolderListTest, RowOfASubfolderFollowsTheWhatIfSizeAndTheWastedSetting) {
    auto parent = MakeParent();
    TFolderNode* a = AddFolder(*parent, "Alpha", 3000 * 1024, 1000 * 1024, 12, 3);
    AddFolder(*parent, "Beta", 1000 * 1024, 0);
    std::tm local{};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 8;
    local.tm_isdst = -1;
    a->Data->NewestWriteTime = UnixToFileTime(std::mktime(&local), 0);

    const std::int64_t withWasted = ListValue(*parent->Data, true, WhatIf);
    TSubfolderRow row = MakeSubfolderRow(*a, withWasted, true, WhatIf);
    EXPECT_EQ(row.Cells[ColName], QStringLiteral("Alpha"));
    EXPECT_EQ(row.Cells[ColSize], QStringLiteral("3,000 KB"));
    EXPECT_EQ(row.Cells[ColAllocated], QStringLiteral("4,000 KB"));
    EXPECT_EQ(row.Cells[ColWasted], QStringLiteral("1,000 KB"));
    EXPECT_EQ(row.Cells[ColShare], QStringLiteral("80.00 %")); // 4000 of 5000
    EXPECT_EQ(row.Cells[ColObjects], QStringLiteral("15"));
    EXPECT_EQ(row.Cells[ColLastChange], QStringLiteral("3/4/21 5:06:08 AM"));
    EXPECT_EQ(row.Cells[ColLastAccess], QString()); // no time known
    EXPECT_EQ(row.AccessDos, 0u);

    // Without wasted space the share is of sizes alone: 3000 of 4000.
    row = MakeSubfolderRow(*a, ListValue(*parent->Data, false, WhatIf), false, WhatIf);
    EXPECT_EQ(row.Cells[ColShare], QStringLiteral("75.00 %"));

    // The 64 K what-if size doubles the wasted space in this record.
    WhatIf = 7;
    row = MakeSubfolderRow(*a, ListValue(*parent->Data, true, WhatIf), true, WhatIf);
    EXPECT_EQ(row.Cells[ColSize], QStringLiteral("3,000 KB"));
    EXPECT_EQ(row.Cells[ColAllocated], QStringLiteral("5,000 KB"));
    EXPECT_EQ(row.Cells[ColWasted], QStringLiteral("2,000 KB"));
    EXPECT_EQ(row.Cells[ColShare], QStringLiteral("83.33 %")); // 5000 of 6000
}

TEST_F(SubfolderListTest, ObjectCountsAddUpPastThirtyTwoBits) {
    auto parent = MakeParent();
    TFolderNode* a = AddFolder(*parent, "Many", 1, 0, 4000000000u, 4000000000u);
    EXPECT_EQ(MakeSubfolderRow(*a, 1, true, WhatIf).Cells[ColObjects],
              QStringLiteral("8,000,000,000"));
}

// ---- filters ------------------------------------------------------------------------

TEST_F(SubfolderListTest, ThresholdIsZeroExceptForFoldersLargerThan) {
    EXPECT_EQ(ListThreshold(DisplayTopLarge, 5, 2), 0);
    EXPECT_EQ(ListThreshold(DisplayAll, 5, 2), 0);
    EXPECT_EQ(ListThreshold(DisplayLargerThan, 5, 0), 5);
    EXPECT_EQ(ListThreshold(DisplayLargerThan, 5, 1), 5 * 1024);
    EXPECT_EQ(ListThreshold(DisplayLargerThan, 1, 2), 1048576);
    EXPECT_EQ(ListThreshold(DisplayLargerThan, 32767, 2), std::int64_t{32767} * 1048576);
}

TEST_F(SubfolderListTest, TopBoxTextThatIsNoNumberCountsAsTen) {
    EXPECT_EQ(TopCountOf(QStringLiteral("25")), 25);
    EXPECT_EQ(TopCountOf(QStringLiteral("abc")), 10);
    EXPECT_EQ(TopCountOf(QStringLiteral("")), 10);
    EXPECT_EQ(TopCountOf(QStringLiteral("12x")), 10);
    EXPECT_EQ(TopCountOf(QStringLiteral("-3")), -3);
}

class SubfolderModelTest : public SubfolderListTest {
protected:
    TSubfolderListModel List;
    QAbstractItemModelTester Tester{&List, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(SubfolderModelTest, FoldersLargerThanOneMegabyteKeepsExactlyOneMegabyte) {
    auto parent = MakeParent();
    AddFolder(*parent, "exact", 1048576);
    AddFolder(*parent, "short", 1048575);
    AddFolder(*parent, "large", 5000000);
    TSubfolderFilter filter;
    filter.DisplayType = DisplayLargerThan;
    filter.LargerThan = 1;
    filter.LargerThanUnit = 2;
    filter.IncludeWasted = false;
    EXPECT_EQ(List.Fill(*parent, filter), 0);
    EXPECT_EQ(Names(List), (QStringList{"large", "exact"}));
    // Sorted largest first by size, whatever the user's last sort was.
    EXPECT_EQ(List.SortColumn(), -(ColSize + 1));

    // Counting wasted space, one byte of slack lifts the short one over the
    // line. Both read "1,024 KB", so they keep their order in the folder.
    parent->Children[1]->Data->TreeWasted = 1;
    filter.IncludeWasted = true;
    List.Fill(*parent, filter);
    EXPECT_EQ(Names(List), (QStringList{"large", "exact", "short"}));
    EXPECT_EQ(List.SortColumn(), -(ColAllocated + 1));
}

// 25 subfolders whose order by size differs from their order by allocated space.
std::unique_ptr<TFolderNode> TwentyFiveFolders() {
    auto parent = MakeParent();
    for (int i = 0; i < 25; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "f%02d", i);
        // Sizes rise with i; wasted space falls, more steeply.
        AddFolder(*parent, name, (100 + i) * 1024, (25 - i) * 10 * 1024);
    }
    return parent;
}

TEST_F(SubfolderModelTest, TopLargeFoldersKeepsTheLargestByAllocatedOrBySize) {
    auto parent = TwentyFiveFolders();
    TSubfolderFilter filter;
    filter.DisplayType = DisplayTopLarge;
    filter.TopText = QStringLiteral("10");
    filter.IncludeWasted = true;
    EXPECT_EQ(List.Fill(*parent, filter), 10);
    ASSERT_EQ(List.RowCount(), 10);
    // Allocated is 100 + i + 250 - 10 i KB: largest for the smallest i.
    EXPECT_EQ(List.Text(0, ColName), QStringLiteral("f00"));
    EXPECT_EQ(List.Text(9, ColName), QStringLiteral("f09"));

    filter.IncludeWasted = false;
    List.Fill(*parent, filter);
    ASSERT_EQ(List.RowCount(), 10);
    EXPECT_EQ(List.Text(0, ColName), QStringLiteral("f24"));
    EXPECT_EQ(List.Text(9, ColName), QStringLiteral("f15"));

    // Fewer folders than the count: all of them.
    filter.TopText = QStringLiteral("50");
    List.Fill(*parent, filter);
    EXPECT_EQ(List.RowCount(), 25);
}

TEST_F(SubfolderModelTest, TopBoxWithLettersOrANegativeNumberNeverFails) {
    auto parent = TwentyFiveFolders();
    TSubfolderFilter filter;
    filter.DisplayType = DisplayTopLarge;
    filter.TopText = QStringLiteral("abc");
    EXPECT_EQ(List.Fill(*parent, filter), 10);
    EXPECT_EQ(List.RowCount(), 10);
    filter.TopText = QStringLiteral("-4");
    EXPECT_EQ(List.Fill(*parent, filter), -4);
    EXPECT_EQ(List.RowCount(), 0);
    filter.TopText = QStringLiteral("0");
    List.Fill(*parent, filter);
    EXPECT_EQ(List.RowCount(), 0);
}

TEST_F(SubfolderModelTest, AllFoldersKeepsTheUsersSortAndSkipsUnscannedFolders) {
    auto parent = MakeParent();
    AddFolder(*parent, "b", 10 * 1024);
    AddFolder(*parent, "c", 30 * 1024);
    AddFolder(*parent, "a", 20 * 1024);
    auto mount = std::make_unique<TFolderNode>(); // another drive: no record
    mount->Parent = parent.get();
    mount->Name = "mnt";
    parent->Children.push_back(std::move(mount));
    List.Sort(ColName + 1);
    TSubfolderFilter filter;
    filter.DisplayType = DisplayAll;
    List.Fill(*parent, filter);
    EXPECT_EQ(Names(List), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(List.SortColumn(), ColName + 1);
    EXPECT_EQ(List.FolderPath(), "/data");

    // A filtered type forces largest first; coming back keeps that order.
    filter.DisplayType = DisplayLargerThan;
    filter.LargerThan = 0;
    List.Fill(*parent, filter);
    EXPECT_EQ(Names(List), (QStringList{"c", "a", "b"}));
    filter.DisplayType = DisplayAll;
    List.Fill(*parent, filter);
    EXPECT_EQ(Names(List), (QStringList{"c", "a", "b"}));
}

TEST_F(SubfolderModelTest, AFolderWithoutSizeGivesZeroShares) {
    auto parent = MakeParent();
    AddFolder(*parent, "empty", 0);
    AddFolder(*parent, "also", 0);
    List.Fill(*parent, TSubfolderFilter{});
    ASSERT_EQ(List.RowCount(), 2);
    EXPECT_EQ(List.Text(0, ColShare), QStringLiteral("0.00 %"));
    EXPECT_EQ(List.Text(1, ColShare), QStringLiteral("0.00 %"));
}

// ---- sorting ------------------------------------------------------------------------

TEST_F(SubfolderListTest, NumberColumnsCompareByLengthFirst) {
    TSubfolderRow small;
    TSubfolderRow large;
    small.Cells[ColSize] = QStringLiteral("987 KB");
    large.Cells[ColSize] = QStringLiteral("1,234 KB");
    EXPECT_LT(CompareSubfolderRows(small, large, ColSize + 1), 0);
    EXPECT_GT(CompareSubfolderRows(small, large, -(ColSize + 1)), 0);
    // Equally long: as text.
    large.Cells[ColSize] = QStringLiteral("988 KB");
    EXPECT_LT(CompareSubfolderRows(small, large, ColSize + 1), 0);
    EXPECT_EQ(CompareSubfolderRows(small, small, -(ColSize + 1)), 0);
    // The same rule for every number column.
    for (int column : {ColAllocated, ColWasted, ColShare, ColObjects}) {
        TSubfolderRow a;
        TSubfolderRow b;
        a.Cells[static_cast<std::size_t>(column)] = QStringLiteral("9.00 %");
        b.Cells[static_cast<std::size_t>(column)] = QStringLiteral("10.00 %");
        EXPECT_LT(CompareSubfolderRows(a, b, column + 1), 0) << column;
    }
}

TEST_F(SubfolderListTest, NamesCompareCaseSensitivelyAndDatesAsUnsignedNumbers) {
    TSubfolderRow lower;
    TSubfolderRow upper;
    lower.Cells[ColName] = QStringLiteral("docs");
    upper.Cells[ColName] = QStringLiteral("Docs");
    EXPECT_NE(CompareSubfolderRows(lower, upper, ColName + 1), 0);
    EXPECT_EQ(CompareSubfolderRows(lower, upper, ColName + 1),
              -CompareSubfolderRows(lower, upper, -(ColName + 1)));

    TSubfolderRow old;
    TSubfolderRow late;
    old.AccessDos = Packed(1999, 1, 1, 0, 0, 0);
    late.AccessDos = Packed(2050, 1, 1, 0, 0, 0); // top bit set
    old.ChangeDos = late.AccessDos;
    late.ChangeDos = old.AccessDos;
    EXPECT_LT(CompareSubfolderRows(old, late, ColLastAccess + 1), 0);
    EXPECT_GT(CompareSubfolderRows(old, late, -(ColLastAccess + 1)), 0);
    EXPECT_GT(CompareSubfolderRows(old, late, ColLastChange + 1), 0);
}

TEST_F(SubfolderModelTest, ColumnClicksTurnTheOrderAndMoveTheMark) {
    auto parent = MakeParent();
    AddFolder(*parent, "b", 2048);
    AddFolder(*parent, "a", 1024 * 1024);
    AddFolder(*parent, "c", 3072);
    List.Fill(*parent, TSubfolderFilter{});
    List.ColumnClick(ColSize);
    EXPECT_EQ(List.Caption(ColSize), QStringLiteral("-> Size"));
    EXPECT_EQ(Names(List), (QStringList{"b", "c", "a"}));

    // The selection stays on its row while the rows move.
    const QPersistentModelIndex selected = List.index(2, ColName);
    List.ColumnClick(ColName);
    EXPECT_EQ(List.SortColumn(), ColName + 1);
    EXPECT_EQ(Names(List), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(List.Caption(ColName), QStringLiteral("-> Name"));
    EXPECT_EQ(List.Caption(ColSize), QStringLiteral("Size"));
    EXPECT_EQ(selected.row(), 0);

    List.ColumnClick(ColName);
    EXPECT_EQ(List.SortColumn(), -(ColName + 1));
    EXPECT_EQ(Names(List), (QStringList{"c", "b", "a"}));
    EXPECT_EQ(List.Caption(ColName), QStringLiteral("-> Name"));

    // Exactly one column carries the mark, also as the views see it.
    int marked = 0;
    for (int c = 0; c < SubfolderColumnCount; ++c)
        marked += List.headerData(c, Qt::Horizontal).toString().startsWith(QLatin1String(SortMark));
    EXPECT_EQ(marked, 1);

    // A third click sorts ascending again.
    List.ColumnClick(ColName);
    EXPECT_EQ(List.SortColumn(), ColName + 1);
}

TEST_F(SubfolderModelTest, SortCodesOutsideTheColumnsFallBackToName) {
    List.SetSortColumn(9);
    EXPECT_EQ(List.SortColumn(), 1);
    List.SetSortColumn(0);
    EXPECT_EQ(List.SortColumn(), 1);
    List.SetSortColumn(-8);
    EXPECT_EQ(List.SortColumn(), -8);
    List.Sort(-8);
    EXPECT_EQ(List.Caption(ColLastChange), QStringLiteral("-> Last Change"));
    EXPECT_EQ(List.Caption(ColName), QStringLiteral("Name"));
}

TEST_F(SubfolderModelTest, ViewsReadTextsAlignmentAndNoNodes) {
    auto parent = MakeParent();
    AddFolder(*parent, "one", 4096, 0, 3, 1);
    List.Fill(*parent, TSubfolderFilter{});
    // The rows own their texts: the tree may go away under a view.
    parent.reset();
    ASSERT_EQ(List.rowCount(), 1);
    EXPECT_EQ(List.columnCount(), SubfolderColumnCount);
    EXPECT_EQ(List.data(List.index(0, ColName)).toString(), QStringLiteral("one"));
    EXPECT_EQ(List.data(List.index(0, ColSize)).toString(), QStringLiteral("4 KB"));
    EXPECT_EQ(List.data(List.index(0, ColObjects)).toString(), QStringLiteral("4"));
    const auto align = [this](int column) {
        return Qt::Alignment(List.data(List.index(0, column), Qt::TextAlignmentRole).toInt());
    };
    EXPECT_TRUE(align(ColName) & Qt::AlignLeft);
    EXPECT_TRUE(align(ColShare) & Qt::AlignRight);
}

} // namespace
