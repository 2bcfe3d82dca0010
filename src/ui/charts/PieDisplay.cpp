// The paint box that shows a chart on screen.
#include "ui/charts/PieDisplay.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

TPieDisplay::TPieDisplay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TPieDisplay::MatchBackingToSize() {
    if (Backing.size() == size())
        return;
    QImage resized(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    resized.fill(palette().color(backgroundRole()));
    if (!Backing.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, Backing);
    }
    Backing = resized;
}

void TPieDisplay::ShowPicture(const QImage& source, const QRect& rect) {
    MatchBackingToSize();
    const QRect area = rect & source.rect() & Backing.rect();
    if (area.isEmpty())
        return;
    {
        QPainter painter(&Backing);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area.topLeft(), source, area);
    }
    update(area);
}

void TPieDisplay::paintEvent(QPaintEvent* event) {
    MatchBackingToSize();
    QPainter painter(this);
    painter.drawImage(event->rect(), Backing, event->rect());
}

void TPieDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    MatchBackingToSize();
    emit Resized();
}

void TPieDisplay::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit MouseMove(pos.x(), pos.y());
}

void TPieDisplay::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit MouseDown(event->button(), pos.x(), pos.y());
}
