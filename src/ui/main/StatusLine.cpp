// The status bar's two panels and its hints.
#include "ui/main/StatusLine.h"

#include <QLabel>

namespace {

constexpr int StatusPanel1Width = 150;

} // namespace

TStatusLine::TStatusLine(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("TheStatusBar"));
    setStatusTip(QStringLiteral(":"));
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFrameShape(QFrame::Panel);
    StatusPanel0->setFrameShadow(QFrame::Sunken);
    StatusPanel0->setMinimumWidth(1);
    StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusPanel0->setTextFormat(Qt::PlainText);
    addWidget(StatusPanel0, 1);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFrameShape(QFrame::Panel);
    StatusPanel1->setFrameShadow(QFrame::Sunken);
    StatusPanel1->setFixedWidth(StatusPanel1Width);
    addPermanentWidget(StatusPanel1);
}

void TStatusLine::SetText(int panel, const QString& text) {
    if (panel == 0) {
        Panel0Text = text;
        if (!HintShown)
            StatusPanel0->setText(text);
    } else {
        StatusPanel1->setText(text);
    }
}

void TStatusLine::ShowHint(const QString& hint, const QString& back) {
    if (!hint.isEmpty() && hint != QLatin1String(":")) {
        HintShown = true;
        StatusPanel0->setFrameShape(QFrame::NoFrame);
        StatusPanel0->setText(hint);
        StatusPanel1->hide();
    } else {
        HintShown = false;
        StatusPanel0->setFrameShape(QFrame::Panel);
        StatusPanel0->setText(back.isEmpty() ? Panel0Text : back);
        StatusPanel1->show();
    }
}
