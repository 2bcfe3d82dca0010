// The off-screen bitmap that the pie page draws on and shows.
#include "ui/charts/ImageSurface.h"

#include "ui/charts/ChartDisplay.h"

TImageSurface::TImageSurface(int width, int height, bool antialiased)
    : TPainterSurface(nullptr), Antialiased(antialiased) {
    Resize(width, height);
}

TImageSurface::~TImageSurface() {
    if (Painter.isActive())
        Painter.end();
}

void TImageSurface::Resize(int width, int height) {
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

void TImageSurface::Open() {
    Painter.begin(&Bitmap);
    Painter.setRenderHint(QPainter::Antialiasing, Antialiased);
    Painter.setRenderHint(QPainter::TextAntialiasing, Antialiased);
    Painter.translate(DrawOrigin);
    SetPainter(&Painter);
}

void TImageSurface::SetOrigin(const QPoint& origin) {
    DrawOrigin = origin;
    if (Painter.isActive()) {
        Painter.resetTransform();
        Painter.translate(DrawOrigin);
    }
}

void TImageSurface::CopyToDisplay(TChartDisplay& display, const QRect& rect) {
    if (!Bitmap.isNull())
        display.ShowPicture(Bitmap, rect.translated(DrawOrigin));
}
