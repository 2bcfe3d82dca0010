// The scan runs in two halves. Reader threads take folders from a shared
// stack, list them, fold their files into the folder's own figures, queue the
// subfolders as new work and post one result per folder. The owner thread
// (the one that called the scan command) takes the results in batches,
// creates the child nodes and finishes each folder's record once its listing
// and all its subfolders are done, adding it into its parent.
//
// Results reach the owner in causal order: a reader posts a folder's result
// before it queues that folder's subfolders, so the owner always sees a
// parent before any of its children.
#include "engine/ScanRun.h"

#include "engine/NameOrder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

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

// How often a reader has heard from the file system: counted up by the
// reader after each entry, watched by the owner, which gives up on a folder
// whose count has not moved for too long. A count, not a time: reading the
// clock per entry showed in a scan's profile.
using TBeat = std::atomic<std::uint64_t>;

void Beat(TBeat& beat) {
    // One writer per count: no read-modify-write needed.
    beat.store(beat.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

// Folds a folder's entries into its record; with Export, also hands them to
// the scan's output. A plain scan runs the sink without it, so it pays
// nothing for exports.
template <bool Export> class TReaderSink final : public Platform::TListSink {
public:
    TReaderSink(TScanDir& dir, std::int32_t clusterSize, TBeat& beat, TScanOutput* output)
        : Dir(dir), ClusterSize(clusterSize), Heard(beat), Output(output) {}

    void OnFile(const char* name, std::size_t length, const Platform::TFileFacts& facts) override {
        Beat(Heard);
        Dir.Record.AddFile(ClusterSize, facts.Size, facts.AccessTime, facts.WriteTime,
                           facts.Attributes);
        if constexpr (Export)
            Output->File(*Dir.Out, name, length, facts);
    }

    // Counted as a file of unknown size; the folder's figures are marked as
    // incomplete, like those of a folder whose listing failed.
    void OnUnreadable(const char* name, std::size_t length, int error) override {
        Beat(Heard);
        Dir.Record.AddFile(ClusterSize, 0, 0, 0,
                           name[0] == '.' ? std::uint32_t{Platform::FileAttrHidden} : 0u);
        if (!Dir.EntryError)
            Dir.EntryError = error;
        ++Dir.UnreadableEntries;
        if constexpr (Export)
            Output->Unreadable(*Dir.Out, name, length, error);
    }

    void OnFolder(const char* name, std::size_t length, bool otherMount) override {
        Beat(Heard);
        Dir.Record.AddSubfolder();
        auto* sub = new TScanDir;
        sub->Parent = &Dir;
        sub->Name.assign(name, length);
        sub->MountId = Dir.MountId;
        sub->OtherMount = otherMount;
        Dir.Subdirs.push_back(sub);
        if constexpr (Export)
            sub->Out = Output->Subfolder(*Dir.Out, name, length, otherMount);
    }

    bool WantsAllFacts() const override { return Export; }

private:
    TScanDir& Dir;
    std::int32_t ClusterSize;
    TBeat& Heard;
    TScanOutput* Output;
};

// How long the owner waits, after an abort, for readers to notice it. A
// reader tests the flag after every entry, so one that is still busy after
// this is stuck in a call into the file system (a dead network share).
constexpr auto AbandonAfter = std::chrono::milliseconds(300);
// How long the owner takes in results before it lets the window's events
// run again: well under the 100 ms after which a window feels stuck.
constexpr auto TimeSlice = std::chrono::milliseconds(25);

// The state of one scan, shared by the owner and the readers. A reader stuck
// in the file system when the scan is given up keeps it alive until its call
// returns; it then finishes the one folder it held (a later scan may have
// cleared the abort flag), posts it into a queue nobody reads, finds the
// scan over and leaves. The last one out frees what is left; the tree, the host and
// the scanner are never touched from here after the owner has gone.
class TScanRunImpl final : public TScanRun, public std::enable_shared_from_this<TScanRunImpl> {
public:
    TScanRunImpl(TFolderTree& tree, TScanHost& host, std::shared_ptr<TFolderLister> lister,
                 std::shared_ptr<TScanProgress> counters, int maxReaders, std::int32_t clusterSize,
                 std::chrono::milliseconds answerLimit, TScanner::TFolderHook hook,
                 void* hookContext, std::shared_ptr<TScanOutput> output)
        : Tree(tree), Host(host), Lister(std::move(lister)), Counters(std::move(counters)),
          MaxReaders(std::max(1, maxReaders)), ClusterSize(clusterSize),
          AnswerLimit(std::chrono::duration_cast<Clock::duration>(answerLimit)), Hook(hook),
          HookContext(hookContext), Output(std::move(output)) {}

    ~TScanRunImpl() override {
        for (TScanDir* d : Jobs)
            delete d;
        for (TScanDir* d : Results)
            DeleteUnread(d);
        for (TScanDir* d : Backlog)
            DeleteUnread(d);
        for (TScanDir* d : Open)
            delete d;
    }

    void Run(const std::string& path, TFolderNode* node) override {
        auto* start = new TScanDir;
        start->Name = path;
        start->Node = node;
        if (Output)
            start->Out = Output->StartFolder(path);
        Jobs.push_back(start);
        StartReader();

        for (;;) {
            bool finished;
            {
                std::unique_lock lock(ResultLock);
                if (Backlog.empty())
                    OwnerWake.wait_for(lock, std::chrono::milliseconds(8),
                                       [this] { return Finished.load(); });
                finished = Finished.load();
                Backlog.insert(Backlog.end(), Results.begin(), Results.end());
                Results.clear();
            }
            ProcessBacklog();
            if (finished && Backlog.empty())
                break;
            Host.ProcessEvents();
            if (Abort && AbortTime == Clock::time_point{}) {
                RequestAbort();
                AbortTime = Clock::now();
            }
            if (Abort && Clock::now() - AbortTime > AbandonAfter) {
                Abandon();
                Tree.NotifyFiguresChanged();
                return;
            }
            if (!Abort && AnswerLimit > Clock::duration::zero())
                GiveUpOnSilentFolders();
            MaybeStartReader();
        }
        StopReaders();
        if (Failure)
            std::rethrow_exception(Failure);
        Tree.NotifyFiguresChanged();
    }

    // Stops the readers when the owner leaves by an exception: waits a little
    // for them, and gives up on those that are stuck.
    void Stop() noexcept override {
        RequestAbort();
        {
            std::unique_lock lock(ResultLock);
            OwnerWake.wait_for(lock, AbandonAfter, [this] { return Finished.load(); });
        }
        if (Finished) {
            StopReaders();
            return;
        }
        std::lock_guard lock(JobLock);
        Finished = true;
        JobReady.notify_all();
        for (auto& t : Threads)
            if (t.joinable())
                t.detach();
        Threads.clear();
    }

private:
    // ---- reader side -------------------------------------------------------

    void StartReader() {
        const std::size_t slot = Threads.size();
        TBeat& beat = Beats.emplace_back(0);
        Heard.push_back({0, Clock::now()});
        {
            std::lock_guard lock(JobLock);
            Reading.push_back(nullptr);
            GivenUp.push_back(false);
        }
        Threads.emplace_back(
            [self = shared_from_this(), slot, &beat] { self->ReaderMain(slot, beat); });
    }

    int LiveReaders() const {
        return static_cast<int>(
            std::count_if(Threads.begin(), Threads.end(), [](auto& t) { return t.joinable(); }));
    }

    // A folder whose reader has heard nothing from the file system for the
    // answer limit is taken as not answering: it counts as a folder that
    // could not be read, so its ancestors finish and the scan ends, and a
    // fresh reader takes the stuck one's place. The stuck reader keeps the
    // folder it holds and throws it away once its call returns.
    void GiveUpOnSilentFolders() {
        const Clock::time_point now = Clock::now();
        std::vector<TScanDir*> silent;
        {
            std::lock_guard lock(JobLock);
            for (std::size_t slot = 0; slot < Reading.size(); ++slot) {
                // The silence is counted from the first look that found the
                // count unchanged: never shorter than it really was.
                const std::uint64_t count = Beats[slot].load(std::memory_order_relaxed);
                if (count != Heard[slot].Count) {
                    Heard[slot] = {count, now};
                    continue;
                }
                TScanDir* dir = Reading[slot];
                // Without a node, its parent's result is not taken in yet.
                if (!dir || !dir->Node || now - Heard[slot].Since < AnswerLimit)
                    continue;
                GivenUp[slot] = true;
                Reading[slot] = nullptr;
                --Busy;
                Threads[slot].detach();
                silent.push_back(dir);
            }
            if (!silent.empty() && Busy == 0 && Jobs.empty())
                SignalFinished();
        }
        // Only the node and the parent of a silent folder are read: the
        // owner set the one, and the other never changes.
        for (TScanDir* dir : silent) {
            auto* standIn = new TScanDir;
            standIn->Parent = dir->Parent;
            standIn->Node = dir->Node;
            standIn->Error = ETIMEDOUT;
            Counters->Unreadable.fetch_add(1, std::memory_order_relaxed);
            TFolderNode* node = dir->Node;
            Absorb(standIn);
            node->Set(NodeNotAnswering);
        }
        if (!silent.empty())
            Tree.NotifyFiguresChanged();
    }

    void RequestAbort() {
        Abort = true;
        std::lock_guard lock(JobLock);
        JobReady.notify_all();
    }

    // Ends the scan without the readers that do not answer. What they had
    // posted is taken in first, so every folder that was read has its node;
    // the folders still being read are marked as not answering.
    void Abandon() {
        {
            std::lock_guard lock(ResultLock);
            Backlog.insert(Backlog.end(), Results.begin(), Results.end());
            Results.clear();
        }
        ProcessBacklog(true);
        std::lock_guard lock(JobLock);
        for (TScanDir* dir : Reading) {
            // Node was set by this thread when the parent was taken in.
            if (TFolderNode* node = dir ? dir->Node : nullptr) {
                node->Error = ETIMEDOUT;
                node->Set(NodeReadError);
                node->Set(NodeNotAnswering);
            }
        }
        Finished = true;
        JobReady.notify_all();
        for (auto& t : Threads)
            if (t.joinable())
                t.detach();
        Threads.clear();
    }

    void MaybeStartReader() {
        const int live = LiveReaders();
        if (live >= MaxReaders || Finished)
            return;
        std::size_t waiting;
        int busy;
        {
            std::lock_guard lock(JobLock);
            waiting = Jobs.size();
            busy = Busy;
        }
        // A new reader when work is queued beyond what the running ones will
        // take next, or when every reader is busy (one may be stuck on a
        // share that does not answer) and work waits.
        if (waiting >= 2 || (waiting >= 1 && busy >= live))
            StartReader();
    }

    void StopReaders() {
        {
            std::lock_guard lock(JobLock);
            JobReady.notify_all();
        }
        for (auto& t : Threads)
            if (t.joinable())
                t.join();
        Threads.clear();
    }

    void SignalFinished() {
        Finished = true;
        JobReady.notify_all();
        std::lock_guard lock(ResultLock);
        OwnerWake.notify_all();
    }

    void ReaderMain(std::size_t slot, TBeat& beat) {
        std::vector<char> buffer;
        std::vector<TScanDir*> newJobs;
        std::unique_lock lock(JobLock);
        for (;;) {
            for (;;) {
                if (Finished)
                    return;
                const bool abort = Abort.load();
                if (!abort && !Jobs.empty())
                    break;
                if (Busy == 0 && (abort || Jobs.empty())) {
                    SignalFinished();
                    return;
                }
                // Timed, so an abort is seen even without a notification.
                JobReady.wait_for(lock, std::chrono::milliseconds(50));
            }
            TScanDir* dir = Jobs.back();
            Jobs.pop_back();
            ++Busy;
            Reading[slot] = dir;
            Beat(beat);
            lock.unlock();
            try {
                ReadFolder(dir, slot, buffer, newJobs, beat);
            } catch (...) {
                // The folder went to the owner as aborted, which frees the
                // subfolders it found; none of them may be queued too.
                newJobs.clear();
                lock.lock();
                if (GivenUp[slot])
                    return; // replaced; the owner no longer counts on it
                if (!Failure)
                    Failure = std::current_exception();
                Abort = true;
                --Busy;
                continue;
            }
            lock.lock();
            if (GivenUp[slot]) {
                // Its folder and the subfolders found went with Post.
                newJobs.clear();
                return;
            }
            if (!newJobs.empty()) {
                Jobs.insert(Jobs.end(), newJobs.begin(), newJobs.end());
                newJobs.clear();
                JobReady.notify_all();
            }
            --Busy;
            if (Busy == 0 && (Jobs.empty() || Abort)) {
                SignalFinished();
                return;
            }
        }
    }

    // Reads one folder; should anything throw (memory), the folder still goes
    // to the owner, as an aborted one, so nothing of it is lost or leaked.
    void ReadFolder(TScanDir* dir, std::size_t slot, std::vector<char>& buffer,
                    std::vector<TScanDir*>& newJobs, TBeat& beat) {
        try {
            ReadFolderUnguarded(dir, slot, buffer, newJobs, beat);
        } catch (...) {
            dir->Aborted = true;
            Post(dir, slot);
            throw;
        }
    }

    void ReadFolderUnguarded(TScanDir* dir, std::size_t slot, std::vector<char>& buffer,
                             std::vector<TScanDir*>& newJobs, TBeat& beat) {
        int error = 0;
        bool otherMount = false;
        TOpenFolder fd{*Lister};
        if (!dir->ParentFd)
            fd.Handle = Lister->OpenTop(dir->Name, error);
        else
            fd.Handle =
                Lister->OpenSub(dir->ParentFd->Handle, dir->Name.c_str(), error, otherMount);
        TFolderOutcome outcome;
        Platform::TFileFacts facts;
        if (fd.Handle < 0 && !otherMount && dir->Out && dir->ParentFd &&
            Lister->Facts(dir->ParentFd->Handle, dir->Name.c_str(), facts))
            outcome.Facts = &facts;
        dir->ParentFd.reset();
        if (otherMount) {
            dir->MountOnOpen = true;
            if (dir->Out) {
                outcome.OtherMount = true;
                Output->FolderDone(*dir->Out, outcome);
            }
            Post(dir, slot);
            return;
        }
        if (fd.Handle < 0) {
            dir->Error = error;
            Counters->Unreadable.fetch_add(1, std::memory_order_relaxed);
            if (dir->Out) {
                outcome.NotOpened = true;
                outcome.Error = error;
                Output->FolderDone(*dir->Out, outcome);
            }
            Post(dir, slot);
            return;
        }
        Beat(beat);
        if (dir->Out && Lister->Facts(fd.Handle, "", facts)) {
            // The facts hold the identity too: one call per folder, not two.
            outcome.Facts = &facts;
            dir->Device = facts.Device;
            dir->Inode = facts.Inode;
        } else {
            Lister->Identity(fd.Handle, dir->Device, dir->Inode);
        }
        if (!dir->Parent)
            dir->MountId = Lister->ListingMount(fd.Handle);
        if (Hook)
            Hook(dir->Name, HookContext);

        bool aborted = false;
        if (dir->Out) {
            TReaderSink<true> sink(*dir, ClusterSize, beat, Output.get());
            Lister->List(fd.Handle, dir->MountId, sink, Abort, buffer, aborted, error);
        } else {
            TReaderSink<false> sink(*dir, ClusterSize, beat, nullptr);
            Lister->List(fd.Handle, dir->MountId, sink, Abort, buffer, aborted, error);
        }
        dir->Error = error;
        dir->Aborted = aborted;

        SortByName(dir->Subdirs, [](const TScanDir* s) -> std::string_view { return s->Name; });
        if (dir->Out && !aborted) {
            // Readers take the queued subfolders from the back of the job
            // stack: told that order, an exporter can write them as they come.
            std::vector<TOutputFolder*> order;
            order.reserve(dir->Subdirs.size());
            for (const TScanDir* sub : dir->Subdirs)
                if (!sub->OtherMount)
                    order.push_back(sub->Out);
            outcome.Error = error;
            outcome.Subfolders = &order;
            Output->FolderDone(*dir->Out, outcome);
        }
        if (!aborted) {
            std::shared_ptr<TSharedFd> shared;
            for (TScanDir* sub : dir->Subdirs) {
                if (sub->OtherMount)
                    continue;
                if (!shared)
                    shared = std::make_shared<TSharedFd>(*Lister, fd.Release());
                sub->ParentFd = shared;
                newJobs.push_back(sub);
            }
        }
        Counters->Folders.fetch_add(1, std::memory_order_relaxed);
        Counters->Files.fetch_add(dir->Record.OwnFileCount, std::memory_order_relaxed);
        Counters->Bytes.fetch_add(dir->Record.OwnSize, std::memory_order_relaxed);
        if (const std::uint64_t unreadable = (error ? 1 : 0) + dir->UnreadableEntries)
            Counters->Unreadable.fetch_add(unreadable, std::memory_order_relaxed);
        // After this the folder belongs to the owner; only newJobs is used.
        Post(dir, slot);
    }

    // Hands the folder to the owner; the reader must not touch dir after
    // this. The reader's slot is cleared first, so that the owner, which may
    // free the folder as soon as it is posted, never finds it there.
    void Post(TScanDir* dir, std::size_t slot) {
        {
            std::lock_guard lock(JobLock);
            if (GivenUp[slot]) {
                // The owner finished the folder without it: what was read
                // comes too late and is thrown away, subfolders unqueued.
                for (TScanDir* sub : dir->Subdirs)
                    delete sub;
                delete dir;
                return;
            }
            Reading[slot] = nullptr;
        }
        std::lock_guard lock(ResultLock);
        Results.push_back(dir);
    }

    // ---- owner side --------------------------------------------------------

    // Takes in results, oldest first, for one time slice: the window's
    // events run between slices however many results wait, also after the
    // readers are done. With untilEmpty (a scan given up), takes them all.
    void ProcessBacklog(bool untilEmpty = false) {
        if (Backlog.empty())
            return;
        const auto deadline = Clock::now() + TimeSlice;
        std::size_t done = 0;
        TFolderNode* last = nullptr;
        while (!Backlog.empty()) {
            TScanDir* dir = Backlog.front();
            Backlog.pop_front();
            last = dir->Node;
            Absorb(dir);
            if (!untilEmpty && (++done & 15) == 0 && Clock::now() > deadline)
                break;
        }
        if (last)
            Host.ScanReached(*last);
        Tree.NotifyFiguresChanged();
    }

    void Absorb(TScanDir* dir) {
        TFolderNode* node = dir->Node;
        if (dir->MountOnOpen) {
            // Found to be a mount point only when opened: another drive,
            // left unscanned, and done as far as its parent is concerned.
            node->Set(NodeOtherDrive);
            TScanDir* parent = dir->Parent;
            delete dir;
            if (parent && --parent->Pending == 0)
                Finish(parent);
            return;
        }
        if (dir->Error || dir->EntryError) {
            node->Error = dir->Error ? dir->Error : dir->EntryError;
            node->Set(NodeReadError);
        }
        node->Inode = dir->Inode;
        if (!node->Parent && node->Drive)
            node->Drive->Device = dir->Device;
        // A folder scanned without the rest of its drive tells the drive's device.
        if (!dir->Parent && node->Parent) {
            TDriveRecInfo* drive = RootNode(node)->Drive;
            if (drive && drive->Device == 0)
                drive->Device = dir->Device;
        }
        node->Children.reserve(dir->Subdirs.size());
        for (TScanDir* sub : dir->Subdirs) {
            auto child = std::make_unique<TFolderNode>();
            child->Parent = node;
            child->Row = static_cast<std::uint32_t>(node->Children.size());
            child->Name = sub->Name;
            if (sub->OtherMount || dir->Aborted) {
                // Never queued, so nobody else holds it.
                if (sub->OtherMount)
                    child->Set(NodeOtherDrive);
                delete sub;
            } else {
                sub->Node = child.get();
                ++dir->Pending;
            }
            node->Children.push_back(std::move(child));
        }
        dir->Subdirs.clear();
        dir->Subdirs.shrink_to_fit();
        // The listing has ended, so the children are final: the view may show
        // them now and the user can browse while their figures come in.
        node->RenumberChildren();
        Tree.PublishChildren(node);
        if (!dir->Aborted && dir->Pending == 0)
            Finish(dir);
        else
            Open.insert(dir);
    }

    void Finish(TScanDir* dir) {
        while (dir) {
            TFolderNode* node = dir->Node;
            dir->Record.Finish();
            node->Data = std::make_unique<TFolderSize>(dir->Record);
            node->Set(NodeScanned);
            node->Set(NodeIncompleteBelow, dir->IncompleteBelow);
            Host.FolderFinished(*node);
            TScanDir* parent = dir->Parent;
            if (parent) {
                parent->Record.AddFinishedChild(*node->Data);
                if (dir->Error || dir->EntryError || dir->IncompleteBelow)
                    parent->IncompleteBelow = true;
            }
            Open.erase(dir);
            delete dir;
            dir = parent && --parent->Pending == 0 ? parent : nullptr;
        }
    }

    // A posted result that the owner never took (the scan is being torn
    // down): its subfolders were either queued (freed with the queue) or not.
    void DeleteUnread(TScanDir* dir) {
        for (TScanDir* sub : dir->Subdirs)
            if (sub->OtherMount || dir->Aborted)
                delete sub;
        delete dir;
    }

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

} // namespace

std::shared_ptr<TScanRun>
TScanRun::Create(TFolderTree& tree, TScanHost& host, std::shared_ptr<TFolderLister> lister,
                 std::shared_ptr<TScanProgress> counters, int maxReaders, std::int32_t clusterSize,
                 std::chrono::milliseconds answerLimit, TScanner::TFolderHook hook,
                 void* hookContext, std::shared_ptr<TScanOutput> output) {
    return std::make_shared<TScanRunImpl>(tree, host, std::move(lister), std::move(counters),
                                          maxReaders, clusterSize, answerLimit, hook, hookContext,
                                          std::move(output));
}
