// The readers' half of a scan: threads that take folders from a shared
// stack, list them, fold their files into the folder's own figures (and hand
// them to the scan's output, when it has one), queue the subfolders as new
// work and post one result per folder to the owner.
#include "engine/ScanRunImpl.h"

#include "engine/NameOrder.h"

#include <string_view>

namespace {

// Folds a folder's entries into its record and, with files, keeps each one;
// with Export, also hands them to the scan's output. A plain scan runs the
// sink without it, so it pays nothing for exports.
template <bool Export> class TReaderSink final : public Platform::TListSink {
public:
    TReaderSink(TScanDir& dir, std::int32_t clusterSize, TBeat& beat, TScanOutput* output,
                TFileListBuilder* files)
        : Dir(dir), ClusterSize(clusterSize), Heard(beat), Output(output), Files(files) {}

    void OnFile(const char* name, std::size_t length, const Platform::TFileFacts& facts) override {
        Beat(Heard);
        Dir.Record.AddFile(ClusterSize, facts.Size, facts.AccessTime, facts.WriteTime,
                           facts.Attributes);
        if (Files)
            Files->Add({name, length}, facts.Size, facts.DiskUsage, facts.WriteSeconds,
                       FileKindOfMode(facts.Mode), facts.Links > 1);
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

    // Kept files need their allocation, links and kind.
    bool WantsAllFacts() const override { return Export || Files; }

private:
    TScanDir& Dir;
    std::int32_t ClusterSize;
    TBeat& Heard;
    TScanOutput* Output;
    TFileListBuilder* Files;
};

} // namespace

void TScanRunImpl::SignalFinished() {
    Finished = true;
    JobReady.notify_all();
    std::lock_guard lock(ResultLock);
    OwnerWake.notify_all();
}

void TScanRunImpl::ReaderMain(std::size_t slot, TBeat& beat) {
    TReaderScratch scratch;
    std::vector<TScanDir*>& newJobs = scratch.NewJobs;
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
            ReadFolder(dir, slot, scratch, beat);
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
void TScanRunImpl::ReadFolder(TScanDir* dir, std::size_t slot, TReaderScratch& scratch,
                              TBeat& beat) {
    try {
        ReadFolderUnguarded(dir, slot, scratch, beat);
    } catch (...) {
        scratch.Files.Clear();
        dir->Files.reset();
        dir->Aborted = true;
        Post(dir, slot);
        throw;
    }
}

void TScanRunImpl::ReadFolderUnguarded(TScanDir* dir, std::size_t slot, TReaderScratch& scratch,
                                       TBeat& beat) {
    std::vector<char>& buffer = scratch.Buffer;
    std::vector<TScanDir*>& newJobs = scratch.NewJobs;
    TFileListBuilder* files = KeepFiles ? &scratch.Files : nullptr;
    int error = 0;
    bool otherMount = false;
    TOpenFolder fd{*Lister};
    if (!dir->ParentFd)
        fd.Handle = Lister->OpenTop(dir->Name, error);
    else
        fd.Handle = Lister->OpenSub(dir->ParentFd->Handle, dir->Name.c_str(), error, otherMount);
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
        TReaderSink<true> sink(*dir, ClusterSize, beat, Output.get(), files);
        Lister->List(fd.Handle, dir->MountId, sink, Abort, buffer, aborted, error);
    } else {
        TReaderSink<false> sink(*dir, ClusterSize, beat, nullptr, files);
        Lister->List(fd.Handle, dir->MountId, sink, Abort, buffer, aborted, error);
    }
    dir->Error = error;
    dir->Aborted = aborted;
    if (files) {
        // A stopped listing keeps no record, so it keeps no files either.
        if (aborted)
            files->Clear();
        else
            dir->Files = files->Take();
    }

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
void TScanRunImpl::Post(TScanDir* dir, std::size_t slot) {
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
