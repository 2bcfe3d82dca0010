// The registry of the window's commands and the one table that says where
// each command sits in the menus and on the toolbar. Modules own their rows;
// the places are kept together here so the menus read as the user sees them.
#include "ui/main/CommandRegistry.h"

#include "shell/HelpWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QWidget>

#include <stdexcept>

namespace {

#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)

// clang-format off
const TMenuRow MenuRows[] = {
    {"mnuFile", T("&File"), T("Scan or rescan drives, export pie charts and reports or quit the program"), HelpFileMenu},
    {"mnuView", T("&View"), T("Customize the main window and set program options"), HelpViewMenu},
    {"mnuTools", T("&Tools"), T("Contains tools commands"), HelpToolsMenu},
    {"mnuHelp", T("&Help"), T("Display help, ordering or program information"), HelpHelpMenu},
};
#undef T

// Where the commands go: each menu and submenu by name, its rows in order;
// "-" is a separator.
struct TPlace {
    const char* Name;
    std::vector<const char*> Rows;
};
const TPlace Places[] = {
    {"mnuFile", {"cmdFileScanDrives", "cmdFileRescan", "cmdFileRemove", "cmdFileMapNetworkDrive",
                 "cmdFileDisconnectNetworkDrive", "-", "cmdFileAbort", "-", "cmdFileExportPie",
                 "cmdFileReports", "cmdFilePrint", "-", "cmdFileSelectFolder",
                 "cmdFileOpenScanFile", "cmdFileExportScan", "-",
                 "cmdFileRestoreCompressedFolders", "-", "cmdFileExit"}},
    {"cmdFileRescan", {"cmdFileRescanCurrentDirectory", "cmdFileRescanCurrentDrive",
                       "cmdFileRescanAllDrives"}},
    {"cmdFileRemove", {"cmdFileRemoveCurrentDrive", "cmdFileRemoveAllDrives"}},
    {"cmdFileExportPie", {"ToClipboard1", "cmdFilePieToFile"}},
    {"ToClipboard1", {"cmdFilePieAsMetafile", "cmdFilePieAsBitmap"}},
    {"cmdFileReports", {"cmdFileReportFolderInformation", "cmdFileReportFolderContents"}},
    {"cmdFilePrint", {"cmdFilePrintFolderInformation", "cmdFilePrintSubfolderlist"}},
    {"mnuView", {"cmdViewToolbar", "cmdViewStatusBar", "cmdViewFolderTree", "-",
                 "cmdViewPieChart", "cmdViewFolderInformation", "cmdViewSubfolders",
                 "cmdViewWastedSpace", "cmdViewCleanUp", "-", "cmdViewPieSectionSizeWindow",
                 "cmdViewBarChart", "cmdViewLargestFiles", "-", "cmdViewPieSort", "-", "cmdViewCompareWithScanFile",
                 "cmdViewWhatGrew", "cmdViewEndComparison", "cmdViewUnreadableFolders", "-",
                 "cmdViewOptions"}},
    {"cmdViewPieSort", {"cmdViewPieSortAscending", "cmdViewPieSortDescending"}},
    // The user's own tools follow LT1 (see TToolsMenu).
    {"mnuTools", {"cmdToolsWindowsExplorer", "cmdToolsFindFiles", "cmdToolsWindowsSystemTools",
                  "-", "cmdToolsCustomize", "LT1"}},
    {"mnuHelp", {"cmdHelpHelpTopics", "-", "cmdHelpVisitWebPage", "cmdHelpFeedback", "-",
                 "cmdHelpAbout"}},
};

// The toolbar, left to right.
const char* const ToolbarRows[] = {
    "toolScan", "-", "toolRescanDir", "-", "toolStop", "-", "toolLevelUp", "toolExplore", "-",
    "toolShowWasted", "toolShowFiles", "-", "toolPercent", "toolMB", "-",
};
// clang-format on

bool IsSeparator(const char* name) {
    return name[0] == '-' && name[1] == 0;
}

} // namespace

QString CommandText(const char* text) {
    return QCoreApplication::translate("TMainForm", text);
}

QIcon TextIcon(const QString& text, const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 1 ? 15 : 22);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QStyle* style) {
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? style->standardIcon(fallback) : icon;
}

TCommandRegistry::TCommandRegistry(const TScanSession& session, QWidget& window)
    : QObject(&window), Session(session), Window(window) {
    setObjectName(QStringLiteral("Commands"));
}

QAction* TCommandRegistry::Add(QObject* owner, TCommandRow row) {
    if (Entries.count(row.Name))
        throw std::logic_error(std::string("command added twice: ") + row.Name);
    QAction* action = nullptr;
    if (row.Flags & Submenu) {
        // Made now, so that its rows can go in when the layout is built.
        auto* menu = new QMenu(CommandText(row.Caption), &Window);
        Menus[row.Name] = menu;
        action = menu->menuAction();
    } else {
        action = new QAction(row.Caption ? CommandText(row.Caption) : QString(), owner);
        if (row.Flags & SeparatorItem) {
            action->setSeparator(true);
            action->setVisible(false);
        }
    }
    action->setObjectName(QString::fromLatin1(row.Name));
    if (row.Hint) {
        const QString hint = CommandText(row.Hint);
        const qsizetype bar = hint.indexOf(QLatin1Char('|'));
        action->setToolTip(bar >= 0 ? hint.left(bar) : action->toolTip());
        action->setStatusTip(bar >= 0 ? hint.mid(bar + 1) : hint);
    }
    if (row.Key) {
        // The window sees its keys before its controls: a short-cut works
        // wherever the focus is, not only where a control passes it on.
        action->setShortcut(QKeySequence(row.Key));
        action->setShortcutContext(Qt::WindowShortcut);
        Window.addAction(action);
    }
    action->setCheckable(row.Flags & Checkable);
    action->setChecked(row.Flags & Checked);
    if (row.Click)
        connect(action, &QAction::triggered, owner, [click = std::move(row.Click)] { click(); });
    if (row.Toggle)
        connect(action, &QAction::triggered, owner,
                [toggle = std::move(row.Toggle)](bool on) { toggle(on); });
    Entries[row.Name] = TEntry{action, std::move(row.Enable)};
    Order.push_back(row.Name);
    return action;
}

void TCommandRegistry::Build(QMenuBar& menuBar, QToolBar& toolbar) {
    for (const TMenuRow& m : MenuRows) {
        QMenu* menu = menuBar.addMenu(CommandText(m.Caption));
        menu->setObjectName(QString::fromLatin1(m.Name));
        menu->menuAction()->setStatusTip(CommandText(m.Hint));
        // F1 over an open menu shows that menu's topic (see eventFilter).
        menu->setProperty("HelpContext", m.HelpTopic);
        menu->installEventFilter(this);
        connect(menu, &QMenu::aboutToShow, this, &TCommandRegistry::Update);
        Menus[m.Name] = menu;
    }
    for (const TPlace& place : Places) {
        QMenu* menu = Menus.at(place.Name);
        for (const char* name : place.Rows) {
            if (IsSeparator(name))
                menu->addSeparator();
            else if (const auto sub = Menus.find(name); sub != Menus.end())
                menu->addMenu(sub->second);
            else
                menu->addAction(Action(name));
        }
    }
    for (const char* name : ToolbarRows) {
        if (IsSeparator(name))
            // A blank hint, so pointing at a separator clears the bar.
            toolbar.addSeparator()->setStatusTip(QStringLiteral(" "));
        else
            toolbar.addAction(Action(name));
    }
    Update();
}

QAction* TCommandRegistry::Action(const char* name) const {
    const auto entry = Entries.find(name);
    if (entry == Entries.end())
        throw std::logic_error(std::string("no command ") + name);
    return entry->second.Action;
}

QMenu* TCommandRegistry::Menu(const char* name) const {
    return Menus.at(name);
}

void TCommandRegistry::Update() {
    TCommandState state;
    state.Node = Session.Current();
    state.Scanning = Session.Scanning();
    state.DrivesScanned = !Session.ScannedDrives().empty();
    for (const std::string& name : Order) {
        const TEntry& entry = Entries.at(name);
        entry.Action->setEnabled(entry.Enable(state));
    }
    for (const auto& after : AfterUpdate)
        after();
}

void TCommandRegistry::OnUpdate(std::function<void()> after) {
    AfterUpdate.push_back(std::move(after));
}

bool TCommandRegistry::eventFilter(QObject* watched, QEvent* event) {
    // An open menu keeps the keyboard to itself: F1 there shows its topic.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        const QVariant context = watched->property("HelpContext");
        if (context.isValid()) {
            ShowHelp(context.toInt(), &Window);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
