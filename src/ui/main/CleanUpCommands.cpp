// Removing an item of the current folder: its context menu and the clean-up
// page's Move, Send To Trash and Delete, with what the scan knows of the
// item, and the repair of the tree afterwards.
#include "ui/main/CleanUpCommands.h"

#include "engine/Paths.h"
#include "engine/ScannedItem.h"
#include "models/ScanSession.h"
#include "settings/ProgramSettings.h"
#include "shell/ItemContextMenu.h"
#include "shell/ShellPaths.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"
#include "ui/cleanup/CleanUpMoveFolderBox.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/WindowHost.h"

TCleanUpCommands::TCleanUpCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("CleanUpCommands"));
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdFileRestoreCompressedFolders", T("Restore &Compressed Folders..."), T("Decompresses and restores the folders compressed by Quillmere to their original location."), 0, [this] { RestoreCompressedFolders(); }, {}, Rules::Idle});
    // The "Free Some Space" page's commands, in no menu: only their keys.
    commands.Add(this, {"cmdCleanUpArchive", T("Archive Folder"), nullptr, Ctrl | Qt::Key_R, [this] { CleanUp(TCleanUpAction::Compress); }, {}, Rules::CleanUpReady});
    commands.Add(this, {"cmdCleanUpMove", T("Move Folder"), nullptr, Ctrl | Qt::Key_M, [this] { CleanUp(TCleanUpAction::Move); }, {}, Rules::CleanUpReady});
    commands.Add(this, {"cmdCleanUpTrash", T("Send To Trash"), nullptr, Ctrl | Qt::Key_B, [this] { CleanUp(TCleanUpAction::Trash); }, {}, Rules::CleanUpReady});
    commands.Add(this, {"cmdCleanUpDelete", T("Delete Folder"), nullptr, Ctrl | Qt::Key_D, [this] { CleanUp(TCleanUpAction::Delete); }, {}, Rules::CleanUpReady});
    // clang-format on
#undef T
}

void TCleanUpCommands::ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) {
    // The items of an opened scan file are not on this disk: no menu acts on them.
    TFolderNode* folder = item.Folder ? item.Folder : Host.CurrentNode();
    if (IsOpenedScan(item.Node ? item.Node : folder))
        return;
    const QPoint screen = control->mapToGlobal(pos);
    TKnownItem known{item.Size, 1, 0, std::nullopt};
    known.MayHang = TScanSession::MayHang(item.Node ? item.Node : folder);
    if (item.Node && item.Node->Data) {
        known.Files = item.Node->Data->TreeFileCount;
        known.Folders = item.Node->Data->TreeFolderCount;
    }
    if (item.Node && !item.Node->Parent) {
        // A drive's root is never removed; its menu has nothing to repair.
        ShowItemContextMenu(IncludeTrailingBackslash(item.Path), Host.Window(), screen, known);
        return;
    }
    TFolderNode* parent = item.Node ? item.Node->Parent : folder;
    // Trash and Delete act only on the item the scan saw at this place.
    if (item.Node)
        known.Scanned = ScannedItemOf(item.Node);
    else if (parent && item.Path.size() > NodePath(parent).size() + 1)
        known.Scanned = ScannedItemOf(parent, item.Path.substr(item.Path.rfind('/') + 1));
    TItemContextMenu::TCommand command = TItemContextMenu::cmNone;
    const bool done = ShowItemContextMenu(item.Path, Host.Window(), screen, known, &command);
    // Only a removal that ran (not one answered No, or refused) may have
    // left a folder smaller than its figures.
    const bool removing =
        done && (command == TItemContextMenu::cmDelete || command == TItemContextMenu::cmTrash);
    Host.Session().RepairAfter(item, removing);
}

void TCleanUpCommands::CleanUp(TCleanUpAction action) {
    TFolderNode* node = Host.CurrentNode();
    // A drive's root is never freed this way; its page is not even shown.
    if (!CanCleanUp(node) || !node->Data || Host.Session().Scanning())
        return;
    if (action == TCleanUpAction::Compress) {
        TCleanUpCompressFolderBox box(Host.Settings(), TCleanUpCompressFolderBox::TMode::Compress,
                                      Host.Window());
        const std::int64_t wasted = ShownTreeWasted(*node->Data, Host.WhatIf());
        box.SetFolder(NodePath(node), node->Data->TreeSize,
                      node->Data->TreeSize +
                          (Host.Settings().IncludeWastedInformation.Value ? wasted : 0));
        box.ScannedDrives = ScannedDriveList();
        box.DriveOf = [this](const std::string& path) { return Host.Session().DriveRootOf(path); };
        box.exec();
        if (box.ChangedDisk()) {
            TPieItem folder;
            folder.Node = node;
            folder.Path = NodePath(node);
            folder.Kind = TPieItemKind::Folder;
            Host.Session().RepairAfter(folder, true);
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
        TCleanUpMoveFolderBox box(Host.Window());
        // The move acts only on the folder the scan saw at this place.
        box.SetSource(item.Path, ScannedItemOf(node));
        box.SetWastedOnSource(ShownTreeWasted(*node->Data, Host.WhatIf()));
        box.FillWastingList(*node->Data, Host.WhatIf());
        // OK means the folder may be gone, or partly so: the repair reads
        // which.
        if (box.exec() == QDialog::Accepted)
            Host.Session().RepairAfter(item, true);
        return;
    }
    TKnownItem known{item.Size, node->Data->TreeFileCount, node->Data->TreeFolderCount,
                     ScannedItemOf(node), TScanSession::MayHang(node)};
    // The same trash and delete as the item menu: the item must still be the
    // folder the scan saw, and Delete asks first, naming what it takes.
    TItemContextMenu menu(item.Path, Host.Window(), known);
    const bool done = menu.Run(action == TCleanUpAction::Trash ? TItemContextMenu::cmTrash
                                                               : TItemContextMenu::cmDelete);
    Host.Session().RepairAfter(item, done);
}

QStringList TCleanUpCommands::ScannedDriveList() const {
    QStringList roots;
    for (const std::string& root : Host.Session().ScannedDrives())
        roots << DisplayPath(root);
    return roots;
}

void TCleanUpCommands::RestoreCompressedFolders() {
    TCleanUpCompressFolderBox box(Host.Settings(), TCleanUpCompressFolderBox::TMode::Restore,
                                  Host.Window());
    box.ScannedDrives = ScannedDriveList();
    box.DriveOf = [this](const std::string& path) { return Host.Session().DriveRootOf(path); };
    box.exec();
}
