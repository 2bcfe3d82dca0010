// The scanner on real folders made by each test: figures, tree shape, odd
// names, deep paths, links, unreadable and vanishing folders, abort, rescans.
#include "engine/Scanner.h"
#include "ScanTestSupport.h"
#include "common/HangFsMount.h"
#include "common/NoDacOverride.h"
#include "common/TempTree.h"
#include "engine/Paths.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <linux/capability.h>
#include <mutex>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

// Counts what a scan hands to its output.
class TCountingOutput final : public TScanOutput {
public:
    struct TFolder : TOutputFolder {
        int Done = 0;
        bool HadFacts = false;
        std::size_t Made = 0;
        std::size_t Ordered = 0;
    };
    TOutputFolder* StartFolder(const std::string&) override { return Make(); }
    TOutputFolder* Subfolder(TOutputFolder& parent, const char*, std::size_t, bool) override {
        ++static_cast<TFolder&>(parent).Made;
        return Make();
    }
    void File(TOutputFolder&, const char*, std::size_t,
              const Platform::TFileFacts& facts) override {
        std::lock_guard lock(Lock);
        ++Files;
        EXPECT_GT(facts.Links, 0u);
        EXPECT_NE(facts.Inode, 0u);
    }
    void Unreadable(TOutputFolder&, const char*, std::size_t, int) override {}
    void FolderDone(TOutputFolder& folder, const TFolderOutcome& outcome) override {
        auto& f = static_cast<TFolder&>(folder);
        ++f.Done;
        f.HadFacts = outcome.Facts && outcome.Facts->IsFolder;
        f.Ordered = outcome.Subfolders ? outcome.Subfolders->size() : 0;
    }

    std::mutex Lock;
    std::vector<std::unique_ptr<TFolder>> Folders;
    std::uint32_t Files = 0;

private:
    TFolder* Make() {
        std::lock_guard lock(Lock);
        Folders.push_back(std::make_unique<TFolder>());
        return Folders.back().get();
    }
};

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override { Scanner.ScanClusterSize = 4096; }

    // Scans the temporary tree (or a folder below it) into a new top-level node.
    TFolderNode* Scan(const std::string& relative = "", int threads = 4) {
        Scanner.SetReaderThreads(threads);
        TFolderNode* root = Tree.AddRoot(Temp.Path(relative));
        Scanner.ScanFolder(root->Name, root);
        return root;
    }

    TTempTree Temp;
    TTestHost Host;
    TFolderTree Tree;
    TScanner Scanner{Tree, Host};
};

TEST_F(ScannerTest, FiguresOfASmallTree) {
    Temp.MakeFile("a.txt", 1);
    Temp.MakeFile("Temp/big", 4096);
    TFolderNode* root = Scan();
    ASSERT_TRUE(root->Data);
    const TFolderSize& r = *root->Data;
    EXPECT_EQ(r.TreeSize, 4097);
    EXPECT_EQ(r.OwnSize, 1);
    EXPECT_EQ(r.TreeWasted, 4095);
    EXPECT_EQ(r.TreeFileCount, 2u);
    EXPECT_EQ(r.OwnFileCount, 1u);
    EXPECT_EQ(r.TreeFolderCount, 1u);
    EXPECT_EQ(r.OwnFolderCount, 1u);
    TFolderNode* temp = Find(root, "Temp");
    ASSERT_TRUE(temp && temp->Data);
    EXPECT_EQ(temp->Data->TreeSize, 4096);
    EXPECT_EQ(temp->Data->TreeWasted, 0);
    EXPECT_TRUE(root->Has(NodeChildrenPublished));
    EXPECT_FALSE(root->Has(NodeIncompleteBelow));
    EXPECT_EQ(NodePath(temp), Temp.Path("Temp"));
}

TEST_F(ScannerTest, FileTimesAndAttributesReachTheRecord) {
    Temp.MakeFile("sub/.hidden", 10);
    Temp.SetTimes("sub/.hidden", 2000000000, 1000000000);
    Temp.MakeFile("sub/plain", 10);
    Temp.SetTimes("sub/plain", 1000000000, 1500000000);
    chmod(Temp.Path("sub/plain").c_str(), 0444);
    Temp.MakeDir("empty");
    TFolderNode* root = Scan();
    const TFolderSize& sub = *Find(root, "sub")->Data;
    EXPECT_EQ(sub.NewestAccessTime, Platform::UnixTimeToFileTime(2000000000, 0));
    EXPECT_EQ(sub.NewestWriteTime, Platform::UnixTimeToFileTime(1500000000, 0));
    EXPECT_EQ(sub.AttributesOr, std::uint32_t{AttrHidden | AttrReadOnly});
    // Folders bring neither times nor attributes of their own.
    const TFolderSize& empty = *Find(root, "empty")->Data;
    EXPECT_EQ(empty.NewestWriteTime, 0u);
    EXPECT_EQ(empty.AttributesOr, 0u);
    EXPECT_EQ(root->Data->AttributesOr, sub.AttributesOr);
}

TEST_F(ScannerTest, ChildrenAreSortedInTheLocaleOrder) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char* name : {"b", "B", "a", "A", "c10", "c9", "_x"})
        Temp.MakeDir(name);
    TFolderNode* root = Scan();
    std::vector<std::string> names;
    for (const auto& c : root->Children) {
        names.push_back(c->Name);
        EXPECT_EQ(c->Row, names.size() - 1);
    }
    // Case only breaks ties between otherwise equal names.
    auto pos = [&](const char* n) {
        return std::find(names.begin(), names.end(), n) - names.begin();
    };
    EXPECT_LT(pos("a"), pos("b"));
    EXPECT_LT(pos("A"), pos("b"));
    EXPECT_LT(pos("a"), pos("B"));
    EXPECT_LT(pos("B"), pos("c10"));
    EXPECT_EQ(names.size(), 7u);
    QLocale::setDefault(QLocale::c());
}

TEST_F(ScannerTest, OneReaderAndManyGiveIdenticalTrees) {
    // A tree with some breadth and depth, odd names and varied sizes.
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
    std::vector<std::string> folders{""};
    for (int i = 0; i < 400; ++i) {
        const std::string& parent = folders[next() % folders.size()];
        std::string name = (next() % 2 ? "Dir" : "dir") + std::to_string(next() % 50);
        if (next() % 10 == 0)
            name += " \xc3\xa9t\xc3\xa9";
        std::string path = parent.empty() ? name : parent + "/" + name;
        Temp.MakeDir(path);
        folders.push_back(path);
        for (unsigned f = next() % 6; f > 0; --f)
            Temp.MakeFile(path + "/f" + std::to_string(f), next() * (next() % 7));
    }
    TFolderNode* one = Scan("", 1);
    TFolderNode* many = Scan("", 8);
    ASSERT_TRUE(one->Data && many->Data);
    EXPECT_EQ(DumpTree(one), DumpTree(many));
    EXPECT_EQ(CheckSums(one), "");
    EXPECT_GT(one->Data->TreeFolderCount, 300u);

    // An output sees every entry, each folder ends once, and the tree is the
    // one a plain scan builds.
    auto output = std::make_shared<TCountingOutput>();
    Scanner.SetOutput(output);
    TFolderNode* exported = Scan("", 8);
    Scanner.SetOutput(nullptr);
    EXPECT_EQ(DumpTree(one), DumpTree(exported));
    EXPECT_EQ(exported->Inode, one->Inode);
    EXPECT_EQ(exported->Children.back()->Inode, one->Children.back()->Inode);
    EXPECT_NE(exported->Inode, exported->Children.back()->Inode);
    EXPECT_EQ(output->Files, one->Data->TreeFileCount);
    EXPECT_EQ(output->Folders.size(), one->Data->TreeFolderCount + 1);
    for (const auto& folder : output->Folders) {
        EXPECT_EQ(folder->Done, 1);
        EXPECT_TRUE(folder->HadFacts);
        EXPECT_EQ(folder->Ordered, folder->Made);
    }
}

TEST_F(ScannerTest, NamesThatAreNotTextSurviveAsRawBytes) {
    const std::string odd = "bad\xff\xfe name";
    const std::string newline = "line\nbreak \"quoted\"";
    Temp.MakeFile(odd + "/" + newline + "/file", 5);
    TFolderNode* root = Scan();
    TFolderNode* a = Find(root, odd);
    ASSERT_TRUE(a && a->Data);
    TFolderNode* b = Find(a, newline);
    ASSERT_TRUE(b && b->Data);
    EXPECT_EQ(b->Data->TreeSize, 5);
    EXPECT_EQ(NodePath(b), Temp.Path(odd + "/" + newline));
    EXPECT_TRUE(DirectoryExists(NodePath(b)));
}

TEST_F(ScannerTest, PathsLongerThanTheKernelLimit) {
    // 500 levels of 20-byte names: about 10,500 bytes of path.
    const std::string name(20, 'd');
    int fd = open(Temp.Root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = child;
    }
    int file = openat(fd, "deep.bin", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(ftruncate(file, 777), 0);
    close(file);
    close(fd);

    TFolderNode* root = Scan();
    ASSERT_TRUE(root->Data);
    EXPECT_EQ(root->Data->TreeSize, 777);
    EXPECT_EQ(root->Data->TreeFolderCount, 500u);
    EXPECT_FALSE(root->Has(NodeIncompleteBelow));
    TFolderNode* deepest = root;
    while (!deepest->Children.empty())
        deepest = deepest->Children.front().get();
    const std::string deepPath = NodePath(deepest);
    EXPECT_GT(deepPath.size(), 10000u);
    EXPECT_TRUE(DirectoryExists(deepPath));
    EXPECT_EQ(FileSizeOf(deepPath + "/deep.bin"), 777);
    // A rescan deep down works on the long path too.
    Scanner.RescanFolder(deepPath, deepest);
    ASSERT_TRUE(deepest->Data);
    EXPECT_EQ(deepest->Data->OwnSize, 777);
    EXPECT_EQ(root->Data->TreeSize, 777);
}

TEST_F(ScannerTest, LinksAreFilesAndHardLinksCountEverywhere) {
    Temp.MakeFile("data/blob", 10000);
    Temp.MakeHardLink("data/blob", "data/blob2");
    Temp.MakeDir("links");
    Temp.MakeSymlink("/", "links/root");
    Temp.MakeSymlink("..", "links/up");
    Temp.MakeSymlink("loop", "links/loop");
    TFolderNode* root = Scan();
    ASSERT_TRUE(root->Data);
    EXPECT_EQ(Find(root, "data")->Data->OwnSize, 20000);
    TFolderNode* links = Find(root, "links");
    ASSERT_TRUE(links->Data);
    EXPECT_TRUE(links->Children.empty());
    EXPECT_EQ(links->Data->OwnFileCount, 3u);
    // A link's size is the length of its target text.
    EXPECT_EQ(links->Data->OwnSize, 1 + 2 + 4);
    EXPECT_EQ(root->Data->TreeFolderCount, 2u);
}

TEST_F(ScannerTest, UnreadableFolderIsAnEmptyScannedFolderWithItsReason) {
    Temp.MakeFile("open/file", 100);
    Temp.MakeFile("locked/secret", 5000);
    Temp.MakeFile("locked/inner/more", 5000);
    chmod(Temp.Path("locked").c_str(), 0);
    TFolderNode* root = nullptr;
    {
        TNoDacOverride noOverride;
        if (geteuid() == 0 && !noOverride.Dropped)
            GTEST_SKIP() << "running as root without the right to drop capabilities";
        root = Scan();
    }
    ASSERT_TRUE(root->Data);
    TFolderNode* locked = Find(root, "locked");
    ASSERT_TRUE(locked && locked->Data);
    EXPECT_TRUE(locked->Has(NodeReadError));
    EXPECT_EQ(locked->Error, EACCES);
    EXPECT_EQ(locked->Data->TreeSize, 0);
    EXPECT_TRUE(locked->Children.empty());
    EXPECT_TRUE(root->Has(NodeIncompleteBelow));
    EXPECT_FALSE(Find(root, "open")->Has(NodeIncompleteBelow));
    EXPECT_EQ(root->Data->TreeSize, 100);
    EXPECT_EQ(root->Data->TreeFolderCount, 2u);
    EXPECT_EQ(CheckSums(root), "");
}

void RemoveOnHook(const std::string& name, void* context) {
    auto* temp = static_cast<TTempTree*>(context);
    if (name == "c")
        temp->Remove("a");
}

TEST_F(ScannerTest, FolderVanishingDuringTheScanKeepsEverySumExact) {
    Temp.MakeFile("a/x/1", 1000);
    Temp.MakeFile("a/2", 1000);
    Temp.MakeFile("b/3", 10);
    Temp.MakeFile("c/4", 20);
    // One reader takes the last queued folder first, so "c" is read before
    // "a", and "a" is gone by the time its turn comes.
    Scanner.SetFolderHook(&RemoveOnHook, &Temp);
    TFolderNode* root = Scan("", 1);
    Scanner.SetFolderHook(nullptr, nullptr);
    ASSERT_TRUE(root->Data);
    TFolderNode* a = Find(root, "a");
    ASSERT_TRUE(a && a->Data);
    EXPECT_EQ(a->Error, ENOENT);
    EXPECT_EQ(a->Data->TreeSize, 0);
    EXPECT_EQ(root->Data->TreeSize, 30);
    EXPECT_TRUE(root->Has(NodeIncompleteBelow));
    EXPECT_EQ(CheckSums(root), "");
    // Selecting it later finds it gone and drops it with its figures.
    EXPECT_TRUE(Scanner.RemoveVanishedFolder(NodePath(a), a));
    EXPECT_EQ(root->Children.size(), 2u);
    EXPECT_EQ(root->Data->TreeFolderCount, 2u);
    EXPECT_EQ(root->Data->OwnFolderCount, 2u);
    EXPECT_FALSE(root->Has(NodeIncompleteBelow));
    EXPECT_EQ(CheckSums(root), "");
}

void AbortOnB(const std::string& name, void* scanner) {
    if (name == "B")
        static_cast<TScanner*>(scanner)->Abort();
}

TEST_F(ScannerTest, AbortKeepsFinishedFoldersAndDropsTheRest) {
    Temp.MakeFile("A/B/f1", 1);
    Temp.MakeFile("A/B/f2", 1);
    Temp.MakeFile("A/B/deeper/f", 1);
    Temp.MakeFile("A/C/f", 7);
    Temp.MakeFile("A/C/D/f", 7);
    Scanner.SetFolderHook(&AbortOnB, &Scanner);
    TFolderNode* root = Scan("", 1);
    Scanner.SetFolderHook(nullptr, nullptr);
    EXPECT_TRUE(Scanner.AbortScan()); // stays set so multi-drive commands stop too
    EXPECT_FALSE(root->Data);
    TFolderNode* a = Find(root, "A");
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->Data);
    TFolderNode* b = Find(root, "A/B");
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->Data);
    // C was read first (one reader works depth first from the last name).
    TFolderNode* c = Find(root, "A/C");
    ASSERT_TRUE(c && c->Data);
    EXPECT_EQ(c->Data->TreeSize, 14);
    EXPECT_TRUE(Find(root, "A/C/D")->Data);
    // Nodes found so far stay in the tree, visible.
    EXPECT_TRUE(a->Has(NodeChildrenPublished));

    // The next scan starts with the flag cleared.
    TFolderNode* again = Scan();
    EXPECT_FALSE(Scanner.AbortScan());
    ASSERT_TRUE(again->Data);
    EXPECT_EQ(again->Data->TreeSize, 17);
}

TEST_F(ScannerTest, RescanAfterAFileWasAdded) {
    Temp.MakeFile("one/two/three/f", 100);
    Temp.MakeFile("one/g", 1);
    TFolderNode* root = Scan();
    TFolderNode* two = Find(root, "one/two");
    const TFolderSize before = *root->Data;
    const std::int64_t oneOwn = Find(root, "one")->Data->OwnSize;
    Temp.MakeFile("one/two/new", 10000);
    Scanner.RescanFolder(NodePath(two), two);
    ASSERT_TRUE(two->Data);
    EXPECT_EQ(root->Data->TreeSize, before.TreeSize + 10000);
    EXPECT_EQ(root->Data->TreeFileCount, before.TreeFileCount + 1);
    EXPECT_EQ(Find(root, "one")->Data->TreeSize, 10101);
    EXPECT_EQ(Find(root, "one")->Data->OwnSize, oneOwn);
    EXPECT_EQ(root->Data->TreeWasted, before.TreeWasted + ClusterSlack(4096, 10000));
    EXPECT_EQ(CheckSums(root), "");
}

TEST_F(ScannerTest, RescanOfADeletedFolderRemovesIt) {
    Temp.MakeFile("one/two/three/f", 100);
    Temp.MakeFile("one/two/g", 1);
    Temp.MakeFile("one/keep", 5);
    TFolderNode* root = Scan();
    TFolderNode* one = Find(root, "one");
    TFolderNode* two = Find(root, "one/two");
    const std::uint32_t removedFolders = two->Data->TreeFolderCount + 1;
    const std::uint32_t rootFolders = root->Data->TreeFolderCount;
    const std::uint32_t oneOwnFolders = one->Data->OwnFolderCount;
    Temp.Remove("one/two");
    Scanner.RescanFolder(Temp.Path("one/two"), two);
    EXPECT_EQ(Find(root, "one/two"), nullptr);
    EXPECT_EQ(one->Data->OwnFolderCount, oneOwnFolders - 1);
    EXPECT_EQ(root->Data->TreeFolderCount, rootFolders - removedFolders);
    EXPECT_EQ(root->Data->TreeSize, 5);
    EXPECT_EQ(CheckSums(root), "");
}

void AbortAlways(const std::string&, void* scanner) {
    static_cast<TScanner*>(scanner)->Abort();
}

// A folder whose entries can be listed but not examined (read permission
// without search permission): the files are counted, their sizes are not
// known, and the folder says so like one whose listing failed.
TEST_F(ScannerTest, EntriesThatCannotBeExaminedMarkTheirFolder) {
    Temp.MakeFile("fine/file", 100);
    Temp.MakeFile("blind/a", 5000);
    Temp.MakeFile("blind/b", 5000);
    chmod(Temp.Path("blind").c_str(), 0444);
    TFolderNode* root = nullptr;
    {
        TNoDacOverride noOverride;
        if (geteuid() == 0 && !noOverride.Dropped)
            GTEST_SKIP() << "running as root without the right to drop capabilities";
        root = Scan();
    }
    chmod(Temp.Path("blind").c_str(), 0755);
    ASSERT_TRUE(root->Data);
    TFolderNode* blind = Find(root, "blind");
    ASSERT_TRUE(blind && blind->Data);
    EXPECT_TRUE(blind->Has(NodeReadError));
    EXPECT_EQ(blind->Error, EACCES);
    EXPECT_EQ(blind->Data->OwnFileCount, 2u);
    EXPECT_EQ(blind->Data->TreeSize, 0);
    EXPECT_TRUE(root->Has(NodeIncompleteBelow));
    EXPECT_FALSE(Find(root, "fine")->Has(NodeReadError));
    EXPECT_EQ(Scanner.Progress().Unreadable.load(), 2u);
    EXPECT_EQ(root->Data->TreeSize, 100);
    EXPECT_EQ(CheckSums(root), "");
    // Every folder read carries the identity the scan saw.
    struct stat st {};
    ASSERT_EQ(stat(Temp.Path("fine").c_str(), &st), 0);
    EXPECT_EQ(Find(root, "fine")->Inode, st.st_ino);
}

// A folder whose listing never returns (a dead network share), played by a
// hook that blocks until the test lets it go.
struct THang {
    std::mutex Lock;
    std::condition_variable Released;
    bool Free = false;
    std::atomic<bool> Entered{false};
    std::atomic<bool> Left{false};
};

void HangOnDead(const std::string& name, void* context) {
    auto* hang = static_cast<THang*>(context);
    if (name != "dead")
        return;
    hang->Entered = true;
    std::unique_lock lock(hang->Lock);
    hang->Released.wait(lock, [hang] { return hang->Free; });
    hang->Left = true;
}

TEST_F(ScannerTest, AbortGivesUpOnAFolderThatDoesNotAnswer) {
    for (int i = 0; i < 20; ++i)
        Temp.MakeFile("live/" + std::to_string(i) + "/f", 10);
    Temp.MakeFile("dead/inner/f", 10);
    static THang hang; // outlives the reader that is left behind
    Scanner.SetFolderHook(&HangOnDead, &hang);
    Host.OnEvents = [this](int) {
        if (hang.Entered)
            Scanner.Abort();
    };
    TFolderNode* root = Scan("", 4);
    Scanner.SetFolderHook(nullptr, nullptr);
    Host.OnEvents = nullptr;
    // The scan came back while the folder still hangs.
    EXPECT_FALSE(hang.Left);
    TFolderNode* dead = Find(root, "dead");
    ASSERT_TRUE(dead);
    EXPECT_TRUE(dead->Has(NodeNotAnswering));
    EXPECT_EQ(dead->Error, ETIMEDOUT);
    EXPECT_FALSE(dead->Data);
    EXPECT_FALSE(root->Data);
    EXPECT_EQ(CheckSums(root), "");

    // The next scan runs normally beside the reader still stuck in the old
    // one, which finds its scan over once it is let go and touches nothing.
    TFolderNode* again = Scan("live", 4);
    ASSERT_TRUE(again->Data);
    EXPECT_EQ(again->Data->TreeSize, 200);
    {
        std::lock_guard lock(hang.Lock);
        hang.Free = true;
    }
    hang.Released.notify_all();
    for (int i = 0; i < 500 && !hang.Left; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(hang.Left);
    EXPECT_TRUE(dead->Has(NodeNotAnswering));
}

// The same on a real FUSE drive whose folder never answers: Abort ends the
// scan although a reader sits in a system call that will not return.
TEST_F(ScannerTest, AbortEndsAScanStuckOnADeadShare) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    const auto start = std::chrono::steady_clock::now();
    Host.OnEvents = [this, start](int) {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500))
            Scanner.Abort();
    };
    Scanner.SetReaderThreads(4);
    TFolderNode* root = Tree.AddRoot(share.Root());
    Scanner.ScanFolder(root->Name, root);
    Host.OnEvents = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    TFolderNode* live = Find(root, "live");
    ASSERT_TRUE(live && live->Data);
    EXPECT_EQ(live->Data->TreeSize, 5000);
    // The reader is stuck examining "dead" inside "stuck", or opening it.
    TFolderNode* stuck = Find(root, "stuck");
    TFolderNode* dead = Find(root, "stuck/dead");
    ASSERT_TRUE(stuck);
    EXPECT_TRUE(stuck->Has(NodeNotAnswering) || (dead && dead->Has(NodeNotAnswering)));
    EXPECT_FALSE(root->Data);
}

TEST_F(ScannerTest, AbortedRescanTakesTheOldFiguresOffTheAncestors) {
    Temp.MakeFile("keep/f", 300);
    Temp.MakeFile("redo/a/f", 1000);
    Temp.MakeFile("redo/b", 10);
    TFolderNode* root = Scan();
    TFolderNode* redo = Find(root, "redo");
    Scanner.SetFolderHook(&AbortAlways, &Scanner);
    Scanner.RescanFolder(NodePath(redo), redo);
    Scanner.SetFolderHook(nullptr, nullptr);
    EXPECT_FALSE(redo->Data);
    // What is left is the sum of what is known: "keep" and the unscanned
    // "redo" counted as one folder.
    EXPECT_EQ(root->Data->TreeSize, 300);
    EXPECT_EQ(root->Data->TreeFileCount, 1u);
    EXPECT_EQ(root->Data->TreeFolderCount, 2u);
    EXPECT_TRUE(root->Has(NodeIncompleteBelow));
    EXPECT_EQ(CheckSums(root), "");
    // A later rescan puts it back.
    Scanner.RescanFolder(NodePath(redo), redo);
    ASSERT_TRUE(redo->Data);
    EXPECT_EQ(root->Data->TreeSize, 1310);
    EXPECT_EQ(root->Data->TreeFolderCount, 3u);
    EXPECT_FALSE(root->Has(NodeIncompleteBelow));
    EXPECT_EQ(CheckSums(root), "");
}

TEST_F(ScannerTest, RescanUsesTheClusterSizeOfItsOwnDrive) {
    Temp.MakeFile("c/f", 1);
    Temp.MakeFile("d/f", 1);
    TDriveRecInfo* c = Tree.CreateDriveRec(Temp.Path("c"));
    TDriveRecInfo* d = Tree.CreateDriveRec(Temp.Path("d"));
    c->ClusterSize = 4096;
    d->ClusterSize = 32768;
    for (TDriveRecInfo* drive : {c, d}) {
        TFolderNode* node = Tree.AddRoot(drive->RootPath);
        node->Drive = drive;
        drive->RootNode = node;
        Scanner.ScanClusterSize = drive->ClusterSize;
        Scanner.ScanFolder(drive->RootPath, node);
    }
    EXPECT_EQ(d->RootNode->Data->TreeWasted, 32767);
    Scanner.ScanClusterSize = 32768; // as left by the last scan
    Scanner.RescanFolder(c->RootPath, c->RootNode);
    EXPECT_EQ(c->RootNode->Data->TreeWasted, 4095);
}

TEST_F(ScannerTest, HostHearsOfTheScan) {
    Temp.MakeFile("x/y/f", 1);
    Host.OnEvents = [](int) {};
    TFolderNode* root = Tree.AddRoot(Temp.Root());
    Scanner.ScanFolder(root->Name, root);
    ASSERT_FALSE(Host.Reached.empty());
    EXPECT_EQ(Host.Reached.front(), Temp.Root());
    EXPECT_GE(Host.EventTurns, 1);
    // Every folder is reported finished once, children before parents, each
    // with its record in place.
    EXPECT_EQ(Host.Finished, (std::vector<TFolderNode*>{Find(root, "x/y"), Find(root, "x"), root}));
    EXPECT_EQ(Host.FinishedWithRecord, std::vector<bool>(3, true));
}

TEST_F(ScannerTest, MountPointInsideTheTreeIsAnotherDrive) {
    Temp.MakeFile("outer/f", 10);
    Temp.MakeDir("outer/mnt");
    const std::string mnt = Temp.Path("outer/mnt");
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << Platform::ErrorText(errno);
    struct TUnmount {
        std::string Path;
        ~TUnmount() { umount2(Path.c_str(), MNT_DETACH); }
    } unmount{mnt};
    int fd = open((mnt + "/inside").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5000), 0);
    close(fd);

    // Once where opening a folder tells a mount apart, once where the
    // listing has to look at each subfolder.
    for (bool openSeesMounts : {true, false}) {
        const Platform::TNoXdevOpenOverride openMode(openSeesMounts);
        TFolderNode* root = Scan();
        TFolderNode* node = Find(root, "outer/mnt");
        ASSERT_TRUE(node);
        EXPECT_TRUE(node->Has(NodeOtherDrive)) << openSeesMounts;
        EXPECT_FALSE(node->Data);
        EXPECT_TRUE(node->Children.empty());
        EXPECT_EQ(root->Data->TreeSize, 10);
        EXPECT_EQ(Find(root, "outer")->Data->OwnFolderCount, 1u);
        EXPECT_FALSE(root->Has(NodeIncompleteBelow));
        EXPECT_EQ(CheckSums(root), "");
    }
    EXPECT_TRUE(IsDriveRoot(mnt));
    EXPECT_FALSE(IsDriveRoot(Temp.Path("outer")));
}

} // namespace

namespace {

TEST(PathHelpers, SlashPathsBehaveLikeDrivePaths) {
    EXPECT_EQ(IncludeTrailingBackslash("/usr"), "/usr/");
    EXPECT_EQ(IncludeTrailingBackslash("/"), "/");
    EXPECT_EQ(IncludeTrailingBackslash(""), "");
    EXPECT_EQ(ExcludeTrailingBackslash("/usr/"), "/usr");
    EXPECT_EQ(ExcludeTrailingBackslash("/"), "/");
    EXPECT_EQ(ParentPath("/usr/lib"), "/usr");
    EXPECT_EQ(ParentPath("/usr"), "/");
    EXPECT_EQ(ParentPath("/usr/lib/"), "/usr");
    EXPECT_EQ(LastComponent("/usr/lib"), "lib");
    EXPECT_EQ(LastComponent("/"), "/");
    EXPECT_TRUE(IsDriveRoot("/"));
    EXPECT_TRUE(IsDriveRoot("/proc"));
    EXPECT_FALSE(IsDriveRoot("/proc/self/fd/.."));
    EXPECT_FALSE(IsDriveRoot("relative"));
    EXPECT_FALSE(IsDriveRoot("/does/not/exist"));
    EXPECT_EQ(DisplayNameOf("/usr/share/"), "share");
    EXPECT_EQ(DisplayNameOf("/"), "Root (/)");
}

TEST(TreeHelpers, PathsAndLookUps) {
    TFolderTree tree;
    TFolderNode* root = tree.AddRoot("/");
    auto add = [](TFolderNode* parent, const char* name) {
        parent->Children.push_back(std::make_unique<TFolderNode>());
        TFolderNode* n = parent->Children.back().get();
        n->Parent = parent;
        n->Name = name;
        parent->RenumberChildren();
        return n;
    };
    TFolderNode* temp = add(root, "Temp");
    TFolderNode* sub = add(temp, "Sub");
    EXPECT_EQ(NodePath(root), "/");
    EXPECT_EQ(NodePath(temp), "/Temp");
    EXPECT_EQ(NodePath(sub), "/Temp/Sub");
    EXPECT_EQ(NodePath(nullptr), "");
    EXPECT_EQ(RootNode(sub), root);
    EXPECT_EQ(RootNode(nullptr), nullptr);
    EXPECT_EQ(FindNodeByPath(root, "temp/sub", false), sub);
    EXPECT_EQ(FindNodeByPath(root, "temp/sub", true), nullptr);
    EXPECT_EQ(FindNodeByPath(root, "Temp/Sub", true), sub);
    EXPECT_EQ(FindNodeByPath(root, "Temp/Missing", false), nullptr);
    EXPECT_EQ(FindNodeByPath(root, "", false), root);
    EXPECT_EQ(FindNodeByPath(nullptr, "Temp", false), nullptr);
    // Only ASCII letters fold.
    add(temp, "\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(FindChildNode(temp, "\xc3\x89T\xc3\x89", false), nullptr);
    TFolderNode* home = tree.AddRoot("/home/anna");
    EXPECT_EQ(NodePath(add(home, "docs")), "/home/anna/docs");
}

TEST(TreeHelpers, RemovingAFileAdjustsEveryAncestor) {
    TFolderTree tree;
    TFolderNode* root = tree.AddRoot("/r");
    root->Data = std::make_unique<TFolderSize>();
    root->Children.push_back(std::make_unique<TFolderNode>());
    TFolderNode* dir = root->Children.back().get();
    dir->Parent = root;
    dir->Name = "dir";
    dir->Data = std::make_unique<TFolderSize>();
    dir->Data->AddFile(4096, 1, 5, 5, 0);
    dir->Data->AddFile(4096, 10, 9, 9, 0);
    dir->Data->Finish();
    root->Data->AddSubfolder();
    root->Data->AddFinishedChild(*dir->Data);
    root->Data->Finish();
    const TFolderSize before = *root->Data;

    SubtractFromAncestors(dir, nullptr, 0, 1, ClusterSlack(4096, 1), 1);
    EXPECT_EQ(dir->Data->OwnFileCount, 1u);
    EXPECT_EQ(dir->Data->OwnSize, 10);
    EXPECT_EQ(dir->Data->OwnWasted, 4086);
    const std::int64_t altSlack[8] = {0, 511, 2047, 4095, 8191, 16383, 32767, 65535};
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(dir->Data->OwnWastedAlt[i], ClusterSlack(AltClusterSizes[i], 10)) << i;
        EXPECT_EQ(root->Data->TreeWastedAlt[i], before.TreeWastedAlt[i] - altSlack[i]) << i;
    }
    EXPECT_EQ(root->Data->TreeSize, before.TreeSize - 1);
    EXPECT_EQ(root->Data->TreeWasted, before.TreeWasted - 4095);
    EXPECT_EQ(root->Data->TreeFileCount, before.TreeFileCount - 1);
    EXPECT_EQ(root->Data->OwnFileCount, 0u);
    // Newest times now come from the subfolders alone.
    EXPECT_EQ(dir->Data->NewestWriteTime, 0u);
    EXPECT_EQ(root->Data->NewestWriteTime, 0u);
}

} // namespace

namespace {

TEST_F(ScannerTest, ATopLevelNodeIsNeverRemovedAsVanished) {
    Temp.MakeFile("gone/f", 1);
    TFolderNode* root = Scan("gone");
    Temp.Remove("gone");
    // Its drive record would keep pointing at it: only the window removes it.
    EXPECT_FALSE(Scanner.RemoveVanishedFolder(Temp.Path("gone"), root));
    EXPECT_EQ(Tree.Roots().size(), 1u);
}

} // namespace

namespace {

void FailOnB(const std::string& name, void*) {
    if (name == "B")
        throw std::runtime_error("no memory left for B");
}

TEST_F(ScannerTest, AFailureInAReaderEndsTheScanAndReachesTheCaller) {
    Temp.MakeFile("A/B/f", 1);
    Temp.MakeFile("A/C/f", 2);
    Scanner.SetFolderHook(&FailOnB, nullptr);
    TFolderNode* root = Tree.AddRoot(Temp.Root());
    EXPECT_THROW(Scanner.ScanFolder(root->Name, root), std::runtime_error);
    Scanner.SetFolderHook(nullptr, nullptr);
    // The scan stopped as an abort does: no record for what was unfinished.
    EXPECT_FALSE(root->Data);
    ASSERT_TRUE(Find(root, "A/B"));
    EXPECT_FALSE(Find(root, "A/B")->Data);
    EXPECT_EQ(CheckSums(root), "");
    // And the scanner is ready for the next one.
    TFolderNode* again = Scan();
    ASSERT_TRUE(again->Data);
    EXPECT_EQ(again->Data->TreeSize, 3);
}

} // namespace
