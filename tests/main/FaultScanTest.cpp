// Scanning a drive whose folders misbehave, through the window: the scan ends
// by itself, the folders that hang are given up and marked, every other
// figure is what a scan of the same tree without the faults gives, and the
// window's events never wait long, also while Abort and closing the window
// end scans held by a hung folder.
#include "WindowTest.h"
#include "common/FaultFigures.h"
#include "common/FaultFsMount.h"
#include "common/Watchdog.h"
#include "engine/FolderNode.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

// The longest time the window's events waited while it was running: the
// largest gap between the ticks of a fast timer.
class TEventGaps {
public:
    TEventGaps() {
        Ticks.setInterval(5);
        QObject::connect(&Ticks, &QTimer::timeout, &Ticks, [this] {
            if (Clock.isValid())
                Longest = std::max(Longest, Clock.nsecsElapsed() / 1e6);
            Clock.start();
        });
        Ticks.start();
    }
    double LongestMs() const { return Longest; }

private:
    QTimer Ticks;
    QElapsedTimer Clock;
    double Longest = 0;
};

// Differences of figures and children between two scanned trees, one a line.
void Compare(const TFolderNode* got, const TFolderNode* want, const std::string& path,
             bool sameClusters, std::string& out) {
    if (!got->Data || !want->Data) {
        out += path + ": " + (got->Data ? "" : "no record ") + (want->Data ? "" : "none wanted") +
               "\n";
        return;
    }
    const TFolderSize& a = *got->Data;
    const TFolderSize& b = *want->Data;
    if (a.TreeSize != b.TreeSize || a.OwnSize != b.OwnSize || a.TreeFileCount != b.TreeFileCount ||
        a.TreeFolderCount != b.TreeFolderCount || a.OwnFileCount != b.OwnFileCount ||
        a.OwnFolderCount != b.OwnFolderCount || a.NewestWriteTime != b.NewestWriteTime ||
        (sameClusters && (a.TreeWasted != b.TreeWasted || a.OwnWasted != b.OwnWasted)))
        out += path + ": size " + std::to_string(a.TreeSize) + " for " +
               std::to_string(b.TreeSize) + ", files " + std::to_string(a.TreeFileCount) + " for " +
               std::to_string(b.TreeFileCount) + "\n";
    if (got->Children.size() != want->Children.size()) {
        out += path + ": " + std::to_string(got->Children.size()) + " subfolders for " +
               std::to_string(want->Children.size()) + "\n";
        return;
    }
    for (std::size_t i = 0; i < got->Children.size(); ++i) {
        if (got->Children[i]->Name != want->Children[i]->Name)
            out += path + ": " + got->Children[i]->Name + " for " + want->Children[i]->Name + "\n";
        else
            Compare(got->Children[i].get(), want->Children[i].get(),
                    path + "/" + got->Children[i]->Name, sameClusters, out);
    }
}

class FaultScanTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        for (int i = 0; i < 6; ++i)
            Temp.MakeFile("data/ok/f" + std::to_string(i), 1000 * i + 17);
        Temp.MakeFile("data/ok/sub/g", 40000);
        for (int i = 0; i < 8; ++i)
            Temp.MakeFile("data/slow/s" + std::to_string(i), 300 + i);
        Temp.MakeFile("data/bad/broken.bin", 100000);
        Temp.MakeFile("data/bad/fine.txt", 12);
        Temp.MakeFile("data/gone/vanished.txt", 5000);
        Temp.MakeFile("data/gone/kept.txt", 6);
        Temp.MakeFile("data/locked/inner/x", 777);
        Temp.MakeFile("data/locked/y", 3);
        Temp.MakeFile("data/share/dead/lost.bin", 7000);
        Temp.MakeFile("data/share/dead/deeper/z", 10);
        Temp.MakeFile("data/share/live.txt", 20);
        Temp.MakeFile("data/far/away/dead/q", 9000);
        Temp.MakeFile("data/top.txt", 1);
        // The same tree as a scan must see it through the faults: what hangs
        // or is refused holds nothing, what vanishes is not there.
        ASSERT_EQ(
            std::system(("cp -a '" + Temp.Path("data") + "' '" + Temp.Path("want") + "'").c_str()),
            0);
        for (const char* hidden : {"gone/vanished.txt", "locked/inner", "locked/y",
                                   "share/dead/lost.bin", "share/dead/deeper", "far/away/dead/q"})
            Temp.Remove("want/" + std::string(hidden));
        // Emptying a folder changed its time; the scan sees the times of files.
    }

    const std::vector<std::string> Rules = {"hang /share/dead",         "hang /far/away/dead",
                                            "eacces /locked",           "vanish /gone/vanished.txt",
                                            "eio /bad/broken.bin 1000", "slow /slow 20"};
};

TEST_F(FaultScanTest, ScansEndAndHungFoldersAreGivenUpWhileTheWindowStaysLive) {
    TFaultFsMount drive(Temp.Path("data"), Rules);
    if (!drive.Mounted())
        GTEST_SKIP() << drive.Why();
    TWatchdog watchdog(std::chrono::seconds(90), "the fault scan scenario");
    const std::string want = Temp.Path("want");
    Drives = {drive.Root(), want};
    MakeForm();
    Form->show();
    using namespace std::chrono;

    // The answer limit ends the scan by itself, even with one reader, which
    // each hang holds until a fresh one takes its place.
    Form->Session().Scanner().SetAnswerLimit(milliseconds(500));
    const int readers = Form->Session().Scanner().ReaderThreads();
    Form->Session().Scanner().SetReaderThreads(1);
    double waited = 0;
    {
        TEventGaps gaps;
        const auto start = steady_clock::now();
        Form->Session().ScanOrRescanDrive(drive.Root());
        EXPECT_LT(steady_clock::now() - start, seconds(10));
        waited = gaps.LongestMs();
    }
    EXPECT_LT(waited, 100.0);
    EXPECT_FALSE(Form->Scanning());
    Form->Session().Scanner().SetReaderThreads(readers);
    Form->Session().ScanOrRescanDrive(want);
    TDriveRecInfo* faulty = Form->Session().Tree().FindDriveRec(drive.Root());
    TDriveRecInfo* plain = Form->Session().Tree().FindDriveRec(want);
    ASSERT_TRUE(faulty && faulty->RootNode && plain && plain->RootNode);
    TFolderNode* root = faulty->RootNode;
    const auto node = [root](const char* relative) { return FindNodeByPath(root, relative, true); };

    // Given up and marked, and nothing below them; their ancestors know.
    int hangsOk = 0;
    for (const char* hung : {"share/dead", "far/away/dead"}) {
        TFolderNode* dead = node(hung);
        ASSERT_TRUE(dead) << hung;
        const bool ok = dead->Has(NodeNotAnswering) && dead->Has(NodeReadError) &&
                        dead->Error == ETIMEDOUT && dead->Children.empty() && dead->Data &&
                        dead->Data->TreeSize == 0 && dead->Parent->Has(NodeIncompleteBelow) &&
                        root->Has(NodeIncompleteBelow);
        EXPECT_TRUE(ok) << hung;
        hangsOk += ok;
    }
    TFolderNode* locked = node("locked");
    ASSERT_TRUE(locked);
    const bool deniedOk = locked->Has(NodeReadError) && locked->Error == EACCES &&
                          !locked->Has(NodeNotAnswering) && locked->Children.empty();
    EXPECT_TRUE(deniedOk);
    // A folder read whole says nothing is missing below it.
    EXPECT_FALSE(node("ok")->Has(NodeIncompleteBelow));
    EXPECT_FALSE(node("slow")->Has(NodeIncompleteBelow));

    // Every other figure is exact.
    std::string differences;
    Compare(root, plain->RootNode, "", faulty->ClusterSize == plain->ClusterSize, differences);
    EXPECT_EQ(differences, "");
    RecordFaultCase("scan", "hang (2 folders)", hangsOk == 2 && differences.empty(), 0, waited);
    RecordFaultCase("scan", "permission", deniedOk && differences.empty(), 0, waited);
    RecordFaultCase("scan", "vanishing entry", differences.empty(), 0, waited);
    RecordFaultCase("scan", "read error", differences.empty(), 0, waited);
    RecordFaultCase("scan", "slow answers", differences.empty(), 0, waited);

    // Without a limit, Abort ends a scan held by the hung folders...
    Form->Session().Scanner().SetAnswerLimit(milliseconds(0));
    {
        TEventGaps gaps;
        QTimer::singleShot(400, Form.get(), [this] { Action("cmdFileAbort")->trigger(); });
        const auto start = steady_clock::now();
        Form->Session().ScanOrRescanDrive(drive.Root());
        const bool ended = steady_clock::now() - start < seconds(5) && !Form->Scanning();
        EXPECT_TRUE(ended);
        EXPECT_LT(gaps.LongestMs(), 100.0);
        faulty = Form->Session().Tree().FindDriveRec(drive.Root());
        ASSERT_TRUE(faulty && faulty->RootNode);
        // The calls of the first scan still hang in "share/dead", and hold
        // its folder for the kernel: either may be the one not answering.
        TFolderNode* share = FindNodeByPath(faulty->RootNode, "share", true);
        TFolderNode* dead = FindNodeByPath(faulty->RootNode, "share/dead", true);
        const bool marked =
            (share && share->Has(NodeNotAnswering)) || (dead && dead->Has(NodeNotAnswering));
        EXPECT_TRUE(marked);
        RecordFaultCase("scan", "hang, Abort", ended && marked, 0, gaps.LongestMs());
    }
    // ... and so does closing the window, which then closes.
    {
        TEventGaps gaps;
        QTimer::singleShot(400, Form.get(), [this] { Form->close(); });
        const auto start = steady_clock::now();
        Form->Session().ScanOrRescanDrive(drive.Root());
        QApplication::processEvents();
        const bool ended =
            steady_clock::now() - start < seconds(5) && !Form->Scanning() && !Form->isVisible();
        EXPECT_TRUE(ended);
        EXPECT_LT(gaps.LongestMs(), 100.0);
        RecordFaultCase("scan", "hang, closing the window", ended, 0, gaps.LongestMs());
    }
    // The stuck calls fail once the file system goes; nothing waits on them.
    drive.Unmount();
}

} // namespace
