// The pie page's off-screen bitmap. The chart draws into an area of its own
// placed inside the bitmap, so that the page can leave room around the disc
// for the labels; the rest of the bitmap takes the chart's background.
#pragma once

#include "ui/charts/ImageSurface.h"

class TPieBitmap : public TImageSurface {
public:
    TPieBitmap() : TImageSurface(0, 0) {}

    // Where the chart's own area, of `chartSize`, lies in the bitmap.
    void PlaceChart(const QPoint& origin, const QSize& chartSize);
    QPoint ChartOrigin() const { return Origin(); }

    // The chart clears exactly its own area before it paints; the margins
    // around it are cleared with it, or old labels would linger there.
    void FillRect(const QRect& rect) override;

private:
    QSize ChartSize;
};
