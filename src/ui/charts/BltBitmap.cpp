// The pie gauge's scratch bitmap.
#include "ui/charts/BltBitmap.h"

#include <QGuiApplication>
#include <QPalette>

void TBltBitmap::MakeLike(const QImage& image) {
    QImage::operator=(QImage(image.size(), QImage::Format_RGB32));
    // Qt's palettes have no colour for window frames; frames are drawn in the
    // window text colour, black in ordinary themes.
    fill(QGuiApplication::palette().color(QPalette::WindowText));
}
