// The drawing surface that charts paint on. A small stateful canvas (pen,
// brush, font colour) with the few operations the pie chart needs, so that the
// screen bitmap and every export format are surfaces of their own and the
// chart's code never changes with the target.
//
// Rectangles are half-open, as pixel areas are: QRect(x, y, w, h) covers the
// columns x .. x + w - 1 and the rows y .. y + h - 1, outline included.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class TChartDisplay;

enum class TBrushStyle { Solid, Clear };

class TDrawSurface {
public:
    virtual ~TDrawSurface() = default;

    virtual void SetPenColor(const QColor& color) = 0;
    // Giving the brush a colour makes it solid again, so a caller that
    // cleared it for an outline or for text need not restore it.
    virtual void SetBrushColor(const QColor& color) = 0;
    virtual void SetBrushStyle(TBrushStyle style) = 0;
    virtual void SetFontColor(const QColor& color) = 0;

    // Fills with the brush and draws no outline.
    virtual void FillRect(const QRect& rect) = 0;
    // Ellipse inscribed in `box`: outline in the pen, inside in the brush
    // (left untouched while the brush is clear).
    virtual void Ellipse(const QRect& box) = 0;
    // Wedge of the ellipse inscribed in `box`, running counter-clockwise from
    // the ray through `start` to the ray through `end` (both from the box's
    // centre). When both rays coincide the whole ellipse is drawn.
    virtual void Pie(const QRect& box, const QPoint& start, const QPoint& end) = 0;
    // A line in the pen from `from` to `to`.
    virtual void Line(const QPoint& from, const QPoint& to) = 0;
    // Outline in the pen, inside in the brush.
    virtual void Rectangle(const QRect& rect) = 0;
    // Writes `text` in the font colour with its top-left corner at `pos`; the
    // cell behind it is filled with the brush unless the brush is clear.
    virtual void TextOut(const QPoint& pos, const QString& text) = 0;
    // Width and height of `text` in the surface's font.
    virtual QSize TextExtent(const QString& text) = 0;

    // Copies `rect` of what was drawn so far to `display`. Surfaces without
    // pixels (vector formats) have nothing to copy and do nothing.
    virtual void CopyToDisplay(TChartDisplay& display, const QRect& rect) = 0;
};
