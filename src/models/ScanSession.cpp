// The session's commands: scans and rescans of drives and folders, removals,
// the current folder and the repairs after a folder was found gone.
#include "models/ScanSession.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/ScopeExit.h"
#include "engine/VolumeInfo.h"
#include "platform/Mounts.h"
#include "platform/VolumeStat.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TScanSession", text);
}

// The root path of the drive a node belongs to.
std::string DriveOfNode(const TFolderNode* node) {
    const TFolderNode* root = node;
    while (root && root->Parent)
        root = root->Parent;
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

bool Holds(const TFolderNode* ancestor, const TFolderNode* node) {
    for (const TFolderNode* n = node; n; n = n->Parent) {
        if (n == ancestor)
            return true;
    }
    return false;
}

} // namespace

TPresence PresenceOf(const std::string& path, bool folderOnly, bool mayHang) {
    if (!mayHang)
        return (folderOnly ? DirectoryExists(path) : PathExists(path)) ? TPresence::Present
                                                                       : TPresence::Missing;
    bool exists = false;
    if (Platform::ProbeExists(path, folderOnly, Platform::SlowDriveTimeoutMs, exists) !=
        Platform::TProbeResult::Ok)
        return TPresence::NotAnswering;
    return exists ? TPresence::Present : TPresence::Missing;
}

TScanSession::TScanSession(TSessionView& view)
    : View(view), TheScanner(new TScanner(FolderTree, static_cast<TScanHost&>(*this))),
      DriveOf([](const std::string& path) { return Platform::DriveRootOf(path); }) {}

TScanSession::~TScanSession() = default;

// ---- what the scanner tells -------------------------------------------------------

void TScanSession::ScanStateChanged(bool scanning) {
    SetScanning(scanning);
}

void TScanSession::ScanReached(const TFolderNode& node) {
    // A progress line, not an address: a folder deep down shows its end.
    View.ScanReached(NodePathTail(&node, 1024));
}

void TScanSession::FolderFinished(TFolderNode& node) {
    if (&node == CurNode)
        View.CurrentChanged(true);
}

void TScanSession::SetScanning(bool on) {
    ScanningFlag = on;
    View.ScanStateChanged(on);
    if (!on)
        RunPendingVanishChecks();
}

// ---- drives -------------------------------------------------------------------------

bool TScanSession::DriveAccessible(const std::string& root) {
    while (CheckDriveAccessible(root) != TDriveAccess::Ok) {
        if (!View.RetryDrive(root))
            return false;
    }
    return true;
}

bool TScanSession::ScanNewDrive(const std::string& root, const QString& displayName,
                                TDriveRecInfo* entry) {
    // One scan at a time: a drop or a folder choice during a scan must not
    // start another one inside it.
    if (ScanningFlag || !DriveAccessible(root))
        return false;
    ScannedDriveRoots.push_back(root);
    if (!entry)
        entry = FolderTree.FindDriveRec(root);
    if (!entry)
        entry = FolderTree.CreateDriveRec(root);
    entry->Text = displayName.toStdString();
    // Whatever happens in the scan, something sensible is shown afterwards.
    TScopeExit shown([this] {
        if (!CurNode && !FolderTree.Roots().empty())
            Select(FolderTree.Roots().front().get());
        else
            View.CurrentChanged(true);
    });
    TheScanner->ScanDrive(entry->Text, *entry);
    return true;
}

void TScanSession::ScanOrRescanDrive(const std::string& root, const QString& displayName) {
    if (std::find(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root) !=
        ScannedDriveRoots.end()) {
        RescanDrives({root});
        return;
    }
    ScanNewDrive(root, displayName.isEmpty() ? DisplayText(DisplayNameOf(root)) : displayName);
}

bool TScanSession::ScanDriveFolder(const std::string& rawPath) {
    const std::string path = ExcludeTrailingBackslash(rawPath);
    const std::string root = DriveOf(path);
    if (root.empty() || root == path || FolderTree.FindDriveRec(root))
        return SelectPath(path);
    if (ScanningFlag || !DriveAccessible(root))
        return false;
    ScannedDriveRoots.push_back(root);
    TDriveRecInfo* entry = FolderTree.CreateDriveRec(root);
    entry->Text = DisplayText(DisplayNameOf(root)).toStdString();
    TFolderNode* node = TheScanner->ScanDriveFolder(entry->Text, *entry, path);
    return Select(node) && node->Scanned();
}

TFolderNode* TScanSession::AddOpenedScan(std::unique_ptr<TFolderNode> root,
                                         const std::string& scanFile, const QString& text,
                                         std::int32_t clusterSize) {
    if (ScanningFlag || !root)
        return nullptr;
    if (FolderTree.FindDriveRec(scanFile))
        RemoveDrive(scanFile);
    TDriveRecInfo* entry = FolderTree.CreateDriveRec(scanFile);
    entry->ScanFile = scanFile;
    // Scan files list every file, so the tree holds them all.
    entry->FilesKept = true;
    entry->Text = text.toStdString();
    entry->ClusterSize = clusterSize;
    TFolderNode* node;
    {
        TFlagScope editing(EditingTreeFlag);
        node = FolderTree.AdoptRoot(std::move(root), entry);
    }
    ScannedDriveRoots.push_back(scanFile);
    Select(node);
    return node;
}

void TScanSession::RescanDrives(const std::vector<std::string>& roots) {
    if (ScanningFlag)
        return;
    for (const std::string& root : roots) {
        auto it = std::find(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root);
        TDriveRecInfo* entry = FolderTree.FindDriveRec(root);
        // An opened scan file is what it is: there is nothing to read again.
        if (it == ScannedDriveRoots.end() || !entry || !entry->ScanFile.empty())
            continue;
        const std::string remembered = CurPath;
        ScannedDriveRoots.erase(it);
        // Nothing may show the drive's nodes while it is read again.
        LeaveSubtree(entry->RootNode);
        {
            TFlagScope editing(EditingTreeFlag);
            FolderTree.DeleteNode(entry->RootNode);
        }
        entry->RootNode = nullptr;
        if (!ScanNewDrive(root, DisplayText(entry->Text), entry)) {
            // Not there any more (the user gave up on it): it leaves the
            // list of drives as it left the tree.
            FolderTree.RemoveDriveRec(entry);
            if (!CurNode && !FolderTree.Roots().empty())
                Select(FolderTree.Roots().front().get());
            else
                View.CurrentChanged(true);
            continue;
        }
        if (!remembered.empty())
            SelectPath(remembered);
        if (Aborted())
            break;
    }
}

void TScanSession::RescanCurrentFolder() {
    TFolderNode* node = CurNode;
    if (!node || ScanningFlag || IsOpenedScan(node))
        return;
    TFolderNode* parent = node->Parent;
    SetScanning(true);
    TScopeExit ended([this] { SetScanning(false); });
    // The pages let go of the folder's nodes while it is read again.
    CurNode = nullptr;
    View.CurrentChanged(true);
    {
        TFlagScope editing(EditingTreeFlag);
        TheScanner->RescanFolder(NodePath(node), node);
    }
    // The folder may be gone (it vanished): show what the tree holds now.
    if (TFolderNode* now = NodeOfPath(CurPath))
        Select(now);
    else if (parent)
        Select(parent);
    else
        View.CurrentChanged(true);
}

void TScanSession::RemoveDrive(const std::string& root) {
    TDriveRecInfo* entry = FolderTree.FindDriveRec(root);
    if (ScanningFlag || !entry)
        return;
    ScannedDriveRoots.erase(std::remove(ScannedDriveRoots.begin(), ScannedDriveRoots.end(), root),
                            ScannedDriveRoots.end());
    const bool wasCurrent = CurNode && Holds(entry->RootNode, CurNode);
    std::size_t row = entry->RootNode ? entry->RootNode->Row : 0;
    LeaveSubtree(entry->RootNode);
    {
        TFlagScope editing(EditingTreeFlag);
        if (entry->RootNode)
            FolderTree.DeleteNode(entry->RootNode);
        FolderTree.RemoveDriveRec(entry);
    }
    if (!wasCurrent)
        return;
    // Like a list losing its selected row: the next drive, else the one before.
    const auto& roots = FolderTree.Roots();
    if (roots.empty()) {
        CurPath.clear();
        CurDrive.clear();
        View.CurrentChanged(false);
        return;
    }
    Select(roots[std::min(row, roots.size() - 1)].get());
}

void TScanSession::RemoveAllDrives() {
    const std::vector<std::string> all = ScannedDriveRoots;
    for (const std::string& root : all)
        RemoveDrive(root);
}

void TScanSession::RefreshDriveInfo(const std::string& root) {
    CurDrive = root;
    const TDriveRecInfo* entry = FolderTree.FindDriveRec(root);
    if (entry && !entry->ScanFile.empty()) {
        // No drive to ask: the file's figures are all there is.
        CurClusterSize = entry->ClusterSize;
        DriveTotal = -1;
        DriveFree = -1;
        FileSystem = Tr("scan file").toStdString();
        DriveMayHang = false;
        return;
    }
    CurClusterSize = entry ? entry->ClusterSize : ClusterSizeOf(root);
    DriveTotal = DiskTotalBytes(root);
    DriveFree = DiskFreeBytes(root);
    FileSystem = FileSystemNameOf(root);
    DriveMayHang = entry ? entry->MayHang : Platform::MayHang(root);
}

bool TScanSession::MayHang(const TFolderNode* node) {
    const TFolderNode* root = node;
    while (root && root->Parent)
        root = root->Parent;
    if (!root)
        return false;
    return root->Drive ? root->Drive->MayHang : Platform::MayHang(root->Name);
}

void TScanSession::SetWhatIfIndex(int index) {
    WhatIf = index >= 0 && index <= AltClusterCount ? index : 0;
    View.CurrentChanged(true);
}

// ---- the current folder -------------------------------------------------------------

TFolderNode* TScanSession::NodeOfPath(const std::string& path) const {
    if (path.empty())
        return nullptr;
    const std::string root = DriveOf(path);
    const TDriveRecInfo* entry = FolderTree.FindDriveRec(root);
    if (!entry || !entry->RootNode)
        return nullptr;
    if (path == root)
        return entry->RootNode;
    TVolumeInformation info;
    const bool caseSensitive =
        !GetVolumeInfo(root, info) || (info.FileSystemFlags & FsCaseSensitive) != 0;
    return FindNodeByPath(entry->RootNode, BelowRoot(root, path), caseSensitive);
}

bool TScanSession::SelectPath(const std::string& rawPath) {
    if (rawPath.empty() || rawPath[0] != '/')
        return false;
    const std::string path = ExcludeTrailingBackslash(rawPath);
    const std::string root = DriveOf(path);
    if (root.empty())
        return false;
    if (!FolderTree.FindDriveRec(root)) {
        if (ScanningFlag) {
            View.Inform(
                Tr("%1 can be selected when the running scan has ended.").arg(DisplayText(path)));
            return false;
        }
        ScanOrRescanDrive(root);
    }
    const TDriveRecInfo* entry = FolderTree.FindDriveRec(root);
    if (!entry || !entry->RootNode)
        return false;
    if (TFolderNode* node = NodeOfPath(path))
        Select(node);
    return true;
}

bool TScanSession::Select(TFolderNode* node) {
    if (!node)
        return false;
    const std::string drive = DriveOfNode(node);
    if (IsOpenedScan(node)) {
        // Its paths name folders of another time, or another machine.
        CurNode = node;
        CurPath = NodePath(node);
        NotAnswering = false;
        if (drive != CurDrive)
            RefreshDriveInfo(drive);
        View.CurrentChanged(false);
        return true;
    }
    // Entering another drive: it has to answer first, or the old folder stays.
    if ((!node->Parent || drive != CurDrive) && !DriveAccessible(drive)) {
        View.CurrentChanged(false);
        return false;
    }
    const std::string path = NodePath(node);
    const TPresence presence =
        node->Parent ? PresenceOf(path, true, MayHang(node)) : TPresence::Present;
    if (presence == TPresence::Missing) {
        if (!ScanningFlag) {
            RemoveVanished(node, true);
            return false;
        }
        // The running scan may hold nodes below it; repair when it ends.
        PendingVanishChecks.push_back(path);
    }
    CurNode = node;
    CurPath = path;
    // A drive that does not answer keeps its folders in the tree, as scanned.
    NotAnswering = presence == TPresence::NotAnswering;
    if (!node->Parent || drive != CurDrive)
        RefreshDriveInfo(drive);
    View.CurrentChanged(false);
    return true;
}

void TScanSession::LeaveSubtree(TFolderNode* node) {
    if (!node || !CurNode || !Holds(node, CurNode))
        return;
    CurNode = nullptr;
    View.CurrentChanged(true);
}

void TScanSession::RemoveVanished(TFolderNode* node, bool selectParent) {
    TFolderNode* parent = node->Parent;
    LeaveSubtree(node);
    {
        TFlagScope editing(EditingTreeFlag);
        RemoveFolderNode(FolderTree, node);
    }
    if ((selectParent || !CurNode) && parent)
        Select(parent);
    else
        View.CurrentChanged(true);
}

void TScanSession::RunPendingVanishChecks() {
    std::vector<std::string> paths;
    paths.swap(PendingVanishChecks);
    for (const std::string& path : paths) {
        if (path == DriveOf(path))
            continue;
        TFolderNode* node = NodeOfPath(path);
        if (node && node->Parent && PresenceOf(path, false, MayHang(node)) == TPresence::Missing)
            RemoveVanished(node, false);
    }
}

void TScanSession::RepairAfter(const TPieItem& item, bool removing) {
    TFolderNode* parent = item.Node ? item.Node->Parent : (item.Folder ? item.Folder : CurNode);
    if (IsOpenedScan(item.Node ? item.Node : parent))
        return;
    if (PresenceOf(item.Path, false, MayHang(item.Node ? item.Node : parent)) !=
        TPresence::Missing) {
        // A delete that could not remove everything (a file it may not
        // touch, a mount inside) leaves a folder smaller than its figures:
        // read it again so every ancestor holds what is really there.
        if (removing && item.Node && item.Node->Parent && !ScanningFlag) {
            TFolderNode* node = item.Node;
            const std::string current = CurPath;
            SetScanning(true);
            TScopeExit ended([this] { SetScanning(false); });
            LeaveSubtree(node);
            {
                TFlagScope editing(EditingTreeFlag);
                TheScanner->RescanFolder(NodePath(node), node);
            }
            if (!CurNode) {
                if (TFolderNode* now = NodeOfPath(current))
                    Select(now);
            }
            View.CurrentChanged(true);
        }
        return;
    }
    if (item.Node && item.Node->Parent) {
        if (ScanningFlag) {
            // Nodes of a running scan stay put; the tree is repaired when it ends.
            PendingVanishChecks.push_back(item.Path);
            return;
        }
        RemoveVanished(item.Node, true);
        return;
    }
    // A file takes no node with it, so its figures go at once, also while a
    // scan runs: a folder still being read adds its children's records when
    // it finishes, and those already lost the file.
    // A file: its slack is always at the drive's own cluster size, which is
    // what the ancestors hold.
    if (parent && parent->Data) {
        SubtractFromAncestors(parent, nullptr, 0, 1, item.Wasted, item.Size);
        RemoveKeptFile(parent, LastComponent(item.Path));
        FolderTree.NotifyFiguresChanged();
    }
    View.CurrentChanged(true);
}
