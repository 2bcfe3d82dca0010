// A small gauge that shows a value between a minimum and a maximum as a pie
// slice growing clockwise from 12 o'clock, optionally with the percentage
// written across it in the inverse of the colours beneath.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

enum class TGaugeBorderStyle { None, Single };

class TSimplePieGauge : public QWidget {
    Q_OBJECT
public:
    explicit TSimplePieGauge(QWidget* parent = nullptr);

    bool ShowText() const { return TextShown; }
    void SetShowText(bool value);
    TGaugeBorderStyle BorderStyle() const { return Border; }
    void SetBorderStyle(TGaugeBorderStyle value);
    // The control's background, around the disc: the palette's window colour,
    // inherited from the parent until set.
    QColor Color() const;
    void SetColor(const QColor& value);
    QColor ForeColor() const { return Fore; }
    void SetForeColor(const QColor& value);
    QColor BackColor() const { return Back; }
    void SetBackColor(const QColor& value);
    QColor BorderColor() const { return Outline; }
    void SetBorderColor(const QColor& value);

    int MinValue() const { return Minimum; }
    // Throws std::out_of_range above MaxValue; raises Progress when needed.
    void SetMinValue(int value);
    int MaxValue() const { return Maximum; }
    // Throws std::out_of_range below MinValue; lowers Progress when needed.
    void SetMaxValue(int value);
    int Progress() const { return Current; }
    // Clamped into [MinValue, MaxValue]; repaints only when the shown
    // percentage changes.
    void SetProgress(int value);
    // Whole percent of the range covered, truncated; 0 for an empty range.
    int PercentDone() const;

    // The control's picture, composed off-screen exactly as painted.
    QImage Compose() const;

    QSize sizeHint() const override { return QSize(100, 100); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect PaintRect() const;
    void DrawPie(QImage& target, const QRect& r) const;
    void DrawText(QImage& image, const QRect& r) const;

    bool TextShown = true;
    TGaugeBorderStyle Border = TGaugeBorderStyle::Single;
    QColor Fore{Qt::black};
    QColor Back{Qt::white};
    QColor Outline{Qt::black};
    int Minimum = 0;
    int Maximum = 100;
    int Current = 0;
};
