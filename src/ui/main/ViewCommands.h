// The View menu's switches, pages and options, the toolbar's pie switches and
// the tree bar chart: what the window shows and how, kept in the settings.
#pragma once

#include <QObject>

class QAction;
class TCommandRegistry;
class TWindowHost;

class TViewCommands : public QObject {
    Q_OBJECT
public:
    TViewCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // Sets the switches and the window's parts as the settings say.
    void ApplySettings();
    // "Include Wasted Space", as if the user had pressed the button.
    void SetIncludeWasted(bool on);
    // The tree bar chart of the current folder, then the folder chosen there.
    void ShowBarChart();
    // The file types window, on the current folder.
    void ShowFileTypes();

private:
    void ShowOptions();
    void SetPieLabels(int shown);

    TCommandRegistry& Commands;
    TWindowHost& Host;
    QAction* PageActions[5] = {};
    QAction* ShowWasted = nullptr;
    QAction* ShowFiles = nullptr;
    QAction* Percent = nullptr;
    QAction* Megabytes = nullptr;
};
