// A small pie gauge with its percentage written across it.
#include "ui/charts/SimplePieGauge.h"

#include "ui/charts/BltBitmap.h"
#include "ui/charts/ShapeGeometry.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace {

std::out_of_range RangeError(std::int64_t low, std::int64_t high) {
    return std::out_of_range(
        QStringLiteral("Value must be between %1 and %2").arg(low).arg(high).toStdString());
}

// Bitwise exclusive-or of `overlay` into `image`: black leaves a pixel as it
// is and white inverts it.
void CombineXor(QImage& image, const QImage& overlay) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(0, 0, overlay);
}

} // namespace

TSimplePieGauge::TSimplePieGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void TSimplePieGauge::SetShowText(bool value) {
    if (value == TextShown)
        return;
    TextShown = value;
    update();
}

void TSimplePieGauge::SetBorderStyle(TGaugeBorderStyle value) {
    if (value == Border)
        return;
    Border = value;
    update();
}

QColor TSimplePieGauge::Color() const {
    return palette().color(QPalette::Window);
}

void TSimplePieGauge::SetColor(const QColor& value) {
    if (value == Color())
        return;
    QPalette changed = palette();
    changed.setColor(QPalette::Window, value);
    setPalette(changed);
    update();
}

void TSimplePieGauge::SetForeColor(const QColor& value) {
    if (value == Fore)
        return;
    Fore = value;
    update();
}

void TSimplePieGauge::SetBackColor(const QColor& value) {
    if (value == Back)
        return;
    Back = value;
    update();
}

void TSimplePieGauge::SetBorderColor(const QColor& value) {
    if (value == Outline)
        return;
    Outline = value;
    update();
}

void TSimplePieGauge::SetMinValue(int value) {
    if (value > Maximum)
        throw RangeError(-std::int64_t(std::numeric_limits<int>::max()), std::int64_t(Maximum) - 1);
    if (value == Minimum)
        return;
    Minimum = value;
    if (Current < value)
        Current = value;
    update();
}

void TSimplePieGauge::SetMaxValue(int value) {
    if (value < Minimum)
        throw RangeError(std::int64_t(Minimum) + 1, std::numeric_limits<int>::max());
    if (value == Maximum)
        return;
    Maximum = value;
    if (Current > value)
        Current = value;
    update();
}

void TSimplePieGauge::SetProgress(int value) {
    const int clamped = std::clamp(value, Minimum, Maximum);
    if (clamped == Current)
        return;
    const int before = PercentDone();
    Current = clamped;
    if (PercentDone() != before)
        update();
}

int TSimplePieGauge::PercentDone() const {
    if (Maximum == Minimum)
        return 0;
    // In 64 bits: a range wider than half the int range overflows in 32.
    const double done =
        double(std::int64_t(Current) - Minimum) * 100.0 / double(std::int64_t(Maximum) - Minimum);
    return int(std::trunc(done));
}

QRect TSimplePieGauge::PaintRect() const {
    QRect r = rect();
    if (Border == TGaugeBorderStyle::Single)
        r.adjust(1, 1, -1, -1);
    return r;
}

QImage TSimplePieGauge::Compose() const {
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::black);
    const QRect r = PaintRect();

    TBltBitmap overlay;
    overlay.MakeLike(image);
    overlay.fill(Qt::black);
    DrawPie(overlay, r);
    CombineXor(image, overlay);

    if (TextShown)
        DrawText(image, r);
    return image;
}

void TSimplePieGauge::DrawPie(QImage& target, const QRect& r) const {
    // The disc's box runs from the paint rectangle's corner to (W, H), so a
    // border leaves one black pixel on every side of the disc.
    int w = r.width();
    int h = r.height();
    if (Border == TGaugeBorderStyle::Single) {
        ++w;
        ++h;
    }
    const QRect box(r.left(), r.top(), w - r.left(), h - r.top());

    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(r, Color());
    if (box.width() <= 0 || box.height() <= 0)
        return;

    painter.setPen(QPen(Outline, 1.0));
    painter.setBrush(Back);
    painter.drawEllipse(OutlineRect(box));

    const int percent = PercentDone();
    if (percent > 0) {
        const int mx = w / 2;
        const int my = h / 2;
        const double a = (percent / 50.0 + 0.5) * std::numbers::pi;
        const QPoint start(RoundHalfEven(mx * (1.0 - std::cos(a))),
                           RoundHalfEven(my * (1.0 - std::sin(a))));
        const TWedgeAngles angles = WedgeAngles(box, start, QPoint(mx, 0));
        painter.setPen(QPen(Fore, 1.0));
        painter.setBrush(Fore);
        if (angles.Span >= 360 * 16)
            painter.drawEllipse(OutlineRect(box));
        else
            painter.drawPie(OutlineRect(box), angles.Start, angles.Span);
    }

    painter.setPen(QPen(Outline, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(OutlineRect(box));
}

void TSimplePieGauge::DrawText(QImage& image, const QRect& r) const {
    TBltBitmap textImage;
    textImage.MakeLike(image);
    textImage.fill(Qt::black);

    const QString text = QStringLiteral("%1%").arg(PercentDone());
    QFont textFont = font();
    // Smoothed edges would come out as stray colours once inverted.
    textFont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(textFont, &image);
    const int x = (r.width() + 1 - metrics.horizontalAdvance(text)) / 2;
    const int y = (r.height() + 1 - metrics.height()) / 2;
    {
        QPainter painter(&textImage);
        painter.setFont(textFont);
        painter.setPen(Qt::white);
        painter.setClipRect(r);
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }
    CombineXor(image, textImage);
}

void TSimplePieGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Compose());
}
