// The tree walk's jobs on real trees that hold what the walk must get right:
// a chain of folders deeper than the open descriptors kept and longer than
// PATH_MAX, with entries left in each folder after its subfolder (so every
// folder is found again through ".."), names that are not UTF-8, hard links,
// a FIFO, a symbolic link where a folder was, and a RAM disk mounted inside.
#include "platform/TreeWalker.h"
#include "platform/FileOps.h"
#include "platform/TreeCopy.h"
#include "platform/TreeGather.h"

#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "common/TreeSnapshot.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ChainDepth = 110;              // folders of the chain, each with a file "f"
const std::string ChainName(60, 'd');        // ChainDepth * 61 bytes: past PATH_MAX
const std::string OddFolder = "caf\xe9";     // Latin-1, not UTF-8
const std::string OddFile = "\xff\xfe name"; // no encoding at all

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The chain below folder, built through descriptors: no path would reach.
void MakeChain(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < ChainDepth; ++i) {
        ASSERT_EQ(mkdirat(fd, ChainName.c_str(), 0755), 0);
        const int file = openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(write(file, "x", 1), 1);
        close(file);
        const int next = openat(fd, ChainName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    close(fd);
}

// A file of `size` bytes written out, not a hole: its copy has to carry them.
void Fill(const TTempTree& tree, const std::string& relative, std::size_t size) {
    tree.MakeFile(relative, 0);
    const int fd = open(tree.Path(relative).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(write(fd, bytes.data(), size), static_cast<ssize_t>(size));
    close(fd);
}

// The tree every scenario starts from, at tree/relative; `keep` is a folder
// elsewhere that a link points at.
void MakeTree(const TTempTree& tree, const std::string& top, const std::string& keep) {
    Fill(tree, top + "/a.txt", 100);
    Fill(tree, top + "/.hidden", 1);
    Fill(tree, top + "/sub/b.bin", 5000);
    tree.MakeHardLink(top + "/a.txt", top + "/sub/same");
    Fill(tree, top + "/" + OddFolder + "/" + OddFile, 10);
    ASSERT_EQ(mkfifo(tree.Path(top + "/fifo").c_str(), 0600), 0);
    tree.MakeSymlink(keep, top + "/was-folder");
    tree.MakeDir(top + "/chain");
    MakeChain(tree.Path(top + "/chain"));
}

class TQuietWatcher : public Platform::TCopyWatcher {
public:
    bool Stopping() override { return false; }
    void Entering(const std::string&) override {}
    void Copied(std::uint64_t bytes) override { Bytes += bytes; }
    void EntryDone() override {}

    std::uint64_t Bytes = 0;
};

// Measuring, gathering and deleting one tree with a RAM disk inside: none
// of them enters it, and only the delete has to say so.
TEST(TreeWalker, MeasureGatherAndDeleteStayOnTheirMountAtAnyDepth) {
    TTempTree tree;
    TTempTree outside;
    outside.MakeFile("keep/precious.txt", 42);
    MakeTree(tree, "top", outside.Path("keep"));
    tree.MakeDir("top/mnt");
    TTmpfsMount mount(tree.Path("top/mnt"), "size=1m");
    if (!mount.Mounted())
        GTEST_SKIP() << mount.Why();
    tree.MakeFile("top/mnt/inside", 5);

    const auto linkSize = static_cast<std::int64_t>(outside.Path("keep").size());
    const Platform::TItemFigures figures = Platform::MeasureItem(tree.Path("top"));
    EXPECT_TRUE(figures.IsFolder);
    EXPECT_EQ(figures.Folders, 3u + ChainDepth); // sub, the odd one, chain and its folders
    // a.txt, .hidden, fifo, b.bin, same, the odd file, the link, an f per level
    EXPECT_EQ(figures.Files, 7u + ChainDepth);
    EXPECT_EQ(figures.Size, 100 + 1 + 5000 + 100 + 10 + linkSize + ChainDepth);

    const int root = open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    auto gathered = Platform::GatherTree(root, "top/", Platform::GatherSubfolders);
    auto hidden =
        Platform::GatherTree(root, "top", Platform::GatherSubfolders | Platform::GatherHidden);
    auto flat = Platform::GatherTree(root, "top", 0);
    auto missing = Platform::GatherTree(root, "top/not-there", Platform::GatherSubfolders);
    close(root);
    ASSERT_TRUE(gathered.Ok()) << gathered.Failure().Describe();
    ASSERT_TRUE(hidden.Ok());
    ASSERT_TRUE(flat.Ok());
    ASSERT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Failure().Path, "top/not-there");
    EXPECT_EQ(missing.Failure().Errno, ENOENT);

    // Each folder before what it holds, each folder's entries in byte order;
    // no FIFO, no hidden name, nothing of the RAM disk.
    std::set<std::string> seen;
    std::string previous;
    std::size_t files = 0, folders = 0;
    for (const Platform::TGathered& g : *gathered) {
        const bool folder = g.Name.back() == '/';
        const std::string name = folder ? g.Name.substr(0, g.Name.size() - 1) : g.Name;
        const std::string parent = name.substr(0, name.rfind('/') + 1);
        if (name != "top") {
            EXPECT_TRUE(seen.contains(parent)) << name.substr(0, 80);
        }
        if (!previous.empty() && previous.rfind(parent, 0) == 0 &&
            previous.find('/', parent.size()) == std::string::npos) {
            EXPECT_LT(previous, name) << name.substr(0, 80);
        }
        EXPECT_EQ(folder, S_ISDIR(g.St.st_mode)) << name.substr(0, 80);
        EXPECT_EQ(name.find("mnt"), std::string::npos);
        EXPECT_EQ(name.find("fifo"), std::string::npos);
        EXPECT_EQ(name.find(".hidden"), std::string::npos);
        seen.insert(g.Name);
        previous = name;
        (folder ? folders : files) += 1;
    }
    EXPECT_EQ(folders, 4u + ChainDepth);
    EXPECT_EQ(files, 5u + ChainDepth); // a.txt, b.bin, same, the odd file, the link, the f's
    EXPECT_TRUE(seen.contains("top/" + OddFolder + "/" + OddFile));
    const auto link = std::find_if(gathered->begin(), gathered->end(),
                                   [](const auto& g) { return g.Name == "top/was-folder"; });
    ASSERT_NE(link, gathered->end());
    EXPECT_TRUE(S_ISLNK(link->St.st_mode));
    EXPECT_EQ(link->LinkTarget, outside.Path("keep"));
    EXPECT_EQ(hidden->size(), gathered->size() + 1);
    std::set<std::string> top;
    for (const Platform::TGathered& g : *flat)
        top.insert(g.Name);
    EXPECT_EQ(top, (std::set<std::string>{"top/", "top/a.txt", "top/was-folder"}));

    const Platform::TDeleteResult deleted = Platform::DeleteTree(tree.Path("top"));
    EXPECT_TRUE(deleted.Refused.empty()) << deleted.Refused;
    ASSERT_EQ(deleted.FailureCount, 1u);
    EXPECT_EQ(deleted.Failures[0].Path, tree.Path("top/mnt"));
    EXPECT_NE(deleted.Failures[0].Reason.find("mounted"), std::string::npos);
    EXPECT_EQ(deleted.RemovedFiles, 7u + ChainDepth);
    EXPECT_EQ(deleted.RemovedFolders, 3u + ChainDepth);
    EXPECT_EQ(FolderNames(tree.Path("top")), std::vector<std::string>{"mnt"});
    EXPECT_TRUE(Exists(tree.Path("top/mnt/inside")));
    EXPECT_TRUE(Exists(outside.Path("keep/precious.txt")));
}

// The copy of a move, its check and the removal of its source on the same
// tree: refused while a drive is mounted inside, and failing its check when
// a folder of the source is swapped for a link to elsewhere; once all is
// back, the copy published equals the source as it was, to the nanosecond.
TEST(TreeWalker, CopyVerifyAndRemoveRefuseWhatTheyMustAndKeepEverything) {
    TTempTree tree;
    TTempTree outside;
    outside.MakeFile("keep/precious.txt", 42);
    MakeTree(tree, "src", outside.Path("keep"));
    tree.MakeDir("dest");
    TQuietWatcher watcher;
    {
        tree.MakeDir("src/mnt");
        TTmpfsMount mount(tree.Path("src/mnt"), "size=1m");
        if (!mount.Mounted())
            GTEST_SKIP() << mount.Why();
        Platform::TTreeCopy copy(Platform::ItemAtPath(tree.Path("src")),
                                 Platform::TMoveTarget(tree.Path("dest/moved")));
        const Platform::TTreeCount count = copy.Count(watcher);
        EXPECT_NE(count.Error.find(tree.Path("src/mnt")), std::string::npos) << count.Error;
        EXPECT_NE(count.Error.find("another drive is mounted here"), std::string::npos);
    }
    tree.Remove("src/mnt");
    const TTreeSnapshot before = SnapshotTree(tree.Path("src"));

    const Platform::TMoveTarget target(tree.Path("dest/moved"));
    Platform::TTreeCopy copy(Platform::ItemAtPath(tree.Path("src")), target);
    ASSERT_EQ(copy.Error(), "");
    const Platform::TTreeCount count = copy.Count(watcher);
    ASSERT_EQ(count.Error, "");
    EXPECT_EQ(count.Entries, 10u + 2 * ChainDepth);
    EXPECT_EQ(count.Bytes, 100u + 1 + 5000 + 10 + ChainDepth); // a.txt once
    ASSERT_TRUE(copy.Begin()) << copy.Error();
    ASSERT_EQ(copy.Copy(watcher), Platform::TCopyStep::Done) << copy.Error();
    EXPECT_EQ(watcher.Bytes, count.Bytes);
    EXPECT_EQ(copy.Verify(watcher), Platform::TCopyStep::Done) << copy.Error();

    // A link where a folder was: the check sees it, and follows it nowhere.
    ASSERT_EQ(rename(tree.Path("src/" + OddFolder).c_str(), outside.Path("away").c_str()), 0);
    tree.MakeSymlink(outside.Path("away"), "src/" + OddFolder);
    EXPECT_EQ(copy.Verify(watcher), Platform::TCopyStep::Failed);
    EXPECT_NE(copy.Error().find("replaced"), std::string::npos) << copy.Error();
    EXPECT_NE(copy.Error().find(OddFolder), std::string::npos) << copy.Error();
    tree.Remove("src/" + OddFolder);
    ASSERT_EQ(rename(outside.Path("away").c_str(), tree.Path("src/" + OddFolder).c_str()), 0);
    ASSERT_EQ(copy.Verify(watcher), Platform::TCopyStep::Done) << copy.Error();

    ASSERT_TRUE(copy.Publish()) << copy.Error();
    const Platform::TDeleteResult removed = copy.RemoveSource(watcher);
    EXPECT_TRUE(removed.Complete())
        << (removed.Failures.empty() ? removed.Refused : removed.Failures[0].Reason);
    EXPECT_EQ(removed.RemovedFiles + removed.RemovedFolders, count.Entries + 1);
    EXPECT_FALSE(Exists(tree.Path("src")));
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Path("dest/moved"))), "");
    EXPECT_EQ(FolderNames(tree.Path("dest")), std::vector<std::string>{"moved"});
    EXPECT_TRUE(Exists(outside.Path("keep/precious.txt")));
}

} // namespace
