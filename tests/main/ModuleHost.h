// A host for one command module at a time, without the main window: a real
// scan session over a plain temporary folder taken for a drive, a bare
// widget as the parent of dialogs, and the registry the module registers
// with. It records what a module asked of the window.
#pragma once

#include "common/TempTree.h"
#include "models/CurrentFolderContents.h"
#include "models/FolderTreeModel.h"
#include "models/SubfolderList.h"
#include "settings/ProgramSettings.h"
#include "shell/MessageBox.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TModuleHost : public TWindowHost, private TSessionView {
public:
    explicit TModuleHost(const std::string& drive) : Drive(drive) {
        TheSession.SetDriveResolver([this](const std::string& path) {
            return path == Drive || path.rfind(Drive + "/", 0) == 0 ? Drive : std::string();
        });
    }

    // The action of a command the module under test registered.
    QAction* Action(const char* name) { return Commands.Action(name); }

    // ---- TWindowHost ---------------------------------------------------------
    TScanSession& Session() override { return TheSession; }
    const TScanSession& Session() const override { return TheSession; }
    TProgramSettings& Settings() override { return Options; }
    QWidget* Window() override { return &Parent; }
    TFolderTreeModel& TreeModel() override { return Model; }
    void ExpandInTree(const TFolderNode* node) override { Expanded.push_back(node); }
    int CurrentPage() const override { return Page; }
    void ShowPage(int page) override { Page = page; }
    void InvalidatePages(bool) override { ++Invalidated; }
    void InvalidatePie() override { ++Invalidated; }
    void LayoutPage() override {}
    void DropNodeReferences() override {}
    void ApplyColors() override {}
    void UpdateCommands() override { Commands.Update(); }
    void ShowPart(TWindowPart, bool) override {}
    QString ChosenDrive() const override { return QString::fromStdString(Drive); }
    void RebuildDriveList() override {}
    TBarChartBox* BarChartBox() const override { return nullptr; }
    TFileTypesBox* FileTypesBox() const override { return nullptr; }
    TPiePage& Pie() override { throw std::logic_error("no pie page here"); }
    const TSubfolderListModel& SubfolderList() override {
        List.Fill(*CurrentNode(), TSubfolderFilter{}, nullptr);
        return List;
    }
    bool StartComparison(std::unique_ptr<TFolderNode>, TScanFileInfo) override { return false; }
    void EndComparison() override { ++ComparisonsEnded; }
    bool SelectNode(TFolderNode* node) override { return TheSession.Select(node); }
    bool SelectPath(const std::string& path) override { return TheSession.SelectPath(path); }
    void OpenFolder(TFolderNode* node) override { TheSession.Select(node); }
    void GoUp(bool) override {
        if (CurrentNode() && CurrentNode()->Parent)
            TheSession.Select(CurrentNode()->Parent);
    }
    void ShowBarChart() override {}
    void ShowItemMenu(const TPieItem&, const QPoint&, QWidget*) override {}
    void CleanUp(TCleanUpAction) override {}
    void SetStatusText(int, const QString& text) override { Status = text; }
    void InvalidateList(bool) override {}
    bool NotReadyShown() const override { return false; }
    TSectionSizeBox* SectionSizeBox() const override { return nullptr; }
    const TScanComparison* Comparison() const override { return nullptr; }
    const TCurrentFolderContents& Contents() const override { return FolderContents; }

    std::string Drive;
    TProgramSettings Options;
    QWidget Parent;
    TScanSession TheSession{static_cast<TSessionView&>(*this)};
    TFolderTreeModel Model{TheSession.Tree()};
    TSubfolderListModel List;
    TCurrentFolderContents FolderContents{TheSession, [] { return nullptr; }};
    TCommandRegistry Commands{TheSession, Parent};
    std::vector<const TFolderNode*> Expanded;
    int Page = PagePie;
    int Invalidated = 0;
    int ComparisonsEnded = 0;
    QString Status;
    std::vector<QString> Told;

private:
    bool RetryDrive(const std::string&) override { return false; }
    void Inform(const QString& text) override { Told.push_back(text); }
    void ScanStateChanged(bool) override { Commands.Update(); }
    void ScanReached(const std::string&) override {}
    void CurrentChanged(bool) override { Commands.Update(); }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};
