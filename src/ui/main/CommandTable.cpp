// The window's commands as data: one row per command (the member that holds
// its action, name, place, caption, hint, short-cut, handler and the rule
// that enables it), from which the menus and the toolbar are built.
#include "ui/main/MainForm.h"

#include "shell/HelpWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>

#include <map>

namespace {

// When a command may be used.
enum class TEnable : std::uint8_t {
    Always,
    Idle,         // no scan runs
    Scanning,     // a scan runs
    DrivesIdle,   // drives were scanned and no scan runs
    FolderIdle,   // a folder is current and no scan runs
    Folder,       // a folder is current
    BelowRoot,    // the current folder has a parent
    Ready,        // the current folder has its figures
    CleanUpReady, // ... and is no drive's root
    DiskTool,     // the desktop has a disk utility
    CanCompare,   // the current folder has its figures and an earlier scan can be loaded
    Comparing,    // a comparison with an earlier scan is active
};

enum : std::uint16_t {
    Checkable = 1,
    Checked = 2,
    SeparatorBefore = 4,
    Submenu = 8,        // the row is a submenu; its Name is the place of its rows
    SeparatorItem = 16, // the row is a separator the program refers to by name
    PageCommand = 32,   // shows the page of its position among these rows
    SortCommand = 64,   // one of the two pie sort orders
};

using TMember = QAction* TMainForm::*;
using TClick = void (TMainForm::*)();
using TToggle = void (TMainForm::*)(bool);

struct TCommandSpec {
    TMember Member;
    const char* Name;
    const char* Place; // a menu or submenu name; nullptr: the toolbar only
    const char* Caption;
    const char* Hint; // "short|long": tooltip and status text; else the status text
    int Key;
    TClick Click;
    TToggle Toggle;
    TEnable Enable;
    std::uint16_t Flags;
};

#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
constexpr int Ctrl = Qt::CTRL;

// clang-format off
const TCommandSpec Commands[] = {
    // ---- File
    {&TMainForm::cmdFileScanDrives, "cmdFileScanDrives", "mnuFile", T("&Scan Drive(s)..."), T("Scans one or more drives."), 0, &TMainForm::cmdFileScanDrivesClick, nullptr, TEnable::Idle, 0},
    {&TMainForm::cmdFileRescan, "cmdFileRescan", "mnuFile", T("Resca&n"), T("Contains commands for rescanning folders or drives."), 0, nullptr, nullptr, TEnable::DrivesIdle, Submenu},
    {&TMainForm::cmdFileRescanCurrentDirectory, "cmdFileRescanCurrentDirectory", "cmdFileRescan", T("Current &Folder"), T("Rescans the current folder and all its subfolders."), 0, &TMainForm::cmdFileRescanCurrentDirectoryClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileRescanCurrentDrive, "cmdFileRescanCurrentDrive", "cmdFileRescan", T("&Current Drive"), T("Rescans the current drive."), 0, &TMainForm::cmdFileRescanCurrentDriveClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileRescanAllDrives, "cmdFileRescanAllDrives", "cmdFileRescan", T("&All Drives"), T("Rescans all scanned drives."), 0, &TMainForm::cmdFileRescanAllDrivesClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileRemove, "cmdFileRemove", "mnuFile", T("Remo&ve from Tree"), T("Contains commands for removing drives from the folder tree."), 0, nullptr, nullptr, TEnable::DrivesIdle, Submenu},
    {&TMainForm::cmdFileRemoveCurrentDrive, "cmdFileRemoveCurrentDrive", "cmdFileRemove", T("&Current Drive"), T("Removes the current selected drive from the folder tree."), 0, &TMainForm::cmdFileRemoveCurrentDriveClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileRemoveAllDrives, "cmdFileRemoveAllDrives", "cmdFileRemove", T("&All Drives"), T("Removes all drives from the folder tree."), 0, &TMainForm::cmdFileRemoveAllDrivesClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileMapNetworkDrive, "cmdFileMapNetworkDrive", "mnuFile", T("&Map Network Drive..."), T("Maps (connects to) a network drive."), 0, &TMainForm::cmdFileMapNetworkDriveClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileDisconnectNetworkDrive, "cmdFileDisconnectNetworkDrive", "mnuFile", T("&Disconnect Network Drive..."), T("Disconnects a network drive."), 0, &TMainForm::cmdFileDisconnectNetworkDriveClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileAbort, "cmdFileAbort", "mnuFile", T("&Abort Scanning"), T("Aborts the scanning process."), Ctrl | Qt::Key_A, &TMainForm::cmdFileAbortClick, nullptr, TEnable::Scanning, SeparatorBefore},
    {&TMainForm::cmdFileExportPie, "cmdFileExportPie", "mnuFile", T("Export &Pie"), T("Copies the pie chart to the clipboard or saves it in a graphic file."), 0, nullptr, nullptr, TEnable::Ready, Submenu | SeparatorBefore},
    {&TMainForm::ToClipboard1, "ToClipboard1", "cmdFileExportPie", T("To &Clipboard"), T("Copies the pie chart to the clipboard in metafile or bitmap format."), 0, nullptr, nullptr, TEnable::Always, Submenu},
    {&TMainForm::cmdFilePieAsMetafile, "cmdFilePieAsMetafile", "ToClipboard1", T("As &Metafile"), T("Copies the pie chart to the clipboard in metafile format."), 0, &TMainForm::cmdFilePieAsMetafileClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFilePieAsBitmap, "cmdFilePieAsBitmap", "ToClipboard1", T("As &Bitmap"), T("Copies the pie chart to the clipboard in bitmap format."), 0, &TMainForm::cmdFilePieAsBitmapClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFilePieToFile, "cmdFilePieToFile", "cmdFileExportPie", T("To &File..."), T("Saves the pie chart in a bitmap of metafile file."), 0, &TMainForm::cmdFilePieToFileClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileReports, "cmdFileReports", "mnuFile", T("&Reports"), T("Export folder reports."), 0, nullptr, nullptr, TEnable::Ready, Submenu},
    {&TMainForm::cmdFileReportFolderInformation, "cmdFileReportFolderInformation", "cmdFileReports", T("Folder &Information..."), T("Generates a report with detailed information about the current folder."), 0, &TMainForm::cmdFileReportFolderInformationClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileReportFolderContents, "cmdFileReportFolderContents", "cmdFileReports", T("Subfolder &List..."), T("Generates a report with the list of subfolders of the current folder."), 0, &TMainForm::cmdFileReportFolderContentsClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFilePrint, "cmdFilePrint", "mnuFile", T("Prin&t"), T("Print folder reports."), 0, nullptr, nullptr, TEnable::Ready, Submenu},
    {&TMainForm::cmdFilePrintFolderInformation, "cmdFilePrintFolderInformation", "cmdFilePrint", T("Folder &Information..."), T("Prints a report with detailed information about the current folder."), 0, &TMainForm::cmdFilePrintFolderInformationClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFilePrintSubfolderlist, "cmdFilePrintSubfolderlist", "cmdFilePrint", T("Subfolder &List..."), T("Prints a report with the list of subfolders of the current folder."), 0, &TMainForm::cmdFilePrintSubfolderlistClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdFileSelectFolder, "cmdFileSelectFolder", "mnuFile", T("Select &Folder..."), T("Selectes a new folder to be analyzed."), 0, &TMainForm::cmdFileSelectFolderClick, nullptr, TEnable::Always, SeparatorBefore},
    {&TMainForm::cmdFileOpenScanFile, "cmdFileOpenScanFile", "mnuFile", T("&Open Scan File..."), T("Opens a scan written by Quillmere, ncdu or gdu, to look at it as it was."), 0, &TMainForm::cmdFileOpenScanFileClick, nullptr, TEnable::Idle, 0},
    {&TMainForm::cmdFileExportScan, "cmdFileExportScan", "mnuFile", T("&Export Scan..."), T("Scans the current folder again and saves every folder and file in a scan file that Quillmere, ncdu and gdu can open."), 0, &TMainForm::cmdFileExportScanClick, nullptr, TEnable::FolderIdle, 0},
    {&TMainForm::cmdFileRestoreCompressedFolders, "cmdFileRestoreCompressedFolders", "mnuFile", T("Restore &Compressed Folders..."), T("Decompresses and restores the folders compressed by Quillmere to their original location."), 0, &TMainForm::cmdFileRestoreCompressedFoldersClick, nullptr, TEnable::Idle, SeparatorBefore},
    {&TMainForm::cmdFileExit, "cmdFileExit", "mnuFile", T("E&xit"), T("Quits Quillmere."), 0, &TMainForm::cmdFileExitClick, nullptr, TEnable::Always, SeparatorBefore},
    // ---- View
    {&TMainForm::cmdViewToolbar, "cmdViewToolbar", "mnuView", T("Toolbar"), T("Shows or hides the toolbar."), 0, nullptr, &TMainForm::cmdViewToolbarClick, TEnable::Always, Checkable | Checked},
    {&TMainForm::cmdViewStatusBar, "cmdViewStatusBar", "mnuView", T("Status &Bar"), T("Shows or hides the status bar."), 0, nullptr, &TMainForm::cmdViewStatusBarClick, TEnable::Always, Checkable | Checked},
    {&TMainForm::cmdViewFolderTree, "cmdViewFolderTree", "mnuView", T("Folder T&ree"), T("Shows or hides the folder tree view from the left panel."), 0, nullptr, &TMainForm::cmdViewFolderTreeClick, TEnable::Always, Checkable | Checked},
    {&TMainForm::cmdViewPieChart, "cmdViewPieChart", "mnuView", T("&Pie Chart"), T("Displays a graphical pie chart view of the space used by the current folder."), 0, nullptr, nullptr, TEnable::Ready, PageCommand | Checked | SeparatorBefore},
    {&TMainForm::cmdViewFolderInformation, "cmdViewFolderInformation", "mnuView", T("Folder &Information"), T("Displays detailed information about the current folder."), 0, nullptr, nullptr, TEnable::Ready, PageCommand},
    {&TMainForm::cmdViewSubfolders, "cmdViewSubfolders", "mnuView", T("Subfo&lders"), T("Displays a detailed list of the subfolders of the current folder."), 0, nullptr, nullptr, TEnable::Ready, PageCommand},
    {&TMainForm::cmdViewWastedSpace, "cmdViewWastedSpace", "mnuView", T("&Wasted Space"), T("Displays information about the space wasted by the current folder/drive."), 0, nullptr, nullptr, TEnable::Ready, PageCommand},
    {&TMainForm::cmdViewCleanUp, "cmdViewCleanUp", "mnuView", T("&Free Some Space"), T("Displays a few options that can be use to free up some disk space."), 0, nullptr, nullptr, TEnable::CleanUpReady, PageCommand},
    {&TMainForm::cmdViewPieSectionSizeWindow, "cmdViewPieSectionSizeWindow", "mnuView", T("Wasted && Drive Pie &Charts"), T("Shows or hides the Section & Free Information Window."), Ctrl | Qt::Key_C, nullptr, &TMainForm::cmdViewPieSectionSizeWindowClick, TEnable::Ready, Checkable | SeparatorBefore},
    {&TMainForm::cmdViewBarChart, "cmdViewBarChart", "mnuView", T("&Tree Bar Chart"), T("Displays the Tree Bar Chart Window, that helps you quickly find large folders (hogs)."), Ctrl | Qt::Key_T, &TMainForm::cmdViewBarChartClick, nullptr, TEnable::Ready, 0},
    {&TMainForm::cmdViewPieSort, "cmdViewPieSort", "mnuView", T("Pie Sections &Sort"), T("Contains commands for arranging the pie sections."), 0, nullptr, nullptr, TEnable::Always, Submenu | SeparatorBefore},
    {&TMainForm::cmdViewPieSortAscending, "cmdViewPieSortAscending", "cmdViewPieSort", T("&Ascending"), T("Sorts pie sections by size in ascending order."), 0, &TMainForm::cmdViewPieSortAscendingClick, nullptr, TEnable::Always, SortCommand},
    {&TMainForm::cmdViewPieSortDescending, "cmdViewPieSortDescending", "cmdViewPieSort", T("&Descending"), T("Sorts pie sections by size in descending order."), 0, &TMainForm::cmdViewPieSortDescendingClick, nullptr, TEnable::Always, SortCommand | Checked},
    {&TMainForm::cmdViewCompareWithScanFile, "cmdViewCompareWithScanFile", "mnuView", T("Co&mpare with Scan File..."), T("Compares the current folder with an earlier scan of it, saved in a scan file."), 0, &TMainForm::cmdViewCompareWithScanFileClick, nullptr, TEnable::CanCompare, SeparatorBefore},
    {&TMainForm::cmdViewWhatGrew, "cmdViewWhatGrew", "mnuView", T("What &Grew..."), T("Lists the folders that grew most since the earlier scan."), 0, &TMainForm::cmdViewWhatGrewClick, nullptr, TEnable::Comparing, 0},
    {&TMainForm::cmdViewEndComparison, "cmdViewEndComparison", "mnuView", T("&End Comparison"), T("Stops comparing with the earlier scan."), 0, &TMainForm::cmdViewEndComparisonClick, nullptr, TEnable::Comparing, 0},
    {&TMainForm::cmdViewUnreadableFolders, "cmdViewUnreadableFolders", "mnuView", T("&Unreadable Folders..."), T("Lists the folders that could not be read, so their totals are incomplete."), 0, &TMainForm::cmdViewUnreadableFoldersClick, nullptr, TEnable::DrivesIdle, 0},
    {&TMainForm::cmdViewOptions, "cmdViewOptions", "mnuView", T("&Options..."), T("Changes program configuration."), 0, &TMainForm::cmdViewOptionsClick, nullptr, TEnable::Always, SeparatorBefore},
    // ---- Tools
    {&TMainForm::cmdToolsWindowsExplorer, "cmdToolsWindowsExplorer", "mnuTools", T("File &Manager"), T("Opens the file manager."), 0, &TMainForm::cmdToolsWindowsExplorerClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdToolsFindFiles, "cmdToolsFindFiles", "mnuTools", T("&Find Files or Folders..."), T("Opens the Find dialog box, that allows you to search for files or folders based on various search criteria."), 0, &TMainForm::cmdToolsFindFilesClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdToolsWindowsSystemTools, "cmdToolsWindowsSystemTools", "mnuTools", T("System &Tools"), T("Allows you to run various system tools such as the disk utility."), 0, &TMainForm::cmdToolsWindowsSystemToolsClick, nullptr, TEnable::DiskTool, 0},
    {&TMainForm::cmdToolsCustomize, "cmdToolsCustomize", "mnuTools", T("&Customize the Tools menu..."), T("Add your own commands to the Tools menu (for advanced users)."), 0, &TMainForm::cmdToolsCustomizeClick, nullptr, TEnable::Always, SeparatorBefore},
    {&TMainForm::LT1, "LT1", "mnuTools", nullptr, nullptr, 0, nullptr, nullptr, TEnable::Always, SeparatorItem},
    // ---- Help
    {&TMainForm::cmdHelpHelpTopics, "cmdHelpHelpTopics", "mnuHelp", T("&Help Topics"), T("Opens Help."), Qt::Key_F1, &TMainForm::cmdHelpHelpTopicsClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdHelpVisitWebPage, "cmdHelpVisitWebPage", "mnuHelp", T("Visit the Quillmere &Web page"), T("Visit the Quillmere Web page for the latest information about the product."), 0, &TMainForm::cmdHelpVisitWebPageClick, nullptr, TEnable::Always, SeparatorBefore},
    {&TMainForm::cmdHelpFeedback, "cmdHelpFeedback", "mnuHelp", T("&Feedback..."), T("Displays an online user feedback form that can help the authors improve Quillmere."), 0, &TMainForm::cmdHelpFeedbackClick, nullptr, TEnable::Always, 0},
    {&TMainForm::cmdHelpAbout, "cmdHelpAbout", "mnuHelp", T("&About..."), T("Displays program information, version and copyright."), 0, &TMainForm::cmdHelpAboutClick, nullptr, TEnable::Always, SeparatorBefore},
    // ---- the toolbar's own buttons
    {&TMainForm::toolScan, "toolScan", nullptr, T("Scan"), T("Scan/Rescan Selected Drive|Scan or rescan the drive that is selected in the Drives List Box"), 0, &TMainForm::toolScanClick, nullptr, TEnable::Idle, 0},
    {&TMainForm::toolRescanDir, "toolRescanDir", nullptr, T("Rescan"), T("Rescan Current Folder|Rescans the current folder and all its subfolders"), 0, &TMainForm::cmdFileRescanCurrentDirectoryClick, nullptr, TEnable::FolderIdle, 0},
    {&TMainForm::toolStop, "toolStop", nullptr, T("Stop"), T("Abort scanning|Abort the scanning process"), 0, &TMainForm::cmdFileAbortClick, nullptr, TEnable::Scanning, 0},
    {&TMainForm::toolLevelUp, "toolLevelUp", nullptr, T("Up"), T("Up One Level|Select the parent folder of the current folder"), 0, &TMainForm::toolLevelUpClick, nullptr, TEnable::BelowRoot, 0},
    {&TMainForm::toolExplore, "toolExplore", nullptr, T("Explore"), T("Explore Current Folder|Explore the current folder"), 0, &TMainForm::toolExploreClick, nullptr, TEnable::Folder, 0},
    {&TMainForm::toolShowWasted, "toolShowWasted", nullptr, T("Include Wasted Space"), T("Include Wasted Space|Show the actual allocated space for each folder and file in the pie chart"), 0, nullptr, &TMainForm::toolShowWastedClick, TEnable::Always, Checkable | Checked},
    {&TMainForm::toolShowFiles, "toolShowFiles", nullptr, T("Show Files"), T("Show Files|Display individual files in the pie chart"), 0, nullptr, &TMainForm::toolShowFilesClick, TEnable::Always, Checkable | Checked},
    {&TMainForm::toolPercent, "toolPercent", nullptr, T("Relative sizes"), T("Relative sizes|Display relative sizes near the pie chart sections"), 0, nullptr, &TMainForm::toolPercentClick, TEnable::Always, Checkable},
    {&TMainForm::toolMB, "toolMB", nullptr, T("Absolute sizes"), T("Absolute sizes|Display absolute sizes near the pie chart sections"), 0, nullptr, &TMainForm::toolMBClick, TEnable::Always, Checkable},
    // ---- the "Free Some Space" page's commands, in no menu: only their keys
    {&TMainForm::cmdCleanUpArchive, "cmdCleanUpArchive", nullptr, T("Archive Folder"), nullptr, Ctrl | Qt::Key_R, &TMainForm::cmdCleanUpArchiveClick, nullptr, TEnable::CleanUpReady, 0},
    {&TMainForm::cmdCleanUpMove, "cmdCleanUpMove", nullptr, T("Move Folder"), nullptr, Ctrl | Qt::Key_M, &TMainForm::cmdCleanUpMoveClick, nullptr, TEnable::CleanUpReady, 0},
    {&TMainForm::cmdCleanUpTrash, "cmdCleanUpTrash", nullptr, T("Send To Trash"), nullptr, Ctrl | Qt::Key_B, &TMainForm::cmdCleanUpTrashClick, nullptr, TEnable::CleanUpReady, 0},
    {&TMainForm::cmdCleanUpDelete, "cmdCleanUpDelete", nullptr, T("Delete Folder"), nullptr, Ctrl | Qt::Key_D, &TMainForm::cmdCleanUpDeleteClick, nullptr, TEnable::CleanUpReady, 0},
};

// The menu bar's menus: member, name, caption, status text, help topic.
struct TMenuSpec {
    QMenu* TMainForm::*Member;
    const char* Name;
    const char* Caption;
    const char* Hint;
    int HelpTopic;
};
const TMenuSpec Menus[] = {
    {&TMainForm::mnuFile, "mnuFile", T("&File"), T("Scan or rescan drives, export pie charts and reports or quit the program"), HelpFileMenu},
    {&TMainForm::mnuView, "mnuView", T("&View"), T("Customize the main window and set program options"), HelpViewMenu},
    {&TMainForm::mnuTools, "mnuTools", T("&Tools"), T("Contains tools commands"), HelpToolsMenu},
    {&TMainForm::mnuHelp, "mnuHelp", T("&Help"), T("Display help, ordering or program information"), HelpHelpMenu},
};

// The toolbar, left to right; nullptr is a separator.
const TMember ToolbarOrder[] = {
    &TMainForm::toolScan, nullptr, &TMainForm::toolRescanDir, nullptr, &TMainForm::toolStop,
    nullptr, &TMainForm::toolLevelUp, &TMainForm::toolExplore, nullptr, &TMainForm::toolShowWasted,
    &TMainForm::toolShowFiles, nullptr, &TMainForm::toolPercent, &TMainForm::toolMB, nullptr,
};
// clang-format on
#undef T

QString Translated(const char* text) {
    return QCoreApplication::translate("TMainForm", text);
}

// A small picture of a text, for the toolbar buttons that have no
// conventional icon ("%" and "MB").
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

} // namespace

void TMainForm::BuildCommands() {
    std::map<std::string, QMenu*> places;
    for (const TMenuSpec& m : Menus) {
        QMenu* menu = menuBar()->addMenu(Translated(m.Caption));
        menu->setObjectName(QString::fromLatin1(m.Name));
        menu->menuAction()->setStatusTip(Translated(m.Hint));
        // F1 over an open menu shows that menu's topic (see eventFilter).
        menu->setProperty("HelpContext", m.HelpTopic);
        menu->installEventFilter(this);
        connect(menu, &QMenu::aboutToShow, this, &TMainForm::UpdateCommands);
        this->*m.Member = menu;
        places[m.Name] = menu;
    }
    PageGroup = new QActionGroup(this);
    auto* sortGroup = new QActionGroup(this);
    int page = 0;
    for (const TCommandSpec& c : Commands) {
        QMenu* place = c.Place ? places.at(c.Place) : nullptr;
        if (place && (c.Flags & SeparatorBefore))
            place->addSeparator();
        QAction* action = nullptr;
        if (c.Flags & SeparatorItem) {
            action = place->addSeparator();
            action->setVisible(false);
        } else if (c.Flags & Submenu) {
            QMenu* sub = place->addMenu(Translated(c.Caption));
            places[c.Name] = sub;
            action = sub->menuAction();
        } else {
            action = new QAction(Translated(c.Caption), this);
            if (place)
                place->addAction(action);
        }
        action->setObjectName(QString::fromLatin1(c.Name));
        if (c.Hint) {
            const QString hint = Translated(c.Hint);
            const qsizetype bar = hint.indexOf(QLatin1Char('|'));
            action->setToolTip(bar >= 0 ? hint.left(bar) : action->toolTip());
            action->setStatusTip(bar >= 0 ? hint.mid(bar + 1) : hint);
        }
        if (c.Key) {
            // The window sees its keys before its controls: a short-cut works
            // wherever the focus is, not only where a control passes it on.
            action->setShortcut(QKeySequence(c.Key));
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action);
        }
        action->setCheckable(c.Flags & (Checkable | PageCommand | SortCommand));
        action->setChecked(c.Flags & Checked);
        if (c.Flags & PageCommand) {
            action->setData(page++);
            PageGroup->addAction(action);
            connect(action, &QAction::triggered, this,
                    [this, action] { ShowPage(action->data().toInt()); });
        }
        if (c.Flags & SortCommand)
            sortGroup->addAction(action);
        if (c.Click)
            connect(action, &QAction::triggered, this, c.Click);
        if (c.Toggle)
            connect(action, &QAction::triggered, this, c.Toggle);
        this->*c.Member = action;
    }
    // The user's tools go after LT1, the menu's last row.
    connect(mnuTools, &QMenu::aboutToShow, this, &TMainForm::ReloadTools);
    ReloadTools();

    const QStyle* s = style();
    toolScan->setIcon(ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon, s));
    toolRescanDir->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload, s));
    toolStop->setIcon(ThemeIcon("process-stop", QStyle::SP_BrowserStop, s));
    toolLevelUp->setIcon(ThemeIcon("go-up", QStyle::SP_FileDialogToParent, s));
    toolExplore->setIcon(ThemeIcon("system-file-manager", QStyle::SP_DirOpenIcon, s));
    toolShowWasted->setIcon(TextIcon(QStringLiteral("W"), QColor(0xc0, 0x30, 0x30)));
    toolShowFiles->setIcon(ThemeIcon("text-x-generic", QStyle::SP_FileIcon, s));
    toolPercent->setIcon(TextIcon(QStringLiteral("%"), QColor(0x20, 0x50, 0xa0)));
    toolMB->setIcon(TextIcon(QStringLiteral("MB"), QColor(0x20, 0x50, 0xa0)));
    for (TMember member : ToolbarOrder) {
        if (member)
            TheToolbar->addAction(this->*member);
        else
            // A blank hint, so pointing at a separator clears the bar.
            TheToolbar->addSeparator()->setStatusTip(QStringLiteral(" "));
    }
    if (DiskTool.empty())
        cmdToolsWindowsSystemTools->setStatusTip(
            tr("No disk utility (such as GNOME Disks or GParted) is installed."));
    UpdateCommands();
}

void TMainForm::UpdateCommands() {
    const TFolderNode* node = CurrentNode();
    const bool scanning = Scanning();
    const bool ready = node && node->Data;
    for (const TCommandSpec& c : Commands) {
        bool on = true;
        switch (c.Enable) {
        case TEnable::Always:
            break;
        case TEnable::Idle:
            on = !scanning;
            break;
        case TEnable::Scanning:
            on = scanning;
            break;
        case TEnable::DrivesIdle:
            on = !scanning && !ScannedDrives().empty();
            break;
        case TEnable::FolderIdle:
            on = !scanning && node;
            break;
        case TEnable::Folder:
            on = node != nullptr;
            break;
        case TEnable::BelowRoot:
            on = node && node->Parent;
            break;
        case TEnable::Ready:
            on = ready;
            break;
        case TEnable::CleanUpReady:
            on = ready && ThePages->isTabVisible(PageCleanUp + 1);
            break;
        case TEnable::DiskTool:
            on = !DiskTool.empty();
            break;
        case TEnable::CanCompare:
            on = ready && !scanning && LoadEarlierScan != nullptr;
            break;
        case TEnable::Comparing:
            on = ActiveComparison != nullptr;
            break;
        }
        (this->*c.Member)->setEnabled(on);
    }
    // A tree opened from a scan file is not the disk: nothing may read it
    // again or act on its paths there.
    if (IsOpenedScan(node)) {
        for (TMember disk : {&TMainForm::cmdFileRescanCurrentDirectory, &TMainForm::toolRescanDir,
                             &TMainForm::cmdFileRescanCurrentDrive, &TMainForm::cmdViewCleanUp,
                             &TMainForm::toolExplore, &TMainForm::cmdFileExportScan})
            (this->*disk)->setEnabled(false);
    }
    ClustersBox->setEnabled(!scanning);
    const QList<QAction*> pages{cmdViewPieChart, cmdViewFolderInformation, cmdViewSubfolders,
                                cmdViewWastedSpace, cmdViewCleanUp};
    pages[CurPage]->setChecked(true);
}

// ---- handlers of the View menu and the toolbar's switches -----------------------------

void TMainForm::cmdFileExitClick() {
    close();
}

void TMainForm::toolExploreClick() {
    cmdToolsWindowsExplorerClick();
}

void TMainForm::cmdHelpHelpTopicsClick() {
    ShowHelp(HelpContents, this);
}
