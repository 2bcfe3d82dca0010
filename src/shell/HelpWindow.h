// The help window: HTML topics compiled into the program, shown in a text
// browser and opened at a context number.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

// Context numbers of the topics.
enum THelpContext {
    HelpContents = 0,
    HelpMoveFolder = 2100,    // moving a folder to another drive
    HelpArchiveFolder = 2120, // packing a folder into an archive
    HelpRestoreFolder = 2130, // restoring one
    HelpWastedFolder = 3010,  // reducing the wasted space of a folder
    HelpWastedDrive = 3020,   // ... of a drive
    HelpFileMenu = 4001,      // scanning drives and folders
    HelpDrives = 4002,        // the "Scan Drives" dialog and the drive list
    HelpViewMenu = 4010,
    HelpCompare = 4011,    // comparing with an earlier scan, "What Grew"
    HelpUnreadable = 4012, // the unreadable folders' list
    HelpToolsMenu = 4020,
    HelpHelpMenu = 4030,
    HelpOptions = 4040,
    HelpSupport = 5030,
};

// The topic page of a context number; the contents page for a number that
// has no topic (yet).
QUrl HelpTopicUrl(int context);

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    void ShowContext(int context);
    QTextBrowser* Browser() const { return View; }

private:
    QTextBrowser* View;
};

// Opens the one help window at the topic, raising it when it is open.
THelpWindow* ShowHelp(int context, QWidget* parent = nullptr);
