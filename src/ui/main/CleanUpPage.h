// The "Free Some Space" page: four ways to free the current folder's space
// (archive, move, trash, delete), each a panel that lights up and explains
// itself under the mouse. Never shown for a drive's root.
#pragma once

#include "ui/main/ContentPage.h"

#include <array>

class QLabel;
class QPlainTextEdit;
class TPathLabel;
class TSensitivePanel;

class TCleanUpPage : public TContentPage {
    Q_OBJECT
public:
    TCleanUpPage(TPageHost& host, QWidget* parent);

    void Fill() override;
    void Layout() override {}

    // The text the hint area shows for a label's tag (0: no panel under the mouse).
    static QString Hint(int tag);

    QWidget* panWebCleanUpPath = nullptr;
    TPathLabel* txtWebCleanUpPath = nullptr;
    QWidget* panCleanMenu = nullptr;
    TSensitivePanel* panCleanMenuCompress = nullptr;
    TSensitivePanel* panCleanMenuMove = nullptr;
    TSensitivePanel* panCleanMenuRecycle = nullptr;
    TSensitivePanel* panCleanMenuDelete = nullptr;
    QLabel* txtCleanMenuCompress = nullptr;
    QLabel* txtCleanMenuMove = nullptr;
    QLabel* txtCleanMenuRecycle = nullptr;
    QLabel* txtCleanMenuDelete = nullptr;
    QPlainTextEdit* ediCleanMenuHint = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSensitivePanel* MakePanel(const char* name, const char* labelName, const QString& text,
                               const QString& shortcut, int tag, const char* icon,
                               TCleanUpAction action, QLabel*& label);
    void Highlight(TSensitivePanel* panel, bool on);

    std::array<TSensitivePanel*, 4> Panels{};
};
