// Moving through the tree: selecting paths and folders (also one dropped on
// the window), going up, opening a folder from a page, the tree's context
// menu and the what-if cluster size.
// The session decides what is current; the tree view follows it.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "models/FolderTreeModel.h"
#include "settings/ProgramSettings.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/main/Strings.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>

#include <vector>

bool TMainForm::SelectPath(const std::string& path) {
    if (!TheSession->SelectPath(path))
        return false;
    if (const QModelIndex index = Model->IndexOf(CurrentNode()); index.isValid()) {
        FolderTree->expand(index);
        FolderTree->setFocus();
    }
    return true;
}

bool TMainForm::SelectNode(TFolderNode* node) {
    return TheSession->Select(node) && CurrentNode() == node;
}

void TMainForm::OpenFolder(TFolderNode* node) {
    if (SelectNode(node) && Settings().AutoExpand.Value)
        FolderTree->expand(Model->IndexOf(node));
}

void TMainForm::ExpandInTree(const TFolderNode* node) {
    FolderTree->expand(Model->IndexOf(node));
}

void TMainForm::GoUp(bool collapse) {
    TFolderNode* node = CurrentNode();
    if (!node || !node->Parent)
        return;
    TFolderNode* parent = node->Parent;
    if (collapse) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The folder and every expanded folder below it close.
        std::vector<QModelIndex> pending{Model->IndexOf(node)};
        while (!pending.empty()) {
            const QModelIndex index = pending.back();
            pending.pop_back();
            if (!index.isValid() || !FolderTree->isExpanded(index))
                continue;
            for (int r = 0; r < Model->rowCount(index); ++r)
                pending.push_back(Model->index(r, 0, index));
            FolderTree->collapse(index);
        }
        QApplication::restoreOverrideCursor();
    }
    SelectNode(parent);
}

void TMainForm::ClustersBoxChange(int index) {
    // The drop-down's list closes without the mouse leaving a control with a
    // hint, so nothing else would give the status bar its path back.
    ShowHint(QString());
    TheSession->SetWhatIfIndex(index);
}

void TMainForm::FolderTreeContextMenu(const QPoint& pos) {
    const QModelIndex index = FolderTree->indexAt(pos);
    if (!index.isValid())
        return;
    TFolderNode* node = Model->NodeOf(index);
    // Selecting may drop the node when its folder is gone.
    if (!SelectNode(node))
        return;
    if (!node->Data) {
        TMessageBox::Error(this, Strings::ProductName(), Strings::ContextMenuNotReady());
        return;
    }
    TPieItem item;
    item.Node = node;
    item.Path = NodePath(node);
    item.Size = node->Data->TreeSize;
    item.Wasted = ShownTreeWasted(*node->Data, WhatIf());
    item.Kind = node->Parent ? TPieItemKind::Folder : TPieItemKind::Drive;
    ShowItemMenu(item, pos, FolderTree->viewport());
}

// ---- a folder dropped on the window is selected (and scanned when it was not) ----

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    raise();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    const std::string path = PathBytes(urls.front().toLocalFile());
    QTimer::singleShot(0, this, [this, path] {
        try {
            SelectPath(path);
        } catch (const std::exception& e) {
            TMessageBox::Error(this, Strings::ProductName(), QString::fromLocal8Bit(e.what()));
        }
    });
}
