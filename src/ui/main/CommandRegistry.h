// The window's commands as data. Each command module registers its rows (name,
// caption, hint, short-cut, handler and the rule that enables it); the
// registry makes the actions, lays out the menu bar and the toolbar from one
// layout table, and runs the enabling rules over the session whenever the
// session or a menu asks. No rule reads a widget: what a command may do
// depends on the session's state alone, so a module works without a window.
#pragma once

#include "engine/FolderNode.h"
#include "models/ScanSession.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStyle>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

// What the enabling rules look at: the session's state at one moment.
struct TCommandState {
    const TFolderNode* Node = nullptr; // the current folder
    bool Scanning = false;
    bool DrivesScanned = false;

    bool Ready() const { return Node && Node->Data; }
    // A folder of an opened scan file is not on this disk: nothing may read
    // it again or act on its path here.
    bool OnDisk() const { return !IsOpenedScan(Node); }
    // The current folder may be freed: it has figures, is on the disk and
    // is no drive's root.
    bool CleanUpReady() const { return Ready() && Node->Parent && OnDisk(); }
};

using TEnableRule = std::function<bool(const TCommandState&)>;

// The rules most commands share.
namespace Rules {
inline bool Always(const TCommandState&) {
    return true;
}
inline bool Idle(const TCommandState& s) {
    return !s.Scanning;
}
inline bool Scanning(const TCommandState& s) {
    return s.Scanning;
}
inline bool DrivesIdle(const TCommandState& s) {
    return !s.Scanning && s.DrivesScanned;
}
inline bool Ready(const TCommandState& s) {
    return s.Ready();
}
inline bool OnDisk(const TCommandState& s) {
    return s.OnDisk();
}
// A folder of this disk is current and no scan runs.
inline bool DiskFolderIdle(const TCommandState& s) {
    return !s.Scanning && s.Node && s.OnDisk();
}
inline bool CleanUpReady(const TCommandState& s) {
    return s.CleanUpReady();
}
} // namespace Rules

enum TCommandFlag : std::uint16_t {
    Checkable = 1,
    Checked = 2,
    Submenu = 4,       // the row is a submenu; the layout names its rows
    SeparatorItem = 8, // the row is a separator the program refers to by name
};

// The control key, as an int that keys of rows combine with.
inline constexpr int Ctrl = Qt::CTRL;

// One command. Texts are untranslated literals (QT_TRANSLATE_NOOP); a hint
// "short|long" gives the tooltip and the status text, else the status text.
struct TCommandRow {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int Key = 0;
    std::function<void()> Click = {};
    std::function<void(bool)> Toggle = {};
    TEnableRule Enable = Rules::Always;
    std::uint16_t Flags = 0;
};

// One menu of the menu bar.
struct TMenuRow {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int HelpTopic;
};

class TCommandRegistry : public QObject {
    Q_OBJECT
public:
    // The session is read by the rules; window takes the short-cuts, so that
    // they work wherever the focus is.
    TCommandRegistry(const TScanSession& session, QWidget& window);

    // Makes the command's action, owned by owner, and returns it.
    QAction* Add(QObject* owner, TCommandRow row);
    // Lays out the menu bar and the toolbar from the layout table; every
    // command it names must have been added.
    void Build(QMenuBar& menuBar, QToolBar& toolbar);

    // The action of the command of that name; throws for an unknown name.
    QAction* Action(const char* name) const;
    QMenu* Menu(const char* name) const;

    // Enables each command by its rule.
    void Update();
    // Run after each Update (a module's checked marks that follow state).
    void OnUpdate(std::function<void()> after);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TEntry {
        QAction* Action;
        TEnableRule Enable;
    };
    const TScanSession& Session;
    QWidget& Window;
    std::map<std::string, TEntry> Entries;
    std::vector<std::string> Order;
    std::map<std::string, QMenu*> Menus;
    std::vector<std::function<void()>> AfterUpdate;
};

// The translation of a row's text.
QString CommandText(const char* text);
// The desktop theme's icon of that name, else the style's own.
QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QStyle* style);
// A small picture of a text, for the toolbar buttons that have no
// conventional icon ("%" and "MB").
QIcon TextIcon(const QString& text, const QColor& color);
