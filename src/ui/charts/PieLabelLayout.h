// Where the pie's labels go, worked out as data from the disc, the room
// around it and the captions' sizes, so that the screen and every export
// place them alike and a test can check the places without painting.
//
// What holds for every label shown: its box lies inside the area and outside
// the disc, no two boxes overlap, and its leader ends on its box. A label
// that would not fit beside the disc at its height is shortened in the middle
// (the start of the name and its figure stay); one with no room left is not
// shown, as are the smallest sections' labels when a side of the disc has
// more of them than its height holds.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

// The point at `angle` degrees (0 up, growing counter-clockwise) on a circle
// of `radius` around `centre`, in whole pixels.
QPoint PiePointAt(const QPoint& centre, double angle, int radius);

struct TPieLabelFrame {
    QPoint Centre;
    int Radius = 0;
    int Leader = 10; // how far beyond the rim a label's leader ends
    QRect Area;      // where labels may go
};

struct TPieLabelRequest {
    double Middle = 0.0; // the middle of the section's arc, degrees
    double Angle = 0.0;  // the section's size: the smallest give way first
    QString Text;
};

struct TPieLabelPlace {
    bool Shown = false;
    QRect Box; // the label's box, border included
    QPoint LeaderEnd;
    QString Text; // the caption as it fits
};

// Width and height of a text in the font the labels are drawn in.
using TTextMeasure = std::function<QSize(const QString&)>;

// The places of `labels`, one for each, in the same order.
std::vector<TPieLabelPlace> LayOutPieLabels(const TPieLabelFrame& frame,
                                            const std::vector<TPieLabelRequest>& labels,
                                            const TTextMeasure& measure);
