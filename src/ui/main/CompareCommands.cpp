// The View menu's comparison with an earlier scan and its list of unreadable
// folders. The comparison itself is data (TScanComparison); here it starts,
// ends, and reaches the pages.
#include "ui/main/CompareCommands.h"

#include "models/FolderTreeModel.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "snapshot/ReadErrors.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Guarded.h"
#include "ui/main/Strings.h"
#include "ui/main/UnreadableFoldersBox.h"
#include "ui/main/WhatGrewBox.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QTimer>

TCompareCommands::TCompareCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Commands(commands), Host(host) {
    setObjectName(QStringLiteral("CompareCommands"));
    const auto comparing = [this](const TCommandState&) { return ActiveComparison != nullptr; };
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdViewCompareWithScanFile", T("Co&mpare with Scan File..."), T("Compares the current folder with an earlier scan of it, saved in a scan file."), 0, [this] {
        if (LoadEarlierScan)
            Guarded(Host.Window(), [&] { LoadEarlierScan(); }); }, {},
        [this](const TCommandState& s) { return s.Ready() && !s.Scanning && LoadEarlierScan != nullptr; }});
    commands.Add(this, {"cmdViewWhatGrew", T("What &Grew..."), T("Lists the folders that grew most since the earlier scan."), 0, [this] { ShowWhatGrew(); }, {}, comparing});
    commands.Add(this, {"cmdViewEndComparison", T("&End Comparison"), T("Stops comparing with the earlier scan."), 0, [this] { EndComparison(); }, {}, comparing});
    commands.Add(this, {"cmdViewUnreadableFolders", T("&Unreadable Folders..."), T("Lists the folders that could not be read, so their totals are incomplete."), 0, [this] { ShowUnreadableFolders(); }, {}, Rules::DrivesIdle});
    // clang-format on
#undef T
    // Nor may the comparison outlive the folder it compares.
    connect(&Host.TreeModel(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &TCompareCommands::ComparedRowsLeaving);
}

bool TCompareCommands::StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info) {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data || Host.Session().Scanning()) {
        TMessageBox::Information(Host.Window(), Strings::ProductName(),
                                 tr("Select a scanned folder to compare with the earlier scan."));
        return false;
    }
    ActiveComparison =
        std::make_unique<TScanComparison>(*node, std::move(earlier), std::move(info));
    Host.InvalidatePages(true);
    Commands.Update();
    Host.SetStatusText(
        0, tr("Comparing %1 with %2")
               .arg(DisplayPath(NodePath(node)), ScanFileTitle(ActiveComparison->Info())));
    return true;
}

void TCompareCommands::EndComparison() {
    if (!ActiveComparison)
        return;
    ActiveComparison.reset();
    Host.InvalidatePages(true);
    Commands.Update();
}

void TCompareCommands::ComparedRowsLeaving(const QModelIndex& parent, int first, int last) {
    if (!ActiveComparison)
        return;
    for (int row = first; row <= last; ++row) {
        const TFolderTreeModel& model = Host.TreeModel();
        const TFolderNode* leaving = model.NodeOf(model.index(row, 0, parent));
        if (!leaving || !IsWithin(&ActiveComparison->Base(), leaving))
            continue;
        // The tree is in the middle of a change: the pages let go now and
        // are filled again once it is over.
        ActiveComparison.reset();
        Host.DropNodeReferences();
        QTimer::singleShot(0, this, [this] {
            Commands.Update();
            Host.InvalidatePages(true);
        });
        return;
    }
}

void TCompareCommands::SetEarlierScanLoader(std::function<void()> loader) {
    LoadEarlierScan = std::move(loader);
    Commands.Update();
}

void TCompareCommands::ShowWhatGrew() {
    if (!ActiveComparison)
        return;
    TWhatGrewBox box(Host.Window());
    box.Show(*ActiveComparison);
    box.exec();
    // By node, not by path: the path of an opened scan file's folder names
    // no folder of this disk, and selecting it would scan a drive.
    if (const TFolderNode* chosen = box.ChosenNode())
        Host.OpenFolder(const_cast<TFolderNode*>(chosen));
}

void TCompareCommands::ShowUnreadableFolders() {
    TUnreadableFoldersBox box(Host.Window());
    box.Show(ReadErrors(Host.Session().Tree()));
    box.exec();
    if (const TFolderNode* chosen = box.ChosenNode())
        Host.OpenFolder(const_cast<TFolderNode*>(chosen));
}
