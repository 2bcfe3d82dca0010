// The progress window of a move held by a drive that does not answer: Stop
// cannot reach the move, so after a while the window stops waiting and lets
// the user go on, and the move, once the drive answers, still stops with the
// source whole and no copy left. Needs a RAM disk (as root), so that the move
// copies entry by entry and can be held between entries.
#include "ui/cleanup/MoveProgressBox.h"
#include "cleanup/FolderMove.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "engine/Paths.h"
#include "engine/ScopeExit.h"
#include "platform/VolumeStat.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

TEST(MoveProgressBoxTest, StopsWaitingForAMoveThatADeadDriveHolds) {
    TTempTree temp;
    temp.MakeFile("disk/Photos/a.jpg", 5000);
    temp.MakeFile("disk/Photos/b.jpg", 7000);
    temp.MakeDir("ram");
    TTmpfsMount ram(temp.Path("ram"));
    if (!ram.Mounted())
        GTEST_SKIP() << ram.Why();
    const std::string source = temp.Path("disk/Photos");
    auto move =
        std::make_shared<TFolderMove>(Platform::ItemAtPath(source), temp.Path("ram/Photos"));
    // The first entry's copy hangs as a read from a dead share would, deaf
    // to Stop, until the test lets it go.
    std::atomic<bool> held{false};
    std::atomic<bool> answers{false};
    move->BeforeEntry = [&](TMovePhase, const std::string&) {
        held = true;
        while (!answers)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    const TScopeExit letGo([&] { answers = true; });

    TMoveProgressBox box(move);
    QTimer stopper;
    stopper.setInterval(10);
    QObject::connect(&stopper, &QTimer::timeout, &stopper, [&] {
        if (held && box.cmdStop->isEnabled())
            box.cmdStop->click();
    });
    stopper.start();
    QElapsedTimer clock;
    clock.start();
    box.exec();
    stopper.stop();

    EXPECT_TRUE(box.GaveUp());
    EXPECT_EQ(box.LastPhase(), TMovePhase::Copying);
    EXPECT_GE(clock.elapsed(), TBackgroundJob::DefaultGiveUpAfterStop.count());
    EXPECT_FALSE(move->Finished());
    EXPECT_FALSE(box.cmdStop->isEnabled());

    answers = true;
    ASSERT_TRUE(box.Job());
    while (!box.Job()->Finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(move->Result().Outcome, TMoveOutcome::Stopped);
    EXPECT_EQ(FileSizeOf(source + "/a.jpg"), 5000);
    EXPECT_EQ(FileSizeOf(source + "/b.jpg"), 7000);
    std::vector<std::string> left;
    int error = 0;
    EXPECT_TRUE(Platform::ListFolderNames(temp.Path("ram"), left, 2000, &error) ==
                Platform::TProbeResult::Ok);
    EXPECT_TRUE(left.empty());
}

} // namespace
