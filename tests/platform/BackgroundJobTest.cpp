// The background job: progress seen from the waiting side, Stop reaching the
// work, and the one rule for work that a drive holds: stopped and silent for
// the give-up time, the job is handed over and outlives whoever waited.
#include "platform/BackgroundJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono;

// A gate the work waits at, deaf to Stop, as a call on a dead share would.
struct TGate {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Open = false;
    bool Reached = false;

    void WaitHere() {
        std::unique_lock hold(Lock);
        Reached = true;
        Changed.notify_all();
        Changed.wait(hold, [this] { return Open; });
    }
    void WaitUntilReached() {
        std::unique_lock hold(Lock);
        Changed.wait(hold, [this] { return Reached; });
    }
    void Release() {
        std::lock_guard hold(Lock);
        Open = true;
        Changed.notify_all();
    }
};

TEST(BackgroundJob, ReportsStopsAndHandsOverWorkThatAStuckDriveHolds) {
    // Work that counts to a thousand, honours Stop between steps, and says
    // where it is: its progress and its stop reach the waiting side.
    auto counting = TBackgroundJob::Start([](TBackgroundJob& job) {
        for (std::uint64_t i = 1; i <= 1000 && !job.Stopping(); ++i) {
            job.Report(i, 1000, "step " + std::to_string(i));
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    std::uint64_t lastSeen = 0;
    bool rose = false;
    const TJobState counted = counting->Wait(milliseconds(5), [&] {
        const TJobProgress progress = counting->Progress();
        if (progress.Done == 0)
            return; // not begun yet
        EXPECT_EQ(progress.Total, 1000u);
        EXPECT_GE(progress.Done, lastSeen);
        EXPECT_EQ(progress.Text, "step " + std::to_string(progress.Done));
        rose = rose || (lastSeen > 0 && progress.Done > lastSeen);
        lastSeen = progress.Done;
        if (progress.Done >= 200)
            counting->Stop();
    });
    EXPECT_EQ(counted, TJobState::Finished);
    EXPECT_TRUE(rose);
    EXPECT_GE(counting->Progress().Done, 200u);
    EXPECT_LT(counting->Progress().Done, 1000u);

    // Work stuck at the gate after Stop: handed over once it stays silent
    // for the give-up time, not before; it still holds what it captured.
    TGate gate;
    int stopCalls = 0;
    auto held = std::make_shared<int>(7);
    const std::weak_ptr<int> heldWatch = held;
    auto stuck = TBackgroundJob::Start(
        [&gate, held = std::move(held)](TBackgroundJob& job) {
            job.Report(1, 2);
            gate.WaitHere();
            job.Report(*held, 2);
        },
        [&stopCalls] { ++stopCalls; });
    stuck->GiveUpAfterStop = milliseconds(400);
    gate.WaitUntilReached();
    EXPECT_EQ(stuck->Check(), TJobState::Running) << "not stopped: waited for however long";
    const auto stopped = steady_clock::now();
    stuck->Stop();
    stuck->Stop();
    EXPECT_EQ(stopCalls, 1);
    EXPECT_EQ(stuck->Wait(milliseconds(10)), TJobState::HandedOver);
    const auto waited = steady_clock::now() - stopped;
    EXPECT_GE(waited, milliseconds(400));
    EXPECT_LT(waited, seconds(3));
    const std::weak_ptr<TBackgroundJob> jobWatch = stuck;
    stuck.reset();
    EXPECT_FALSE(jobWatch.expired()) << "the job went while its work still runs";
    EXPECT_FALSE(heldWatch.expired());
    gate.Release();
    const auto until = steady_clock::now() + seconds(10);
    while (!jobWatch.expired() && steady_clock::now() < until)
        std::this_thread::sleep_for(milliseconds(5));
    EXPECT_TRUE(jobWatch.expired());
    EXPECT_TRUE(heldWatch.expired());

    // Work that keeps moving after Stop is waited for past the give-up time.
    auto slow = TBackgroundJob::Start([](TBackgroundJob& job) {
        for (int i = 0; i < 60; ++i) {
            job.Beat();
            std::this_thread::sleep_for(milliseconds(10));
        }
    });
    slow->GiveUpAfterStop = milliseconds(150);
    slow->Stop();
    EXPECT_EQ(slow->Wait(milliseconds(5)), TJobState::Finished);

    // Work without a Stop button is stopped by its own silence, then handed
    // over by the same rule.
    TGate silent;
    auto quiet = TBackgroundJob::Start([&silent](TBackgroundJob&) { silent.WaitHere(); });
    quiet->StopWhenSilentFor = milliseconds(200);
    quiet->GiveUpAfterStop = milliseconds(200);
    EXPECT_EQ(quiet->Wait(milliseconds(10)), TJobState::HandedOver);
    EXPECT_TRUE(quiet->Stopping());
    silent.Release();

    // What the work threw reaches the waiting side.
    auto failing = TBackgroundJob::Start(
        [](TBackgroundJob&) { throw std::runtime_error("the disk is full"); });
    EXPECT_EQ(failing->Wait(milliseconds(5)), TJobState::Finished);
    EXPECT_THROW(failing->Rethrow(), std::runtime_error);
    counting->Rethrow(); // nothing thrown: nothing to throw
    while (!quiet->Finished())
        std::this_thread::sleep_for(milliseconds(5));
}

} // namespace
