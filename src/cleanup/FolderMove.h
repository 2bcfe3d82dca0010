// Moving a folder to a new place, for the move dialog and quillmere-clean.
//
// Contract: at every moment each file of the folder exists whole in at least
// one place. On one file system the move is a single rename that never
// replaces anything. Across file systems the folder is first copied whole
// under a hidden temporary name beside the target, flushed to disk, checked
// entry by entry against the source (type, link target, and whether each
// file changed since its copy began: Platform::FileChangeSince, contents
// where times cannot tell), then given its final name (never replacing anything), and only
// then is the source removed with the safe delete. Stop, an error or a crash
// before that point leave the source untouched; the partial copy is removed
// at once, or, after a crash, when the next move starts (see MoveJournal.h). A failure while
// removing the source leaves the complete copy and lists what was left.
//
// Names are raw bytes and paths have no length limit: all work is done
// relative to open folder descriptors.
#pragma once

#include "platform/BackgroundJob.h"
#include "platform/FileOps.h"
#include "platform/Result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class TMovePhase {
    Checking,       // refusals, leftovers of earlier moves
    Measuring,      // counting what is to be copied
    Copying,        // across file systems: the copy
    Verifying,      // the copy flushed and compared with the source
    RemovingSource, // the copy is complete and in place; Stop no longer applies
    Done,
};

struct TMoveProgress {
    TMovePhase Phase = TMovePhase::Checking;
    std::uint64_t BytesDone = 0;
    std::uint64_t BytesTotal = 0; // regular files' contents, hard links once
    std::uint64_t FilesDone = 0;
    std::uint64_t FilesTotal = 0; // every entry but the folder itself
    std::string CurrentFile;      // full path of the entry being copied
};

enum class TMoveOutcome {
    Moved,           // the folder is at the target and gone from the source
    MovedIncomplete, // the copy is complete; some of the source could not be removed
    NotMoved,        // refused or failed; the source is whole, no copy remains
    Stopped,         // stopped by the user; the source is whole, no copy remains
};

struct TMoveResult {
    TMoveOutcome Outcome = TMoveOutcome::NotMoved;
    // What went wrong: with NotMoved, why not (always given); with
    // MovedIncomplete, why the original was not all removed; with Stopped,
    // only when the partial copy could not be removed. An outcome that went
    // as it should has none.
    std::optional<TFailure> Failure;
    bool Renamed = false; // done by a single rename
    // With MovedIncomplete: what was left of the source, at most
    // Platform::MaxReportedFailures of LeftBehindCount.
    std::vector<Platform::TDeleteFailure> LeftBehind;
    std::uint64_t LeftBehindCount = 0;
};

// Why the folder must not be moved to target, checked before anything is
// touched: target exists or lies inside the source, its parent folder is
// missing, the source is a drive root, the home folder or a system folder,
// it contains a mount point (named), or it is no longer what was scanned.
// Empty when the move may start.
std::string MoveRefusal(const Platform::TScannedItem& source, const std::string& target);

// One move. Run does it on the calling thread; StartMoveJob on a background
// job, whose progress the caller reads while it runs.
class TFolderMove {
public:
    TFolderMove(Platform::TScannedItem source, std::string target);
    TFolderMove(const TFolderMove&) = delete;
    TFolderMove& operator=(const TFolderMove&) = delete;

    // job, when given, hears of every step, so that a stopped move that is
    // still working is told from one a dead drive holds.
    TMoveResult Run(TBackgroundJob* job = nullptr);
    // Asks the move to stop; honoured until the copy is in place.
    void Stop() { StopRequested = true; }
    bool Finished() const { return IsFinished; }

    // A snapshot; safe from any thread.
    TMoveProgress Progress() const;
    // Valid once Finished.
    const TMoveResult& Result() const { return Outcome; }

    const Platform::TScannedItem& Source() const { return SourceItem; }
    const std::string& Target() const { return TargetPath; }

    // For tests: called on the moving thread before each entry is copied
    // and before each is removed from the source, with the entry's path
    // below the folder.
    std::function<void(TMovePhase phase, const std::string& below)> BeforeEntry;

private:
    friend class TMoveWatcher;
    void SetPhase(TMovePhase phase);
    void Step() {
        if (Job)
            Job->Beat();
    }
    Platform::TScannedItem SourceItem;
    std::string TargetPath;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> IsFinished{false};
    mutable std::mutex ProgressLock;
    TMoveProgress Current;
    TMoveResult Outcome;
    TBackgroundJob* Job = nullptr; // while Run works for one
};

// Runs the move on a background job: Stop on the job stops the move, and the
// job keeps the move until its work returns. A move whose drive stops
// answering is handed over by the job's rule and ends on its own: a call
// blocked on a dead share cannot be interrupted, but the source stays whole
// all the same, and a partial copy goes with the next move.
std::shared_ptr<TBackgroundJob> StartMoveJob(std::shared_ptr<TFolderMove> move);

// Seconds left at the rate so far, elapsedSeconds after the copying began;
// negative while that cannot be told yet.
double MoveSecondsLeft(const TMoveProgress& progress, double elapsedSeconds);
