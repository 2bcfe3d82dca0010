// One kind of background job for every long operation (archive, restore,
// move, export, loading, report writing, network drives): the work runs on a
// thread of its own, reports progress (counts and a text), and is asked to
// stop. One rule holds for a drive that stops answering: once Stop was asked,
// a job that shows no sign of life for GiveUpAfterStop is handed over to end
// alone. Its thread keeps the job, and with it everything the work holds,
// alive until the work returns, so nothing it touches is freed under it
// whoever stops waiting. The windows and quillmere-clean are front ends that
// read the state and decide what to tell the user.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

enum class TJobState {
    Running,
    Finished,   // the work returned (or threw: see Rethrow)
    HandedOver, // stopped, silent since: left to end alone
};

struct TJobProgress {
    std::uint64_t Done = 0;
    std::uint64_t Total = 0; // 0 while no end is known
    std::string Text;
};

class TBackgroundJob {
public:
    using TWork = std::function<void(TBackgroundJob& job)>;
    static constexpr std::chrono::milliseconds DefaultGiveUpAfterStop{3000};

    // Starts work on a thread of its own. onStop, when given, runs once on
    // the thread that asks the job to stop, to reach the work's own flags.
    static std::shared_ptr<TBackgroundJob> Start(TWork work, std::function<void()> onStop = {});
    ~TBackgroundJob();
    TBackgroundJob(const TBackgroundJob&) = delete;
    TBackgroundJob& operator=(const TBackgroundJob&) = delete;

    // ---- for the work (any thread) ----
    void Report(std::uint64_t done, std::uint64_t total);
    void Report(std::uint64_t done, std::uint64_t total, std::string text);
    // A sign of life without new figures.
    void Beat() { Steps.fetch_add(1, std::memory_order_relaxed); }
    bool Stopping() const { return StopAsked.load(std::memory_order_relaxed); }
    // For work that takes a stop flag of its own kind.
    const std::atomic<bool>& StopFlag() const { return StopAsked; }

    // ---- for the front end ----
    void Stop();
    bool Finished() const { return IsFinished.load(); }
    TJobProgress Progress() const;
    // The state by the one rule; once HandedOver, it stays so even if the
    // work ends later, since whoever waited has told the user already.
    TJobState Check();
    // Blocks until the state is no longer Running, checking every tick and
    // calling onTick in between (a text front end shows progress there).
    TJobState Wait(std::chrono::milliseconds tick = std::chrono::milliseconds(100),
                   const std::function<void()>& onTick = {});
    // After Finished: throws what the work threw, if it did.
    void Rethrow() const;
    // How long a stopped job may stay silent; tests shorten it.
    std::chrono::milliseconds GiveUpAfterStop = DefaultGiveUpAfterStop;
    // For work without a Stop button (a report written to a drive that went
    // away): Check asks Stop itself after this long without a sign of life,
    // and the rule above takes it from there. Zero: never.
    std::chrono::milliseconds StopWhenSilentFor{0};

private:
    TBackgroundJob() = default;
    using TClock = std::chrono::steady_clock;

    std::atomic<bool> StopAsked{false};
    std::atomic<bool> IsFinished{false};
    std::atomic<std::uint64_t> Steps{0};
    std::function<void()> OnStop;
    std::exception_ptr Thrown; // written by the work's thread before IsFinished

    mutable std::mutex Lock;
    std::condition_variable Ended;
    TJobProgress Current;
    bool HandedOverOnce = false;
    std::uint64_t SeenSteps = 0;
    TClock::time_point StopTime;
    TClock::time_point LastSign = TClock::now();
};
