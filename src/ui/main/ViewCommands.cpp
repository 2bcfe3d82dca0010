// The View menu's rows and handlers. Each switch changes a setting and has
// the window show it; the pages that depend on it are filled again.
#include "ui/main/ViewCommands.h"

#include "models/FolderTreeModel.h"
#include "settings/ProgramSettings.h"
#include "shell/OptionsBox.h"
#include "ui/charts/BarChartBox.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/FileTypesBox.h"
#include "ui/main/LargestFilesBox.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QActionGroup>
#include <QStyle>
#include <QWidget>

#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)

TViewCommands::TViewCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Commands(commands), Host(host) {
    setObjectName(QStringLiteral("ViewCommands"));
    const auto part = [this](TWindowPart which, TBoolOption& setting) {
        return [this, which, option = &setting](bool on) {
            Host.ShowPart(which, on);
            option->Value = on;
        };
    };
    const auto sort = [this](bool ascending) {
        return [this, ascending] {
            Host.Settings().SortAscending.Value = ascending;
            Host.InvalidatePie();
        };
    };
    TProgramSettings& s = Host.Settings();
    // clang-format off
    commands.Add(this, {"cmdViewToolbar", T("Toolbar"), T("Shows or hides the toolbar."), 0, {}, part(TWindowPart::Toolbar, s.ViewToolbar), Rules::Always, Checkable | Checked});
    commands.Add(this, {"cmdViewStatusBar", T("Status &Bar"), T("Shows or hides the status bar."), 0, {}, part(TWindowPart::StatusBar, s.ViewStatusBar), Rules::Always, Checkable | Checked});
    commands.Add(this, {"cmdViewFolderTree", T("Folder T&ree"), T("Shows or hides the folder tree view from the left panel."), 0, {}, part(TWindowPart::FolderTree, s.ViewFolderTree), Rules::Always, Checkable | Checked});
    PageActions[PagePie] = commands.Add(this, {"cmdViewPieChart", T("&Pie Chart"), T("Displays a graphical pie chart view of the space used by the current folder."), 0, {}, {}, Rules::Ready, Checkable | Checked});
    PageActions[PageFolderInfo] = commands.Add(this, {"cmdViewFolderInformation", T("Folder &Information"), T("Displays detailed information about the current folder."), 0, {}, {}, Rules::Ready, Checkable});
    PageActions[PageSubfolders] = commands.Add(this, {"cmdViewSubfolders", T("Subfo&lders"), T("Displays a detailed list of the subfolders of the current folder."), 0, {}, {}, Rules::Ready, Checkable});
    PageActions[PageWasted] = commands.Add(this, {"cmdViewWastedSpace", T("&Wasted Space"), T("Displays information about the space wasted by the current folder/drive."), 0, {}, {}, Rules::Ready, Checkable});
    PageActions[PageCleanUp] = commands.Add(this, {"cmdViewCleanUp", T("&Free Some Space"), T("Displays a few options that can be use to free up some disk space."), 0, {}, {}, Rules::CleanUpReady, Checkable});
    commands.Add(this, {"cmdViewPieSectionSizeWindow", T("Wasted && Drive Pie &Charts"), T("Shows or hides the Section & Free Information Window."), Ctrl | Qt::Key_C, {}, [this](bool on) {
        Host.Settings().PieSectionSizeWindow.Value = on;
        Host.LayoutPage(); }, Rules::Ready, Checkable});
    commands.Add(this, {"cmdViewBarChart", T("&Tree Bar Chart"), T("Displays the Tree Bar Chart Window, that helps you quickly find large folders (hogs)."), Ctrl | Qt::Key_T, [this] { ShowBarChart(); }, {}, Rules::Ready});
    commands.Add(this, {"cmdViewLargestFiles", T("&Largest Files..."), T("Lists the largest files of the current folder and every folder below it."), 0, [this] {
        if (TLargestFilesBox* box = Host.LargestFilesBox())
            box->Open(); }, {}, Rules::Ready});
    commands.Add(this, {"cmdViewFileTypes", T("File T&ypes..."), T("Shows the files of the current folder and every folder below it by extension and kind."), 0, [this] { ShowFileTypes(); }, {}, Rules::Ready});
    commands.Add(this, {"cmdViewPieSort", T("Pie Sections &Sort"), T("Contains commands for arranging the pie sections."), 0, {}, {}, Rules::Always, Submenu});
    QAction* ascending = commands.Add(this, {"cmdViewPieSortAscending", T("&Ascending"), T("Sorts pie sections by size in ascending order."), 0, sort(true), {}, Rules::Always, Checkable});
    QAction* descending = commands.Add(this, {"cmdViewPieSortDescending", T("&Descending"), T("Sorts pie sections by size in descending order."), 0, sort(false), {}, Rules::Always, Checkable | Checked});
    commands.Add(this, {"cmdViewOptions", T("&Options..."), T("Changes program configuration."), 0, [this] { ShowOptions(); }});
    ShowWasted = commands.Add(this, {"toolShowWasted", T("Include Wasted Space"), T("Include Wasted Space|Show the actual allocated space for each folder and file in the pie chart"), 0, {}, [this](bool on) {
        Host.Settings().IncludeWastedInformation.Value = on;
        Host.InvalidatePages(true); }, Rules::Always, Checkable | Checked});
    ShowFiles = commands.Add(this, {"toolShowFiles", T("Show Files"), T("Show Files|Display individual files in the pie chart"), 0, {}, [this](bool on) {
        Host.Settings().ShowFileNames.Value = on;
        Host.InvalidatePie(); }, Rules::Always, Checkable | Checked});
    // The two label buttons exclude each other but may both be up.
    Percent = commands.Add(this, {"toolPercent", T("Relative sizes"), T("Relative sizes|Display relative sizes near the pie chart sections"), 0, {}, [this](bool on) {
        SetPieLabels(on ? 1 : (Megabytes->isChecked() ? 2 : 0)); }, Rules::Always, Checkable});
    Megabytes = commands.Add(this, {"toolMB", T("Absolute sizes"), T("Absolute sizes|Display absolute sizes near the pie chart sections"), 0, {}, [this](bool on) {
        SetPieLabels(on ? 2 : (Percent->isChecked() ? 1 : 0)); }, Rules::Always, Checkable});
    // clang-format on
    auto* pages = new QActionGroup(this);
    for (int page = PagePie; page <= PageCleanUp; ++page) {
        pages->addAction(PageActions[page]);
        connect(PageActions[page], &QAction::triggered, this,
                [this, page] { Host.ShowPage(page); });
    }
    auto* order = new QActionGroup(this);
    order->addAction(ascending);
    order->addAction(descending);
    // The page shown keeps its mark whatever moved it.
    commands.OnUpdate([this] { PageActions[Host.CurrentPage()]->setChecked(true); });

    ShowWasted->setIcon(TextIcon(QStringLiteral("W"), QColor(0xc0, 0x30, 0x30)));
    ShowFiles->setIcon(ThemeIcon("text-x-generic", QStyle::SP_FileIcon, Host.Window()->style()));
    Percent->setIcon(TextIcon(QStringLiteral("%"), QColor(0x20, 0x50, 0xa0)));
    Megabytes->setIcon(TextIcon(QStringLiteral("MB"), QColor(0x20, 0x50, 0xa0)));
}

void TViewCommands::SetPieLabels(int shown) {
    if (shown == 1)
        Megabytes->setChecked(false);
    else if (shown == 2)
        Percent->setChecked(false);
    Host.Settings().ShowPercentInPie.Value = shown;
    Host.InvalidatePie();
}

void TViewCommands::ApplySettings() {
    TProgramSettings& s = Host.Settings();
    ShowWasted->setChecked(s.IncludeWastedInformation.Value);
    ShowFiles->setChecked(s.ShowFileNames.Value);
    Percent->setChecked(s.ShowPercentInPie.Value == 1);
    Megabytes->setChecked(s.ShowPercentInPie.Value == 2);
    Commands.Action("cmdViewToolbar")->setChecked(s.ViewToolbar.Value);
    Host.ShowPart(TWindowPart::Toolbar, s.ViewToolbar.Value);
    Commands.Action("cmdViewStatusBar")->setChecked(s.ViewStatusBar.Value);
    Host.ShowPart(TWindowPart::StatusBar, s.ViewStatusBar.Value);
    Commands.Action("cmdViewFolderTree")->setChecked(s.ViewFolderTree.Value);
    Host.ShowPart(TWindowPart::FolderTree, s.ViewFolderTree.Value);
    Commands.Action("cmdViewPieSectionSizeWindow")->setChecked(s.PieSectionSizeWindow.Value);
    Commands.Action(s.SortAscending.Value ? "cmdViewPieSortAscending" : "cmdViewPieSortDescending")
        ->setChecked(true);
}

void TViewCommands::SetIncludeWasted(bool on) {
    ShowWasted->setChecked(on);
    Host.Settings().IncludeWastedInformation.Value = on;
    Host.InvalidatePages(true);
}

void TViewCommands::ShowOptions() {
    TOptionsBox box(Host.Settings(), Host.Window());
    box.exec();
    if (!box.Accepted)
        return;
    // The dialog changed the settings only; what shows them follows here.
    ShowWasted->setChecked(Host.Settings().IncludeWastedInformation.Value);
    ShowFiles->setChecked(Host.Settings().ShowFileNames.Value);
    // Drives scanned from now on; those in the tree keep what they have, and
    // their rescans follow them.
    Host.Session().Scanner().SetKeepFiles(Host.Settings().KeepEveryFile.Value);
    Host.ApplyColors();
    // Thresholds, the text angle, wasted space and colours reach every page.
    Host.InvalidatePages(true);
    if (TBarChartBox* chart = Host.BarChartBox())
        chart->update();
}

void TViewCommands::ShowFileTypes() {
    TFileTypesBox* box = Host.FileTypesBox();
    if (!box)
        return;
    box->show();
    box->raise();
    box->activateWindow();
    box->ShowCurrent(Host);
}

void TViewCommands::ShowBarChart() {
    // The short-cut also works while the View menu, which disables the
    // command for a folder without figures, is closed.
    TBarChartBox* chart = Host.BarChartBox();
    TFolderNode* node = Host.CurrentNode();
    if (!chart || !node || !node->Data)
        return;
    chart->ShowFolder(node, Host.WhatIf());
    // The rows point into the tree: should folders go while the window is
    // open, it lets go of them and closes.
    const QMetaObject::Connection watch =
        connect(&Host.TreeModel(), &QAbstractItemModel::rowsAboutToBeRemoved, chart,
                &TBarChartBox::ForgetRows);
    chart->exec();
    disconnect(watch);
    const std::string path = chart->SelectedPath();
    if (!path.empty())
        Host.SelectPath(path);
}
