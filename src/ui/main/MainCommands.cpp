// The main window's command table: menus, toolbar, short-cuts, hints and the
// enabling of commands by state.
#include "ui/main/MainForm.h"

#include "models/FolderTreeModel.h"
#include "settings/MessageBox.h"
#include "settings/ProgramSettings.h"
#include "shell/AboutBox.h"
#include "shell/HelpWindow.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/Strings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

namespace {

// An action with its caption, hint and object name. A hint "short|long" gives
// the tooltip and the status-bar text; a hint without "|" is the status text.
QAction* MakeAction(QObject* owner, const char* name, const QString& caption, const QString& hint) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    const int bar = hint.indexOf(QLatin1Char('|'));
    if (bar >= 0) {
        action->setToolTip(hint.left(bar));
        action->setStatusTip(hint.mid(bar + 1));
    } else {
        action->setStatusTip(hint);
    }
    return action;
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

void TMainForm::NotAvailableYet(const QString& what) {
    TMessageBox::Information(
        this, Strings::ProductName(),
        tr("%1 is not available in this version of Quillmere yet.")
            .arg(QString(what).remove(QLatin1Char('&')).remove(QLatin1String("..."))));
}

void TMainForm::CreateCommands() {
    QMenuBar* bar = menuBar();
    auto later = [this](QAction* action) {
        connect(action, &QAction::triggered, this,
                [this, action] { NotAvailableYet(action->text()); });
    };

    // ---- File
    mnuFile = bar->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->menuAction()->setStatusTip(
        tr("Scan or rescan drives, export pie charts and reports or quit the program"));
    connect(mnuFile, &QMenu::aboutToShow, this, &TMainForm::UpdateFileMenu);
    cmdFileScanDrives = MakeAction(this, "cmdFileScanDrives", tr("&Scan Drive(s)..."),
                                   tr("Scans one or more drives."));
    connect(cmdFileScanDrives, &QAction::triggered, this, &TMainForm::cmdFileScanDrivesClick);
    mnuFile->addAction(cmdFileScanDrives);

    QMenu* rescan = mnuFile->addMenu(tr("Resca&n"));
    cmdFileRescan = rescan->menuAction();
    cmdFileRescan->setObjectName(QStringLiteral("cmdFileRescan"));
    cmdFileRescan->setStatusTip(tr("Contains commands for rescanning folders or drives."));
    cmdFileRescan->setEnabled(false);
    cmdFileRescanCurrentDirectory =
        MakeAction(this, "cmdFileRescanCurrentDirectory", tr("Current &Folder"),
                   tr("Rescans the current folder and all its subfolders."));
    connect(cmdFileRescanCurrentDirectory, &QAction::triggered, this,
            &TMainForm::cmdFileRescanCurrentDirectoryClick);
    cmdFileRescanCurrentDrive = MakeAction(this, "cmdFileRescanCurrentDrive", tr("&Current Drive"),
                                           tr("Rescans the current drive."));
    connect(cmdFileRescanCurrentDrive, &QAction::triggered, this,
            &TMainForm::cmdFileRescanCurrentDriveClick);
    cmdFileRescanAllDrives = MakeAction(this, "cmdFileRescanAllDrives", tr("&All Drives"),
                                        tr("Rescans all scanned drives."));
    connect(cmdFileRescanAllDrives, &QAction::triggered, this,
            &TMainForm::cmdFileRescanAllDrivesClick);
    rescan->addActions(
        {cmdFileRescanCurrentDirectory, cmdFileRescanCurrentDrive, cmdFileRescanAllDrives});

    QMenu* remove = mnuFile->addMenu(tr("Remo&ve from Tree"));
    cmdFileRemove = remove->menuAction();
    cmdFileRemove->setObjectName(QStringLiteral("cmdFileRemove"));
    cmdFileRemove->setStatusTip(tr("Contains commands for removing drives from the folder tree."));
    cmdFileRemove->setEnabled(false);
    cmdFileRemoveCurrentDrive =
        MakeAction(this, "cmdFileRemoveCurrentDrive", tr("&Current Drive"),
                   tr("Removes the current selected drive from the folder tree."));
    connect(cmdFileRemoveCurrentDrive, &QAction::triggered, this,
            &TMainForm::cmdFileRemoveCurrentDriveClick);
    cmdFileRemoveAllDrives = MakeAction(this, "cmdFileRemoveAllDrives", tr("&All Drives"),
                                        tr("Removes all drives from the folder tree."));
    connect(cmdFileRemoveAllDrives, &QAction::triggered, this,
            &TMainForm::cmdFileRemoveAllDrivesClick);
    remove->addActions({cmdFileRemoveCurrentDrive, cmdFileRemoveAllDrives});

    cmdFileMapNetworkDrive = MakeAction(this, "cmdFileMapNetworkDrive", tr("&Map Network Drive..."),
                                        tr("Maps (connects to) a network drive."));
    cmdFileDisconnectNetworkDrive =
        MakeAction(this, "cmdFileDisconnectNetworkDrive", tr("&Disconnect Network Drive..."),
                   tr("Disconnects a network drive."));
    mnuFile->addActions({cmdFileMapNetworkDrive, cmdFileDisconnectNetworkDrive});
    mnuFile->addSeparator();
    cmdFileAbort =
        MakeAction(this, "cmdFileAbort", tr("&Abort Scanning"), tr("Aborts the scanning process."));
    cmdFileAbort->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    cmdFileAbort->setEnabled(false);
    connect(cmdFileAbort, &QAction::triggered, this, &TMainForm::cmdFileAbortClick);
    mnuFile->addAction(cmdFileAbort);
    mnuFile->addSeparator();

    QMenu* exportPie = mnuFile->addMenu(tr("Export &Pie"));
    cmdFileExportPie = exportPie->menuAction();
    cmdFileExportPie->setObjectName(QStringLiteral("cmdFileExportPie"));
    cmdFileExportPie->setStatusTip(
        tr("Copies the pie chart to the clipboard or saves it in a graphic file."));
    QMenu* clipboard = exportPie->addMenu(tr("To &Clipboard"));
    ToClipboard1 = clipboard->menuAction();
    ToClipboard1->setObjectName(QStringLiteral("ToClipboard1"));
    ToClipboard1->setStatusTip(
        tr("Copies the pie chart to the clipboard in metafile or bitmap format."));
    cmdFilePieAsMetafile =
        MakeAction(this, "cmdFilePieAsMetafile", tr("As &Metafile"),
                   tr("Copies the pie chart to the clipboard in metafile format."));
    cmdFilePieAsBitmap = MakeAction(this, "cmdFilePieAsBitmap", tr("As &Bitmap"),
                                    tr("Copies the pie chart to the clipboard in bitmap format."));
    clipboard->addActions({cmdFilePieAsMetafile, cmdFilePieAsBitmap});
    cmdFilePieToFile = MakeAction(this, "cmdFilePieToFile", tr("To &File..."),
                                  tr("Saves the pie chart in a bitmap of metafile file."));
    exportPie->addAction(cmdFilePieToFile);

    QMenu* reports = mnuFile->addMenu(tr("&Reports"));
    cmdFileReports = reports->menuAction();
    cmdFileReports->setObjectName(QStringLiteral("cmdFileReports"));
    cmdFileReports->setStatusTip(tr("Export folder reports."));
    cmdFileReportFolderInformation =
        MakeAction(this, "cmdFileReportFolderInformation", tr("Folder &Information..."),
                   tr("Generates a report with detailed information about the current folder."));
    cmdFileReportFolderContents =
        MakeAction(this, "cmdFileReportFolderContents", tr("Subfolder &List..."),
                   tr("Generates a report with the list of subfolders of the current folder."));
    reports->addActions({cmdFileReportFolderInformation, cmdFileReportFolderContents});

    QMenu* print = mnuFile->addMenu(tr("Prin&t"));
    cmdFilePrint = print->menuAction();
    cmdFilePrint->setObjectName(QStringLiteral("cmdFilePrint"));
    cmdFilePrint->setStatusTip(tr("Print folder reports."));
    cmdFilePrintFolderInformation =
        MakeAction(this, "cmdFilePrintFolderInformation", tr("Folder &Information..."),
                   tr("Prints a report with detailed information about the current folder."));
    cmdFilePrintSubfolderlist =
        MakeAction(this, "cmdFilePrintSubfolderlist", tr("Subfolder &List..."),
                   tr("Prints a report with the list of subfolders of the current folder."));
    print->addActions({cmdFilePrintFolderInformation, cmdFilePrintSubfolderlist});
    mnuFile->addSeparator();
    cmdFileSelectFolder = MakeAction(this, "cmdFileSelectFolder", tr("Select &Folder..."),
                                     tr("Selectes a new folder to be analyzed."));
    connect(cmdFileSelectFolder, &QAction::triggered, this, &TMainForm::cmdFileSelectFolderClick);
    mnuFile->addAction(cmdFileSelectFolder);
    mnuFile->addSeparator();
    cmdFileRestoreCompressedFolders = MakeAction(
        this, "cmdFileRestoreCompressedFolders", tr("Restore &Compressed Folders..."),
        tr("Decompresses and restores the folders compressed by Quillmere to their original "
           "location."));
    mnuFile->addAction(cmdFileRestoreCompressedFolders);
    mnuFile->addSeparator();
    cmdFileExit = MakeAction(this, "cmdFileExit", tr("E&xit"), tr("Quits Quillmere."));
    connect(cmdFileExit, &QAction::triggered, this, &QWidget::close);
    mnuFile->addAction(cmdFileExit);
    connect(cmdFileMapNetworkDrive, &QAction::triggered, this,
            &TMainForm::cmdFileMapNetworkDriveClick);
    connect(cmdFileDisconnectNetworkDrive, &QAction::triggered, this,
            &TMainForm::cmdFileDisconnectNetworkDriveClick);
    for (QAction* a : {cmdFilePieAsMetafile, cmdFilePieAsBitmap, cmdFilePieToFile,
                       cmdFileReportFolderInformation, cmdFileReportFolderContents,
                       cmdFilePrintFolderInformation, cmdFilePrintSubfolderlist,
                       cmdFileRestoreCompressedFolders})
        later(a);

    // ---- View
    mnuView = bar->addMenu(tr("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuView->menuAction()->setStatusTip(tr("Customize the main window and set program options"));
    connect(mnuView, &QMenu::aboutToShow, this, &TMainForm::UpdateViewMenu);
    cmdViewToolbar =
        MakeAction(this, "cmdViewToolbar", tr("Toolbar"), tr("Shows or hides the toolbar."));
    cmdViewStatusBar = MakeAction(this, "cmdViewStatusBar", tr("Status &Bar"),
                                  tr("Shows or hides the status bar."));
    cmdViewFolderTree = MakeAction(this, "cmdViewFolderTree", tr("Folder T&ree"),
                                   tr("Shows or hides the folder tree view from the left panel."));
    for (QAction* a : {cmdViewToolbar, cmdViewStatusBar, cmdViewFolderTree}) {
        a->setCheckable(true);
        a->setChecked(true);
        mnuView->addAction(a);
    }
    connect(cmdViewToolbar, &QAction::triggered, this, [this](bool on) {
        ToolbarSupport->setVisible(on);
        Settings().ViewToolbar.Value = on;
    });
    connect(cmdViewStatusBar, &QAction::triggered, this, [this](bool on) {
        TheStatusBar->setVisible(on);
        Settings().ViewStatusBar.Value = on;
    });
    connect(cmdViewFolderTree, &QAction::triggered, this, [this](bool on) {
        TheLeftPanel->setVisible(on);
        Settings().ViewFolderTree.Value = on;
    });
    mnuView->addSeparator();
    PageGroup = new QActionGroup(this);
    cmdViewPieChart = MakeAction(
        this, "cmdViewPieChart", tr("&Pie Chart"),
        tr("Displays a graphical pie chart view of the space used by the current folder."));
    cmdViewFolderInformation =
        MakeAction(this, "cmdViewFolderInformation", tr("Folder &Information"),
                   tr("Displays detailed information about the current folder."));
    cmdViewSubfolders =
        MakeAction(this, "cmdViewSubfolders", tr("Subfo&lders"),
                   tr("Displays a detailed list of the subfolders of the current folder."));
    cmdViewWastedSpace =
        MakeAction(this, "cmdViewWastedSpace", tr("&Wasted Space"),
                   tr("Displays information about the space wasted by the current folder/drive."));
    cmdViewCleanUp =
        MakeAction(this, "cmdViewCleanUp", tr("&Free Some Space"),
                   tr("Displays a few options that can be use to free up some disk space."));
    int tag = 0;
    for (QAction* a : {cmdViewPieChart, cmdViewFolderInformation, cmdViewSubfolders,
                       cmdViewWastedSpace, cmdViewCleanUp}) {
        a->setCheckable(true);
        a->setData(tag++);
        PageGroup->addAction(a);
        mnuView->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { ShowPage(a->data().toInt()); });
    }
    cmdViewPieChart->setChecked(true);
    mnuView->addSeparator();
    cmdViewPieSectionSizeWindow =
        MakeAction(this, "cmdViewPieSectionSizeWindow", tr("Wasted && Drive Pie &Charts"),
                   tr("Shows or hides the Section & Free Information Window."));
    cmdViewPieSectionSizeWindow->setCheckable(true);
    cmdViewPieSectionSizeWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(cmdViewPieSectionSizeWindow, &QAction::triggered, this, [this](bool on) {
        Settings().PieSectionSizeWindow.Value = on;
        LayoutPage();
    });
    cmdViewBarChart = MakeAction(this, "cmdViewBarChart", tr("&Tree Bar Chart"),
                                 tr("Displays the Tree Bar Chart Window, that helps you quickly "
                                    "find large folders (hogs)."));
    cmdViewBarChart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(cmdViewBarChart, &QAction::triggered, this, &TMainForm::cmdViewBarChartClick);
    mnuView->addActions({cmdViewPieSectionSizeWindow, cmdViewBarChart});
    mnuView->addSeparator();
    QMenu* sort = mnuView->addMenu(tr("Pie Sections &Sort"));
    cmdViewPieSort = sort->menuAction();
    cmdViewPieSort->setObjectName(QStringLiteral("cmdViewPieSort"));
    cmdViewPieSort->setStatusTip(tr("Contains commands for arranging the pie sections."));
    auto* sortGroup = new QActionGroup(this);
    cmdViewPieSortAscending = MakeAction(this, "cmdViewPieSortAscending", tr("&Ascending"),
                                         tr("Sorts pie sections by size in ascending order."));
    cmdViewPieSortDescending = MakeAction(this, "cmdViewPieSortDescending", tr("&Descending"),
                                          tr("Sorts pie sections by size in descending order."));
    for (QAction* a : {cmdViewPieSortAscending, cmdViewPieSortDescending}) {
        a->setCheckable(true);
        sortGroup->addAction(a);
        sort->addAction(a);
    }
    cmdViewPieSortDescending->setChecked(true);
    connect(cmdViewPieSortAscending, &QAction::triggered, this, [this] {
        Settings().SortAscending.Value = true;
        InvalidatePie();
    });
    connect(cmdViewPieSortDescending, &QAction::triggered, this, [this] {
        Settings().SortAscending.Value = false;
        InvalidatePie();
    });
    mnuView->addSeparator();
    cmdViewOptions =
        MakeAction(this, "cmdViewOptions", tr("&Options..."), tr("Changes program configuration."));
    later(cmdViewOptions);
    mnuView->addAction(cmdViewOptions);

    // ---- Tools
    mnuTools = bar->addMenu(tr("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuTools->menuAction()->setStatusTip(tr("Contains tools commands"));
    cmdToolsWindowsExplorer = MakeAction(this, "cmdToolsWindowsExplorer", tr("File &Manager"),
                                         tr("Opens the file manager."));
    cmdToolsFindFiles = MakeAction(
        this, "cmdToolsFindFiles", tr("&Find Files or Folders..."),
        tr("Opens the Find dialog box, that allows you to search for files or folders based on "
           "various search criteria."));
    cmdToolsWindowsSystemTools =
        MakeAction(this, "cmdToolsWindowsSystemTools", tr("System &Tools"),
                   tr("Allows you to run various system tools such as the disk utility."));
    mnuTools->addActions({cmdToolsWindowsExplorer, cmdToolsFindFiles, cmdToolsWindowsSystemTools});
    mnuTools->addSeparator();
    cmdToolsCustomize =
        MakeAction(this, "cmdToolsCustomize", tr("&Customize the Tools menu..."),
                   tr("Add your own commands to the Tools menu (for advanced users)."));
    mnuTools->addAction(cmdToolsCustomize);
    LT1 = mnuTools->addSeparator();
    LT1->setObjectName(QStringLiteral("LT1"));
    LT1->setVisible(false);
    for (QAction* a : {cmdToolsWindowsExplorer, cmdToolsFindFiles, cmdToolsWindowsSystemTools,
                       cmdToolsCustomize})
        later(a);

    // ---- Help
    mnuHelp = bar->addMenu(tr("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->menuAction()->setStatusTip(tr("Display help, ordering or program information"));
    cmdHelpHelpTopics =
        MakeAction(this, "cmdHelpHelpTopics", tr("&Help Topics"), tr("Opens Help."));
    cmdHelpHelpTopics->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelp->addAction(cmdHelpHelpTopics);
    mnuHelp->addSeparator();
    cmdHelpVisitWebPage = MakeAction(
        this, "cmdHelpVisitWebPage", tr("Visit the Quillmere &Web page"),
        tr("Visit the Quillmere Web page for the latest information about the product."));
    cmdHelpFeedback = MakeAction(
        this, "cmdHelpFeedback", tr("&Feedback..."),
        tr("Displays an online user feedback form that can help the authors improve Quillmere."));
    mnuHelp->addActions({cmdHelpVisitWebPage, cmdHelpFeedback});
    mnuHelp->addSeparator();
    cmdHelpAbout = MakeAction(this, "cmdHelpAbout", tr("&About..."),
                              tr("Displays program information, version and copyright."));
    mnuHelp->addAction(cmdHelpAbout);
    connect(cmdHelpHelpTopics, &QAction::triggered, this, &TMainForm::cmdHelpHelpTopicsClick);
    // F1 over an open menu shows that menu's topic (see eventFilter).
    const std::pair<QMenu*, int> menuTopics[] = {{mnuFile, HelpFileMenu},
                                                 {mnuView, HelpViewMenu},
                                                 {mnuTools, HelpToolsMenu},
                                                 {mnuHelp, HelpHelpMenu}};
    for (const auto& [menu, topic] : menuTopics) {
        menu->setProperty("HelpContext", topic);
        menu->installEventFilter(this);
    }
    connect(cmdHelpAbout, &QAction::triggered, this, &TMainForm::cmdHelpAboutClick);
    for (QAction* a : {cmdHelpVisitWebPage, cmdHelpFeedback})
        later(a);
}

void TMainForm::CreateToolbar() {
    const QStyle* s = style();
    toolScan = MakeAction(this, "toolScan", tr("Scan"),
                          tr("Scan/Rescan Selected Drive|Scan or rescan the drive that is "
                             "selected in the Drives List Box"));
    toolScan->setIcon(ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon, s));
    connect(toolScan, &QAction::triggered, this, &TMainForm::toolScanClick);
    toolRescanDir =
        MakeAction(this, "toolRescanDir", tr("Rescan"),
                   tr("Rescan Current Folder|Rescans the current folder and all its subfolders"));
    toolRescanDir->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload, s));
    toolRescanDir->setEnabled(false);
    connect(toolRescanDir, &QAction::triggered, this,
            &TMainForm::cmdFileRescanCurrentDirectoryClick);
    toolStop =
        MakeAction(this, "toolStop", tr("Stop"), tr("Abort scanning|Abort the scanning process"));
    toolStop->setIcon(ThemeIcon("process-stop", QStyle::SP_BrowserStop, s));
    toolStop->setEnabled(false);
    connect(toolStop, &QAction::triggered, this, &TMainForm::cmdFileAbortClick);
    toolLevelUp = MakeAction(this, "toolLevelUp", tr("Up"),
                             tr("Up One Level|Select the parent folder of the current folder"));
    toolLevelUp->setIcon(ThemeIcon("go-up", QStyle::SP_FileDialogToParent, s));
    toolLevelUp->setEnabled(false);
    connect(toolLevelUp, &QAction::triggered, this, &TMainForm::toolLevelUpClick);
    toolExplore = MakeAction(this, "toolExplore", tr("Explore"),
                             tr("Explore Current Folder|Explore the current folder"));
    toolExplore->setIcon(ThemeIcon("system-file-manager", QStyle::SP_DirOpenIcon, s));
    toolExplore->setEnabled(false);
    connect(toolExplore, &QAction::triggered, this,
            [this] { NotAvailableYet(tr("Explore Current Folder")); });
    toolShowWasted = MakeAction(this, "toolShowWasted", tr("Include Wasted Space"),
                                tr("Include Wasted Space|Show the actual allocated space for "
                                   "each folder and file in the pie chart"));
    toolShowWasted->setIcon(TextIcon(QStringLiteral("W"), QColor(0xc0, 0x30, 0x30)));
    toolShowWasted->setCheckable(true);
    toolShowWasted->setChecked(true);
    connect(toolShowWasted, &QAction::triggered, this, [this](bool on) {
        Settings().IncludeWastedInformation.Value = on;
        InvalidatePages(true);
    });
    toolShowFiles = MakeAction(this, "toolShowFiles", tr("Show Files"),
                               tr("Show Files|Display individual files in the pie chart"));
    toolShowFiles->setIcon(ThemeIcon("text-x-generic", QStyle::SP_FileIcon, s));
    toolShowFiles->setCheckable(true);
    toolShowFiles->setChecked(true);
    connect(toolShowFiles, &QAction::triggered, this, [this](bool on) {
        Settings().ShowFileNames.Value = on;
        InvalidatePie();
    });
    toolPercent =
        MakeAction(this, "toolPercent", tr("Relative sizes"),
                   tr("Relative sizes|Display relative sizes near the pie chart sections"));
    toolPercent->setIcon(TextIcon(QStringLiteral("%"), QColor(0x20, 0x50, 0xa0)));
    toolPercent->setCheckable(true);
    toolMB = MakeAction(this, "toolMB", tr("Absolute sizes"),
                        tr("Absolute sizes|Display absolute sizes near the pie chart sections"));
    toolMB->setIcon(TextIcon(QStringLiteral("MB"), QColor(0x20, 0x50, 0xa0)));
    toolMB->setCheckable(true);
    // The two label buttons exclude each other but may both be up.
    connect(toolPercent, &QAction::triggered, this, [this](bool on) {
        if (on)
            toolMB->setChecked(false);
        Settings().ShowPercentInPie.Value = on ? 1 : (toolMB->isChecked() ? 2 : 0);
        InvalidatePie();
    });
    connect(toolMB, &QAction::triggered, this, [this](bool on) {
        if (on)
            toolPercent->setChecked(false);
        Settings().ShowPercentInPie.Value = on ? 2 : (toolPercent->isChecked() ? 1 : 0);
        InvalidatePie();
    });

    TheToolbar->addAction(toolScan);
    TheToolbar->addSeparator();
    TheToolbar->addAction(toolRescanDir);
    TheToolbar->addSeparator();
    TheToolbar->addAction(toolStop);
    TheToolbar->addSeparator();
    TheToolbar->addAction(toolLevelUp);
    TheToolbar->addAction(toolExplore);
    TheToolbar->addSeparator();
    TheToolbar->addAction(toolShowWasted);
    TheToolbar->addAction(toolShowFiles);
    TheToolbar->addSeparator();
    TheToolbar->addAction(toolPercent);
    TheToolbar->addAction(toolMB);
    TheToolbar->addSeparator();
    // Separators carry a blank hint so pointing at one clears the bar.
    for (QAction* a : TheToolbar->actions())
        if (a->isSeparator())
            a->setStatusTip(QStringLiteral(" "));
}

void TMainForm::UpdateFileMenu() {
    const bool ready = CurrentNode() && CurrentNode()->Data;
    cmdFileExportPie->setEnabled(ready);
    cmdFileReports->setEnabled(ready);
    cmdFilePrint->setEnabled(ready);
}

void TMainForm::UpdateViewMenu() {
    const bool ready = CurrentNode() && CurrentNode()->Data;
    for (QAction* a :
         {cmdViewPieChart, cmdViewFolderInformation, cmdViewSubfolders, cmdViewWastedSpace,
          cmdViewCleanUp, cmdViewPieSectionSizeWindow, cmdViewBarChart})
        a->setEnabled(ready);
    if (ready)
        cmdViewCleanUp->setEnabled(ThePages->isTabVisible(PageCleanUp + 1));
    const QList<QAction*> pages{cmdViewPieChart, cmdViewFolderInformation, cmdViewSubfolders,
                                cmdViewWastedSpace, cmdViewCleanUp};
    pages[CurPage]->setChecked(true);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Ctrl+B/D/M/R run the clean-up commands while that page can be shown.
    if (event->modifiers() == Qt::ControlModifier && ThePages->isTabVisible(PageCleanUp + 1)) {
        switch (event->key()) {
        case Qt::Key_B:
        case Qt::Key_D:
        case Qt::Key_M:
        case Qt::Key_R:
            NotAvailableYet(tr("Freeing space"));
            event->accept();
            return;
        default:
            break;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TMainForm::cmdHelpHelpTopicsClick() {
    ShowHelp(HelpContents, this);
}

void TMainForm::cmdHelpAboutClick() {
    TAboutBox box(this);
    box.exec();
}

void TMainForm::ShowBarChart() {
    if (cmdViewBarChart->isEnabled())
        cmdViewBarChart->trigger();
}

void TMainForm::cmdViewBarChartClick() {
    // The short-cut also works while the View menu, which disables the
    // command for a folder without figures, is closed.
    if (!BarChart || !CurrentNode() || !CurrentNode()->Data)
        return;
    BarChart->ShowFolder(CurrentNode(), WhatIf());
    // The rows point into the tree: should folders go while the window is
    // open, it lets go of them and closes.
    const QMetaObject::Connection watch = connect(Model, &QAbstractItemModel::rowsAboutToBeRemoved,
                                                  BarChart, &TBarChartBox::ForgetRows);
    BarChart->exec();
    disconnect(watch);
    const std::string path = BarChart->SelectedPath();
    if (!path.empty())
        SelectPath(path);
}
