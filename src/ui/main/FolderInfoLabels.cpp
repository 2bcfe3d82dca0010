// The folder pages' path label, click labels and page background.
#include "ui/main/FolderInfoLabels.h"

#include "shell/ShellPaths.h"

#include <QMouseEvent>

TPathLabel::TPathLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // The layout decides the width; the text follows it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TPathLabel::SetPath(const QString& path) {
    Full = path;
    IsPath = true;
    Refit();
}

void TPathLabel::SetPlainText(const QString& text) {
    Full = text;
    IsPath = false;
    Refit();
}

QSize TPathLabel::minimumSizeHint() const {
    return QSize(0, QLabel::minimumSizeHint().height());
}

void TPathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Refit();
}

void TPathLabel::Refit() {
    const int room = qMax(0, contentsRect().width() - 4);
    const QFontMetrics metrics(font());
    const QString shown =
        IsPath ? MinimizePath(Full, metrics, room) : metrics.elidedText(Full, Qt::ElideRight, room);
    if (text() != shown)
        setText(shown);
    setToolTip(shown == Full ? QString() : Full);
}

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnClick)
        OnClick();
}

TClickArea::TClickArea(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void TClickArea::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnClick)
        OnClick();
}

void UsePageBackground(QWidget* page) {
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    page->setPalette(palette);
    page->setAutoFillBackground(true);
}

void MakeBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}
