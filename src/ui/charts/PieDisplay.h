// The paint box that shows a chart on screen. It keeps the pixels last copied
// into it, so a chart can refresh one label box without a full repaint, and
// reports the mouse and its own resizing to whoever hosts the chart.
#pragma once

#include "ui/charts/ChartDisplay.h"

#include <QImage>
#include <QWidget>

class TPieDisplay : public QWidget, public TChartDisplay {
    Q_OBJECT
public:
    explicit TPieDisplay(QWidget* parent = nullptr);

    void ShowPicture(const QImage& source, const QRect& rect) override;

    // What is on screen, for tests and for grabbing without a paint.
    const QImage& Shown() const { return Backing; }

signals:
    void MouseMove(int x, int y);
    void MouseDown(Qt::MouseButton button, int x, int y);
    // After the new size is in place; a chart host resizes its bitmap and
    // repaints here.
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Hosts may hear of a resize before this widget does (event filters run
    // first), so every copy makes sure the backing store has the widget's size.
    void MatchBackingToSize();

    QImage Backing;
};
