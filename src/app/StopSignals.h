// Ctrl+C and a polite kill for quillmere-clean's background job: SIGINT and
// SIGTERM ask the job to stop, and the job's own rule decides what happens
// then (it ends cleanly, or is handed over when a drive stops answering).
// The handler only writes a byte into a pipe; the thread that waits for the
// job reads it between its progress ticks, so nothing else runs inside a
// signal handler.
#pragma once

#include "platform/BackgroundJob.h"

#include <csignal>
#include <functional>

// The exit status of a command stopped by a signal: nothing lost and
// nothing half done, as the command's message says.
inline constexpr int StoppedStatus = 3;

class TStopSignals {
public:
    // Installs the handlers for as long as the object lives; the former
    // actions come back afterwards.
    TStopSignals();
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // Whether a signal came since the handlers were installed.
    bool Asked();

private:
    int ReadEnd = -1;
    bool Seen = false;
    struct sigaction FormerInt {};
    struct sigaction FormerTerm {};
};

// Waits for the job, asking it to stop once a signal came; onTick runs
// between checks (progress on a terminal).
TJobState WaitStoppable(TBackgroundJob& job, TStopSignals& stopSignals,
                        const std::function<void()>& onTick = {});
