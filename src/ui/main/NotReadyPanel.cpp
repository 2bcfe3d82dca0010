// The not-ready panel's picture and text, side by side.
#include "ui/main/NotReadyPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>

TNotReadyPanel::TNotReadyPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("panNotReady"));
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->addStretch(1);
    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture, 0, Qt::AlignTop);
    txtNotReady = new QPlainTextEdit(this);
    txtNotReady->setObjectName(QStringLiteral("txtNotReady"));
    txtNotReady->setReadOnly(true);
    txtNotReady->setFrameShape(QFrame::NoFrame);
    txtNotReady->setFocusPolicy(Qt::NoFocus);
    txtNotReady->setMaximumWidth(200);
    txtNotReady->setMinimumWidth(120);
    txtNotReady->viewport()->setAutoFillBackground(false);
    row->addWidget(txtNotReady, 1);
    row->addStretch(1);
}

QString TNotReadyPanel::Text() const {
    return txtNotReady->toPlainText();
}

void TNotReadyPanel::SetText(const QString& text) {
    // The texts keep their CR LF line ends; the memo shows plain lines.
    txtNotReady->setPlainText(QString(text).remove(QLatin1Char('\r')));
}

void TNotReadyPanel::SetColor(const QColor& color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
}
