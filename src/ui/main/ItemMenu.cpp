// The context menu of an item of the current folder, with what the scan
// knows of it, and the repair of the tree after Send To Trash or Delete.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "engine/ScannedItem.h"
#include "shell/ItemContextMenu.h"

void TMainForm::ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) {
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
