// Scans, rescans and removals of drives, the folder tree's selection, and the
// start-up scans of the command line.
#include "ui/main/MainForm.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/PieArithmetic.h"
#include "engine/ScannedItem.h"
#include "engine/VolumeInfo.h"
#include "models/FolderTreeModel.h"
#include "platform/Mounts.h"
#include "platform/VolumeStat.h"
#include "settings/MessageBox.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/FolderBrowse.h"
#include "shell/ItemContextMenu.h"
#include "shell/NetworkDrives.h"
#include "shell/ShellPaths.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/Strings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

// The root path of the drive a node belongs to.
std::string DriveOfNode(TFolderNode* node) {
    TFolderNode* root = RootNode(node);
    if (!root)
        return {};
    return root->Drive ? root->Drive->RootPath : root->Name;
}

// path relative to the drive root that holds it ("" for the root itself).
std::string BelowRoot(const std::string& root, const std::string& path) {
    if (path.size() <= root.size())
        return {};
    return path.substr(root == "/" ? 1 : root.size() + 1);
}

enum class TPresence { Present, Missing, NotAnswering };

// Whether something (a folder, with folderOnly) is still at path, without
// waiting long on a drive that can stop answering.
TPresence PresenceOf(const std::string& path, bool folderOnly) {
    if (!Platform::MayHang(path))
        return (folderOnly ? DirectoryExists(path) : PathExists(path)) ? TPresence::Present
                                                                       : TPresence::Missing;
    bool exists = false;
    if (Platform::ProbeExists(path, folderOnly, Platform::SlowDriveTimeoutMs, exists) !=
        Platform::TProbeResult::Ok)
        return TPresence::NotAnswering;
    return exists ? TPresence::Present : TPresence::Missing;
}

// Runs a command body and shows what went wrong instead of letting an
// exception unwind through the event loop.
template <class F> void Guarded(QWidget* parent, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        TMessageBox::Error(parent, Strings::ProductName(), QString::fromLocal8Bit(e.what()));
    }
}

} // namespace

void TMainForm::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TMainForm::DriveAccessible(const std::string& root) {
    for (;;) {
        if (CheckDriveAccessible(root) == TDriveAccess::Ok)
            return true;
        const auto answer = TMessageBox::Show(
            this, TMessageKind::Error, Strings::ProductName(),
            DisplayPath(root) +
                tr(" is not accessible. The drive door may not be closed or the network "
                   "connection may be down. Please try to correct this error and retry."),
            QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry);
        if (answer != QMessageBox::Retry)
            return false;
    }
}

bool TMainForm::ScanNewDrive(const std::string& root, const QString& displayName,
                             TDriveRecInfo* entry) {
    // One scan at a time: a drop or a folder choice during a scan must not
    // start another one inside it.
    if (ScanningFlag || !DriveAccessible(root))
        return false;
    ScannedDriveRoots.push_back(root);
    if (NotReadyShown())
        SetNotReadyText();
    if (!entry)
        entry = FolderTreeData.CreateDriveRec(root);
    entry->Text = displayName.toStdString();
    // Whatever happens in the scan, the window ends in a usable state.
    struct TFinish {
        TMainForm& Form;
        ~TFinish() {
            Form.SetStatusText(0, Strings::Done());
            Form.InvalidatePages(Form.TheScanner->AbortScan());
            if (!Form.FolderTree->currentIndex().isValid() && Form.Model->rowCount() > 0)
                Form.FolderTree->setCurrentIndex(Form.Model->index(0, 0));
        }
    } finish{*this};
    TheScanner->ScanDrive(entry->Text, *entry);
    return true;
}

void TMainForm::ScanOrRescanDrive(const std::string& root, const QString& displayName) {
    if (std::find(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root) !=
        ScannedDriveRoots.end()) {
        RescanDrives({root});
        return;
    }
    ScanNewDrive(root, displayName.isEmpty() ? DisplayPath(DisplayNameOf(root)) : displayName,
                 nullptr);
}

void TMainForm::RescanDrives(const std::vector<std::string>& roots) {
    if (ScanningFlag)
        return;
    InvalidatePages(false);
    for (const std::string& root : roots) {
        auto it = std::find(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root);
        TDriveRecInfo* entry = FolderTreeData.FindDriveRec(root);
        if (it == ScannedDriveRoots.end() || !entry)
            continue;
        const std::string remembered = CurPath;
        ScannedDriveRoots.erase(it);
        if (CurNode && RootNode(CurNode) == entry->RootNode) {
            // The pages showed this drive: show nothing until it is back.
            ShowNode(nullptr);
            CurRootNode = nullptr;
        }
        ChangingSelection = true;
        FolderTreeData.DeleteNode(entry->RootNode);
        entry->RootNode = nullptr;
        ChangingSelection = false;
        if (!FolderTree->currentIndex().isValid())
            ResetView();
        ScanNewDrive(root, DisplayPath(entry->Text), entry);
        SelectPath(remembered);
        if (TheScanner->AbortScan())
            break;
    }
}

void TMainForm::RemoveDrive(const std::string& root) {
    TDriveRecInfo* entry = FolderTreeData.FindDriveRec(root);
    if (ScanningFlag || !entry)
        return;
    ScannedDriveRoots.erase(std::remove(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root),
                            ScannedDriveRoots.end());
    if (CurNode && RootNode(CurNode) == entry->RootNode) {
        CurNode = nullptr;
        CurRootNode = nullptr;
        CurDrive.clear();
    }
    ChangingSelection = true;
    FolderTreeData.DeleteNode(entry->RootNode);
    FolderTreeData.RemoveDriveRec(entry);
    ChangingSelection = false;
    const QModelIndex current = FolderTree->currentIndex();
    if (current.isValid())
        FolderTreeChange(Model->NodeOf(current), nullptr);
    else
        ResetView();
}

bool TMainForm::SelectPath(const std::string& rawPath) {
    if (rawPath.empty() || rawPath[0] != '/')
        return false;
    const std::string path = ExcludeTrailingBackslash(rawPath);
    const std::string root = Platform::DriveRootOf(path);
    if (root.empty())
        return false;
    if (!FolderTreeData.FindDriveRec(root)) {
        if (ScanningFlag) {
            TMessageBox::Information(
                this, Strings::ProductName(),
                tr("%1 can be selected when the running scan has ended.").arg(DisplayPath(path)));
            return false;
        }
        ScanOrRescanDrive(root);
    }
    TDriveRecInfo* entry = FolderTreeData.FindDriveRec(root);
    if (!entry || !entry->RootNode)
        return false;
    TFolderNode* node = entry->RootNode;
    if (path != root) {
        const std::string rest = BelowRoot(root, path);
        TVolumeInformation info;
        const bool caseSensitive =
            !GetVolumeInfo(root, info) || (info.FileSystemFlags & FsCaseSensitive) != 0;
        node = FindNodeByPath(node, rest, caseSensitive);
    }
    if (node && SelectNode(node)) {
        FolderTree->expand(Model->IndexOf(node));
        FolderTree->setFocus();
    }
    return true;
}

bool TMainForm::SelectNode(TFolderNode* node) {
    const QModelIndex index = Model->IndexOf(node);
    if (!index.isValid())
        return false;
    FolderTree->scrollTo(index);
    // Selecting may drop the node (its folder is gone); the persistent index
    // tells whether it is still there.
    const QPersistentModelIndex kept(index);
    FolderTree->setCurrentIndex(index);
    return kept.isValid();
}

void TMainForm::FolderTreeChange(TFolderNode* node, TFolderNode* previous) {
    if (!node)
        return;
    // Entering another drive: it has to answer first, or the old node stays.
    const std::string drive = DriveOfNode(node);
    if ((!node->Parent || drive != CurDrive) && !DriveAccessible(drive)) {
        if (previous) {
            ChangingSelection = true;
            FolderTree->setCurrentIndex(Model->IndexOf(previous));
            ChangingSelection = false;
        }
        return;
    }
    CurNode = node;
    CurRootNode = RootNode(node);
    CurPath = NodePath(node);
    const TPresence presence = node->Parent ? PresenceOf(CurPath, true) : TPresence::Present;
    if (presence == TPresence::Missing) {
        if (!ScanningFlag) {
            RemoveVanishedNode(node);
            return;
        }
        // The running scan may hold nodes below it; repair when it ends.
        PendingVanishChecks.push_back(CurPath);
    }
    setWindowTitle(Strings::DefaultCaption() + QStringLiteral(" - ") + DisplayPath(CurPath));
    // A drive that does not answer keeps its folders in the tree, as scanned.
    SetStatusText(0, presence == TPresence::NotAnswering
                         ? tr("%1 is not answering; showing the figures of the last scan")
                               .arg(DisplayPath(drive))
                         : DisplayPath(CurPath));
    toolLevelUp->setEnabled(node->Parent != nullptr);
    toolExplore->setEnabled(true);
    toolRescanDir->setEnabled(!ScanningFlag);
    if (!node->Parent || drive != CurDrive)
        RefreshDriveInfo(drive);
    if (ShowNode(node)) {
        if (!node->Parent && CurPage == PageCleanUp)
            CurPage = PagePie;
        const std::int64_t wasted = ShownTreeWasted(*node->Data, WhatIfIndex);
        SectionBox->SetWasted(PercentOf(node->Data->TreeSize, wasted), FormatSize(wasted));
        ShowPage(CurPage);
    }
}

void TMainForm::RemoveVanishedNode(TFolderNode* node) {
    ShowNode(nullptr);
    TFolderNode* parent = node->Parent;
    ChangingSelection = true;
    RemoveFolderNode(FolderTreeData, node);
    ChangingSelection = false;
    CurNode = nullptr;
    InvalidatePages(false);
    // Show what the tree moved to (normally the parent or a sibling). The
    // index is persistent: by the time the timer fires, more may be gone.
    QModelIndex current = FolderTree->currentIndex();
    if (!current.isValid())
        current = Model->IndexOf(parent);
    const QPersistentModelIndex next(current);
    QTimer::singleShot(0, this, [this, next] {
        if (!next.isValid())
            return;
        TFolderNode* node = Model->NodeOf(next);
        if (FolderTree->currentIndex() == QModelIndex(next))
            FolderTreeChange(node, nullptr);
        else
            SelectNode(node);
    });
}

void TMainForm::RunPendingVanishChecks() {
    std::vector<std::string> paths;
    paths.swap(PendingVanishChecks);
    for (const std::string& path : paths) {
        const std::string root = Platform::DriveRootOf(path);
        TDriveRecInfo* entry = FolderTreeData.FindDriveRec(root);
        if (!entry || !entry->RootNode || path == root)
            continue;
        const std::string rest = BelowRoot(root, path);
        TFolderNode* node = FindNodeByPath(entry->RootNode, rest, true);
        if (!node || PresenceOf(path, false) != TPresence::Missing)
            continue;
        bool holdsCurrent = false;
        for (const TFolderNode* n = CurNode; n && !holdsCurrent; n = n->Parent)
            holdsCurrent = n == node;
        if (holdsCurrent) {
            RemoveVanishedNode(node);
            continue;
        }
        ChangingSelection = true;
        RemoveFolderNode(FolderTreeData, node);
        ChangingSelection = false;
        // A page may still show a slice or row of what went.
        InvalidatePages(true);
    }
}

void TMainForm::RefreshDriveInfo(const std::string& root) {
    CurDrive = root;
    const TDriveRecInfo* entry = FolderTreeData.FindDriveRec(root);
    CurClusterSize = entry ? entry->ClusterSize : ClusterSizeOf(root);
    DriveTotal = DiskTotalBytes(root);
    DriveFree = DiskFreeBytes(root);
    const bool known = DriveTotal >= 0 && DriveFree >= 0;
    SectionBox->SetDrive(DisplayPath(root), known ? PercentOf(DriveTotal, DriveFree) : 0,
                         known ? FormatSize(DriveFree) : QStringLiteral("?"),
                         known ? FormatSize(DriveTotal) : QString());
    const QString fs = QString::fromStdString(FileSystemNameOf(root));
    if (CurClusterSize <= 0)
        SetStatusText(1, tr("? Cluster (%1)").arg(fs));
    else if (CurClusterSize < 1024)
        SetStatusText(1, tr("%1 Cluster (%2)").arg(FormatSize32(CurClusterSize), fs));
    else
        SetStatusText(1, tr("%1K Cluster (%2)").arg(CurClusterSize / 1024).arg(fs));
    DriveBox->SetDrive(QFile::decodeName(root.c_str()));
}

// ---- commands -------------------------------------------------------------------

void TMainForm::toolScanClick() {
    const std::string drive = PathBytes(DriveBox->Drive());
    if (!drive.empty())
        Guarded(this, [&] { ScanOrRescanDrive(drive); });
}

void TMainForm::cmdFileRescanCurrentDirectoryClick() {
    TFolderNode* node = Model->NodeOf(FolderTree->currentIndex());
    if (!CurNode || !node || ScanningFlag)
        return;
    Guarded(this, [&] {
        SetScanning(true);
        struct TFinish {
            TMainForm& Form;
            ~TFinish() {
                Form.SetScanning(false);
                Form.ShowNode(Form.Model->NodeOf(Form.FolderTree->currentIndex()));
            }
        } finish{*this};
        ShowNode(nullptr);
        TheScanner->RescanFolder(NodePath(node), node);
        InvalidatePages(false);
        // The rescanned node may be gone (its folder vanished); show whatever
        // the tree holds now.
        TFolderNode* now = Model->NodeOf(FolderTree->currentIndex());
        if (now)
            FolderTreeChange(now, nullptr);
    });
}

void TMainForm::cmdFileRescanCurrentDriveClick() {
    if (!CurDrive.empty())
        Guarded(this, [&] { RescanDrives({CurDrive}); });
}

void TMainForm::cmdFileRescanAllDrivesClick() {
    const std::vector<std::string> all = ScannedDriveRoots;
    Guarded(this, [&] { RescanDrives(all); });
}

void TMainForm::cmdFileRemoveCurrentDriveClick() {
    const std::string drive = CurDrive;
    Guarded(this, [&] { RemoveDrive(drive); });
}

void TMainForm::cmdFileRemoveAllDrivesClick() {
    const std::size_t count = ScannedDriveRoots.size();
    Guarded(this, [&] {
        for (std::size_t i = 0; i < count && !ScannedDriveRoots.empty(); ++i)
            RemoveDrive(ScannedDriveRoots.front());
    });
}

void TMainForm::cmdFileAbortClick() {
    TheScanner->Abort();
}

void TMainForm::cmdFileSelectFolderClick() {
    TFolderBrowse browse;
    browse.Title =
        tr("Select the folder you want to analyze. If the folder has not been scanned, ") +
        Strings::ProductName() + tr(" will scan it now.");
    browse.Folder = DisplayPath(CurPath);
    if (browse.Execute(this))
        Guarded(this, [&] { SelectPath(PathBytes(browse.Folder)); });
}

void TMainForm::cmdFileScanDrivesClick() {
    TDrivesSelectBox box(this);
    box.exec();
    if (!box.ScanRequested())
        return;
    const QStringList drives = box.TheDrivesBox->CheckedDrives();
    Guarded(this, [&] {
        for (const QString& root : drives) {
            ScanOrRescanDrive(PathBytes(root));
            if (TheScanner->AbortScan())
                break;
        }
    });
}

void TMainForm::cmdFileMapNetworkDriveClick() {
    const QString noted = DriveBox->Drive();
    MapNetworkDrive(this);
    DriveBox->BuildList();
    DriveBox->SetDrive(noted);
}

void TMainForm::cmdFileDisconnectNetworkDriveClick() {
    const QString noted = DriveBox->Drive();
    DisconnectNetworkDrive(this);
    DriveBox->BuildList();
    DriveBox->SetDrive(noted);
}

void TMainForm::ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) {
    const QPoint screen = control->mapToGlobal(pos);
    TKnownItem known{item.Size, 1, 0, std::nullopt};
    if (item.Node && item.Node->Data) {
        known.Files = item.Node->Data->TreeFileCount;
        known.Folders = item.Node->Data->TreeFolderCount;
    }
    if (IsDriveRoot(item.Path) && item.Node && !item.Node->Parent) {
        ShowItemContextMenu(IncludeTrailingBackslash(item.Path), this, screen, known);
        return;
    }
    TFolderNode* parent = item.Node ? item.Node->Parent : Model->NodeOf(FolderTree->currentIndex());
    // Trash and Delete act only on the item the scan saw at this place.
    if (item.Node)
        known.Scanned = ScannedItemOf(item.Node);
    else if (parent && item.Path.size() > NodePath(parent).size() + 1)
        known.Scanned = ScannedItemOf(parent, item.Path.substr(item.Path.rfind('/') + 1));
    TItemContextMenu::TCommand command = TItemContextMenu::cmNone;
    ShowItemContextMenu(item.Path, this, screen, known, &command);
    const bool removing =
        command == TItemContextMenu::cmDelete || command == TItemContextMenu::cmTrash;
    if (PresenceOf(item.Path, false) != TPresence::Missing) {
        // A delete that could not remove everything (a file it may not
        // touch, a mount inside) leaves a folder smaller than its figures:
        // read it again so every ancestor holds what is really there.
        if (removing && item.Node && item.Node->Parent && !ScanningFlag) {
            TFolderNode* node = item.Node;
            ShowNode(nullptr);
            SetScanning(true);
            struct TFinish {
                TMainForm& Form;
                ~TFinish() { Form.SetScanning(false); }
            } finish{*this};
            TheScanner->RescanFolder(NodePath(node), node);
            InvalidatePages(true);
        }
        return;
    }
    if (ScanningFlag) {
        // Nodes of a running scan stay put; the tree is repaired when it ends.
        PendingVanishChecks.push_back(item.Path);
        return;
    }
    if (item.Node) {
        ShowNode(nullptr);
        // The node's stored figures go, not the shown ones: a what-if
        // cluster size may be chosen, and the ancestors hold the drive's own.
        ChangingSelection = true;
        RemoveFolderNode(FolderTreeData, item.Node);
        ChangingSelection = false;
        CurNode = nullptr;
        SelectNode(parent);
    } else {
        SubtractFromAncestors(parent, nullptr, 0, 1, item.Wasted, item.Size);
    }
    InvalidatePages(true);
}

void TMainForm::toolLevelUpClick() {
    if (!CurNode || !CurNode->Parent)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    // Collapse the node and every expanded folder below it.
    std::vector<QModelIndex> pending{Model->IndexOf(CurNode)};
    while (!pending.empty()) {
        const QModelIndex index = pending.back();
        pending.pop_back();
        if (!FolderTree->isExpanded(index))
            continue;
        for (int r = 0; r < Model->rowCount(index); ++r)
            pending.push_back(Model->index(r, 0, index));
        FolderTree->collapse(index);
    }
    SelectNode(CurNode->Parent);
}

void TMainForm::ClustersBoxChange(int index) {
    WhatIfIndex = index;
    if (CurNode && CurNode->Data) {
        const std::int64_t wasted = ShownTreeWasted(*CurNode->Data, WhatIfIndex);
        SectionBox->SetWasted(PercentOf(CurNode->Data->TreeSize, wasted), FormatSize(wasted));
    }
    InvalidatePages(true);
}

void TMainForm::FolderTreeContextMenu(const QPoint& pos) {
    const QModelIndex index = FolderTree->indexAt(pos);
    if (!index.isValid())
        return;
    // Selecting may drop the node when its folder is gone.
    const QPersistentModelIndex kept(index);
    FolderTree->setCurrentIndex(index);
    if (!kept.isValid())
        return;
    TFolderNode* node = Model->NodeOf(kept);
    if (!node || !node->Data) {
        TMessageBox::Error(this, Strings::ProductName(), Strings::ContextMenuNotReady());
        return;
    }
    TPieItem item;
    item.Node = node;
    item.Path = NodePath(node);
    item.Size = node->Data->TreeSize;
    item.Wasted = ShownTreeWasted(*node->Data, WhatIfIndex);
    item.Kind = node->Parent ? TPieItemKind::Folder : TPieItemKind::Drive;
    ShowItemMenu(item, pos, FolderTree->viewport());
}

// ---- start-up ----------------------------------------------------------------------

void TMainForm::SetArguments(std::vector<std::string> arguments) {
    Arguments = std::move(arguments);
}

void TMainForm::StartUp() {
    // Closing the window (or Abort) ends the start-up work, not only the
    // scan that was running.
    const auto cancelled = [this] {
        return TheScanner->AbortScan() || CloseWhenScanEnds || !isVisible();
    };
    Guarded(this, [&] {
        for (const QString& root : SplitDriveList(Settings().DrivesToAutoScan.Value)) {
            if (cancelled())
                return;
            ScanOrRescanDrive(PathBytes(root));
        }
        for (std::string arg : Arguments) {
            if (cancelled())
                return;
            if (arg.empty())
                continue;
            // A report run ("/RCSV ...") is a path only when such a file exists.
            if (arg.size() >= 2 && arg[0] == '/' && (arg[1] == 'R' || arg[1] == 'r') &&
                !PathExists(arg)) {
                TMessageBox::Information(this, Strings::ProductName(),
                                         tr("Report runs are not available in this version of "
                                            "Quillmere yet."));
                break;
            }
            const std::string path = AbsolutePath(arg);
            if (PresenceOf(path, true) != TPresence::Present) {
                TMessageBox::Error(
                    this, Strings::ProductName(),
                    tr("%1 is not a folder that Quillmere can scan.").arg(DisplayPath(path)));
                continue;
            }
            if (Platform::DriveRootOf(path) == path)
                ScanOrRescanDrive(path);
            else
                SelectPath(path);
        }
    });
    if (ScannedDriveRoots.empty() && !cancelled())
        cmdFileScanDrivesClick();
}
