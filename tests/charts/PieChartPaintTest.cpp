// What the pie chart draws, where, in which colours, and when: wedges, radii,
// labels and their placement, the highlight, and the update bracket.
#include "RecordingSurface.h"

#include "ui/charts/HPieChart.h"
#include "ui/charts/ImageSurface.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const QColor Background(250, 250, 250);
const QColor Lines(0, 0, 0);
const QColor Base(255, 255, 200);
const QColor Box(255, 255, 225);
const QColor Border(90, 90, 90);
const QColor Text(1, 1, 1);
const QColor HiBox(0, 0, 128);
const QColor HiBorder(0, 0, 200);
const QColor HiText(255, 255, 255);

// 300 x 200: centre (150, 100), radius 80; text is 7 pixels a character and
// 13 high. Nothing is drawn until a test says so.
class PiePaint : public testing::Test {
protected:
    PiePaint() {
        Chart.BeginUpdate();
        Chart.SetColors(Background, Lines, Base);
        Chart.SetLabelColors(Box, Border, Text, HiBox, HiBorder, HiText);
    }

    // Ends the bracket opened above, which paints once, and returns the calls.
    const std::vector<TDrawCall>& PaintNow() {
        Surface.Calls.clear();
        Chart.EndUpdate();
        return Surface.Calls;
    }

    TRecordingSurface Surface;
    THPieChart Chart{&Surface, 300, 200};
};

TEST_F(PiePaint, WedgesRunFromRimPointToRimPoint) {
    Chart.AddSection({}, Qt::red, 90.0);
    Chart.AddSection({}, Qt::blue, 90.0);
    PaintNow();
    const auto pies = Surface.Of(TDrawCall::Pie);
    ASSERT_EQ(pies.size(), 2u);
    EXPECT_EQ(pies[0].Rect, QRect(70, 20, 160, 160));
    EXPECT_EQ(pies[0].From, QPoint(150, 20));
    EXPECT_EQ(pies[0].To, QPoint(70, 100));
    EXPECT_EQ(pies[0].Brush, QColor(Qt::red));
    EXPECT_EQ(pies[0].Pen, QColor(Qt::red));
    EXPECT_EQ(pies[1].From, QPoint(70, 100));
    EXPECT_EQ(pies[1].To, QPoint(150, 180));
    // Radii in the lines colour, two per section.
    const auto lines = Surface.Of(TDrawCall::Line);
    ASSERT_EQ(lines.size(), 4u);
    for (const TDrawCall& line : lines) {
        EXPECT_EQ(line.From, QPoint(150, 100));
        EXPECT_EQ(line.Pen, Lines);
    }
    EXPECT_EQ(lines[3].To, QPoint(150, 180));
}

TEST_F(PiePaint, FullCircleSectionIsAWholeDisc) {
    Chart.AddSection({}, Qt::red, 360.0);
    PaintNow();
    const auto pies = Surface.Of(TDrawCall::Pie);
    ASSERT_EQ(pies.size(), 1u);
    EXPECT_EQ(pies[0].From, QPoint(150, 20));
    EXPECT_EQ(pies[0].To, QPoint(150, 20));
}

TEST_F(PiePaint, ZeroAndBaseColouredSectionsDrawNoWedge) {
    Chart.AddSection(QStringLiteral("zero"), Qt::red, 0.0);
    Chart.AddSection(QStringLiteral("plain"), Base, 120.0);
    PaintNow();
    EXPECT_TRUE(Surface.Of(TDrawCall::Pie).empty());
    EXPECT_EQ(Surface.Of(TDrawCall::Line).size(), 5u); // 4 radii and one leader
    const auto texts = Surface.Of(TDrawCall::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, QStringLiteral("plain"));

    // A zero section is labelled once the threshold is 0 too.
    Chart.MinLabelAngle = 0.0;
    Chart.BeginUpdate();
    PaintNow();
    EXPECT_EQ(Surface.Of(TDrawCall::TextOut).size(), 2u);
}

TEST_F(PiePaint, SumPastFullCircleIsClampedAndLaterSectionsAreSkipped) {
    Chart.AddSection(QStringLiteral("a"), Qt::red, 200.0);
    TPieSection* b = Chart.AddSection(QStringLiteral("b"), Qt::blue, 200.0);
    TPieSection* c = Chart.AddSection(QStringLiteral("c"), Qt::green, 100.0);
    PaintNow();
    const auto pies = Surface.Of(TDrawCall::Pie);
    ASSERT_EQ(pies.size(), 2u);
    EXPECT_EQ(pies[1].To, QPoint(150, 20));
    const auto texts = Surface.Of(TDrawCall::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].Text, QStringLiteral("b"));
    // b's middle is taken from the clamped sum: 280 degrees, shifted up.
    EXPECT_EQ(b->LabelPos, QPoint(239, 84 - 13));
    EXPECT_FALSE(c->Labelled);
    EXPECT_EQ(c->LabelPos, QPoint(0, 0));
}

TEST_F(PiePaint, LastSectionClosesAtTheTopOnlyWhenAsked) {
    Chart.AddSection({}, Qt::red, 100.0);
    Chart.AddSection({}, Qt::blue, 250.0);
    PaintNow();
    EXPECT_EQ(Surface.Of(TDrawCall::Pie).back().To, QPoint(164, 21)); // 350 degrees

    Chart.CloseLastSection = true;
    Chart.BeginUpdate();
    PaintNow();
    EXPECT_EQ(Surface.Of(TDrawCall::Pie).back().To, QPoint(150, 20));
}

// Label positions for a section whose middle lies at `middle`, reached with a
// base-coloured, unlabelled lead-in section.
QPoint LabelAt(double middle, double span) {
    TRecordingSurface surface;
    THPieChart chart(&surface, 300, 200);
    chart.BeginUpdate();
    const double leadIn = middle - span / 2;
    if (leadIn > 0)
        chart.AddSection({}, Qt::black, leadIn);
    TPieSection* section = chart.AddSection(QStringLiteral("ab"), Qt::red, span);
    chart.EndUpdate();
    EXPECT_TRUE(section->Labelled);
    return section->LabelPos;
}

TEST(PieLabels, ShiftLeftOnTheLeftHalfAndUpOnTheUpperHalf) {
    // The leader ends 10 pixels beyond the rim; the caption is 14 x 13.
    EXPECT_EQ(LabelAt(90, 180), QPoint(60 - 14, 100)); // left, not raised
    // (A label at 180 would reach past the bottom; see PieLabelLayoutTest.)
    EXPECT_EQ(LabelAt(270, 180), QPoint(240, 100)); // neither
    EXPECT_EQ(LabelAt(45, 90), QPoint(86 - 14, 36 - 13));
    EXPECT_EQ(LabelAt(315, 90), QPoint(214, 36 - 13));
    EXPECT_EQ(LabelAt(135, 90), QPoint(86 - 14, 164));
}

TEST_F(PiePaint, LabelIsABoxedCaptionJoinedByALeader) {
    TPieSection* section = Chart.AddSection(QStringLiteral("ab"), Qt::red, 180.0);
    PaintNow();
    const auto lines = Surface.Of(TDrawCall::Line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].From, QPoint(70, 100));
    EXPECT_EQ(lines[2].To, QPoint(60, 100));
    const auto boxes = Surface.Of(TDrawCall::Rectangle);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Rect, QRect(46 - 4, 100 - 2, 14 + 8, 13 + 4));
    EXPECT_EQ(boxes[0].Brush, Box);
    EXPECT_EQ(boxes[0].Pen, Border);
    const auto texts = Surface.Of(TDrawCall::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].From, section->LabelPos);
    EXPECT_EQ(texts[0].Font, Text);
    EXPECT_TRUE(texts[0].BrushClear);
}

TEST_F(PiePaint, UpdateBracketPaintsAndShowsOnceAtTheEnd) {
    TRecordingDisplay display;
    QImage picture(300, 200, QImage::Format_RGB32);
    Chart.Display = &display;
    Chart.Picture = &picture;
    Chart.BeginUpdate(); // two deep now
    Chart.AddSection({}, Qt::red, 10.0);
    Chart.AddSection({}, Qt::red, 20.0);
    Chart.Sort(true);
    Chart.Clear();
    Chart.AddSection({}, Qt::red, 30.0);
    Chart.EndUpdate();
    EXPECT_TRUE(Surface.Calls.empty());
    EXPECT_TRUE(display.Shown.empty());
    EXPECT_EQ(Chart.UpdateCount(), 1);

    PaintNow();
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 1u);
    ASSERT_EQ(display.Shown.size(), 1u);
    EXPECT_EQ(display.Shown[0], QRect(0, 0, 300, 200));

    // Already at 0, as after a resize: paints and shows again, stays at 0.
    PaintNow();
    EXPECT_EQ(Chart.UpdateCount(), 0);
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 1u);
    EXPECT_EQ(display.Shown.size(), 2u);

    // Without a picture nothing is shown, though the chart paints.
    Chart.Picture = nullptr;
    PaintNow();
    EXPECT_EQ(display.Shown.size(), 2u);
}

TEST_F(PiePaint, ChangesOutsideABracketPaintAtOnce) {
    Chart.EndUpdate();
    Surface.Calls.clear();
    Chart.AddSection({}, Qt::red, 10.0);
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 1u);
    Chart.SetColors(Background, Lines, Base);
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 2u);
    Chart.SetLabelColors(Box, Border, Text, HiBox, HiBorder, HiText);
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 3u);
    Chart.Sort(false);
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 4u);
    Chart.Clear();
    EXPECT_EQ(Surface.Of(TDrawCall::FillRect).size(), 5u);
    EXPECT_EQ(Chart.UpdateCount(), 0);
}

TEST_F(PiePaint, CanvasChangePaintsTheNewCanvasOnlyWhenIdle) {
    TRecordingSurface other;
    Chart.SetCanvas(&other); // inside the bracket: stored only
    EXPECT_TRUE(other.Calls.empty());
    EXPECT_EQ(Chart.Canvas(), &other);
    Chart.SetCanvas(&Surface);
    Chart.EndUpdate();
    Surface.Calls.clear();

    Chart.SetCanvas(&Surface); // the same canvas: nothing
    EXPECT_TRUE(Surface.Calls.empty());
    Chart.SetCanvas(&other);
    EXPECT_FALSE(other.Calls.empty());
    EXPECT_TRUE(Surface.Calls.empty());

    Chart.SetCanvas(nullptr); // no canvas: nothing to paint on, and no crash
    Chart.Paint();
    Chart.DrawSectionLabel(0, true);
}

TEST_F(PiePaint, LabelRedrawDrawsOneBoxAndCopiesItToTheDisplay) {
    TRecordingDisplay display;
    Chart.Display = &display;
    TPieSection* section = Chart.AddSection(QStringLiteral("ab"), Qt::red, 180.0);
    PaintNow();
    Surface.Calls.clear();
    display.Shown.clear();

    Chart.DrawSectionLabel(0, true);
    const QRect box(section->LabelPos - QPoint(4, 2), QSize(14 + 8, 13 + 4));
    const auto boxes = Surface.Of(TDrawCall::Rectangle);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Rect, box);
    EXPECT_EQ(boxes[0].Brush, HiBox);
    ASSERT_EQ(display.Shown.size(), 1u);
    EXPECT_EQ(display.Shown[0], box);
    EXPECT_EQ(Surface.Calls.size(), 2u); // the box and the text, no full repaint
}

TEST_F(PiePaint, LabelRedrawIgnoresWhatHasNoLabel) {
    TRecordingDisplay display;
    Chart.Display = &display;
    Chart.AddSection({}, Qt::red, 90.0);                      // no caption
    Chart.AddSection(QStringLiteral("small"), Qt::red, 4.0);  // below 5 degrees
    Chart.AddSection(QStringLiteral("big"), Qt::red, 300.0);  // reaches 360
    Chart.AddSection(QStringLiteral("after"), Qt::red, 50.0); // never drawn
    PaintNow();
    Surface.Calls.clear();
    display.Shown.clear();

    for (int index : {-1, 0, 1, 3, 4})
        Chart.DrawSectionLabel(index, true);
    EXPECT_TRUE(Surface.Calls.empty());
    EXPECT_TRUE(display.Shown.empty());

    // Raising the threshold after a paint hides labels from redraws too.
    Chart.MinLabelAngle = 301.0;
    Chart.DrawSectionLabel(2, true);
    EXPECT_TRUE(Surface.Calls.empty());
    Chart.MinLabelAngle = 5.0;
    Chart.BeginUpdate();
    Chart.DrawSectionLabel(2, true); // not while updating
    EXPECT_TRUE(Surface.Calls.empty());
    Chart.EndUpdate();
    Surface.Calls.clear();
    Chart.DrawSectionLabel(2, true);
    EXPECT_EQ(Surface.Of(TDrawCall::Rectangle).size(), 1u);
}

// The radii of a section left in the base colour, and the outline over
// everything, are drawn in whatever colour the pen last held: the lines
// colour, a label's border after a label, the highlight's border after the
// highlighted label. Seen in the pixels of the upright radius and the rim.
TEST(PieLines, RadiiAndOutlineTakeTheColourThePenLastHeld) {
    struct TCase {
        QString Caption;
        int Highlight;
        QColor Radius; // of the base-coloured right half
        QColor Outline;
    };
    for (const TCase& pie :
         {TCase{QString(), -1, Lines, Lines}, TCase{QStringLiteral("left"), -1, Border, Border},
          TCase{QStringLiteral("left"), 0, Border, HiBorder}}) {
        TImageSurface surface(300, 200, false);
        THPieChart chart(&surface, 300, 200);
        chart.BeginUpdate();
        chart.SetColors(Background, Lines, Base);
        chart.SetLabelColors(Box, Border, Text, HiBox, HiBorder, HiText);
        chart.AddSection(pie.Caption, Qt::red, 180.0);
        chart.AddSection({}, Base, 180.0);
        chart.HighlightIndex = pie.Highlight;
        chart.EndUpdate();
        const QImage& image = surface.Image();
        const std::string which = pie.Caption.toStdString() + std::to_string(pie.Highlight);
        EXPECT_EQ(image.pixelColor(150, 60), pie.Radius) << which;
        EXPECT_EQ(image.pixelColor(150, 140), pie.Radius) << which;
        EXPECT_EQ(image.pixelColor(110, 100), QColor(Qt::red)) << which;
        EXPECT_EQ(image.pixelColor(190, 100), Base) << which;
        for (const QPoint p : {QPoint(150, 20), QPoint(229, 100), QPoint(150, 179)})
            EXPECT_EQ(image.pixelColor(p), pie.Outline) << which << " " << p.x() << "," << p.y();
    }
}

TEST(PieLifetime, DestructionPaintsNothing) {
    TRecordingSurface surface;
    TRecordingDisplay display;
    auto chart = std::make_unique<THPieChart>(&surface, 300, 200);
    chart->Display = &display;
    chart->AddSection(QStringLiteral("a"), Qt::red, 100.0);
    surface.Calls.clear();
    display.Shown.clear();
    chart.reset();
    EXPECT_TRUE(surface.Calls.empty());
    EXPECT_TRUE(display.Shown.empty());
}

} // namespace
