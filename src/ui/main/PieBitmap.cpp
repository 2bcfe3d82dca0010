#include "ui/main/PieBitmap.h"

void TPieBitmap::PlaceChart(const QPoint& origin, const QSize& chartSize) {
    SetOrigin(origin);
    ChartSize = chartSize;
}

void TPieBitmap::FillRect(const QRect& rect) {
    if (rect == QRect(QPoint(0, 0), ChartSize))
        TImageSurface::FillRect(QRect(-Origin(), BitmapSize()));
    else
        TImageSurface::FillRect(rect);
}
