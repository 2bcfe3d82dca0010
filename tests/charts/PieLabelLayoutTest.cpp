// Labels of many small neighbouring sections, as a folder like /usr gives
// them, and of a long name among larger sections: none overlaps another, none
// leaves the chart or covers the disc, moved labels are joined to their
// section, and a label that collides with nothing stays where the chart's
// rule puts it.
#include "RecordingSurface.h"

#include "ui/charts/HPieChart.h"
#include "ui/charts/PieLabelLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// How far the box's nearest pixel lies from `c`: a box reaching into a disc
// only with its middle (a long label over the hub) has all four corners
// outside it.
double Distance(const QRect& box, const QPoint& c) {
    const int x = std::clamp(c.x(), box.left(), box.right());
    const int y = std::clamp(c.y(), box.top(), box.bottom());
    return std::hypot(x - c.x(), y - c.y());
}

struct TLabelBox {
    QRect Box;
    QPoint LeaderEnd;
};

// Paints a chart of one large section ("share") followed by many small ones,
// and gives the label boxes of the sections that got a label.
std::vector<TLabelBox> Labels(bool smallCaptions, THPieChart*& kept,
                              std::unique_ptr<THPieChart>& owner, TRecordingSurface& surface) {
    owner = std::make_unique<THPieChart>(&surface, 640, 420);
    THPieChart& chart = *owner;
    kept = &chart;
    chart.BeginUpdate();
    chart.MinLabelAngle = 1.0;
    chart.AddSection(QStringLiteral("share (72%)"), Qt::red, 260.0);
    const char* names[] = {"include",    "bin",    "lib",   "libexec", "sbin",
                           "src",        "games",  "local", "lib32",   "libx32",
                           "share-docs", "locale", "man",   "info",    "doc"};
    for (int i = 0; i < 15; ++i)
        chart.AddSection(smallCaptions ? QString::fromLatin1(names[i]) : QString(),
                         QColor(i * 16, 200, 100), i < 8 ? 2.0 : 10.0);
    chart.EndUpdate();
    std::vector<TLabelBox> boxes;
    for (int i = 0; i < chart.SectionCount(); ++i) {
        const TPieSection& s = *chart.GetSection(i);
        if (s.Labelled)
            boxes.push_back(
                {QRect(s.LabelPos - QPoint(4, 2), surface.TextExtent(s.Caption) + QSize(8, 4)),
                 s.LeaderEnd});
    }
    return boxes;
}

TEST(PieLabelLayout, CrowdedLabelsMoveApartAndStayOnTheChart) {
    TRecordingSurface surface;
    THPieChart* chart = nullptr;
    std::unique_ptr<THPieChart> owner;
    const std::vector<TLabelBox> boxes = Labels(true, chart, owner, surface);
    ASSERT_GE(boxes.size(), 10u);
    const QRect area(0, 0, chart->Width(), chart->Height());
    const QPoint c = chart->Centre();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const QRect& box = boxes[i].Box;
        EXPECT_TRUE(area.contains(box)) << i;
        EXPECT_GT(Distance(box, c), chart->DiscRadius()) << i;
        // The leader ends on the box.
        EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(boxes[i].LeaderEnd)) << i;
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(box.intersects(boxes[j].Box)) << i << " and " << j;
    }
    // Every leader is drawn from the rim to its label.
    int leaders = 0;
    for (const TDrawCall& line : surface.Of(TDrawCall::Line))
        for (const TLabelBox& b : boxes)
            leaders += line.To == b.LeaderEnd;
    EXPECT_GE(leaders, int(boxes.size()));

    // The large section's label collides with nothing: it is where it is on
    // a chart without the other labels.
    TRecordingSurface alone;
    THPieChart* single = nullptr;
    std::unique_ptr<THPieChart> singleOwner;
    const std::vector<TLabelBox> only = Labels(false, single, singleOwner, alone);
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(boxes.front().Box, only.front().Box);
}

TEST(PieLabelLayout, LongNameOfASmallSectionStaysOffTheDiscWhereverItSits) {
    const TTextMeasure measure = [](const QString& text) {
        return QSize(TRecordingSurface::CharWidth * int(text.size()),
                     TRecordingSurface::TextHeight);
    };
    const QString name =
        QStringLiteral("a rather long folder name that takes up most of the width");
    const QString caption = name + QStringLiteral(" (2%)");
    // Larger sections around the pie; the long one, 2 %, is moved all round
    // it, in a picture as narrow as the chart's own area and in a wider one.
    const TPieLabelFrame frames[] = {{QPoint(200, 170), 150, 10, QRect(0, 0, 400, 340)},
                                     {QPoint(200, 170), 150, 10, QRect(-150, -40, 700, 420)}};
    for (const TPieLabelFrame& frame : frames)
        for (int middle = 0; middle < 360; middle += 3) {
            std::vector<TPieLabelRequest> labels = {
                {72, 144, QStringLiteral("big (40%)")},   {198, 108, QStringLiteral("mid (30%)")},
                {288, 72, QStringLiteral("small (20%)")}, {335, 18, QStringLiteral("four (5%)")},
                {349, 11, QStringLiteral("three (3%)")},  {double(middle), 7.2, caption}};
            const std::vector<TPieLabelPlace> places = LayOutPieLabels(frame, labels, measure);
            ASSERT_EQ(places.size(), labels.size());
            for (std::size_t i = 0; i < places.size(); ++i) {
                const TPieLabelPlace& p = places[i];
                if (!p.Shown)
                    continue;
                SCOPED_TRACE(testing::Message()
                             << middle << "° label " << i << " " << testing::PrintToString(p.Box));
                EXPECT_TRUE(frame.Area.contains(p.Box));
                EXPECT_GT(Distance(p.Box, frame.Centre), frame.Radius);
                EXPECT_TRUE(p.Box.adjusted(-1, -1, 1, 1).contains(p.LeaderEnd));
                // The text fits its box; shortened text keeps both ends.
                EXPECT_EQ(p.Box.size(), measure(p.Text) + QSize(8, 4));
                if (p.Text != labels[i].Text) {
                    EXPECT_TRUE(p.Text.startsWith(labels[i].Text.left(2))) << p.Text.toStdString();
                    EXPECT_TRUE(p.Text.endsWith(QChar(0x2026) + labels[i].Text.right(1)) ||
                                p.Text.endsWith(labels[i].Text.right(2)))
                        << p.Text.toStdString();
                }
                for (std::size_t j = i + 1; j < places.size(); ++j)
                    EXPECT_FALSE(places[j].Shown && p.Box.intersects(places[j].Box)) << j;
            }
            // The large sections keep their labels, and the long name keeps
            // one in the wider picture.
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_TRUE(places[i].Shown) << middle;
            if (frame.Area.width() > 600) {
                EXPECT_TRUE(places.back().Shown) << middle;
            }
        }
}

} // namespace
