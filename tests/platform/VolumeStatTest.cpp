// The time-limited volume probes: real folders, failures with their reason,
// and a drive that stops answering, which must never hold the caller.
#include "platform/VolumeStat.h"
#include "platform/Mounts.h"

#include "common/HangFsMount.h"
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Platform;

namespace {

TEST(VolumeProbes, StatAndListRealFolders) {
    TTempTree tree;
    tree.MakeFile("a", 10);
    tree.MakeDir("b");
    TVolumeStat stat;
    int error = -1;
    ASSERT_EQ(StatVolume(tree.Root(), stat, 5000, &error), TProbeResult::Ok);
    EXPECT_EQ(error, 0);
    EXPECT_GT(stat.BlockSize, 0u);
    EXPECT_GT(stat.TotalBlocks, 0u);
    EXPECT_LE(stat.AvailableBlocks, stat.FreeBlocks);

    EXPECT_EQ(CheckListable(tree.Root(), 5000), TProbeResult::Ok);
    std::vector<std::string> names;
    ASSERT_EQ(ListFolderNames(tree.Root(), names, 5000), TProbeResult::Ok);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    // An empty folder can be listed too.
    EXPECT_EQ(CheckListable(tree.Path("b"), 5000), TProbeResult::Ok);
}

TEST(VolumeProbes, FailuresCarryTheReason) {
    TTempTree tree;
    tree.MakeFile("file", 1);
    TVolumeStat stat;
    int error = 0;
    EXPECT_EQ(StatVolume(tree.Path("missing"), stat, 5000, &error), TProbeResult::Failed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(CheckListable(tree.Path("file"), 5000, &error), TProbeResult::Failed);
    EXPECT_EQ(error, ENOTDIR);
    std::vector<std::string> names;
    EXPECT_EQ(ListFolderNames(tree.Path("missing"), names, 5000, &error), TProbeResult::Failed);
    EXPECT_EQ(error, ENOENT);
}

TEST(VolumeProbes, ProcCanBeQueried) {
    TVolumeStat stat;
    EXPECT_NE(StatVolume("/proc", stat, 5000), TProbeResult::TimedOut);
    EXPECT_NE(CheckListable("/proc", 5000), TProbeResult::TimedOut);
}

// A real FUSE drive whose folder "dead" never answers: the window's queries
// come back within their limit, and the rest of the drive still answers.
TEST(VolumeProbes, ADriveThatStopsAnsweringDoesNotHoldTheCaller) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    EXPECT_TRUE(MayHang(share.Root() + "/live"));
    EXPECT_FALSE(MayHang(TTempTree().Root()) && !MayHang(share.Root()));

    bool exists = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ProbeExists(share.Root() + "/stuck/dead", true, 300, exists), TProbeResult::TimedOut);
    std::vector<std::string> names;
    std::vector<std::int64_t> sizes;
    int error = 0;
    EXPECT_EQ(ListFolderFiles(share.Root() + "/stuck/dead", names, sizes, 300, &error),
              TProbeResult::TimedOut);
    EXPECT_EQ(error, ETIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    ASSERT_EQ(ProbeExists(share.Root() + "/live", true, 5000, exists), TProbeResult::Ok);
    EXPECT_TRUE(exists);
    ASSERT_EQ(ProbeExists(share.Root() + "/live/gone", false, 5000, exists), TProbeResult::Ok);
    EXPECT_FALSE(exists);
    ASSERT_EQ(ListFolderFiles(share.Root() + "/live", names, sizes, 5000, &error),
              TProbeResult::Ok);
    EXPECT_EQ(names, std::vector<std::string>{"a.bin"});
    EXPECT_EQ(sizes, std::vector<std::int64_t>{5000});
}

// A work that blocks until the test lets it go, like a call on a dead share.
struct TGate {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Open = false;
    std::atomic<int> Calls{0};

    void Release() {
        {
            std::lock_guard<std::mutex> guard(Lock);
            Open = true;
        }
        Changed.notify_all();
    }
    TProbeOutput Wait(int error) {
        ++Calls;
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait(lock, [&] { return Open; });
        TProbeOutput out;
        out.Error = error;
        out.Names = {"late"};
        return out;
    }
};

TEST(VolumeProbes, HungCallTimesOutAndIsJoinedNotRepeated) {
    auto gate = std::make_shared<TGate>();
    auto quickCalls = std::make_shared<std::atomic<int>>(0);
    auto quick = [quickCalls] {
        ++*quickCalls;
        TProbeOutput out;
        out.Names = {"fresh"};
        return out;
    };
    const std::string key = "test-hang:" + std::to_string(getpid());
    TProbeOutput first;
    first.Names = {"untouched"};
    EXPECT_EQ(RunProbe(
                  key, [gate] { return gate->Wait(0); }, 20, first),
              TProbeResult::TimedOut);
    // A second caller waits for the stuck call instead of starting its own,
    // which would have answered at once.
    TProbeOutput second;
    EXPECT_EQ(RunProbe(key, quick, 50, second), TProbeResult::TimedOut);
    EXPECT_EQ(quickCalls->load(), 0);
    EXPECT_EQ(gate->Calls.load(), 1);

    gate->Release();
    // Whether this joins the finishing call or starts anew, the stuck call is
    // over when it returns, and its result went to no caller that gave up.
    TProbeOutput third;
    EXPECT_EQ(RunProbe(key, quick, 60000, third), TProbeResult::Ok);
    EXPECT_TRUE(third.Names == std::vector<std::string>{"late"} ||
                third.Names == std::vector<std::string>{"fresh"});
    EXPECT_EQ(first.Names, std::vector<std::string>{"untouched"});
    EXPECT_TRUE(second.Names.empty());
}

} // namespace
