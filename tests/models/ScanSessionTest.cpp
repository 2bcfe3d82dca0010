// The scan session without a window and without mounting: plain folders of a
// temporary tree stand in for drives. One scenario walks through what a
// user does in the window and checks the session after each step.
#include "models/ScanSession.h"
#include "common/TempTree.h"
#include "engine/Paths.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TRecordingView final : public TSessionView {
public:
    bool RetryDrive(const std::string& root) override {
        Retried.push_back(root);
        return false;
    }
    void Inform(const QString& text) override { Told.push_back(text); }
    void ScanStateChanged(bool scanning) override { States.push_back(scanning); }
    void ScanReached(const std::string&) override { ++Reached; }
    void CurrentChanged(bool) override {
        ++Changes;
        if (Session)
            Shown.push_back(Session->Current());
    }
    void ProcessEvents() override {
        if (During)
            During();
    }

    TScanSession* Session = nullptr;
    std::vector<std::string> Retried;
    std::vector<QString> Told;
    std::vector<bool> States;
    std::vector<TFolderNode*> Shown;
    int Reached = 0;
    int Changes = 0;
    std::function<void()> During;
};

class ScanSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Temp.MakeFile("a/x.bin", 1000);
        Temp.MakeFile("a/deep/y.bin", 10);
        Temp.MakeFile("a/other/z.bin", 5);
        Temp.MakeFile("b/w.bin", 300);
        View.Session = &Session;
        // "a", "b" and "c" are the drives; anything below belongs to one of them.
        Session.SetDriveResolver([this](const std::string& path) {
            for (const char* drive : {"a", "b", "c"}) {
                const std::string root = Temp.Path(drive);
                if (path == root || path.rfind(root + "/", 0) == 0)
                    return root;
            }
            return std::string();
        });
    }
    TFolderNode* Node(const std::string& path) {
        TFolderNode* root = Session.Tree().FindDriveRec(Temp.Path("a"))->RootNode;
        return path.empty() ? root : FindNodeByPath(root, path, true);
    }

    TTempTree Temp;
    TRecordingView View;
    TScanSession Session{View};
};

TEST_F(ScanSessionTest, AUserSessionOnPlainFolders) {
    const std::string a = Temp.Path("a");
    // Selecting a path of an unscanned drive scans the drive first.
    ASSERT_TRUE(Session.SelectPath(a + "/deep"));
    EXPECT_EQ(Session.ScannedDrives(), std::vector<std::string>{a});
    EXPECT_EQ(View.States, (std::vector<bool>{true, false}));
    EXPECT_GE(View.Reached, 1);
    EXPECT_EQ(Session.Current(), Node("deep"));
    EXPECT_EQ(Session.CurrentPath(), a + "/deep");
    EXPECT_EQ(Session.CurrentDrive(), a);
    EXPECT_GT(Session.CurrentClusterSize(), 0);
    EXPECT_EQ(Node("")->Data->TreeSize, 1015);
    EXPECT_EQ(View.Shown.back(), Node("deep"));

    // The what-if size is the session's; changing it shows the folder again.
    const int before = View.Changes;
    Session.SetWhatIfIndex(7);
    EXPECT_EQ(Session.WhatIfIndex(), 7);
    EXPECT_GT(View.Changes, before);
    Session.SetWhatIfIndex(42);
    EXPECT_EQ(Session.WhatIfIndex(), 0);

    // A rescan of the current folder sees a new file and keeps the folder.
    Temp.MakeFile("a/deep/new.bin", 90);
    Session.RescanCurrentFolder();
    EXPECT_EQ(Session.Current(), Node("deep"));
    EXPECT_EQ(Node("")->Data->TreeSize, 1105);
    EXPECT_FALSE(Session.Scanning());

    // A folder removed outside goes when selected; its parent is shown and
    // every sum loses it.
    Temp.Remove("a/other");
    EXPECT_FALSE(Session.Select(Node("other")));
    EXPECT_EQ(Node("other"), nullptr);
    EXPECT_EQ(Session.Current(), Node(""));
    EXPECT_EQ(Node("")->Data->TreeSize, 1100);
    EXPECT_EQ(Node("")->Data->TreeFolderCount, 1u);

    // A file deleted through the item menu leaves the figures at once.
    TPieItem file;
    file.Path = a + "/x.bin";
    file.Size = 1000;
    file.Wasted = ClusterSlack(Session.CurrentClusterSize(), 1000);
    std::remove(file.Path.c_str());
    Session.RepairAfter(file, true);
    EXPECT_EQ(Node("")->Data->TreeSize, 100);
    EXPECT_EQ(Node("")->Data->TreeWasted, Node("deep")->Data->TreeWasted);

    // A second drive, then the whole first one rescanned: the current folder
    // comes back by its path.
    Session.Select(Node("deep"));
    Session.ScanOrRescanDrive(Temp.Path("b"));
    EXPECT_EQ(Session.ScannedDrives().size(), 2u);
    Session.Select(Node("deep"));
    Session.RescanDrives({a});
    EXPECT_EQ(Session.Current(), Node("deep"));
    EXPECT_EQ(Session.CurrentPath(), a + "/deep");

    // While a scan runs, another drive's path cannot be selected.
    View.During = [&] {
        if (Session.Scanning() && View.Told.empty()) {
            EXPECT_FALSE(Session.SelectPath(Temp.Path("c/q")));
        }
    };
    Temp.MakeDir("c/q");
    Session.ScanOrRescanDrive(Temp.Path("b"));
    View.During = nullptr;
    ASSERT_EQ(View.Told.size(), 1u);
    EXPECT_TRUE(View.Told[0].contains("when the running scan has ended"));
    EXPECT_EQ(Session.Tree().FindDriveRec(Temp.Path("c")), nullptr);

    // Removing the drive that holds the current folder moves to the next one.
    Session.RemoveDrive(a);
    EXPECT_EQ(Session.ScannedDrives(), std::vector<std::string>{Temp.Path("b")});
    ASSERT_NE(Session.Current(), nullptr);
    EXPECT_EQ(Session.CurrentDrive(), Temp.Path("b"));
    Session.RemoveAllDrives();
    EXPECT_EQ(Session.Current(), nullptr);
    EXPECT_TRUE(Session.CurrentPath().empty());
    EXPECT_TRUE(Session.Tree().Roots().empty());

    // A drive that does not answer is offered again, then given up.
    EXPECT_FALSE(Session.ScanNewDrive(Temp.Path("gone"), QStringLiteral("gone")));
    EXPECT_EQ(View.Retried, std::vector<std::string>{Temp.Path("gone")});
    EXPECT_TRUE(Session.ScannedDrives().empty());
}

// A run that wants one folder reads just its subtree, and the folder stays a
// folder of its drive.
TEST_F(ScanSessionTest, AFolderScannedWithoutTheRestOfItsDrive) {
    Temp.MakeFile("a/deep/er/v.bin", 7);
    ASSERT_TRUE(Session.ScanDriveFolder(Temp.Path("a/deep/")));
    TFolderNode* deep = Node("deep");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(Session.Current(), deep);
    EXPECT_EQ(Session.CurrentPath(), Temp.Path("a/deep"));
    EXPECT_EQ(deep->Data->TreeSize, 17);
    EXPECT_EQ(deep->Data->TreeFolderCount, 1u);
    ASSERT_NE(FindNodeByPath(deep, "er", true), nullptr);
    EXPECT_TRUE(FindNodeByPath(deep, "er", true)->Scanned());
    // The drive and the way down know nothing of the rest: no figures there.
    EXPECT_FALSE(Node("")->Scanned());
    EXPECT_EQ(Node("")->Children.size(), 1u);
    EXPECT_NE(Session.Tree().FindDriveRec(Temp.Path("a"))->Device, 0u);
    EXPECT_EQ(Session.ScannedDrives(), std::vector<std::string>{Temp.Path("a")});

    // The drive's own rescan reads it whole.
    Session.RescanDrives({Temp.Path("a")});
    EXPECT_EQ(Node("")->Data->TreeSize, 1022);
    EXPECT_EQ(Session.Current(), Node("deep"));
}

// A tree opened from a scan file names folders of another machine: the
// session shows it, never checks it against the disk, never reads it again.
TEST_F(ScanSessionTest, AnOpenedScanIsNeverTakenForTheDisk) {
    const auto opened = [](std::int64_t size) {
        auto root = std::make_unique<TFolderNode>();
        root->Name = "/nowhere/srv";
        auto child = std::make_unique<TFolderNode>();
        child->Name = "gone";
        child->Parent = root.get();
        child->Data = std::make_unique<TFolderSize>();
        child->Data->AddFile(4096, size, 0, 0, 0);
        child->Data->Finish();
        root->Data = std::make_unique<TFolderSize>();
        root->Data->AddSubfolder();
        root->Data->AddFinishedChild(*child->Data);
        root->Data->Finish();
        root->Children.push_back(std::move(child));
        return root;
    };
    const std::string file = Temp.Path("scan.json");
    TFolderNode* root = Session.AddOpenedScan(opened(5000), file, QStringLiteral("srv"), 4096);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Session.Current(), root);
    EXPECT_EQ(Session.CurrentClusterSize(), 4096);
    EXPECT_EQ(Session.CurrentDriveTotal(), -1);
    TFolderNode* gone = root->Children[0].get();
    EXPECT_TRUE(gone->Has(NodeChildrenPublished));
    ASSERT_TRUE(Session.Select(gone));
    EXPECT_EQ(Session.CurrentPath(), "/nowhere/srv/gone");
    Session.RescanCurrentFolder();
    Session.RescanDrives({file});
    EXPECT_EQ(Session.Current(), gone);
    EXPECT_EQ(root->Data->TreeSize, 5000);
    EXPECT_TRUE(View.Retried.empty());
    // Opened again, the file's tree replaces the one shown before.
    root = Session.AddOpenedScan(opened(7000), file, QStringLiteral("srv"), 4096);
    EXPECT_EQ(Session.Tree().Roots().size(), 1u);
    EXPECT_EQ(Session.ScannedDrives(), std::vector<std::string>{file});
    EXPECT_EQ(root->Data->TreeSize, 7000);
    Session.RemoveDrive(file);
    EXPECT_TRUE(Session.Tree().Roots().empty());
}

TEST_F(ScanSessionTest, FoldersFoundGoneDuringAScanLeaveWhenItEnds) {
    Session.ScanOrRescanDrive(Temp.Path("a"));
    Temp.Remove("a/other");
    Temp.MakeFile("b/slow/1", 1);
    // Selected while the second drive is read: it stays until the scan ends.
    bool seenDuring = false;
    View.During = [&] {
        if (!seenDuring && Session.Scanning()) {
            seenDuring = true;
            Session.Select(Node("other"));
            EXPECT_NE(Node("other"), nullptr);
        }
    };
    Session.ScanOrRescanDrive(Temp.Path("b"));
    View.During = nullptr;
    EXPECT_TRUE(seenDuring);
    EXPECT_EQ(Node("other"), nullptr);
    EXPECT_EQ(Node("")->Data->TreeSize, 1010);
}

} // namespace

namespace {

// A drive gone when it is rescanned leaves the list with the tree, so when
// it comes back it is one drive again, with its folders selectable.
TEST_F(ScanSessionTest, ADriveGoneAtItsRescanComesBackAsOne) {
    const std::string b = Temp.Path("b");
    ASSERT_TRUE(Session.SelectPath(b));
    ASSERT_EQ(std::rename(b.c_str(), (b + ".away").c_str()), 0);
    Session.RescanDrives({b});
    EXPECT_EQ(Session.Tree().FindDriveRec(b), nullptr);
    EXPECT_TRUE(Session.ScannedDrives().empty());
    ASSERT_EQ(std::rename((b + ".away").c_str(), b.c_str()), 0);
    Session.ScanOrRescanDrive(b);
    Session.RescanDrives({b});
    EXPECT_EQ(Session.Tree().Roots().size(), 1u);
    EXPECT_EQ(Session.Tree().Drives().size(), 1u);
    EXPECT_TRUE(Session.SelectPath(b));
    EXPECT_EQ(Session.CurrentPath(), b);
}

// A file deleted while another drive is being read leaves the figures at
// once: files take no node with them.
TEST_F(ScanSessionTest, AFileDeletedDuringAScanLeavesTheFigures) {
    const std::string a = Temp.Path("a");
    ASSERT_TRUE(Session.SelectPath(a));
    const std::int64_t before = Node("")->Data->TreeSize;
    View.During = [&] {
        View.During = nullptr;
        TPieItem file;
        file.Path = a + "/x.bin";
        file.Size = 1000;
        std::remove(file.Path.c_str());
        Session.RepairAfter(file, true);
    };
    Session.ScanOrRescanDrive(Temp.Path("b"));
    EXPECT_EQ(Node("")->Data->TreeSize, before - 1000);
}

} // namespace
