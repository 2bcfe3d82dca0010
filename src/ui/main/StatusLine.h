// The status bar: panel 0 with the current path (or the folder being read),
// panel 1 with the drive's cluster size; a hint takes the whole bar while
// the pointer is on a command, and panel 0's own text comes back after it.
#pragma once

#include <QStatusBar>

class QLabel;

class TStatusLine : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent);

    void SetText(int panel, const QString& text);
    // Shows hint over the bar; an empty hint (or ":", the bar's own) ends
    // it, and panel 0 shows `back`, or its own text when back is empty.
    void ShowHint(const QString& hint, const QString& back);
    // Panel 0's own text, which a hint covers for a while.
    const QString& OwnText() const { return Panel0Text; }

private:
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QString Panel0Text;
    bool HintShown = false;
};
