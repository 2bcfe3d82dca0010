#include "cleanup/FolderMove.h"

#include "cleanup/MoveJournal.h"
#include "platform/TreeCopy.h"

#include <algorithm>
#include <utility>

std::string MoveRefusal(const Platform::TScannedItem& source, const std::string& target) {
    return Platform::MoveCheck(source, target);
}

// Carries the copy's news into the move's progress, under its lock.
class TMoveWatcher : public Platform::TCopyWatcher {
public:
    explicit TMoveWatcher(TFolderMove& move) : Move(move) {
        Prefix = Platform::PathOf(move.SourceItem);
        if (Prefix.empty() || Prefix.back() != '/')
            Prefix += '/';
    }

    bool Stopping() override { return Move.StopRequested; }

    void Entering(const std::string& below) override {
        TMovePhase phase;
        {
            std::lock_guard lock(Move.ProgressLock);
            Move.Current.CurrentFile = Prefix + below;
            phase = Move.Current.Phase;
        }
        Move.Step();
        if (Move.BeforeEntry &&
            (phase == TMovePhase::Copying || phase == TMovePhase::RemovingSource))
            Move.BeforeEntry(phase, below);
    }

    void Copied(std::uint64_t bytes) override {
        {
            std::lock_guard lock(Move.ProgressLock);
            Move.Current.BytesDone += bytes;
        }
        Move.Step();
    }

    void EntryDone() override {
        {
            std::lock_guard lock(Move.ProgressLock);
            ++Move.Current.FilesDone;
        }
        Move.Step();
    }

private:
    TFolderMove& Move;
    std::string Prefix;
};

TFolderMove::TFolderMove(Platform::TScannedItem source, std::string target)
    : SourceItem(std::move(source)), TargetPath(std::move(target)) {}

TMoveProgress TFolderMove::Progress() const {
    std::lock_guard lock(ProgressLock);
    return Current;
}

void TFolderMove::SetPhase(TMovePhase phase) {
    {
        std::lock_guard lock(ProgressLock);
        Current.Phase = phase;
        Current.FilesDone = 0;
        if (phase != TMovePhase::Copying)
            Current.CurrentFile.clear();
    }
    Step();
}

namespace {

TMoveResult NotMoved(TFailure failure) {
    TMoveResult result;
    result.Outcome = TMoveOutcome::NotMoved;
    result.Failure = std::move(failure);
    return result;
}

// The platform's sentences about a move name their paths themselves.
TMoveResult NotMoved(std::string text) {
    return NotMoved(Refusal(std::move(text)));
}

TMoveResult Stopped() {
    TMoveResult result;
    result.Outcome = TMoveOutcome::Stopped;
    return result;
}

// `failure` with a sentence added to its text.
TFailure Added(TFailure failure, const std::string& sentence) {
    failure.Text += (failure.Text.empty() ? "" : " ") + sentence;
    return failure;
}

} // namespace

TMoveResult TFolderMove::Run(TBackgroundJob* job) {
    Job = job;
    Outcome = [this] {
        SetPhase(TMovePhase::Checking);
        // Copies left by moves that died go first, before they can confuse
        // this one or fill its disk.
        RemoveLeftoverCopies();
        // The target's folder is opened once, here, and every step works in
        // it: its path may name another folder by the time the copy begins.
        const Platform::TMoveTarget target(TargetPath);
        if (std::string refused = Platform::MoveCheck(SourceItem, target); !refused.empty())
            return NotMoved(refused);
        if (StopRequested)
            return Stopped();

        TFailure refused;
        switch (Platform::RenameNoReplace(SourceItem, target, refused)) {
        case Platform::TRenameOutcome::Renamed:
            return TMoveResult{TMoveOutcome::Moved, {}, true, {}, 0};
        case Platform::TRenameOutcome::Failed:
            return NotMoved(std::move(refused));
        case Platform::TRenameOutcome::OtherFileSystem:
            break;
        }

        Platform::TTreeCopy copy(SourceItem, target);
        if (!copy.Error().empty())
            return NotMoved(copy.Error());
        TMoveWatcher watcher(*this);
        SetPhase(TMovePhase::Measuring);
        const Platform::TTreeCount count = copy.Count(watcher);
        if (StopRequested)
            return Stopped();
        if (!count.Error.empty())
            return NotMoved(count.Error + " Nothing was moved.");
        {
            std::lock_guard lock(ProgressLock);
            Current.BytesTotal = count.Bytes;
            Current.FilesTotal = count.Entries;
        }

        // The copy is recorded before it exists and kept recorded until it
        // is published or gone, so a crash at any point leaves it findable.
        TMoveJournalEntry journal;
        if (TStatus kept = journal.Write(copy.Record()); !kept)
            return NotMoved(Added(kept.Failure(), "Nothing was moved."));
        const bool begun = copy.Begin();
        if (TStatus kept = begun ? journal.Write(copy.Record()) : TStatus(); !begun || !kept) {
            TFailure why = !begun || !copy.Error().empty() ? Refusal(copy.Error()) : kept.Failure();
            if (copy.Discard())
                journal.Remove();
            return NotMoved(Added(std::move(why), "Nothing was moved."));
        }
        // Stopped has no failure of its own: only a partial copy left behind.
        const auto abandon = [&](TMoveOutcome outcome, std::optional<TFailure> why) {
            TMoveResult result;
            result.Outcome = outcome;
            result.Failure = std::move(why);
            if (copy.Discard())
                journal.Remove();
            else
                result.Failure = Added(result.Failure.value_or(TFailure{}),
                                       "The partial copy at \"" + copy.Record().Path +
                                           "\" could not be removed; the next move removes it.");
            return result;
        };

        SetPhase(TMovePhase::Copying);
        Platform::TCopyStep step = copy.Copy(watcher);
        if (step == Platform::TCopyStep::Done) {
            SetPhase(TMovePhase::Verifying);
            step = copy.Verify(watcher);
        }
        if (step == Platform::TCopyStep::Stopped)
            return abandon(TMoveOutcome::Stopped, std::nullopt);
        if (step == Platform::TCopyStep::Failed)
            return abandon(TMoveOutcome::NotMoved, Refusal(copy.Error() + " Nothing was moved."));
        if (!copy.Publish())
            return abandon(TMoveOutcome::NotMoved, Refusal(copy.Error() + " Nothing was moved."));
        journal.Remove();

        SetPhase(TMovePhase::RemovingSource);
        const Platform::TDeleteResult removed = copy.RemoveSource(watcher);
        TMoveResult result;
        result.Outcome = TMoveOutcome::Moved;
        if (!removed.Complete()) {
            result.Outcome = TMoveOutcome::MovedIncomplete;
            result.Failure = Refusal(removed.Refused.empty()
                                         ? "The folder was copied whole, but some of the original "
                                           "could not be removed."
                                         : "The folder was copied whole, but the original was not "
                                           "removed: " +
                                               removed.Refused);
            result.LeftBehind = removed.Failures;
            result.LeftBehindCount = removed.FailureCount;
        }
        return result;
    }();
    SetPhase(TMovePhase::Done);
    Job = nullptr;
    IsFinished = true;
    return Outcome;
}

std::shared_ptr<TBackgroundJob> StartMoveJob(std::shared_ptr<TFolderMove> move) {
    // Stop may come after the work has let the move go.
    std::weak_ptr<TFolderMove> stoppable = move;
    return TBackgroundJob::Start([move = std::move(move)](TBackgroundJob& job) { move->Run(&job); },
                                 [stoppable] {
                                     if (const auto moving = stoppable.lock())
                                         moving->Stop();
                                 });
}

double MoveSecondsLeft(const TMoveProgress& progress, double elapsedSeconds) {
    if (progress.Phase != TMovePhase::Copying || elapsedSeconds < 1.0 || progress.BytesDone == 0)
        return -1;
    // Bytes decide for big files, entries for many small ones: take the
    // slower of the two estimates.
    const double rate = static_cast<double>(progress.BytesDone) / elapsedSeconds;
    double left = static_cast<double>(progress.BytesTotal -
                                      std::min(progress.BytesTotal, progress.BytesDone)) /
                  rate;
    if (progress.FilesDone > 0 && progress.FilesTotal > progress.FilesDone) {
        const double fileRate = static_cast<double>(progress.FilesDone) / elapsedSeconds;
        left = std::max(left,
                        static_cast<double>(progress.FilesTotal - progress.FilesDone) / fileRate);
    }
    return left;
}
