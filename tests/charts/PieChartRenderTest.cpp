// The pie chart rendered for real: pixels of the screen bitmap and of the
// display that shows it, with and without smoothed edges.
#include "QtPrinting.h"

#include "ui/charts/HPieChart.h"
#include "ui/charts/ImageSurface.h"
#include "ui/charts/PieDisplay.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <cmath>

namespace {

const QColor Background(240, 240, 240);
const QColor Lines(0, 0, 0);
const QColor Base(255, 255, 192);
const QColor Box(255, 255, 225);
const QColor Border(0, 0, 0);
const QColor Text(0, 0, 0);
const QColor HiBox(0, 0, 128);
const QColor HiBorder(0, 0, 0);
const QColor HiText(255, 255, 255);

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// Both kinds of surface must give the same colours away from edges.
class PieRender : public testing::TestWithParam<bool> {
protected:
    PieRender() : Surface(300, 200, GetParam()), Chart(&Surface, 300, 200) {
        Chart.BeginUpdate();
        Chart.SetColors(Background, Lines, Base);
        Chart.SetLabelColors(Box, Border, Text, HiBox, HiBorder, HiText);
    }

    TImageSurface Surface;
    THPieChart Chart;
};

TEST_P(PieRender, WedgesFillTheirQuartersAndTheRestStaysBackground) {
    Chart.AddSection({}, Qt::red, 90.0);   // upper left
    Chart.AddSection({}, Base, 90.0);      // lower left, left unfilled
    Chart.AddSection({}, Qt::blue, 180.0); // right half
    Chart.EndUpdate();
    const QImage& image = Surface.Image();
    EXPECT_EQ(At(image, 110, 60), QColor(Qt::red));
    EXPECT_EQ(At(image, 110, 140), Base);
    EXPECT_EQ(At(image, 190, 60), QColor(Qt::blue));
    EXPECT_EQ(At(image, 190, 140), QColor(Qt::blue));
    // Outside the disc: the corners of its box and the margins.
    for (const QPoint p : {QPoint(72, 22), QPoint(227, 177), QPoint(5, 5), QPoint(150, 10),
                           QPoint(150, 190), QPoint(60, 100), QPoint(240, 100)})
        EXPECT_EQ(At(image, p.x(), p.y()), Background) << p.x() << "," << p.y();
    // The outline sits on the disc's outermost pixels (smoothing may mix in
    // a trace of the fill).
    const int tolerance = GetParam() ? 12 : 0;
    for (const QPoint p : {QPoint(150, 20), QPoint(150, 179), QPoint(70, 100), QPoint(229, 100)})
        EXPECT_PRED3(Near, At(image, p.x(), p.y()), Lines, tolerance) << p.x() << "," << p.y();
}

TEST_P(PieRender, FullCircleSectionCoversTheDisc) {
    const QColor green(0, 160, 0);
    Chart.AddSection({}, green, 360.0);
    Chart.EndUpdate();
    const QImage& image = Surface.Image();
    int checked = 0;
    for (int y = 24; y <= 176; y += 4)
        for (int x = 74; x <= 226; x += 4) {
            const double dx = x - 150, dy = y - 100;
            if (std::hypot(dx, dy) > 76 || (dy <= 0 && std::abs(dx) < 2))
                continue; // near the rim, or on the radius drawn to the top
            ASSERT_EQ(At(image, x, y), green) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 300);
}

TEST_P(PieRender, EmptyChartShowsTheBaseDisc) {
    Chart.EndUpdate();
    EXPECT_EQ(At(Surface.Image(), 150, 100), Base);
    EXPECT_EQ(At(Surface.Image(), 100, 60), Base);
    EXPECT_EQ(At(Surface.Image(), 20, 20), Background);
}

TEST_P(PieRender, HighlightedLabelTakesTheHighlightColours) {
    TPieSection* left = Chart.AddSection(QStringLiteral("Left half"), Qt::red, 180.0);
    TPieSection* right = Chart.AddSection(QStringLiteral("Right half"), Qt::blue, 180.0);
    Chart.HighlightIndex = 1;
    Chart.EndUpdate();
    const QImage& image = Surface.Image();
    // Just inside each box's border, before the text starts.
    const QPoint inLeft = left->LabelPos + QPoint(-2, 0);
    const QPoint inRight = right->LabelPos + QPoint(-2, 0);
    EXPECT_EQ(At(image, inLeft.x(), inLeft.y()), Box);
    EXPECT_EQ(At(image, inRight.x(), inRight.y()), HiBox);
    EXPECT_EQ(At(image, right->LabelPos.x() - 4, right->LabelPos.y() + 4), HiBorder);

    // The text is written in the highlighted text colour somewhere in the box.
    bool textSeen = false;
    const QSize extent = Surface.TextExtent(right->Caption);
    for (int y = 0; y < extent.height() && !textSeen; ++y)
        for (int x = 0; x < extent.width() && !textSeen; ++x)
            textSeen = At(image, right->LabelPos.x() + x, right->LabelPos.y() + y) == HiText;
    EXPECT_TRUE(textSeen);

    // Moving the highlight redraws just the two boxes.
    const QImage before = image.copy();
    Chart.DrawSectionLabel(1, false);
    Chart.HighlightIndex = 0;
    Chart.DrawSectionLabel(0, true);
    EXPECT_EQ(At(image, inLeft.x(), inLeft.y()), HiBox);
    EXPECT_EQ(At(image, inRight.x(), inRight.y()), Box);
    EXPECT_EQ(image.copy(150, 20, 80, 160), before.copy(150, 20, 80, 160));
}

TEST_P(PieRender, AreaTooSmallForADiscShowsOnlyBackground) {
    Surface.Resize(100, 40);
    Chart.SetSize(100, 40);
    Chart.AddSection(QStringLiteral("All"), Qt::red, 360.0);
    Chart.EndUpdate();
    const QImage& image = Surface.Image();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(At(image, x, y), Background) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Smooth, PieRender, testing::Values(true));
INSTANTIATE_TEST_SUITE_P(Exact, PieRender, testing::Values(false));

TEST(ImageSurface, ResizeKeepsTheSameImageAndAnEmptySizeDrawsNothing) {
    TImageSurface surface(50, 40, false);
    const QImage* image = &surface.Image();
    surface.Resize(80, 60);
    EXPECT_EQ(&surface.Image(), image);
    EXPECT_EQ(surface.Image().size(), QSize(80, 60));
    surface.SetBrushColor(Qt::red);
    surface.FillRect(QRect(0, 0, 80, 60));
    EXPECT_EQ(surface.Image().pixelColor(79, 59), QColor(Qt::red));

    surface.Resize(0, 10);
    EXPECT_TRUE(surface.Image().isNull());
    surface.FillRect(QRect(0, 0, 10, 10)); // ignored, no painter to draw with
    EXPECT_EQ(surface.TextExtent(QStringLiteral("x")), QSize());
}

TEST(ImageSurface, PieBetweenTwoPointsRunsCounterClockwise) {
    TImageSurface surface(101, 101, false);
    surface.SetBrushColor(Qt::white);
    surface.FillRect(QRect(0, 0, 101, 101));
    surface.SetBrushColor(Qt::red);
    surface.SetPenColor(Qt::red);
    // From 3 o'clock to 12 o'clock counter-clockwise: the upper right quarter.
    surface.Pie(QRect(0, 0, 100, 100), QPoint(100, 50), QPoint(50, 0));
    const QImage& image = surface.Image();
    EXPECT_EQ(image.pixelColor(75, 25), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(25, 25), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(25, 75), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(75, 75), QColor(Qt::white));
    // The other way round it is the three other quarters.
    surface.SetBrushColor(Qt::blue);
    surface.SetPenColor(Qt::blue);
    surface.Pie(QRect(0, 0, 100, 100), QPoint(50, 0), QPoint(100, 50));
    EXPECT_EQ(image.pixelColor(75, 25), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(25, 25), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(75, 75), QColor(Qt::blue));
    // Two points on nearly the same ray make a sliver, not a whole disc.
    surface.SetBrushColor(Qt::green);
    surface.SetPenColor(Qt::green);
    surface.Pie(QRect(0, 0, 100, 100), QPoint(50, 0), QPoint(49, 0));
    EXPECT_EQ(image.pixelColor(25, 75), QColor(Qt::blue));
}

TEST(PieDisplay, ShowsWhatTheChartCopiesAndNothingElse) {
    TPieDisplay display;
    display.resize(300, 200);
    TImageSurface surface(300, 200, false);
    THPieChart chart(&surface, 300, 200);
    chart.BeginUpdate();
    chart.SetColors(Background, Lines, Base);
    chart.SetLabelColors(Box, Border, Text, HiBox, HiBorder, HiText);
    TPieSection* section = chart.AddSection(QStringLiteral("Half"), Qt::red, 180.0);
    chart.Display = &display;
    chart.Picture = &surface.Image();
    chart.EndUpdate();
    EXPECT_EQ(display.Shown(), surface.Image());
    EXPECT_EQ(display.grab().toImage().convertToFormat(QImage::Format_RGB32), surface.Image());

    // A label redraw reaches the screen; drawing that is not copied does not.
    const QPoint inside = section->LabelPos + QPoint(-2, 0);
    chart.DrawSectionLabel(0, true);
    EXPECT_EQ(display.Shown().pixelColor(inside), HiBox);
    surface.SetBrushColor(Qt::green);
    surface.FillRect(QRect(0, 0, 10, 10));
    EXPECT_EQ(display.Shown().pixelColor(5, 5), Background);
}

TEST(PieDisplay, KeepsItsPictureAcrossResizesAndReportsThem) {
    TPieDisplay display;
    display.resize(40, 30);
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    display.ShowPicture(red, QRect(0, 0, 20, 30));
    EXPECT_EQ(display.Shown().pixelColor(19, 0), QColor(Qt::red));
    EXPECT_NE(display.Shown().pixelColor(20, 0), QColor(Qt::red));

    display.show();
    QSignalSpy resized(&display, &TPieDisplay::Resized);
    display.resize(60, 50);
    EXPECT_EQ(resized.count(), 1);
    EXPECT_EQ(display.Shown().size(), QSize(60, 50));
    EXPECT_EQ(display.Shown().pixelColor(10, 10), QColor(Qt::red));

    // A copy larger than either side is cut to what both have.
    QImage blue(100, 100, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    display.ShowPicture(blue, QRect(-10, -10, 200, 200));
    EXPECT_EQ(display.Shown().pixelColor(59, 49), QColor(Qt::blue));
    EXPECT_EQ(display.Shown().size(), QSize(60, 50));
}

} // namespace
