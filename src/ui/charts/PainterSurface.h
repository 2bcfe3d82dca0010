// A drawing surface over a QPainter that someone else keeps open: the screen
// bitmap (TImageSurface) and, later, the SVG, PDF and printer exports, which
// own their painter for the life of one document.
#pragma once

#include "ui/charts/DrawSurface.h"

class QPainter;

class TPainterSurface : public TDrawSurface {
public:
    // `painter` must stay active while the surface is drawn on; a null or
    // inactive painter turns every operation into nothing.
    explicit TPainterSurface(QPainter* painter);

    void SetPenColor(const QColor& color) override;
    void SetBrushColor(const QColor& color) override;
    void SetBrushStyle(TBrushStyle style) override;
    void SetFontColor(const QColor& color) override;

    void FillRect(const QRect& rect) override;
    void Ellipse(const QRect& box) override;
    void Pie(const QRect& box, const QPoint& start, const QPoint& end) override;
    void Line(const QPoint& from, const QPoint& to) override;
    void Rectangle(const QRect& rect) override;
    void TextOut(const QPoint& pos, const QString& text) override;
    QSize TextExtent(const QString& text) override;

    // Vector targets keep no pixels to show.
    void CopyToDisplay(TChartDisplay& display, const QRect& rect) override;

protected:
    // For surfaces that open their painter after this base is built.
    void SetPainter(QPainter* painter);
    bool Active() const;

private:
    // Pen and brush are applied before every operation rather than kept in
    // the painter, because a painter may be shared with other drawing and is
    // reopened when a bitmap changes size.
    void ApplyPenAndBrush();

    QPainter* Painter;
    QColor PenColorValue{Qt::black};
    QColor BrushColorValue{Qt::white};
    TBrushStyle BrushStyleValue = TBrushStyle::Solid;
    QColor FontColorValue{Qt::black};
};
