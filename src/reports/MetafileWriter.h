// Windows metafiles for the picture export: an enhanced metafile (EMF) or an
// older Windows metafile (WMF, with its placeable header), written with
// libUEMF as drawing records (pens, brushes, ellipses, pies, lines, text),
// not as a bitmap inside a metafile, so Windows programs can scale and edit
// the drawing. The operations are those of a GDI device context: shapes are
// outlined in the pen and filled with the brush, rectangles are half-open
// (right and bottom edges excluded) and pies run counter-clockwise.
#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

class TMetafileWriter {
public:
    enum class TKind { Emf, Wmf };

    // A picture of `size` pixels (at 96 per inch) whose text is set in
    // `font`. Should libUEMF not start it, or a record not be made (memory
    // running out), the writer keeps that failure, draws nothing more, and
    // Finish gives it back.
    TMetafileWriter(TKind kind, const QSize& size, const QFont& font);
    ~TMetafileWriter();
    TMetafileWriter(const TMetafileWriter&) = delete;
    TMetafileWriter& operator=(const TMetafileWriter&) = delete;

    void SetPen(const QColor& color);
    void SetBrush(const QColor& color);
    void SetNullBrush();
    void SetTextColor(const QColor& color);

    void Rectangle(const QRect& rect);
    void Ellipse(const QRect& box);
    // The wedge of the ellipse in `box` from the ray through `start` to the
    // ray through `end`.
    void Pie(const QRect& box, const QPoint& start, const QPoint& end);
    void Line(const QPoint& from, const QPoint& to);
    // `text` with its top-left corner at `pos`, on a clear background. A WMF
    // holds 8-bit text only: characters outside Windows-1252 become "?".
    void TextOut(const QPoint& pos, const QString& text);

    // Ends the drawing and gives the metafile's bytes, or the first failure.
    // Nothing can be drawn afterwards.
    TResult<QByteArray> Finish();

private:
    struct TState;
    void Append(char* record);
    // Appends `create`, which made object `created`, selects it in place of
    // the object in `slot` and deletes that one.
    void Replace(std::uint32_t& slot, std::uint32_t created, char* create);
    void SetBrushOf(std::uint32_t style, const QColor& color);

    std::unique_ptr<TState> State;
};
