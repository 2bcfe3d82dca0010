// The record's arithmetic: slack, the three accumulation steps, the what-if
// accessors.
#include "engine/FolderSize.h"

#include <gtest/gtest.h>

namespace {

TEST(ClusterSlack, FollowsTheLastClusterRule) {
    EXPECT_EQ(ClusterSlack(4096, 1), 4095);
    EXPECT_EQ(ClusterSlack(4096, 4096), 0);
    EXPECT_EQ(ClusterSlack(4096, 4097), 4095);
    EXPECT_EQ(ClusterSlack(4096, 0), 0);
    // No cluster size known: no slack at all.
    EXPECT_EQ(ClusterSlack(0, 1), 0);
    EXPECT_EQ(ClusterSlack(-1, 12345), 0);
    // The remainder is taken on the full 64-bit size.
    EXPECT_EQ(ClusterSlack(65536, (std::int64_t{1} << 32) + 1), 65535);
    EXPECT_EQ(ClusterSlack(4096, std::int64_t{5} << 32), 0);
}

TEST(FolderSizeRecord, OneByteFileWastesTheRestOfEveryClusterSize) {
    TFolderSize r;
    r.AddFile(4096, 1, 10, 20, AttrReadOnly);
    r.Finish();
    EXPECT_EQ(r.OwnSize, 1);
    EXPECT_EQ(r.TreeSize, 1);
    EXPECT_EQ(r.OwnWasted, 4095);
    EXPECT_EQ(r.TreeWasted, 4095);
    const std::int64_t expected[8] = {0, 511, 2047, 4095, 8191, 16383, 32767, 65535};
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(r.OwnWastedAlt[i], expected[i]) << i;
        EXPECT_EQ(r.TreeWastedAlt[i], expected[i]) << i;
    }
    EXPECT_EQ(r.OwnFileCount, 1u);
    EXPECT_EQ(r.TreeFileCount, 1u);
}

TEST(FolderSizeRecord, FileOf8192BytesAtEachAlternativeSize) {
    TFolderSize r;
    r.AddFile(4096, 8192, 0, 0, 0);
    EXPECT_EQ(r.OwnWasted, 0);
    const std::int64_t expected[8] = {0, 0, 0, 0, 0, 8192, 24576, 57344};
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(r.OwnWastedAlt[i], expected[i]) << i;
}

TEST(FolderSizeRecord, EmptyFileCountsButAddsNoSize) {
    TFolderSize r;
    r.AddFile(4096, 0, 500, 600, AttrHidden);
    r.Finish();
    EXPECT_EQ(r.OwnFileCount, 1u);
    EXPECT_EQ(r.TreeFileCount, 1u);
    EXPECT_EQ(r.TreeSize, 0);
    EXPECT_EQ(r.TreeWasted, 0);
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(r.TreeWastedAlt[i], 0);
    EXPECT_EQ(r.NewestAccessTime, 500u);
    EXPECT_EQ(r.NewestWriteTime, 600u);
    EXPECT_EQ(r.AttributesOr, std::uint32_t{AttrHidden});
}

TEST(FolderSizeRecord, SizesPastFourGigabytesKeepTheirHighBits) {
    TFolderSize r;
    const std::int64_t fourGiB = std::int64_t{4} << 30;
    r.AddFile(4096, fourGiB, 0, 0, 0);
    r.AddFile(4096, 3 * fourGiB + 1, 0, 0, 0);
    r.Finish();
    EXPECT_EQ(r.TreeSize, 4 * fourGiB + 1);
    EXPECT_EQ(r.TreeWasted, 4095);
}

TEST(FolderSizeRecord, TimesAreComparedAsUnsignedAndOnlyStrictlyLaterWins) {
    TFolderSize r;
    const TFileTime high = 0x8000000000000001ULL; // negative if read as signed
    r.AddFile(512, 1, 5, high, 0);
    r.AddFile(512, 1, 4, 7, 0);
    EXPECT_EQ(r.NewestAccessTime, 5u);
    EXPECT_EQ(r.NewestWriteTime, high);

    TFolderSize child;
    child.AddFile(512, 1, 6, high, AttrSystem);
    child.Finish();
    r.AddSubfolder();
    r.AddFinishedChild(child);
    EXPECT_EQ(r.NewestAccessTime, 6u);
    EXPECT_EQ(r.NewestWriteTime, high);
    EXPECT_EQ(r.AttributesOr, std::uint32_t{AttrSystem});
}

TEST(FolderSizeRecord, TreeFiguresAreOwnPlusChildren) {
    TFolderSize child;
    child.AddFile(4096, 4096, 0, 0, 0);
    child.AddSubfolder(); // an empty grandchild
    child.Finish();

    TFolderSize parent;
    parent.AddFile(4096, 1, 0, 0, 0);
    parent.AddSubfolder();
    parent.AddFinishedChild(child);
    parent.Finish();

    EXPECT_EQ(parent.TreeSize, 4097);
    EXPECT_EQ(parent.OwnSize, 1);
    EXPECT_EQ(parent.TreeWasted, 4095);
    EXPECT_EQ(parent.TreeFileCount, 2u);
    EXPECT_EQ(parent.OwnFileCount, 1u);
    EXPECT_EQ(parent.TreeFolderCount, 2u);
    EXPECT_EQ(parent.OwnFolderCount, 1u);
    EXPECT_EQ(parent.TreeWastedAlt[1], 511 + 0);
    EXPECT_EQ(parent.TreeWastedAlt[7], 65535 + 61440);
}

TEST(FolderSizeRecord, EmptyFolderStaysAllZero) {
    TFolderSize r;
    r.Finish();
    EXPECT_EQ(r.TreeSize, 0);
    EXPECT_EQ(r.TreeFileCount, 0u);
    EXPECT_EQ(r.NewestWriteTime, 0u);
    EXPECT_EQ(r.AttributesOr, 0u);
}

TEST(WhatIf, ShownFiguresFollowTheIndexAndIgnoreBadValues) {
    TFolderSize r;
    r.AddFile(4096, 1, 0, 0, 0);
    r.Finish();
    EXPECT_EQ(ShownTreeWasted(r, 3), r.TreeWastedAlt[3]);
    EXPECT_EQ(ShownTreeWasted(r, 1), 511);
    EXPECT_EQ(ShownOwnWasted(r, 1), 511);
    for (int bad : {0, -1, 8, 100}) {
        EXPECT_EQ(ShownTreeWasted(r, bad), 4095) << bad;
        EXPECT_EQ(ShownOwnWasted(r, bad), 4095) << bad;
    }
    EXPECT_EQ(AltTreeWasted(r, 0), 0);
    EXPECT_EQ(AltTreeWasted(r, 8), 0);
    EXPECT_EQ(AltTreeWasted(r, 7), 65535);
}

} // namespace
