// The View menu's switches and options, the toolbar's pie switches, the tree
// bar chart, the about box and the clean-up page's short-cuts.
#include "ui/main/MainForm.h"

#include "settings/ProgramSettings.h"
#include "shell/AboutBox.h"
#include "shell/OptionsBox.h"
#include "ui/charts/BarChartBox.h"

#include <QAction>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

void TMainForm::cmdViewToolbarClick(bool on) {
    ToolbarSupport->setVisible(on);
    Settings().ViewToolbar.Value = on;
}

void TMainForm::cmdViewStatusBarClick(bool on) {
    TheStatusBar->setVisible(on);
    Settings().ViewStatusBar.Value = on;
}

void TMainForm::cmdViewFolderTreeClick(bool on) {
    TheLeftPanel->setVisible(on);
    Settings().ViewFolderTree.Value = on;
}

void TMainForm::cmdViewPieSectionSizeWindowClick(bool on) {
    Settings().PieSectionSizeWindow.Value = on;
    LayoutPage();
}

void TMainForm::cmdViewPieSortAscendingClick() {
    Settings().SortAscending.Value = true;
    InvalidatePie();
}

void TMainForm::cmdViewPieSortDescendingClick() {
    Settings().SortAscending.Value = false;
    InvalidatePie();
}

void TMainForm::cmdViewOptionsClick() {
    TOptionsBox box(Settings(), this);
    box.exec();
    if (!box.Accepted)
        return;
    // The dialog changed the settings only; what shows them follows here.
    toolShowWasted->setChecked(Settings().IncludeWastedInformation.Value);
    toolShowFiles->setChecked(Settings().ShowFileNames.Value);
    ApplyColors();
    // Thresholds, the text angle, wasted space and colours reach every page.
    InvalidatePages(true);
    if (BarChart)
        BarChart->update();
}

void TMainForm::toolShowWastedClick(bool on) {
    Settings().IncludeWastedInformation.Value = on;
    InvalidatePages(true);
}

void TMainForm::toolShowFilesClick(bool on) {
    Settings().ShowFileNames.Value = on;
    InvalidatePie();
}

// The two label buttons exclude each other but may both be up.
void TMainForm::toolPercentClick(bool on) {
    if (on)
        toolMB->setChecked(false);
    Settings().ShowPercentInPie.Value = on ? 1 : (toolMB->isChecked() ? 2 : 0);
    InvalidatePie();
}

void TMainForm::toolMBClick(bool on) {
    if (on)
        toolPercent->setChecked(false);
    Settings().ShowPercentInPie.Value = on ? 2 : (toolPercent->isChecked() ? 1 : 0);
    InvalidatePie();
}

void TMainForm::cmdCleanUpArchiveClick() {
    CleanUp(TCleanUpAction::Compress);
}

void TMainForm::cmdCleanUpMoveClick() {
    CleanUp(TCleanUpAction::Move);
}

void TMainForm::cmdCleanUpTrashClick() {
    CleanUp(TCleanUpAction::Trash);
}

void TMainForm::cmdCleanUpDeleteClick() {
    CleanUp(TCleanUpAction::Delete);
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
