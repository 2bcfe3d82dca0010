// The folder scanner: walks a folder on a pool of reader threads and builds
// the folder tree on the calling (owner) thread, which keeps running the
// host's event loop meanwhile, so a window stays live and Abort works.
//
// Contract: every scan command returns when its scan has ended. Only the
// owner thread touches nodes and records. A finished folder's record is the
// exact sum of its files and its finished subfolders, whatever the number of
// readers. After an abort, folders whose listing and subfolders were all done
// keep their records; the others have none.
#pragma once

#include "engine/FolderNode.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Set by the window's Abort command; read by readers after every entry and by
// commands that scan several drives between drives. Cleared when a scan starts.
extern std::atomic<bool> AbortScan;
// The cluster size with which the running scan computes wasted space.
extern std::int32_t ScanClusterSize;

// What the scanner needs of the window that shows the tree.
class TScanHost {
public:
    virtual ~TScanHost() = default;
    // On: disable the commands that start scans or change the tree, enable Abort.
    virtual void SetScanning(bool on) = 0;
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    // The node whose figures the window shows, or none.
    virtual TFolderNode* CurrentNode() = 0;
    virtual int CurrentPage() = 0;
    // Redisplays the page for the current node.
    virtual void ShowPage(int page) = 0;
    // Lets pending window events run; called many times a second during a scan.
    virtual void ProcessEvents() = 0;
};

// A host without a window: scans that only want the tree (benchmarks,
// tools) run with it.
class TSilentScanHost final : public TScanHost {
public:
    void SetScanning(bool) override {}
    void SetStatusText(int, const std::string&) override {}
    TFolderNode* CurrentNode() override { return nullptr; }
    int CurrentPage() override { return 0; }
    void ShowPage(int) override {}
    void ProcessEvents() override {}
};

// Counters the host may read to show progress; updated by the readers.
struct TScanProgress {
    std::atomic<std::uint64_t> Folders{0};
    std::atomic<std::uint64_t> Files{0};
    std::atomic<std::int64_t> Bytes{0};
    // Folders that could not be listed and entries that could not be examined.
    std::atomic<std::uint64_t> Unreadable{0};
};

class TScanner {
public:
    TScanner(TFolderTree& tree, TScanHost& host);
    ~TScanner();
    TScanner(const TScanner&) = delete;
    TScanner& operator=(const TScanner&) = delete;

    // The most reader threads a scan starts (threads start only when there is
    // work waiting for them). 0 gives the default.
    void SetReaderThreads(int count);
    int ReaderThreads() const { return MaxReaders; }
    static int DefaultReaderThreads();

    // Scans the drive whose root is entry.RootPath into a new top-level node.
    void ScanDrive(const std::string& driveText, TDriveRecInfo& entry);
    // Scans the folder at path into node, which has no children and no record.
    // Returns the finished record (attached to node) or none after an abort.
    TFolderSize* ScanFolder(const std::string& path, TFolderNode* node);
    // Rescans a folder already in the tree and corrects all its ancestors.
    void RescanFolder(const std::string& path, TFolderNode* node);
    // When nothing exists at path any more, removes node with its subtree and
    // corrects the ancestors; returns whether it did.
    bool RemoveVanishedFolder(const std::string& path, TFolderNode* node);
    // Takes a folder known to be gone off the tree: its figures off every
    // ancestor, then its node with the subtree. Not for top-level nodes.
    void RemoveFolderNode(TFolderNode* node);

    // The counters of the latest scan.
    const TScanProgress& Progress() const { return *Counters; }

    // Test seam: called on a reader thread with each folder's name just
    // before the folder is listed. A scan that is given up while the hook
    // blocks leaves it running; the context must outlive it.
    using TFolderHook = void (*)(const std::string& name, void* context);
    void SetFolderHook(TFolderHook hook, void* context) {
        Hook = hook;
        HookContext = context;
    }

private:
    TFolderTree& Tree;
    TScanHost& Host;
    int MaxReaders;
    std::shared_ptr<TScanProgress> Counters = std::make_shared<TScanProgress>();
    TFolderHook Hook = nullptr;
    void* HookContext = nullptr;
};
