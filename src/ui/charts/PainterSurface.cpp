// A drawing surface over a QPainter that someone else keeps open.
#include "ui/charts/PainterSurface.h"

#include "ui/charts/ShapeGeometry.h"

#include <QFontMetrics>
#include <QPainter>

TPainterSurface::TPainterSurface(QPainter* painter) : Painter(painter) {}

void TPainterSurface::SetPainter(QPainter* painter) {
    Painter = painter;
}

bool TPainterSurface::Active() const {
    return Painter && Painter->isActive();
}

void TPainterSurface::SetPenColor(const QColor& color) {
    PenColorValue = color;
}

void TPainterSurface::SetBrushColor(const QColor& color) {
    BrushColorValue = color;
    BrushStyleValue = TBrushStyle::Solid;
}

void TPainterSurface::SetBrushStyle(TBrushStyle style) {
    BrushStyleValue = style;
}

void TPainterSurface::SetFontColor(const QColor& color) {
    FontColorValue = color;
}

void TPainterSurface::ApplyPenAndBrush() {
    QPen pen(PenColorValue, 1.0);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    Painter->setPen(pen);
    if (BrushStyleValue == TBrushStyle::Solid)
        Painter->setBrush(BrushColorValue);
    else
        Painter->setBrush(Qt::NoBrush);
}

void TPainterSurface::FillRect(const QRect& rect) {
    if (!Active() || BrushStyleValue == TBrushStyle::Clear)
        return;
    Painter->fillRect(rect, BrushColorValue);
}

void TPainterSurface::Ellipse(const QRect& box) {
    if (!Active() || box.width() <= 0 || box.height() <= 0)
        return;
    ApplyPenAndBrush();
    Painter->drawEllipse(OutlineRect(box));
}

void TPainterSurface::Pie(const QRect& box, const QPoint& start, const QPoint& end) {
    if (!Active() || box.width() <= 0 || box.height() <= 0)
        return;
    ApplyPenAndBrush();
    const TWedgeAngles angles = WedgeAngles(box, start, end);
    if (angles.Span >= 360 * 16)
        Painter->drawEllipse(OutlineRect(box));
    else
        Painter->drawPie(OutlineRect(box), angles.Start, angles.Span);
}

void TPainterSurface::Line(const QPoint& from, const QPoint& to) {
    if (!Active())
        return;
    ApplyPenAndBrush();
    Painter->drawLine(QPointF(from) + QPointF(0.5, 0.5), QPointF(to) + QPointF(0.5, 0.5));
}

void TPainterSurface::Rectangle(const QRect& rect) {
    if (!Active() || rect.width() <= 0 || rect.height() <= 0)
        return;
    ApplyPenAndBrush();
    Painter->drawRect(OutlineRect(rect));
}

void TPainterSurface::TextOut(const QPoint& pos, const QString& text) {
    if (!Active() || text.isEmpty())
        return;
    const QFontMetrics metrics = Painter->fontMetrics();
    if (BrushStyleValue == TBrushStyle::Solid)
        Painter->fillRect(QRect(pos, TextExtent(text)), BrushColorValue);
    Painter->setPen(FontColorValue);
    Painter->drawText(QPointF(pos.x(), pos.y() + metrics.ascent()), text);
}

QSize TPainterSurface::TextExtent(const QString& text) {
    if (!Active())
        return {};
    const QFontMetrics metrics = Painter->fontMetrics();
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void TPainterSurface::CopyToDisplay(TChartDisplay&, const QRect&) {}
