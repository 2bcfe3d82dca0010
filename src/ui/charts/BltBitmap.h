// The pie gauge's scratch bitmap: an image that can take the size of another
// and start out in one known colour, ready to be combined pixel by pixel.
#pragma once

#include <QImage>

class TBltBitmap : public QImage {
public:
    TBltBitmap() = default;

    // Takes `image`'s width and height and fills every pixel with the colour
    // of window frames.
    void MakeLike(const QImage& image);
};
