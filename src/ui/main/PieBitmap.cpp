// The pie page's off-screen bitmap, with the chart's area placed inside it.
#include "ui/main/PieBitmap.h"

#include "ui/charts/TChartDisplay.h"

TPieBitmap::TPieBitmap() : TPainterSurface(nullptr) {}

TPieBitmap::~TPieBitmap() {
    if (Painter.isActive())
        Painter.end();
}

void TPieBitmap::Resize(int width, int height) {
    if (Painter.isActive())
        Painter.end();
    if (width <= 0 || height <= 0) {
        Bitmap = QImage();
        SetPainter(nullptr);
        return;
    }
    Bitmap = QImage(width, height, QImage::Format_RGB32);
    Bitmap.fill(Qt::white);
    Open();
}

void TPieBitmap::Open() {
    Painter.begin(&Bitmap);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setRenderHint(QPainter::TextAntialiasing);
    Painter.translate(Origin);
    SetPainter(&Painter);
}

void TPieBitmap::PlaceChart(const QPoint& origin, const QSize& chartSize) {
    Origin = origin;
    ChartSize = chartSize;
    if (Painter.isActive()) {
        Painter.resetTransform();
        Painter.translate(Origin);
    }
}

void TPieBitmap::FillRect(const QRect& rect) {
    if (rect == QRect(QPoint(0, 0), ChartSize))
        TPainterSurface::FillRect(QRect(-Origin, Bitmap.size()));
    else
        TPainterSurface::FillRect(rect);
}

void TPieBitmap::CopyToDisplay(TChartDisplay& display, const QRect& rect) {
    if (!Bitmap.isNull())
        display.ShowPicture(Bitmap, rect.translated(Origin));
}
