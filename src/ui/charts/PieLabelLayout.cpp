// Where the pie's labels go.
#include "ui/charts/PieLabelLayout.h"

#include "ui/charts/ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The box's border around the text.
constexpr int PadX = 4;
constexpr int PadY = 2;

struct TPlan {
    std::size_t Index;
    double Middle;
    double Angle;
    QRect Box;
    bool Moved = false;
};

// Half the width of the circle of `radius` around `centre` over the rows of
// `box` (at the row nearest the centre), or -1 when those rows miss it.
int HalfWidthOver(const QPoint& centre, int radius, const QRect& box) {
    int dy = 0;
    if (box.bottom() < centre.y())
        dy = centre.y() - box.bottom();
    else if (box.top() > centre.y())
        dy = box.top() - centre.y();
    if (dy > radius)
        return -1;
    return int(std::ceil(std::sqrt(double(radius) * radius - double(dy) * dy)));
}

// `text` cut in the middle to at most `width`, or empty when too little of
// it would remain to name anything.
QString Shortened(const QString& text, int width, const TTextMeasure& measure) {
    if (measure(text).width() <= width)
        return text;
    const auto cut = [&text](int kept) {
        int head = (kept + 1) / 2;
        int tail = kept - head;
        // Never half a surrogate pair.
        if (head > 0 && text[head - 1].isHighSurrogate())
            --head;
        if (tail > 0 && text[text.size() - tail].isLowSurrogate())
            --tail;
        return text.left(head) + QChar(0x2026) + text.right(tail);
    };
    constexpr int fewest = 4;
    int low = 0;
    int high = int(text.size()) - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (measure(cut(middle)).width() <= width)
            low = middle;
        else
            high = middle - 1;
    }
    if (low < fewest || measure(cut(low)).width() > width)
        return {};
    return cut(low);
}

} // namespace

QPoint PiePointAt(const QPoint& centre, double angle, int radius) {
    const double radians = angle * std::numbers::pi / 180.0;
    const int dx = RoundHalfEven(radius * std::sin(radians));
    const int dy = RoundHalfEven(radius * std::cos(radians));
    return QPoint(centre.x() - dx, centre.y() - dy);
}

std::vector<TPieLabelPlace> LayOutPieLabels(const TPieLabelFrame& frame,
                                            const std::vector<TPieLabelRequest>& labels,
                                            const TTextMeasure& measure) {
    // Labels go where the chart's rule puts them: at the end of a short
    // leader beyond the rim, on the side away from the disc. Small
    // neighbouring sections put theirs on top of each other, and labels near
    // the top or bottom can leave the area; those, and only those, move up
    // or down to the nearest free place and slide along the rim to stay
    // outside the disc, with the leader drawn to where they went. Labels on
    // the left and on the right of the disc are separated independently.
    const QPoint centre = frame.Centre;
    const int reach = frame.Radius + frame.Leader;
    const QRect& area = frame.Area;
    std::vector<TPieLabelPlace> places(labels.size());
    std::vector<TPlan> sides[2];
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const TPieLabelRequest& label = labels[i];
        places[i].Text = label.Text;
        QPoint pos = PiePointAt(centre, label.Middle, reach);
        const QSize extent = measure(label.Text);
        if (label.Middle < 180.0)
            pos.rx() -= extent.width();
        if (label.Middle < 90.0 || label.Middle > 270.0)
            pos.ry() -= extent.height();
        sides[label.Middle < 180.0 ? 0 : 1].push_back(
            {i, label.Middle, label.Angle,
             QRect(pos - QPoint(PadX, PadY), extent + QSize(2 * PadX, 2 * PadY))});
    }
    for (int side = 0; side < 2; ++side) {
        std::vector<TPlan>& plans = sides[side];
        // More labels than the height holds: the smallest sections go unlabelled.
        auto height = [&plans] {
            int sum = 0;
            for (const TPlan& p : plans)
                sum += p.Box.height();
            return sum;
        };
        while (!plans.empty() && height() > area.height())
            plans.erase(
                std::min_element(plans.begin(), plans.end(),
                                 [](const auto& a, const auto& b) { return a.Angle < b.Angle; }));
        // Top to bottom along the rim: on the left the angles grow downwards,
        // on the right they shrink; so the labels keep the sections' order.
        std::stable_sort(plans.begin(), plans.end(), [side](const auto& a, const auto& b) {
            return side == 0 ? a.Middle < b.Middle : a.Middle > b.Middle;
        });
        int floor = area.top();
        for (TPlan& p : plans) {
            if (p.Box.top() < floor) {
                p.Box.moveTop(floor);
                p.Moved = true;
            }
            floor = p.Box.top() + p.Box.height();
        }
        int ceiling = area.top() + area.height();
        for (auto p = plans.rbegin(); p != plans.rend(); ++p) {
            if (p->Box.top() + p->Box.height() > ceiling) {
                p->Box.moveTop(ceiling - p->Box.height());
                p->Moved = true;
            }
            ceiling = p->Box.top();
        }
        for (TPlan& p : plans) {
            if (p.Moved) {
                // Beside the disc, just clear of the circle the leaders end on.
                const int dx = std::max(HalfWidthOver(centre, reach, p.Box), 0);
                if (side == 0)
                    p.Box.moveRight(std::min(centre.x() - dx, area.right()));
                else
                    p.Box.moveLeft(std::max(centre.x() + dx, area.left()));
            }
            // A label running out of the area comes back in as far as the
            // disc leaves room at its height; what still sticks out is cut
            // below.
            const int half = HalfWidthOver(centre, reach, p.Box);
            if (side == 0 && p.Box.left() < area.left()) {
                const int limit = half < 0 ? area.right() : centre.x() - half;
                const int shift = std::min(area.left() - p.Box.left(), limit - p.Box.right());
                if (shift > 0) {
                    p.Box.translate(shift, 0);
                    p.Moved = true;
                }
            } else if (side == 1 && p.Box.right() > area.right()) {
                const int limit = half < 0 ? area.left() : centre.x() + half;
                const int shift = std::min(p.Box.right() - area.right(), p.Box.left() - limit);
                if (shift > 0) {
                    p.Box.translate(-shift, 0);
                    p.Moved = true;
                }
            }
        }
    }
    // Near the top and the bottom the two sides meet; a right-hand label that
    // runs into a left-hand one moves right, away from the disc or along its
    // rows above or below it.
    for (TPlan& r : sides[1])
        for (const TPlan& l : sides[0])
            if (r.Box.intersects(l.Box)) {
                r.Box.moveLeft(l.Box.right() + 1);
                r.Moved = true;
            }

    for (int side = 0; side < 2; ++side)
        for (TPlan& p : sides[side]) {
            TPieLabelPlace& place = places[p.Index];
            // Cut to the area, keeping the edge nearer the disc: the box only
            // shrinks, so it stays clear of the disc and of the other labels.
            const int left = std::max(p.Box.left(), area.left());
            const int right = std::min(p.Box.right(), area.right());
            if (left != p.Box.left() || right != p.Box.right()) {
                place.Text = Shortened(place.Text, right - left + 1 - 2 * PadX, measure);
                if (place.Text.isEmpty())
                    continue;
                const int width = measure(place.Text).width() + 2 * PadX;
                if (side == 0)
                    p.Box.setLeft(p.Box.right() + 1 - width);
                else
                    p.Box.setWidth(width);
            }
            place.Shown = true;
            place.Box = p.Box;
            if (!p.Moved) {
                place.LeaderEnd = PiePointAt(centre, p.Middle, reach);
                continue;
            }
            // The point of the box nearest the section's rim point.
            const QPoint rim = PiePointAt(centre, p.Middle, frame.Radius);
            place.LeaderEnd = QPoint(std::clamp(rim.x(), p.Box.left(), p.Box.right()),
                                     std::clamp(rim.y(), p.Box.top(), p.Box.bottom()));
        }
    return places;
}
