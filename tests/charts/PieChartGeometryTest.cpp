// Layout, rim points, angles and hit-testing of the pie chart.
#include "RecordingSurface.h"

#include "ui/charts/HPieChart.h"
#include "ui/charts/ShapeGeometry.h"

#include <gtest/gtest.h>

namespace {

// A chart of 300 x 200: disc (70, 20) to (230, 180), radius 80, centre (150, 100).
class PieGeometry : public testing::Test {
protected:
    TRecordingSurface Surface;
    THPieChart Chart{&Surface, 300, 200};
};

TEST(PieLayout, FollowsMarginsAndCentresTheDisc) {
    TRecordingSurface surface;
    THPieChart chart(&surface, 300, 200);
    EXPECT_EQ(chart.DiscRect(), QRect(70, 20, 160, 160));
    EXPECT_EQ(chart.DiscRadius(), 80);
    EXPECT_EQ(chart.Centre(), QPoint(150, 100));

    // Width decides, and odd sizes truncate.
    chart.SetSize(251, 400);
    EXPECT_EQ(chart.DiscRect(), QRect(50, 124, 151, 151)); // D = 151, top = 249 / 2
    EXPECT_EQ(chart.DiscRadius(), 75);
    EXPECT_EQ(chart.Centre(), QPoint(125, 199));
}

TEST(PieLayout, SetSizeAndConstructionDoNotPaint) {
    TRecordingSurface surface;
    THPieChart chart(&surface, 300, 200);
    chart.SetSize(400, 300);
    EXPECT_TRUE(surface.Calls.empty());
    EXPECT_EQ(chart.UpdateCount(), 0);
}

TEST(PieLayout, AreaTooSmallForADiscHasNoDiscAndNoHits) {
    for (const QSize size : {QSize(100, 300), QSize(300, 40), QSize(60, 30), QSize(0, 0)}) {
        TRecordingSurface surface;
        THPieChart chart(&surface, size.width(), size.height());
        chart.AddSection(QStringLiteral("All"), Qt::red, 360.0);
        EXPECT_TRUE(chart.DiscRect().isEmpty()) << size.width() << "x" << size.height();
        for (int x = -5; x < size.width() + 5; x += 3)
            for (int y = -5; y < size.height() + 5; y += 3)
                ASSERT_EQ(chart.SectionAt(x, y), -1) << x << "," << y;
        // Only the background is painted.
        ASSERT_EQ(surface.Calls.size(), 1u);
        EXPECT_EQ(surface.Calls[0].Kind, TDrawCall::FillRect);
        EXPECT_EQ(surface.Calls[0].Rect, QRect(0, 0, size.width(), size.height()));
    }
    // One pixel more each way is the smallest disc.
    TRecordingSurface surface;
    THPieChart chart(&surface, 102, 42);
    EXPECT_EQ(chart.DiscRect(), QRect(50, 20, 2, 2));
}

TEST_F(PieGeometry, RimPointsAtTheFourQuarters) {
    EXPECT_EQ(Chart.PointAt(0, 80), QPoint(150, 20));
    EXPECT_EQ(Chart.PointAt(90, 80), QPoint(70, 100));
    EXPECT_EQ(Chart.PointAt(180, 80), QPoint(150, 180));
    EXPECT_EQ(Chart.PointAt(270, 80), QPoint(230, 100));
    EXPECT_EQ(Chart.PointAt(360, 80), QPoint(150, 20));
    EXPECT_EQ(Chart.PointAt(45, 90), QPoint(86, 36)); // 63.64 rounds to 64
}

TEST(PieRounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-2.5001), -3);
}

TEST_F(PieGeometry, AngleAtTheRimPointsAndTheCentre) {
    EXPECT_EQ(Chart.AngleAtPoint(150, 20), 360); // top: 360, not 0
    EXPECT_EQ(Chart.AngleAtPoint(70, 100), 90);
    EXPECT_EQ(Chart.AngleAtPoint(150, 180), 180);
    EXPECT_EQ(Chart.AngleAtPoint(230, 100), 270);
    EXPECT_EQ(Chart.AngleAtPoint(150, 100), 271);
    // The diagonals, one per quadrant.
    EXPECT_EQ(Chart.AngleAtPoint(140, 90), 45);
    EXPECT_EQ(Chart.AngleAtPoint(140, 110), 135);
    EXPECT_EQ(Chart.AngleAtPoint(160, 110), 225);
    EXPECT_EQ(Chart.AngleAtPoint(160, 90), 315);
    // Nearly straight up on the left rounds to 0, and a little less steep to 1.
    EXPECT_EQ(Chart.AngleAtPoint(149, -20), 0);
    EXPECT_EQ(Chart.AngleAtPoint(149, 20), 1);
}

TEST_F(PieGeometry, RimCountsAsInside) {
    Chart.AddSection({}, Qt::red, 360.0);
    EXPECT_EQ(Chart.SectionAt(150, 20), 0);
    EXPECT_EQ(Chart.SectionAt(150, 19), -1);
    EXPECT_EQ(Chart.SectionAt(230, 100), 0);
    EXPECT_EQ(Chart.SectionAt(231, 100), -1);
    // 48, 64, 80: a rim point off the axes.
    EXPECT_EQ(Chart.SectionAt(150 + 48, 100 + 64), 0);
    EXPECT_EQ(Chart.SectionAt(150 + 48, 100 + 65), -1);
    EXPECT_EQ(Chart.SectionAt(150 - 48, 100 - 64), 0);
    EXPECT_EQ(Chart.SectionAt(150 - 49, 100 - 64), -1);
}

TEST_F(PieGeometry, QuartersAreFoundCounterClockwiseFromTheTop) {
    for (int i = 0; i < 4; ++i)
        Chart.AddSection({}, Qt::red, 90.0);
    EXPECT_EQ(Chart.SectionAt(100, 50), 0);  // upper left
    EXPECT_EQ(Chart.SectionAt(100, 150), 1); // lower left
    EXPECT_EQ(Chart.SectionAt(200, 150), 2); // lower right
    EXPECT_EQ(Chart.SectionAt(200, 50), 3);  // upper right
    EXPECT_EQ(Chart.SectionAt(70, 100), 0);  // 90 belongs to the section ending there
    EXPECT_EQ(Chart.SectionAt(150, 180), 1); // 180
    EXPECT_EQ(Chart.SectionAt(230, 100), 2); // 270
    EXPECT_EQ(Chart.SectionAt(150, 20), 3);  // 360
    EXPECT_EQ(Chart.SectionAt(150, 100), 3); // the centre is 271
}

TEST_F(PieGeometry, GapAfterTheLastSectionUnlessItCloses) {
    Chart.AddSection({}, Qt::red, 100.0);
    Chart.AddSection({}, Qt::blue, 259.99);
    EXPECT_EQ(Chart.SectionAt(150, 20), -1); // 360 lies beyond 359.99
    EXPECT_EQ(Chart.SectionAt(150, 100), 1); // 271
    Chart.CloseLastSection = true;
    EXPECT_EQ(Chart.SectionAt(150, 20), 1);

    // With only 200 degrees the gap is wide, and closing gives it to the last.
    Chart.Clear();
    Chart.AddSection({}, Qt::red, 100.0);
    Chart.AddSection({}, Qt::blue, 100.0);
    Chart.CloseLastSection = false;
    EXPECT_EQ(Chart.SectionAt(230, 100), -1);
    Chart.CloseLastSection = true;
    EXPECT_EQ(Chart.SectionAt(230, 100), 1);
}

TEST_F(PieGeometry, SumsPastFullCircleHitTheSectionThatCrossesIt) {
    Chart.AddSection({}, Qt::red, 200.0);
    Chart.AddSection({}, Qt::blue, 200.0);
    Chart.AddSection({}, Qt::green, 100.0);
    EXPECT_EQ(Chart.SectionAt(100, 50), 0);
    EXPECT_EQ(Chart.SectionAt(200, 50), 1);
    EXPECT_EQ(Chart.SectionAt(150, 20), 1);
    Chart.CloseLastSection = true;
    EXPECT_EQ(Chart.SectionAt(150, 20), 1);
}

TEST_F(PieGeometry, EmptyChartHitsNothing) {
    for (int x = 60; x <= 240; x += 5)
        for (int y = 10; y <= 190; y += 5)
            ASSERT_EQ(Chart.SectionAt(x, y), -1) << x << "," << y;
    Chart.CloseLastSection = true;
    EXPECT_EQ(Chart.SectionAt(150, 100), -1);
}

TEST_F(PieGeometry, SectionsAreLookedUpByIndexWithinRange) {
    TPieSection* first = Chart.AddSection(QStringLiteral("a"), Qt::red, 10.0);
    TPieSection* second = Chart.AddSection(QStringLiteral("b"), Qt::blue, 20.0);
    EXPECT_EQ(Chart.GetSection(0), first);
    EXPECT_EQ(Chart.GetSection(1), second);
    EXPECT_EQ(Chart.GetSection(2), nullptr);
    EXPECT_EQ(Chart.GetSection(-1), nullptr);
    EXPECT_EQ(first->Item, 0);
}

TEST_F(PieGeometry, SortOrdersByAngleBothWays) {
    for (double angle : {30.0, 120.0, 10.0, 90.0, 110.0})
        Chart.AddSection(QString::number(angle), Qt::red, angle);
    Chart.Sort(true);
    std::vector<double> angles;
    for (int i = 0; i < Chart.SectionCount(); ++i)
        angles.push_back(Chart.GetSection(i)->Angle);
    EXPECT_EQ(angles, (std::vector<double>{120, 110, 90, 30, 10}));
    Chart.Sort(false);
    angles.clear();
    for (int i = 0; i < Chart.SectionCount(); ++i)
        angles.push_back(Chart.GetSection(i)->Angle);
    EXPECT_EQ(angles, (std::vector<double>{10, 30, 90, 110, 120}));
    EXPECT_EQ(Chart.GetSection(0)->Caption, QStringLiteral("10"));
}

} // namespace
