// Labels of many small neighbouring sections, as a folder like /usr gives
// them: none overlaps another, none leaves the chart or covers the disc,
// moved labels are joined to their section, and a label that collides with
// nothing stays where the chart's rule puts it.
#include "RecordingSurface.h"

#include "ui/charts/HPieChart.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

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
        // No corner of a box lies on the disc.
        for (const QPoint corner :
             {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            EXPECT_GE(std::hypot(corner.x() - c.x(), corner.y() - c.y()), chart->DiscRadius()) << i;
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

} // namespace
