// The on-screen side of a chart: whatever shows a chart's off-screen picture.
// Charts never paint a window themselves; they hand finished pixels to a
// display, which keeps them until the next copy.
#pragma once

#include <QRect>

class QImage;

class TChartDisplay {
public:
    virtual ~TChartDisplay() = default;

    // Shows `rect` of `source` at the same place on screen. A rectangle that
    // reaches past either side is cut to what both have.
    virtual void ShowPicture(const QImage& source, const QRect& rect) = 0;
};
