// Removing an item of the current folder: its context menu and the clean-up
// page's Move, Send To Trash and Delete, with what the scan knows of the
// item, and the repair of the tree afterwards.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "engine/ScannedItem.h"
#include "shell/ItemContextMenu.h"
#include "shell/ShellPaths.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"
#include "ui/cleanup/CleanUpMoveFolderBox.h"
#include "ui/main/PageHost.h"

void TMainForm::ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) {
    // The items of an opened scan file are not on this disk: no menu acts on them.
    if (IsOpenedScan(item.Node ? item.Node : CurrentNode()))
        return;
    const QPoint screen = control->mapToGlobal(pos);
    TKnownItem known{item.Size, 1, 0, std::nullopt};
    if (item.Node && item.Node->Data) {
        known.Files = item.Node->Data->TreeFileCount;
        known.Folders = item.Node->Data->TreeFolderCount;
    }
    if (item.Node && !item.Node->Parent) {
        // A drive's root is never removed; its menu has nothing to repair.
        ShowItemContextMenu(IncludeTrailingBackslash(item.Path), this, screen, known);
        return;
    }
    TFolderNode* parent = item.Node ? item.Node->Parent : CurrentNode();
    // Trash and Delete act only on the item the scan saw at this place.
    if (item.Node)
        known.Scanned = ScannedItemOf(item.Node);
    else if (parent && item.Path.size() > NodePath(parent).size() + 1)
        known.Scanned = ScannedItemOf(parent, item.Path.substr(item.Path.rfind('/') + 1));
    TItemContextMenu::TCommand command = TItemContextMenu::cmNone;
    const bool done = ShowItemContextMenu(item.Path, this, screen, known, &command);
    // Only a removal that ran (not one answered No, or refused) may have
    // left a folder smaller than its figures.
    const bool removing =
        done && (command == TItemContextMenu::cmDelete || command == TItemContextMenu::cmTrash);
    TheSession->RepairAfter(item, removing);
}

void TMainForm::CleanUp(TCleanUpAction action) {
    TFolderNode* node = CurrentNode();
    // A drive's root is never freed this way; its page is not even shown.
    if (!CanCleanUp(node) || !node->Data || Scanning())
        return;
    if (action == TCleanUpAction::Compress) {
        TCleanUpCompressFolderBox box(Options, TCleanUpCompressFolderBox::TMode::Compress, this);
        const std::int64_t wasted = ShownTreeWasted(*node->Data, WhatIf());
        box.SetFolder(NodePath(node), node->Data->TreeSize,
                      node->Data->TreeSize + (Options.IncludeWastedInformation.Value ? wasted : 0));
        box.ScannedDrives = ScannedDriveList();
        box.DriveOf = [this](const std::string& path) { return TheSession->DriveRootOf(path); };
        box.exec();
        if (box.ChangedDisk()) {
            TPieItem folder;
            folder.Node = node;
            folder.Path = NodePath(node);
            folder.Kind = TPieItemKind::Folder;
            TheSession->RepairAfter(folder, true);
        }
        return;
    }
    TPieItem item;
    item.Node = node;
    item.Path = NodePath(node);
    item.Size = node->Data->TreeSize;
    item.Wasted = node->Data->TreeWasted;
    item.Kind = TPieItemKind::Folder;
    if (action == TCleanUpAction::Move) {
        TCleanUpMoveFolderBox box(this);
        // The move acts only on the folder the scan saw at this place.
        box.SetSource(item.Path, ScannedItemOf(node));
        box.SetWastedOnSource(ShownTreeWasted(*node->Data, WhatIf()));
        box.FillWastingList(*node->Data, WhatIf());
        // OK means the folder may be gone, or partly so: the repair reads
        // which.
        if (box.exec() == QDialog::Accepted)
            TheSession->RepairAfter(item, true);
        return;
    }
    TKnownItem known{item.Size, node->Data->TreeFileCount, node->Data->TreeFolderCount,
                     ScannedItemOf(node)};
    // The same trash and delete as the item menu: the item must still be the
    // folder the scan saw, and Delete asks first, naming what it takes.
    TItemContextMenu menu(item.Path, this, known);
    const bool done = menu.Run(action == TCleanUpAction::Trash ? TItemContextMenu::cmTrash
                                                               : TItemContextMenu::cmDelete);
    TheSession->RepairAfter(item, done);
}

QStringList TMainForm::ScannedDriveList() const {
    QStringList roots;
    for (const std::string& root : TheSession->ScannedDrives())
        roots << DisplayPath(root);
    return roots;
}

void TMainForm::cmdFileRestoreCompressedFoldersClick() {
    TCleanUpCompressFolderBox box(Options, TCleanUpCompressFolderBox::TMode::Restore, this);
    box.ScannedDrives = ScannedDriveList();
    box.DriveOf = [this](const std::string& path) { return TheSession->DriveRootOf(path); };
    box.exec();
}
