// Moving folders on real trees: across file systems (a tmpfs the test mounts)
// the copy must be the source exactly, and every failure must leave the
// source exactly as it was with no copy left anywhere.
#include "cleanup/FolderMove.h"
#include "cleanup/MoveJournal.h"
#include "common/HangFsMount.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "common/TreeSnapshot.h"
#include "common/Watchdog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace {

// What a move's failure says, or nothing.
std::string Said(const TMoveResult& result) {
    return result.Failure ? result.Failure->Describe() : std::string();
}

// A folder with what a move finds hard to keep: hard links, a 4 GiB sparse
// file, links pointing outside, a FIFO, names that are not UTF-8, a path of
// more than 5,000 bytes, a read-only folder, an extended attribute and
// times to the nanosecond.
void MakeAwkwardFolder(const TTempTree& tree, const std::string& folder) {
    tree.MakeFile(folder + "/docs/report.txt", 12345);
    tree.MakeHardLink(folder + "/docs/report.txt", folder + "/docs/same-report.txt");
    tree.MakeDir(folder + "/other");
    tree.MakeHardLink(folder + "/docs/report.txt", folder + "/other/third-name.txt");
    tree.MakeFile(folder + "/big.img", 0);
    const int big = open(tree.Path(folder + "/big.img").c_str(), O_WRONLY);
    ASSERT_EQ(ftruncate(big, 4LL << 30), 0);
    ASSERT_EQ(pwrite(big, "middle", 6, 2LL << 30), 6);
    close(big);
    tree.MakeSymlink("/etc/hostname", folder + "/outside-link");
    tree.MakeSymlink("../docs/report.txt", folder + "/other/inside-link");
    tree.MakeSymlink("nowhere", folder + "/dangling");
    ASSERT_EQ(mkfifo(tree.Path(folder + "/pipe").c_str(), 0640), 0);
    tree.MakeFile(folder + "/\xff\xfe-latin1-\xe9t\xe9/caf\xe9.txt", 700);
    MakeDeepChain(tree.Path(folder), 5000);
    tree.MakeFile(folder + "/locked/inside.txt", 10);
    ASSERT_EQ(chmod(tree.Path(folder + "/locked").c_str(), 0555), 0);
    ASSERT_EQ(chmod(tree.Path(folder + "/docs/report.txt").c_str(), 04711), 0);
    setxattr(tree.Path(folder + "/docs/report.txt").c_str(), "user.origin", "test", 4, 0);
    const timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
    utimensat(AT_FDCWD, tree.Path(folder + "/docs/report.txt").c_str(), times, 0);
}

class FolderMove : public testing::Test {
protected:
    void SetUp() override {
        // The records of the moves go to the test's own state folder.
        setenv("XDG_STATE_HOME", Tree.Path("state").c_str(), 1);
        Tree.MakeDir("state");
        Tree.MakeDir("other-drive");
    }
    void TearDown() override { unsetenv("XDG_STATE_HOME"); }

    // Mounts the second drive; false (and the test skips) where that is
    // impossible.
    bool MountOtherDrive(const char* options = "size=64m") {
        Drive = std::make_unique<TTmpfsMount>(Tree.Path("other-drive"), options);
        return Drive->Mounted();
    }

    TMoveResult Move(const std::string& folder, const std::string& target,
                     std::function<void(TFolderMove&, TMovePhase, const std::string&)> hook = {}) {
        TFolderMove move(Platform::ItemAtPath(Tree.Path(folder)), target);
        if (hook)
            move.BeforeEntry = [&](TMovePhase phase, const std::string& below) {
                hook(move, phase, below);
            };
        return move.Run();
    }

    std::vector<std::string> JournalRecords() const {
        return FolderNames(Tree.Path("state/quillmere/moves"));
    }

    TTempTree Tree;
    std::unique_ptr<TTmpfsMount> Drive;
};

TEST_F(FolderMove, AcrossFileSystemsTheCopyIsExactAndTheSourceGone) {
    if (!MountOtherDrive())
        GTEST_SKIP() << Drive->Why();
    MakeAwkwardFolder(Tree, "data");
    const TTreeSnapshot before = SnapshotTree(Tree.Path("data"));
    ASSERT_GT(before.size(), 40u);

    const std::string target = Tree.Path("other-drive/moved \xff");
    TFolderMove move(Platform::ItemAtPath(Tree.Path("data")), target);
    const TMoveResult result = move.Run();
    ASSERT_EQ(result.Outcome, TMoveOutcome::Moved) << Said(result);
    EXPECT_FALSE(result.Renamed);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(target)), "");
    EXPECT_TRUE(SnapshotTree(Tree.Path("data")).empty());
    // Nothing but the moved folder on the drive, no record left, progress whole.
    EXPECT_EQ(FolderNames(Tree.Path("other-drive")), std::vector<std::string>{"moved \xff"});
    EXPECT_TRUE(JournalRecords().empty());
    const TMoveProgress progress = move.Progress();
    EXPECT_EQ(progress.Phase, TMovePhase::Done);
    EXPECT_EQ(progress.BytesTotal, 12345u + (4ull << 30) + 700 + 10 + 14);

    // The sparse file stayed sparse; the attribute came along.
    struct stat big {};
    ASSERT_EQ(stat((target + "/big.img").c_str(), &big), 0);
    EXPECT_LT(big.st_blocks * 512, 1 << 20);
    char value[16] = {};
    EXPECT_EQ(getxattr((target + "/docs/report.txt").c_str(), "user.origin", value, sizeof value),
              4);

    // Back again, then on one drive, where a rename does it.
    const TMoveResult back = Move("other-drive/moved \xff", Tree.Path("data"));
    ASSERT_EQ(back.Outcome, TMoveOutcome::Moved) << Said(back);
    const TMoveResult renamed = Move("data", Tree.Path("renamed"));
    ASSERT_EQ(renamed.Outcome, TMoveOutcome::Moved) << Said(renamed);
    EXPECT_TRUE(renamed.Renamed);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("renamed"))), "");
}

TEST_F(FolderMove, EveryFailureLeavesTheSourceWholeAndNoCopy) {
    if (!MountOtherDrive("size=4m"))
        GTEST_SKIP() << Drive->Why();
    for (int i = 0; i < 40; ++i)
        Tree.MakeFile("data/f" + std::to_string(i), 150000 + i);
    Tree.MakeFile("data/sub/last", 10);
    // Real contents, so that the small drive fills up.
    for (int i = 0; i < 40; ++i) {
        const int fd = open(Tree.Path("data/f" + std::to_string(i)).c_str(), O_WRONLY);
        std::string bytes(static_cast<std::size_t>(150000 + i), static_cast<char>('a' + i % 26));
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    const TTreeSnapshot before = SnapshotTree(Tree.Path("data"));
    const std::string target = Tree.Path("other-drive/data");

    struct TCase {
        const char* Name;
        TMoveOutcome Expected;
        const char* Says; // part of the failure's words; "" for none
        std::function<void(TFolderMove&, TMovePhase, const std::string&)> Hook;
    };
    int entries = 0;
    const TCase cases[] = {
        {"the drive fills up", TMoveOutcome::NotMoved, "No space left", {}},
        {"Stop half way", TMoveOutcome::Stopped, "",
         [&](TFolderMove& move, TMovePhase, const std::string&) {
             if (++entries == 10)
                 move.Stop();
         }},
        {"the target appears", TMoveOutcome::NotMoved, "appeared while",
         [&](TFolderMove&, TMovePhase, const std::string& below) {
             if (below == "f3")
                 mkdir(target.c_str(), 0755);
         }},
        {"a copied file changes", TMoveOutcome::NotMoved, "data/f1\": it changed",
         [&](TFolderMove&, TMovePhase, const std::string& below) {
             if (below == "sub/last")
                 Tree.MakeFile("data/f1", 5);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        entries = 0;
        if (std::string(c.Name) != "the drive fills up") {
            // Room enough from now on.
            ASSERT_EQ(
                mount("tmpfs", Tree.Path("other-drive").c_str(), "tmpfs", MS_REMOUNT, "size=64m"),
                0);
        }
        const TMoveResult result = Move("data", target, c.Hook);
        EXPECT_EQ(result.Outcome, c.Expected) << Said(result);
        EXPECT_EQ(result.Failure.has_value(), *c.Says != '\0') << Said(result);
        EXPECT_NE(Said(result).find(c.Says), std::string::npos) << Said(result);
        // Whole as it was, but for the change the last case made itself.
        if (std::string(c.Name) != "a copied file changes") {
            EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("data"))), "");
        }
        if (std::string(c.Name) == "the target appears") {
            EXPECT_EQ(FolderNames(Tree.Path("other-drive")), std::vector<std::string>{"data"});
            EXPECT_TRUE(FolderNames(target).empty());
            rmdir(target.c_str());
        }
        EXPECT_TRUE(FolderNames(Tree.Path("other-drive")).empty());
        EXPECT_TRUE(JournalRecords().empty());
    }

    // Once the copy is in place the source goes, but only what is still the
    // same as its copy: a file written to meanwhile stays, and is named.
    const TTreeSnapshot now = SnapshotTree(Tree.Path("data"));
    const TMoveResult late =
        Move("data", target, [&](TFolderMove&, TMovePhase phase, const std::string& below) {
            if (phase == TMovePhase::RemovingSource && below == "sub/last")
                Tree.MakeFile("data/sub/last", 99);
        });
    EXPECT_EQ(late.Outcome, TMoveOutcome::MovedIncomplete) << Said(late);
    ASSERT_EQ(late.LeftBehindCount, 1u);
    EXPECT_EQ(late.LeftBehind[0].Path, Tree.Path("data/sub/last"));
    EXPECT_EQ(SnapshotDifference(now, SnapshotTree(target)), "");
    EXPECT_EQ(FolderNames(Tree.Path("data")), std::vector<std::string>{"sub"});
    EXPECT_EQ(FolderNames(Tree.Path("data/sub")), std::vector<std::string>{"last"});
}

TEST_F(FolderMove, RefusedBeforeAnythingIsTouched) {
    Tree.MakeFile("data/a.txt", 10);
    Tree.MakeDir("data/inner");
    Tree.MakeFile("taken/x", 1);
    const TTreeSnapshot before = SnapshotTree(Tree.Path("data"));
    const auto refusal = [&](const std::string& source, const std::string& target) {
        return MoveRefusal(Platform::ItemAtPath(source), target);
    };
    EXPECT_NE(refusal(Tree.Path("data"), Tree.Path("taken")).find("already exists"),
              std::string::npos);
    EXPECT_NE(refusal(Tree.Path("data"), Tree.Path("data/missing/data")).find("does not exist"),
              std::string::npos);
    EXPECT_NE(refusal(Tree.Path("data"), Tree.Path("data/inner/data")).find("inside"),
              std::string::npos);
    EXPECT_FALSE(refusal("/", Tree.Path("root-copy")).empty());
    EXPECT_FALSE(refusal("/usr", Tree.Path("usr-copy")).empty());
    EXPECT_FALSE(refusal(Tree.Path("missing"), Tree.Path("elsewhere")).empty());
    // The same refusals stop a move before it begins.
    EXPECT_EQ(Move("data", Tree.Path("taken")).Outcome, TMoveOutcome::NotMoved);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("data"))), "");

    // A drive mounted inside is named and stays where it is.
    Tree.MakeDir("data/mnt");
    if (mount(Tree.Path("taken").c_str(), Tree.Path("data/mnt").c_str(), nullptr, MS_BIND,
              nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here";
    const std::string mounted = refusal(Tree.Path("data"), Tree.Path("elsewhere"));
    umount2(Tree.Path("data/mnt").c_str(), MNT_DETACH);
    EXPECT_NE(mounted.find(Tree.Path("data/mnt")), std::string::npos) << mounted;
}

// A target folder that is a subfolder of the source under another path
// would have the copy go into what it copies, without end.
TEST_F(FolderMove, NeverIntoItselfThroughABindMountOrALinkSwappedIn) {
    if (!MountOtherDrive())
        GTEST_SKIP() << Drive->Why();
    TWatchdog watchdog(std::chrono::seconds(60), "a move into a folder of its own");
    for (int i = 0; i < 12; ++i)
        Tree.MakeFile("data/d00" + std::to_string(i % 3) + "/f" + std::to_string(i), 3000);
    Tree.MakeDir("elsewhere/q");
    const TTreeSnapshot before = SnapshotTree(Tree.Path("data"));
    if (mount(Tree.Path("data/d001").c_str(), Tree.Path("elsewhere/q").c_str(), nullptr, MS_BIND,
              nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here";
    const TMoveResult bound = Move("data", Tree.Path("elsewhere/q/dst"));
    umount2(Tree.Path("elsewhere/q").c_str(), MNT_DETACH);
    EXPECT_EQ(bound.Outcome, TMoveOutcome::NotMoved);
    EXPECT_NE(Said(bound).find("under another path"), std::string::npos) << Said(bound);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("data"))), "");
    EXPECT_TRUE(FolderNames(Tree.Path("elsewhere/q")).empty());
    EXPECT_TRUE(JournalRecords().empty());

    // The target's folder swapped for a link into the source as the copy
    // goes: the copy stays in the folder that was opened, and the source
    // gains nothing.
    Tree.MakeDir("other-drive/q");
    const TMoveResult swapped =
        Move("data", Tree.Path("other-drive/q/dst"), [&](TFolderMove&, TMovePhase phase, auto&) {
            if (phase == TMovePhase::Copying && FolderNames(Tree.Path("other-drive/old")).empty()) {
                rename(Tree.Path("other-drive/q").c_str(), Tree.Path("other-drive/old").c_str());
                symlink(Tree.Path("data/d001").c_str(), Tree.Path("other-drive/q").c_str());
            }
        });
    EXPECT_EQ(swapped.Outcome, TMoveOutcome::Moved) << Said(swapped);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("other-drive/old/dst"))), "");
    EXPECT_TRUE(SnapshotTree(Tree.Path("data")).empty());
    EXPECT_EQ(FolderNames(Tree.Path("other-drive/old")), std::vector<std::string>{"dst"});
}

TEST_F(FolderMove, ACopyLeftByAKilledMoveGoesWithTheNextMove) {
    if (!MountOtherDrive())
        GTEST_SKIP() << Drive->Why();
    for (int i = 0; i < 30; ++i)
        Tree.MakeFile("data/d" + std::to_string(i % 3) + "/f" + std::to_string(i), 5000);
    const TTreeSnapshot before = SnapshotTree(Tree.Path("data"));
    // A move killed half way: the child dies without a word of clean-up.
    const pid_t child = fork();
    if (child == 0) {
        int seen = 0;
        TFolderMove move(Platform::ItemAtPath(Tree.Path("data")), Tree.Path("other-drive/data"));
        move.BeforeEntry = [&](TMovePhase, const std::string&) {
            if (++seen == 15)
                _exit(9);
        };
        move.Run();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("data"))), "");
    const std::vector<std::string> left = FolderNames(Tree.Path("other-drive"));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".quillmere-move-", 0), 0u) << left[0];
    EXPECT_EQ(JournalRecords().size(), 1u);

    // The next move, wherever it goes, removes it first.
    const TMoveResult next = Move("data", Tree.Path("moved"));
    EXPECT_EQ(next.Outcome, TMoveOutcome::Moved) << Said(next);
    EXPECT_TRUE(FolderNames(Tree.Path("other-drive")).empty());
    EXPECT_TRUE(JournalRecords().empty());
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(Tree.Path("moved"))), "");
}

// A share that stops answering holds the move in a call that Stop cannot
// interrupt; the move's job is handed over a few seconds after Stop, and the
// caller is not held. The job keeps the move until it ends, which it does once
// the share is gone, with the source whole and nothing made at the target.
TEST_F(FolderMove, ADriveThatStopsAnsweringDoesNotHoldTheCaller) {
    auto share = std::make_unique<THangFsMount>();
    if (!share->Mounted())
        GTEST_SKIP() << share->Why();
    using namespace std::chrono;
    auto move = std::make_shared<TFolderMove>(Platform::ItemAtPath(share->Root() + "/stuck"),
                                              Tree.Path("copy"));
    std::shared_ptr<TBackgroundJob> job = StartMoveJob(move);
    const auto until = steady_clock::now() + seconds(5);
    while (move->Progress().Phase != TMovePhase::Measuring && steady_clock::now() < until)
        std::this_thread::sleep_for(milliseconds(10));
    // Stopped before it reaches the hung folder, the move would end at once:
    // give it time to get stuck there first.
    std::this_thread::sleep_for(milliseconds(500));
    const auto stopped = steady_clock::now();
    job->Stop();
    const TJobState state = job->Wait(milliseconds(20));
    ASSERT_EQ(state, TJobState::HandedOver)
        << "the share answered after all: " << Said(move->Result());
    EXPECT_LT(steady_clock::now() - stopped, seconds(5));
    EXPECT_FALSE(move->Finished());
    EXPECT_EQ(move->Progress().Phase, TMovePhase::Measuring);

    const std::weak_ptr<TFolderMove> watchMove = move;
    const std::weak_ptr<TBackgroundJob> watchJob = job;
    move.reset();
    job.reset();
    EXPECT_FALSE(watchMove.expired()) << "the move went while its work still runs";
    share.reset();
    while (!watchJob.expired() && steady_clock::now() < until + seconds(10))
        std::this_thread::sleep_for(milliseconds(10));
    EXPECT_TRUE(watchJob.expired());
    EXPECT_TRUE(watchMove.expired());
    EXPECT_TRUE(SnapshotTree(Tree.Path("copy")).empty());
    EXPECT_TRUE(JournalRecords().empty());
}

} // namespace
