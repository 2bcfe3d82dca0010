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

#include "engine/FolderLister.h"
#include "engine/FolderNode.h"
#include "engine/ScanOutput.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// What a scan tells whoever shows it. Every call comes on the owner thread.
// The defaults do nothing, so a scan that only wants the tree (tools,
// benchmarks, tests) runs with a plain TScanHost.
class TScanHost {
public:
    virtual ~TScanHost() = default;
    // A scan command starts (true) or has ended (false).
    virtual void ScanStateChanged(bool /*scanning*/) {}
    // The folder the scan took in last; once per batch of results.
    virtual void ScanReached(const TFolderNode& /*node*/) {}
    // node's record is final (its listing and all its subfolders are done).
    virtual void FolderFinished(TFolderNode& /*node*/) {}
    // Lets pending events run; called many times a second during a scan.
    virtual void ProcessEvents() {}
};

// Counters the host may read to show progress; updated by the readers.
struct TScanProgress {
    std::atomic<std::uint64_t> Folders{0};
    std::atomic<std::uint64_t> Files{0};
    std::atomic<std::int64_t> Bytes{0};
    // Folders that could not be listed and entries that could not be examined.
    std::atomic<std::uint64_t> Unreadable{0};
};

class TScanRun;

class TScanner {
public:
    TScanner(TFolderTree& tree, TScanHost& host);
    ~TScanner();
    TScanner(const TScanner&) = delete;
    TScanner& operator=(const TScanner&) = delete;

    // Set by Abort; commands that scan several drives stop between them when
    // they see it. Cleared when a scan starts.
    const std::atomic<bool>& AbortScan() const { return AbortRequested; }
    // Stops the running scan: readers stop after the entry they are on, and
    // one stuck in the file system is left behind. Any thread may call it.
    void Abort();
    // The cluster size with which scans compute wasted space; ScanDrive and
    // RescanFolder set it from the drive.
    std::int32_t ScanClusterSize = 0;

    // The most reader threads a scan starts (threads start only when there is
    // work waiting for them). 0 gives the default.
    void SetReaderThreads(int count);
    int ReaderThreads() const { return MaxReaders; }
    static int DefaultReaderThreads();
    // How long a reader may wait on the file system without an answer before
    // its folder is given up as not answering (NodeNotAnswering, read error
    // ETIMEDOUT, counted like a folder that could not be listed) and the scan
    // goes on without it; 0 waits for ever. A listing that keeps delivering
    // entries is never given up, however long it takes.
    void SetAnswerLimit(std::chrono::milliseconds limit) { AnswerLimit = limit; }
    // Long enough for a slow share to answer, short enough that a dead one
    // does not look like a hung program.
    static constexpr std::chrono::milliseconds DefaultAnswerLimit{10000};
    // The file system to read; none (the default) reads the disk.
    void SetLister(std::shared_ptr<TFolderLister> lister) { Lister = std::move(lister); }
    // Whether new drives' scans keep every file (TFolderNode::Files) or
    // their folders' sums only. A rescan follows what its drive was scanned
    // with. On by default.
    void SetKeepFiles(bool keep) { KeepFiles = keep; }
    bool KeepsFiles() const { return KeepFiles; }
    // Where scans also hand every entry they meet (an exporter); none (the
    // default) only builds the tree.
    void SetOutput(std::shared_ptr<TScanOutput> output) { Output = std::move(output); }

    // Scans the drive whose root is entry.RootPath into a new top-level node.
    void ScanDrive(const std::string& driveText, TDriveRecInfo& entry);
    // Scans only the folder at path of the drive whose root is entry.RootPath:
    // the drive gets its top-level node and the folders on the way their
    // nodes, all without records, so the folder stays a folder of its drive
    // at the cost of reading just its own subtree. Returns the folder's node.
    TFolderNode* ScanDriveFolder(const std::string& driveText, TDriveRecInfo& entry,
                                 const std::string& path);
    // Scans the folder at path into node, which has no children and no record.
    // Returns the finished record (attached to node) or none after an abort.
    TFolderSize* ScanFolder(const std::string& path, TFolderNode* node);
    // Rescans a folder already in the tree and corrects all its ancestors.
    void RescanFolder(const std::string& path, TFolderNode* node);
    // When nothing exists at path any more, removes node with its subtree and
    // corrects the ancestors; returns whether it did.
    bool RemoveVanishedFolder(const std::string& path, TFolderNode* node);

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
    // The drive's top-level node, with the drive's figures taken for the scan.
    TFolderNode* AddDriveRoot(const std::string& driveText, TDriveRecInfo& entry);

    TFolderTree& Tree;
    TScanHost& Host;
    int MaxReaders;
    std::chrono::milliseconds AnswerLimit = DefaultAnswerLimit;
    std::shared_ptr<TFolderLister> Lister;
    std::shared_ptr<TScanOutput> Output;
    bool KeepFiles = true;
    std::shared_ptr<TScanProgress> Counters = std::make_shared<TScanProgress>();
    std::atomic<bool> AbortRequested{false};
    std::mutex RunLock; // guards Running, which Abort may read from any thread
    std::shared_ptr<TScanRun> Running;
    TFolderHook Hook = nullptr;
    void* HookContext = nullptr;
};
