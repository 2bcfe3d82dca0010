// The off-screen bitmap that the pie page draws on and shows: a drawing
// surface that owns its picture and can copy parts of it to a display.
#pragma once

#include "ui/charts/PainterSurface.h"

#include <QImage>
#include <QPainter>

class TImageSurface : public TPainterSurface {
public:
    // A bitmap of `width` x `height` pixels, white until drawn on. Smooth
    // edges suit the screen; turning them off gives exact pixels.
    TImageSurface(int width, int height, bool antialiased = true);
    ~TImageSurface() override;
    TImageSurface(const TImageSurface&) = delete;
    TImageSurface& operator=(const TImageSurface&) = delete;

    // A new, white bitmap of the given size; an empty size leaves a surface
    // that ignores drawing until it is given a real one. The image object
    // stays the same, so pointers to Image() remain valid.
    void Resize(int width, int height);

    // The painter stays open on this image, and an open painter writes
    // through shared copies: keep a picture with Image().copy().
    const QImage& Image() const { return Bitmap; }

    // Where the drawing's (0, 0) lies in the bitmap; the display is given
    // the bitmap's own co-ordinates.
    void SetOrigin(const QPoint& origin);
    QPoint Origin() const { return DrawOrigin; }

    void CopyToDisplay(TChartDisplay& display, const QRect& rect) override;

protected:
    QSize BitmapSize() const { return Bitmap.size(); }

private:
    void Open();

    bool Antialiased;
    QImage Bitmap;
    QPainter Painter;
    QPoint DrawOrigin;
};
