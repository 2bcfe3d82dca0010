// The pie page's off-screen bitmap. The chart draws into an area of its own
// placed inside the bitmap, so that the page can leave room around the disc
// for the labels; the rest of the bitmap takes the chart's background.
#pragma once

#include "ui/charts/TPainterSurface.h"

#include <QImage>
#include <QPainter>

class TPieBitmap : public TPainterSurface {
public:
    TPieBitmap();
    ~TPieBitmap() override;
    TPieBitmap(const TPieBitmap&) = delete;
    TPieBitmap& operator=(const TPieBitmap&) = delete;

    // A new, white bitmap of the given size; an empty size ignores drawing.
    // The image object stays the same, so pointers to Image() remain valid.
    void Resize(int width, int height);
    // Where the chart's own area, of `chartSize`, lies in the bitmap.
    void PlaceChart(const QPoint& origin, const QSize& chartSize);
    QPoint ChartOrigin() const { return Origin; }

    const QImage& Image() const { return Bitmap; }

    // The chart clears exactly its own area before it paints; the margins
    // around it are cleared with it, or old labels would linger there.
    void FillRect(const QRect& rect) override;
    void CopyToDisplay(TChartDisplay& display, const QRect& rect) override;

private:
    void Open();

    QImage Bitmap;
    QPainter Painter;
    QPoint Origin;
    QSize ChartSize;
};
