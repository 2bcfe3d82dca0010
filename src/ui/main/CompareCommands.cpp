// The View menu's comparison with an earlier scan and its list of unreadable
// folders. The comparison itself is data (TScanComparison); here it starts,
// ends, and reaches the pages.
#include "ui/main/MainForm.h"

#include "models/FolderTreeModel.h"
#include "shell/ShellPaths.h"
#include "snapshot/ReadErrors.h"
#include "ui/main/Guarded.h"
#include "ui/main/UnreadableFoldersBox.h"
#include "ui/main/WhatGrewBox.h"

#include <QAction>
#include <QTimer>

bool TMainForm::StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info) {
    const TFolderNode* node = CurrentNode();
    if (!node || !node->Data || Scanning()) {
        Inform(tr("Select a scanned folder to compare with the earlier scan."));
        return false;
    }
    ActiveComparison =
        std::make_unique<TScanComparison>(*node, std::move(earlier), std::move(info));
    InvalidatePages(true);
    UpdateCommands();
    SetStatusText(0,
                  tr("Comparing %1 with %2")
                      .arg(DisplayPath(NodePath(node)), ScanFileTitle(ActiveComparison->Info())));
    return true;
}

void TMainForm::EndComparison() {
    if (!ActiveComparison)
        return;
    ActiveComparison.reset();
    InvalidatePages(true);
    UpdateCommands();
}

void TMainForm::ComparedRowsLeaving(const QModelIndex& parent, int first, int last) {
    if (!ActiveComparison)
        return;
    for (int row = first; row <= last; ++row) {
        const TFolderNode* leaving = Model->NodeOf(Model->index(row, 0, parent));
        if (!leaving || !IsWithin(&ActiveComparison->Base(), leaving))
            continue;
        // The tree is in the middle of a change: the pages let go now and
        // are filled again once it is over.
        ActiveComparison.reset();
        DropNodeReferences();
        QTimer::singleShot(0, this, [this] {
            UpdateCommands();
            InvalidatePages(true);
        });
        return;
    }
}

void TMainForm::SetEarlierScanLoader(std::function<void()> loader) {
    LoadEarlierScan = std::move(loader);
    UpdateCommands();
}

void TMainForm::cmdViewCompareWithScanFileClick() {
    if (LoadEarlierScan)
        Guarded(this, [&] { LoadEarlierScan(); });
}

void TMainForm::cmdViewEndComparisonClick() {
    EndComparison();
}

void TMainForm::cmdViewWhatGrewClick() {
    if (!ActiveComparison)
        return;
    TWhatGrewBox box(this);
    box.Show(*ActiveComparison);
    box.exec();
    // By node, not by path: the path of an opened scan file's folder names
    // no folder of this disk, and selecting it would scan a drive.
    if (const TFolderNode* chosen = box.ChosenNode())
        OpenFolder(const_cast<TFolderNode*>(chosen));
}

void TMainForm::cmdViewUnreadableFoldersClick() {
    TUnreadableFoldersBox box(this);
    box.Show(ReadErrors(Tree()));
    box.exec();
    if (const TFolderNode* chosen = box.ChosenNode())
        OpenFolder(const_cast<TFolderNode*>(chosen));
}
