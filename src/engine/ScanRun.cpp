// The owner's half of a scan: it takes the readers' results in batches,
// creates the child nodes and finishes each folder's record once its listing
// and all its subfolders are done, adding it into its parent; it starts
// readers as work waits, and gives up on folders, and on a whole scan after
// an abort, when the file system stops answering.
//
// Results reach the owner in causal order: a reader posts a folder's result
// before it queues that folder's subfolders, so the owner always sees a
// parent before any of its children.
#include "engine/ScanRunImpl.h"

#include <algorithm>
#include <cerrno>

namespace {

// How long the owner waits, after an abort, for readers to notice it. A
// reader tests the flag after every entry, so one that is still busy after
// this is stuck in a call into the file system (a dead network share).
constexpr auto AbandonAfter = std::chrono::milliseconds(300);
// How long the owner takes in results before it lets the window's events
// run again: well under the 100 ms after which a window feels stuck.
constexpr auto TimeSlice = std::chrono::milliseconds(25);

} // namespace

TScanRunImpl::~TScanRunImpl() {
    for (TScanDir* d : Jobs)
        delete d;
    for (TScanDir* d : Results)
        DeleteUnread(d);
    for (TScanDir* d : Backlog)
        DeleteUnread(d);
    for (TScanDir* d : Open)
        delete d;
}

void TScanRunImpl::Run(const std::string& path, TFolderNode* node) {
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
void TScanRunImpl::Stop() noexcept {
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

void TScanRunImpl::StartReader() {
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

void TScanRunImpl::MaybeStartReader() {
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

void TScanRunImpl::StopReaders() {
    {
        std::lock_guard lock(JobLock);
        JobReady.notify_all();
    }
    for (auto& t : Threads)
        if (t.joinable())
            t.join();
    Threads.clear();
}

int TScanRunImpl::LiveReaders() const {
    return static_cast<int>(
        std::count_if(Threads.begin(), Threads.end(), [](auto& t) { return t.joinable(); }));
}

// A folder whose reader has heard nothing from the file system for the
// answer limit is taken as not answering: it counts as a folder that
// could not be read, so its ancestors finish and the scan ends, and a
// fresh reader takes the stuck one's place. The stuck reader keeps the
// folder it holds and throws it away once its call returns.
void TScanRunImpl::GiveUpOnSilentFolders() {
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

void TScanRunImpl::RequestAbort() {
    Abort = true;
    std::lock_guard lock(JobLock);
    JobReady.notify_all();
}

// Ends the scan without the readers that do not answer. What they had
// posted is taken in first, so every folder that was read has its node;
// the folders still being read are marked as not answering.
void TScanRunImpl::Abandon() {
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

// Takes in results, oldest first, for one time slice: the window's
// events run between slices however many results wait, also after the
// readers are done. With untilEmpty (a scan given up), takes them all.
void TScanRunImpl::ProcessBacklog(bool untilEmpty) {
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

void TScanRunImpl::Absorb(TScanDir* dir) {
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

void TScanRunImpl::Finish(TScanDir* dir) {
    while (dir) {
        TFolderNode* node = dir->Node;
        dir->Record.Finish();
        node->Data = std::make_unique<TFolderSize>(dir->Record);
        node->Files = std::move(dir->Files);
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
void TScanRunImpl::DeleteUnread(TScanDir* dir) {
    for (TScanDir* sub : dir->Subdirs)
        if (sub->OtherMount || dir->Aborted)
            delete sub;
    delete dir;
}

std::shared_ptr<TScanRun>
TScanRun::Create(TFolderTree& tree, TScanHost& host, std::shared_ptr<TFolderLister> lister,
                 std::shared_ptr<TScanProgress> counters, int maxReaders, std::int32_t clusterSize,
                 std::chrono::milliseconds answerLimit, TScanner::TFolderHook hook,
                 void* hookContext, std::shared_ptr<TScanOutput> output, bool keepFiles) {
    return std::make_shared<TScanRunImpl>(tree, host, std::move(lister), std::move(counters),
                                          maxReaders, clusterSize, answerLimit, hook, hookContext,
                                          std::move(output), keepFiles);
}
