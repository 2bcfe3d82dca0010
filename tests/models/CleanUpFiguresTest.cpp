// The clean-up dialogs' figures as data: the archive bar driven by the
// component's events, and the drives the move dialog suggests with their
// gains, on records built from real file sizes.
#include "models/ArchiveProgress.h"
#include "models/MoveSuggestions.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(ArchiveProgress, TheBarFollowsTheEntriesAndNeverRunsBackOrPastTheEnd) {
    TArchiveProgress progress;
    progress.Reset(1000);
    progress.NewFile(600);
    progress.InFile(300);
    EXPECT_EQ(progress.Percent(), 30);
    // Events come late or merged: a smaller figure for the same entry does
    // not move the bar back.
    progress.InFile(100);
    EXPECT_EQ(progress.Percent(), 30);
    progress.InFile(600);
    progress.NewFile(400); // the first entry counted whole
    EXPECT_EQ(progress.BytesDone(), 600);
    EXPECT_EQ(progress.Percent(), 60);
    progress.EndOfBatch(); // the last entry is done with no NewFile after it
    EXPECT_EQ(progress.BytesDone(), 1000);
    EXPECT_EQ(progress.Percent(), 100);
    // A folder that grew while it was packed: bytes past the total do not
    // push the bar past the end.
    progress.NewFile(500);
    progress.InFile(500);
    EXPECT_EQ(progress.Percent(), 100);
    EXPECT_EQ(progress.BytesDone(), 1500);

    // A retry starts again from nothing; an unknown total keeps the bar
    // still while the bytes are still counted.
    progress.Reset(0);
    progress.NewFile(10);
    progress.EndOfBatch();
    EXPECT_EQ(progress.Percent(), 0);
    EXPECT_EQ(progress.BytesDone(), 10);

    EXPECT_EQ(ArchiveGain(5000, 1200), 3800);
    EXPECT_EQ(ArchiveGain(1200, 5000), 0);
}

TEST(MoveSuggestions, OnlyFixedDrivesWithSmallerClustersWithWhatMovingThereGains) {
    // A folder of files of 100, 1,000 and 5,000 bytes on a drive of 32 KiB
    // clusters, with the figures the scan keeps at the what-if sizes.
    TFolderSize record;
    for (std::int64_t size : {100, 1000, 5000})
        record.AddFile(32768, size, 0, 0, 0);
    record.Finish();

    const auto drive = [](std::string root, Platform::TDriveType type) {
        Platform::TDrive d;
        d.RootPath = root;
        d.DisplayName = root;
        d.Type = type;
        return d;
    };
    const std::vector<Platform::TDrive> drives = {
        drive("/", Platform::TDriveType::Fixed),          // the folder's own drive
        drive("/small", Platform::TDriveType::Fixed),     // 4 KiB
        drive("/stick", Platform::TDriveType::Removable), // 512 B, but comes and goes
        drive("/disc", Platform::TDriveType::CdRom),      // 2 KiB, read-only
        drive("/big", Platform::TDriveType::Fixed),       // 64 KiB
        drive("/share", Platform::TDriveType::Remote),    // 1 KiB: no what-if figure
        drive("/unknown", Platform::TDriveType::Fixed),   // cluster size not known
    };
    const std::map<std::string, std::int32_t> clusters = {
        {"/", 32768},    {"/small", 4096}, {"/stick", 512}, {"/disc", 2048},
        {"/big", 65536}, {"/share", 1024}, {"/unknown", -1}};
    const auto clusterOf = [&](const std::string& root) { return clusters.at(root); };

    const std::vector<TMoveSuggestion> suggestions =
        MoveSuggestions(record, 0, drives, "/", clusterOf);
    ASSERT_EQ(suggestions.size(), 2u);
    EXPECT_EQ(suggestions[0].Drive.RootPath, "/small");
    EXPECT_EQ(suggestions[0].ClusterSize, 4096);
    const std::int64_t wastedHere = 3 * 32768 - 6100;
    const std::int64_t wastedOn4k = (4096 - 100) + (4096 - 1000) + (8192 - 5000);
    EXPECT_EQ(suggestions[0].Gain, wastedHere - wastedOn4k);
    // With no figure for its cluster size, the whole waste counts as gained.
    EXPECT_EQ(suggestions[1].Drive.RootPath, "/share");
    EXPECT_EQ(suggestions[1].Gain, wastedHere);

    // Shown at a what-if size smaller than the target's, moving there
    // costs: the gain is negative, not hidden.
    const int at512 = 1;
    const std::vector<TMoveSuggestion> whatIf =
        MoveSuggestions(record, at512, drives, "/", clusterOf);
    ASSERT_FALSE(whatIf.empty());
    EXPECT_LT(whatIf[0].Gain, 0);
}

} // namespace
