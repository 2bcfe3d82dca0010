// The background job: its thread, its progress and the rule for a stopped
// job that stays silent.
#include "platform/BackgroundJob.h"

#include <thread>
#include <utility>

std::shared_ptr<TBackgroundJob> TBackgroundJob::Start(TWork work, std::function<void()> onStop) {
    std::shared_ptr<TBackgroundJob> job(new TBackgroundJob);
    job->OnStop = std::move(onStop);
    // The thread's own reference keeps the job (and the work with what it
    // captured) until the work returns, however long a dead drive holds it.
    std::thread([job, work = std::move(work)] {
        try {
            work(*job);
        } catch (...) {
            job->Thrown = std::current_exception();
        }
        {
            std::lock_guard hold(job->Lock);
            job->IsFinished = true;
        }
        job->Ended.notify_all();
    }).detach();
    return job;
}

TBackgroundJob::~TBackgroundJob() = default;

void TBackgroundJob::Report(std::uint64_t done, std::uint64_t total) {
    {
        std::lock_guard hold(Lock);
        Current.Done = done;
        Current.Total = total;
    }
    Beat();
}

void TBackgroundJob::Report(std::uint64_t done, std::uint64_t total, std::string text) {
    {
        std::lock_guard hold(Lock);
        Current.Done = done;
        Current.Total = total;
        Current.Text = std::move(text);
    }
    Beat();
}

void TBackgroundJob::Stop() {
    {
        std::lock_guard hold(Lock);
        if (StopAsked.exchange(true))
            return;
        StopTime = LastSign = TClock::now();
        SeenSteps = Steps.load();
    }
    if (OnStop)
        OnStop();
}

TJobProgress TBackgroundJob::Progress() const {
    std::lock_guard hold(Lock);
    return Current;
}

TJobState TBackgroundJob::Check() {
    {
        std::lock_guard hold(Lock);
        if (HandedOverOnce)
            return TJobState::HandedOver;
        if (IsFinished)
            return TJobState::Finished;
        const TClock::time_point now = TClock::now();
        // A stop that is honoured shows at the work's next step; a job that
        // keeps moving is still alive and is waited for.
        if (const std::uint64_t steps = Steps.load(); steps != SeenSteps) {
            SeenSteps = steps;
            LastSign = now;
        }
        if (StopAsked) {
            if (now - StopTime >= GiveUpAfterStop && now - LastSign >= GiveUpAfterStop) {
                HandedOverOnce = true;
                return TJobState::HandedOver;
            }
            return TJobState::Running;
        }
        if (StopWhenSilentFor.count() == 0 || now - LastSign < StopWhenSilentFor)
            return TJobState::Running;
    }
    Stop();
    return TJobState::Running;
}

TJobState TBackgroundJob::Wait(std::chrono::milliseconds tick,
                               const std::function<void()>& onTick) {
    for (;;) {
        const TJobState state = Check();
        if (state != TJobState::Running)
            return state;
        if (onTick)
            onTick();
        std::unique_lock hold(Lock);
        Ended.wait_for(hold, tick, [this] { return IsFinished.load(); });
    }
}

void TBackgroundJob::Rethrow() const {
    if (IsFinished && Thrown)
        std::rethrow_exception(Thrown);
}
