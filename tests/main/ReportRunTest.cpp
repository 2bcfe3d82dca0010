// The report run's options read fixed character positions; what scripts
// pass must come out as the list settings they mean.
#include "ui/main/ReportRun.h"
#include "models/SubfolderList.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportRun, OptionsReadTheirPositionsAndShortOnesAreIgnored) {
    const auto run = ParseReportRun(
        {"/rtab", "data", "out", "/HI:K:500", "/SA:3", "/w:f", "/X", "/", "/H", "plain", "/Q"});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->Type, ReportTab);
    EXPECT_EQ(run->DisplayType, DisplayLargerThan);
    EXPECT_EQ(run->LargerThanUnit, 1);
    EXPECT_EQ(run->LargerThan, QStringLiteral("500"));
    EXPECT_EQ(run->SortColumn, 3);
    EXPECT_EQ(run->IncludeWasted, false);
    EXPECT_TRUE(run->Quit);
    EXPECT_EQ(run->OutputFile(), "out.txt");
    EXPECT_EQ(ParseReportRun({"/RCSV", "d", "dir.v1/out"})->OutputFile(), "dir.v1/out.csv");
    EXPECT_EQ(ParseReportRun({"/RINF", "d", "PRINTER"})->OutputFile(), "PRINTER");
    EXPECT_FALSE(ParseReportRun({"/RXLS", "d", "out"}));
    EXPECT_EQ(ParseReportRun({"/rlarge", "d", "o", "/TOP:20000"})->LargestCount(), 10000u);
    EXPECT_EQ(ParseReportRun({"/RLARGE", "d", "o", "/TOP:x"})->LargestCount(), 100u);
    EXPECT_EQ(ParseReportRun({"/RTYPES", "d", "o", "/F:CSV"})->OutputFile(), "o.csv");
    EXPECT_FALSE(ParseReportRun({"/RCSV", "d"}));
}

} // namespace
