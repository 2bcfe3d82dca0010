// The pie chart as a picture for other programs: a bitmap (BMP, PNG), a
// drawing (SVG, PDF) or a Windows metafile (EMF, WMF), saved to a file or put
// on the clipboard. The chart is not copied from the screen: it is pointed at
// a fresh surface of the on-screen picture's size, paints there, and is
// pointed back at its own canvas, also when the export fails.
#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <string>

class THPieChart;

enum class TPieFormat { Bmp, Wmf, Emf, Png, Svg, Pdf };

// The format a file name's extension asks for, in any letter case: .bmp and
// .png are bitmaps, .emf, .svg and .pdf are what they say, and anything else
// is a Windows metafile.
TPieFormat PieFormatOfName(const QString& fileName);
bool IsBitmapFormat(TPieFormat format);

// Where the picture goes and how large it is: `size` is the on-screen
// picture's, with the chart's own area placed at `origin` in it. The rest of
// the picture takes the chart's background.
struct TPieTarget {
    QSize Size;
    QPoint Origin;
};

// Writes a picture's bytes to a file (raw-byte path), or says why not.
using TPictureWriter = std::function<TStatus(const std::string& path, const QByteArray& bytes)>;

// A bitmap to `fileName` (BMP unless the name ends in .png), or to the
// clipboard as an image when the name is empty. The file is written by
// `write`, or at once when there is none.
TStatus ExportPieAsBitmap(const TPieTarget& target, THPieChart& chart, const QString& fileName,
                          const TPictureWriter& write = {});
// A drawing to `fileName` in the format its extension names (EMF, SVG, PDF,
// else WMF), or to the clipboard when the name is empty: SVG and EMF, with an
// image for programs that take nothing else.
TStatus ExportPieAsMetafile(const TPieTarget& target, THPieChart& chart, const QString& fileName,
                            const TPictureWriter& write = {});
// The picture's bytes in one format, as a file of that format holds them.
TResult<QByteArray> PiePictureBytes(const TPieTarget& target, THPieChart& chart, TPieFormat format);
