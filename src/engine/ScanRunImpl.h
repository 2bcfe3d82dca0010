// The inside of one scan, shared by its two halves: the readers
// (ScanReaders.cpp), which list folders on threads of their own, and the
// owner (ScanRun.cpp), the thread that started the scan and builds the tree
// from their results. Only those two files include it.
#pragma once

#include "engine/ScanRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

using TScanClock = std::chrono::steady_clock;

// A listed folder's handle, kept open while its subfolders still have to be
// opened relative to it; the last one to open closes it.
struct TSharedFd {
    // A constructor of its own: clang 14 does not build an aggregate from
    // make_shared's parenthesised arguments.
    TSharedFd(TFolderLister& lister, int handle) : Lister(lister), Handle(handle) {}
    TSharedFd(const TSharedFd&) = delete;
    TSharedFd& operator=(const TSharedFd&) = delete;
    ~TSharedFd() { Lister.Close(Handle); }
    TFolderLister& Lister;
    int Handle;
};

// A handle closed when the reader is done with it.
struct TOpenFolder {
    TFolderLister& Lister;
    int Handle = -1;
    ~TOpenFolder() { Lister.Close(Handle); }
    int Release() { return std::exchange(Handle, -1); }
};

// One folder in flight. Created by the reader of its parent (or by the owner
// for the starting folder); deleted by the owner when the folder is finished
// or the scan ends.
struct TScanDir {
    TScanDir* Parent = nullptr;
    std::shared_ptr<TSharedFd> ParentFd; // none for the starting folder
    std::string Name;                    // the absolute path for the starting folder
    std::uint64_t MountId = 0;
    // Written by the reader before the result is posted.
    TFolderSize Record;
    // Its files, when the scan keeps them and the listing ended.
    TFileListRef Files;
    std::vector<TScanDir*> Subdirs; // in display order
    bool OtherMount = false;        // set by the parent's reader: never read
    bool MountOnOpen = false;       // set by its own reader: opening met a mount
    bool Aborted = false;
    int Error = 0;
    // First errno of an entry that could not be examined, and how many.
    int EntryError = 0;
    std::uint32_t UnreadableEntries = 0;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    // The output's note about the folder, when the scan has an output.
    TOutputFolder* Out = nullptr;
    // Owner side.
    TFolderNode* Node = nullptr;
    std::uint32_t Pending = 0;
    bool IncompleteBelow = false;
};

// What a reader reuses from folder to folder.
struct TReaderScratch {
    std::vector<char> Buffer;
    std::vector<TScanDir*> NewJobs;
    TFileListBuilder Files;
};

// How often a reader has heard from the file system: counted up by the
// reader after each entry, watched by the owner, which gives up on a folder
// whose count has not moved for too long. A count, not a time: reading the
// clock per entry showed in a scan's profile.
using TBeat = std::atomic<std::uint64_t>;

inline void Beat(TBeat& beat) {
    // One writer per count: no read-modify-write needed.
    beat.store(beat.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

// The state of one scan, shared by the owner and the readers. A reader stuck
// in the file system when the scan is given up keeps it alive until its call
// returns; it then finishes the one folder it held (a later scan may have
// cleared the abort flag), posts it into a queue nobody reads, finds the
// scan over and leaves. The last one out frees what is left; the tree, the
// host and the scanner are never touched from here after the owner has gone.
class TScanRunImpl final : public TScanRun, public std::enable_shared_from_this<TScanRunImpl> {
public:
    TScanRunImpl(TFolderTree& tree, TScanHost& host, std::shared_ptr<TFolderLister> lister,
                 std::shared_ptr<TScanProgress> counters, int maxReaders, std::int32_t clusterSize,
                 std::chrono::milliseconds answerLimit, TScanner::TFolderHook hook,
                 void* hookContext, std::shared_ptr<TScanOutput> output, bool keepFiles)
        : Tree(tree), Host(host), Lister(std::move(lister)), Counters(std::move(counters)),
          MaxReaders(std::max(1, maxReaders)), ClusterSize(clusterSize),
          AnswerLimit(std::chrono::duration_cast<Clock::duration>(answerLimit)), Hook(hook),
          HookContext(hookContext), Output(std::move(output)), KeepFiles(keepFiles) {}
    ~TScanRunImpl() override;

    void Run(const std::string& path, TFolderNode* node) override;
    void Stop() noexcept override;

private:
    using Clock = TScanClock;

    // ---- reader side (ScanReaders.cpp) --------------------------------------
    void SignalFinished();
    void ReaderMain(std::size_t slot, TBeat& beat);
    void ReadFolder(TScanDir* dir, std::size_t slot, TReaderScratch& scratch, TBeat& beat);
    void ReadFolderUnguarded(TScanDir* dir, std::size_t slot, TReaderScratch& scratch, TBeat& beat);
    void Post(TScanDir* dir, std::size_t slot);

    // ---- owner side (ScanRun.cpp) -------------------------------------------
    void StartReader();
    int LiveReaders() const;
    void GiveUpOnSilentFolders();
    void RequestAbort();
    void Abandon();
    void MaybeStartReader();
    void StopReaders();
    void ProcessBacklog(bool untilEmpty = false);
    void Absorb(TScanDir* dir);
    void Finish(TScanDir* dir);
    void DeleteUnread(TScanDir* dir);

    TFolderTree& Tree;
    TScanHost& Host;
    const std::shared_ptr<TFolderLister> Lister;
    const std::shared_ptr<TScanProgress> Counters;
    const int MaxReaders;
    const std::int32_t ClusterSize;
    const Clock::duration AnswerLimit; // 0: never give up on a folder
    const TScanner::TFolderHook Hook;
    void* const HookContext;
    const std::shared_ptr<TScanOutput> Output;
    const bool KeepFiles;

    // Per reader slot: its thread (owner only; detached once given up) and
    // how often it has heard from the file system.
    std::vector<std::thread> Threads;
    std::deque<TBeat> Beats;
    // Owner only: the count last seen per reader, and since when.
    struct THeard {
        std::uint64_t Count;
        Clock::time_point Since;
    };
    std::vector<THeard> Heard;
    std::mutex JobLock;
    std::condition_variable JobReady;
    std::vector<TScanDir*> Jobs; // a stack: depth first keeps few folders open
    // Per reader, the folder it has taken and not yet posted (none: null).
    std::vector<TScanDir*> Reading;
    // Per reader, whether the owner has given up on its folder.
    std::vector<bool> GivenUp;
    int Busy = 0;
    // When the owner first saw the abort.
    Clock::time_point AbortTime;
    std::atomic<bool> Finished{false};
    std::exception_ptr Failure;

    std::mutex ResultLock;
    std::condition_variable OwnerWake;
    std::vector<TScanDir*> Results;

    std::unordered_set<TScanDir*> Open; // absorbed, waiting for subfolders
    // Posted results the owner has taken but not yet absorbed; owner only.
    std::deque<TScanDir*> Backlog;
};
