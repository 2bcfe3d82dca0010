// Shares of a whole, and the program-wide list of section records.
#include "engine/PieArithmetic.h"
#include "ui/charts/TSectionInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(PieArithmetic, PercentIsTruncatedAndZeroOfNothing) {
    EXPECT_EQ(PercentOf(0, 0), 0);
    EXPECT_EQ(PercentOf(0, 12345), 0);
    EXPECT_EQ(PercentOf(1000, 999), 99);
    EXPECT_EQ(PercentOf(3, 2), 66);
    EXPECT_EQ(PercentOf(3, 3), 100);
    EXPECT_EQ(PercentOf(-3, 2), -66); // towards zero, not down
    // Sizes beyond 32 bits.
    EXPECT_EQ(PercentOf(std::int64_t(1) << 40, std::int64_t(1) << 38), 25);
    // A part far beyond the whole saturates instead of wrapping.
    EXPECT_EQ(PercentOf(1, std::int64_t(1) << 50), std::numeric_limits<int>::max());
}

TEST(PieArithmetic, AngleOfAnEmptyWholeIsFullOnlyForAnEmptyPart) {
    EXPECT_DOUBLE_EQ(AngleOf(0, 0), 360.0);
    EXPECT_DOUBLE_EQ(AngleOf(0, 5), 0.0);
    EXPECT_DOUBLE_EQ(AngleOf(4, 1), 90.0);
    EXPECT_DOUBLE_EQ(AngleOf(3, 1), 120.0);
    EXPECT_DOUBLE_EQ(AngleOf(std::int64_t(1) << 42, std::int64_t(1) << 41), 180.0);
}

TEST(SectionInfoList, IndexesStartAtZeroAfterEveryClear) {
    ClearSectionInfos();
    const int folder =
        AddSectionInfo(nullptr, 6, QStringLiteral("home"), 1000, 24, "/home", TSectionKind::Folder);
    const int file = AddSectionInfo(nullptr, 0, QStringLiteral("a.bin"), 10, 4086,
                                    "/home/a\xff.bin", TSectionKind::File);
    EXPECT_EQ(folder, 0);
    EXPECT_EQ(file, 1);
    EXPECT_EQ(SectionInfoCount(), 2);

    const TSectionInfo* record = GetSectionInfo(1);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Path, "/home/a\xff.bin"); // raw bytes kept as they are
    EXPECT_EQ(record->Size, 10);
    EXPECT_EQ(record->Wasted, 4086);
    EXPECT_EQ(record->Kind, TSectionKind::File);
    EXPECT_EQ(GetSectionInfo(0)->Cursor, 6);
    EXPECT_EQ(GetSectionInfo(2), nullptr);
    EXPECT_EQ(GetSectionInfo(-1), nullptr);

    ClearSectionInfos();
    EXPECT_EQ(GetSectionInfo(0), nullptr);
    EXPECT_EQ(AddSectionInfo(nullptr, 0, QStringLiteral("x"), 0, 0, "x", TSectionKind::Group), 0);
    ClearSectionInfos();
}

} // namespace
