// A drawing surface that writes down what a chart asks of it, with text of a
// fixed size per character, so tests can check the chart's geometry exactly
// without depending on fonts or antialiasing.
#pragma once

#include "QtPrinting.h"

#include "ui/charts/ChartDisplay.h"
#include "ui/charts/DrawSurface.h"

#include <QImage>

#include <vector>

struct TDrawCall {
    enum TKind { FillRect, Ellipse, Pie, Line, Rectangle, TextOut };
    TKind Kind;
    QRect Rect;  // FillRect, Ellipse, Pie (the box), Rectangle
    QPoint From; // Pie start, Line start, TextOut position
    QPoint To;   // Pie end, Line end
    QString Text;
    QColor Pen;
    QColor Brush;
    bool BrushClear = false;
    QColor Font;
};

class TRecordingSurface : public TDrawSurface {
public:
    static constexpr int CharWidth = 7;
    static constexpr int TextHeight = 13;

    void SetPenColor(const QColor& color) override { Pen = color; }
    void SetBrushColor(const QColor& color) override {
        Brush = color;
        BrushClear = false;
    }
    void SetBrushStyle(TBrushStyle style) override { BrushClear = style == TBrushStyle::Clear; }
    void SetFontColor(const QColor& color) override { Font = color; }
    void FillRect(const QRect& rect) override { Add(TDrawCall::FillRect).Rect = rect; }
    void Ellipse(const QRect& box) override { Add(TDrawCall::Ellipse).Rect = box; }
    void Pie(const QRect& box, const QPoint& start, const QPoint& end) override {
        TDrawCall& call = Add(TDrawCall::Pie);
        call.Rect = box;
        call.From = start;
        call.To = end;
    }
    void Line(const QPoint& from, const QPoint& to) override {
        TDrawCall& call = Add(TDrawCall::Line);
        call.From = from;
        call.To = to;
    }
    void Rectangle(const QRect& rect) override { Add(TDrawCall::Rectangle).Rect = rect; }
    void TextOut(const QPoint& pos, const QString& text) override {
        TDrawCall& call = Add(TDrawCall::TextOut);
        call.From = pos;
        call.Text = text;
    }
    QSize TextExtent(const QString& text) override {
        return QSize(CharWidth * int(text.size()), TextHeight);
    }
    void CopyToDisplay(TChartDisplay& display, const QRect& rect) override {
        display.ShowPicture(QImage(), rect);
    }

    std::vector<TDrawCall> Of(TDrawCall::TKind kind) const {
        std::vector<TDrawCall> found;
        for (const TDrawCall& call : Calls)
            if (call.Kind == kind)
                found.push_back(call);
        return found;
    }

    std::vector<TDrawCall> Calls;

private:
    TDrawCall& Add(TDrawCall::TKind kind) {
        TDrawCall call{kind, {}, {}, {}, {}, Pen, Brush, BrushClear, Font};
        Calls.push_back(call);
        return Calls.back();
    }

    QColor Pen{Qt::black};
    QColor Brush{Qt::white};
    bool BrushClear = false;
    QColor Font{Qt::black};
};

// A display that remembers which rectangles it was asked to show.
class TRecordingDisplay : public TChartDisplay {
public:
    void ShowPicture(const QImage&, const QRect& rect) override { Shown.push_back(rect); }
    std::vector<QRect> Shown;
};
