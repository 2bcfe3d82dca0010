// The scan session: the scanned drives, the folder tree, the current folder
// and every command that scans, rescans, removes or selects. It has no
// widgets; the main window shows it through the small TSessionView, and a
// test drives it on plain folders.
//
// Contract: one current folder, changed only by Select (and by the removals
// that take it away). Everything runs on the thread that owns the tree.
#pragma once

#include "engine/FolderNode.h"
#include "engine/Scanner.h"
#include "models/PieContent.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TPresence { Present, Missing, NotAnswering };
// Whether something (a folder, with folderOnly) is still at path; on a drive
// that may hang (see TDriveRecInfo::MayHang), without waiting long.
TPresence PresenceOf(const std::string& path, bool folderOnly, bool mayHang);

// What the session asks of whoever shows it.
class TSessionView {
public:
    virtual ~TSessionView() = default;
    // The drive at root could not be read: true to try again, false to give up.
    virtual bool RetryDrive(const std::string& root) = 0;
    // Something the user asked for could not be done now; text says why.
    virtual void Inform(const QString& text) = 0;
    // A scan command started (true) or ended (false).
    virtual void ScanStateChanged(bool scanning) = 0;
    // The folder a running scan took in last.
    virtual void ScanReached(const std::string& path) = 0;
    // The current folder changed, or its figures did (refresh): show it.
    virtual void CurrentChanged(bool refresh) = 0;
    // Lets the window's events run during a scan.
    virtual void ProcessEvents() = 0;
};

class TScanSession final : private TScanHost {
public:
    explicit TScanSession(TSessionView& view);
    ~TScanSession() override;
    TScanSession(const TScanSession&) = delete;
    TScanSession& operator=(const TScanSession&) = delete;

    TFolderTree& Tree() { return FolderTree; }
    TScanner& Scanner() { return *TheScanner; }
    // The drive a path belongs to; the mount table's answer unless a test
    // makes plain folders drives.
    using TDriveResolver = std::function<std::string(const std::string& path)>;
    void SetDriveResolver(TDriveResolver resolver) { DriveOf = std::move(resolver); }
    std::string DriveRootOf(const std::string& path) const { return DriveOf(path); }

    // ---- state -----------------------------------------------------------------
    bool Scanning() const { return ScanningFlag; }
    // Set while the session itself takes nodes off the tree: selection
    // changes the view reports meanwhile are its own doing.
    bool EditingTree() const { return EditingTreeFlag; }
    const std::vector<std::string>& ScannedDrives() const { return ScannedDriveRoots; }
    TFolderNode* Current() const { return CurNode; }
    const std::string& CurrentPath() const { return CurPath; }
    const std::string& CurrentDrive() const { return CurDrive; }
    // The current drive's figures (-1 unknown) and its file system's name.
    std::int32_t CurrentClusterSize() const { return CurClusterSize; }
    std::int64_t CurrentDriveTotal() const { return DriveTotal; }
    std::int64_t CurrentDriveFree() const { return DriveFree; }
    const std::string& CurrentFileSystem() const { return FileSystem; }
    // The current drive can stop answering (a network or FUSE drive).
    bool CurrentDriveMayHang() const { return DriveMayHang; }
    // Whether the drive that holds node may hang, as found when it was scanned.
    static bool MayHang(const TFolderNode* node);
    // The current folder's drive did not answer when it was selected.
    bool CurrentNotAnswering() const { return NotAnswering; }
    // The cluster size whose wasted space is shown: 0 the drive's own,
    // 1..7 an entry of AltClusterSizes.
    int WhatIfIndex() const { return WhatIf; }
    void SetWhatIfIndex(int index);

    // ---- commands --------------------------------------------------------------
    // A drive is known by its root path; displayName is what its root node
    // shows. False when nothing was scanned (a scan runs, the drive is gone).
    bool ScanNewDrive(const std::string& root, const QString& displayName,
                      TDriveRecInfo* entry = nullptr);
    void ScanOrRescanDrive(const std::string& root, const QString& displayName = {});
    // Scans the folder at path alone, as a folder of its drive, when the
    // drive is not in the tree yet (otherwise as SelectPath), and selects it:
    // what a run that only wants that folder's figures needs, read in the
    // time its own subtree takes. False when nothing was scanned.
    bool ScanDriveFolder(const std::string& path);
    void RescanDrives(const std::vector<std::string>& roots);
    // Shows a tree opened from a scan file as a top-level node of its own,
    // known by the file's path (a file opened again replaces its tree) and
    // named by text; its wasted space is at clusterSize. Selects it.
    TFolderNode* AddOpenedScan(std::unique_ptr<TFolderNode> root, const std::string& scanFile,
                               const QString& text, std::int32_t clusterSize);
    void RescanCurrentFolder();
    void RemoveDrive(const std::string& root);
    void RemoveAllDrives();
    void Abort() { TheScanner->Abort(); }
    bool Aborted() const { return TheScanner->AbortScan(); }
    // Scans the path's drive when needed and selects the path's folder.
    // False when the path is not one the session can show.
    bool SelectPath(const std::string& path);
    // Makes node the current folder, after checking that its drive answers
    // and that the folder is still there (a vanished one is taken off the
    // tree and its parent selected). True when node is current afterwards.
    bool Select(TFolderNode* node);
    // Whether the drive at root can be read, offering the view to try again
    // while it cannot.
    bool DriveAccessible(const std::string& root);
    // After a command may have removed the item (the item menu): takes what
    // is gone off the tree, or reads a folder again that was only partly
    // removed.
    void RepairAfter(const TPieItem& item, bool removing);

private:
    void ScanStateChanged(bool scanning) override;
    void ScanReached(const TFolderNode& node) override;
    void FolderFinished(TFolderNode& node) override;
    void ProcessEvents() override { View.ProcessEvents(); }

    void SetScanning(bool on);
    // Takes a folder found gone off the tree; selects its parent when asked
    // to or when the current folder went with it.
    void RemoveVanished(TFolderNode* node, bool selectParent);
    void RunPendingVanishChecks();
    void RefreshDriveInfo(const std::string& root);
    // Forgets the current folder when it lies inside node's subtree.
    void LeaveSubtree(TFolderNode* node);
    TFolderNode* NodeOfPath(const std::string& path) const;

    TSessionView& View;
    TFolderTree FolderTree;
    std::unique_ptr<TScanner> TheScanner;
    TDriveResolver DriveOf;
    std::vector<std::string> ScannedDriveRoots;
    bool ScanningFlag = false;
    bool EditingTreeFlag = false;
    int WhatIf = 0;
    TFolderNode* CurNode = nullptr;
    std::string CurPath;
    std::string CurDrive;
    std::int32_t CurClusterSize = 0;
    std::int64_t DriveTotal = -1;
    std::int64_t DriveFree = -1;
    std::string FileSystem;
    bool DriveMayHang = false;
    bool NotAnswering = false;
    // Paths found gone while a scan ran; the tree is repaired when it ends,
    // since the running scan may still hold nodes below them.
    std::vector<std::string> PendingVanishChecks;
};
