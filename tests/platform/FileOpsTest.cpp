// Delete and trash on real folders: links that lead outside, mounts inside
// (bind mounts share the device number), names that are not UTF-8, paths
// longer than PATH_MAX, items that cannot be removed, and protected folders.
#include "platform/FileOps.h"
#include "common/TempTree.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Mounts for the length of a test; the test is skipped where mounting is not
// allowed (no root, no mount namespace).
class TTestMount {
public:
    TTestMount(const std::string& source, const std::string& target, const char* type,
               unsigned long flags)
        : Target(target) {
        if (mount(source.c_str(), target.c_str(), type, flags, nullptr) == 0)
            Mounted = true;
        else
            Error = std::strerror(errno);
    }
    ~TTestMount() {
        if (Mounted)
            umount2(Target.c_str(), MNT_DETACH);
    }
    TTestMount(const TTestMount&) = delete;
    TTestMount& operator=(const TTestMount&) = delete;

    bool Mounted = false;
    std::string Error;

private:
    std::string Target;
};

#define SKIP_UNLESS_MOUNTED(m)                                                                     \
    if (!(m).Mounted)                                                                              \
    GTEST_SKIP() << "cannot mount here: " << (m).Error

class DeleteTreeTest : public ::testing::Test {
protected:
    TTempTree Tree;
    TTempTree Outside;
};

TEST_F(DeleteTreeTest, RemovesAFolderWithEverythingInIt) {
    Tree.MakeFile("doomed/a.txt", 100);
    Tree.MakeFile("doomed/.hidden", 1);
    Tree.MakeFile("doomed/sub/deeper/b.bin", 5000);
    Tree.MakeDir("doomed/empty");
    Tree.MakeFile("doomed/caf\xe9/\xff\xfe name", 10);
    Tree.MakeHardLink("doomed/a.txt", "doomed/sub/hard");
    ASSERT_EQ(mkfifo(Tree.Path("doomed/fifo").c_str(), 0600), 0);

    auto result = Platform::DeleteTree(Tree.Path("doomed"));
    EXPECT_TRUE(result.Complete()) << result.Refused;
    EXPECT_EQ(result.RemovedFiles, 6u);
    EXPECT_EQ(result.RemovedFolders, 5u);
    EXPECT_FALSE(Exists(Tree.Path("doomed")));
}

TEST_F(DeleteTreeTest, RemovesASingleFile) {
    Tree.MakeFile("one\x80"
                  "file",
                  3);
    auto result = Platform::DeleteTree(Tree.Path("one\x80"
                                                 "file"));
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.RemovedFiles, 1u);
    EXPECT_FALSE(Exists(Tree.Path("one\x80"
                                  "file")));
}

TEST_F(DeleteTreeTest, PathsLongerThanPathMaxAndDeeperThanTheOpenFolderBudget) {
    // 150 levels of 60-character names: about 9,000 bytes, past PATH_MAX, and
    // deep enough that folders must be opened again on the way up.
    const std::string name(60, 'd');
    const int depth = 150;
    int fd = open(Tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(mkdirat(fd, "deep", 0755), 0);
    int cur = openat(fd, "deep", O_RDONLY | O_DIRECTORY);
    close(fd);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(mkdirat(cur, name.c_str(), 0755), 0);
        int file = openat(cur, "f", O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(file, 0);
        close(file);
        int next = openat(cur, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(cur);
        ASSERT_GE(next, 0);
        cur = next;
    }
    close(cur);

    auto result = Platform::DeleteTree(Tree.Path("deep"));
    EXPECT_TRUE(result.Complete())
        << (result.Failures.empty() ? result.Refused : result.Failures[0].Reason);
    EXPECT_EQ(result.RemovedFiles, static_cast<unsigned>(depth));
    EXPECT_EQ(result.RemovedFolders, static_cast<unsigned>(depth + 1));
    EXPECT_FALSE(Exists(Tree.Path("deep")));
    static_assert(150 * 61 > PATH_MAX);
}

TEST_F(DeleteTreeTest, LinksAreRemovedNeverFollowed) {
    Outside.MakeFile("keep/precious.txt", 42);
    Tree.MakeFile("doomed/file", 1);
    Tree.MakeSymlink(Outside.Path("keep"), "doomed/link-to-outside");
    Tree.MakeSymlink(Outside.Path("keep/precious.txt"), "doomed/link-to-file");
    Tree.MakeSymlink("/", "doomed/link-to-root");

    auto result = Platform::DeleteTree(Tree.Path("doomed"));
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.RemovedFiles, 4u);
    EXPECT_FALSE(Exists(Tree.Path("doomed")));
    EXPECT_TRUE(Exists(Outside.Path("keep/precious.txt")));
}

TEST_F(DeleteTreeTest, AnItemThatIsALinkLosesOnlyTheLink) {
    Outside.MakeFile("keep/precious.txt", 42);
    Tree.MakeSymlink(Outside.Path("keep"), "link");
    auto result = Platform::DeleteTree(Tree.Path("link"));
    EXPECT_TRUE(result.Complete());
    EXPECT_FALSE(Exists(Tree.Path("link")));
    EXPECT_TRUE(Exists(Outside.Path("keep/precious.txt")));
}

TEST_F(DeleteTreeTest, DoesNotEnterATmpfsMountedInside) {
    Tree.MakeFile("doomed/a/file", 1);
    Tree.MakeDir("doomed/a/mnt");
    TTestMount mnt("none", Tree.Path("doomed/a/mnt"), "tmpfs", 0);
    SKIP_UNLESS_MOUNTED(mnt);
    int fd = open(Tree.Path("doomed/a/mnt/on-tmpfs").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);

    auto result = Platform::DeleteTree(Tree.Path("doomed"));
    EXPECT_FALSE(result.Complete());
    EXPECT_TRUE(result.Refused.empty());
    ASSERT_EQ(result.FailureCount, 1u);
    EXPECT_EQ(result.Failures[0].Path, Tree.Path("doomed/a/mnt"));
    EXPECT_NE(result.Failures[0].Reason.find("mounted"), std::string::npos);
    EXPECT_TRUE(Exists(Tree.Path("doomed/a/mnt/on-tmpfs")));
    EXPECT_FALSE(Exists(Tree.Path("doomed/a/file")));
}

TEST_F(DeleteTreeTest, DoesNotEnterABindMountThatSharesTheDevice) {
    Outside.MakeFile("keep/precious.txt", 42);
    Tree.MakeFile("doomed/file", 1);
    Tree.MakeDir("doomed/bound");
    TTestMount bind(Outside.Path("keep"), Tree.Path("doomed/bound"), nullptr, MS_BIND);
    SKIP_UNLESS_MOUNTED(bind);
    struct stat a {
    }, b{};
    ASSERT_EQ(stat(Tree.Path("doomed").c_str(), &a), 0);
    ASSERT_EQ(stat(Tree.Path("doomed/bound").c_str(), &b), 0);
    if (a.st_dev != b.st_dev)
        GTEST_SKIP() << "the two temporary folders lie on different file systems";

    auto result = Platform::DeleteTree(Tree.Path("doomed"));
    ASSERT_EQ(result.FailureCount, 1u);
    EXPECT_EQ(result.Failures[0].Path, Tree.Path("doomed/bound"));
    EXPECT_TRUE(Exists(Outside.Path("keep/precious.txt")));
    EXPECT_FALSE(Exists(Tree.Path("doomed/file")));
}

TEST_F(DeleteTreeTest, ReportsWhatCouldNotBeRemovedAndRemovesTheRest) {
    Tree.MakeFile("doomed/x/stuck", 1);
    Tree.MakeFile("doomed/x/free", 1);
    Tree.MakeFile("doomed/y/free", 1);
    std::string stuck = Tree.Path("doomed/x/stuck");
    std::string quoted = "'" + stuck + "'";
    if (std::system(("chattr +i " + quoted + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i is not available on this file system";

    auto result = Platform::DeleteTree(Tree.Path("doomed"));
    std::system(("chattr -i " + quoted).c_str());
    ASSERT_EQ(result.FailureCount, 1u);
    EXPECT_EQ(result.Failures[0].Path, stuck);
    EXPECT_EQ(result.Failures[0].Reason, std::strerror(EPERM));
    EXPECT_TRUE(Exists(stuck));
    EXPECT_FALSE(Exists(Tree.Path("doomed/x/free")));
    EXPECT_FALSE(Exists(Tree.Path("doomed/y")));
    EXPECT_EQ(result.RemovedFiles, 2u);
}

class ProtectedTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        HadHome = home != nullptr;
        if (home)
            SavedHome = home;
    }
    void TearDown() override {
        if (HadHome)
            setenv("HOME", SavedHome.c_str(), 1);
        else
            unsetenv("HOME");
    }
    TTempTree Tree;
    std::string SavedHome;
    bool HadHome = false;
};

TEST_F(ProtectedTest, OrdinaryItemsMayBeRemoved) {
    Tree.MakeFile("dir/file", 1);
    EXPECT_EQ(Platform::ProtectedReason(Tree.Path("dir")), "");
    EXPECT_EQ(Platform::ProtectedReason(Tree.Path("dir/file")), "");
    EXPECT_EQ(Platform::ProtectedReason(Tree.Path("dir/")), "");
}

TEST_F(ProtectedTest, SystemFoldersRootAndOddPathsAreRefused) {
    for (const char* path : {"/", "//", "/usr", "/usr/", "/usr/share", "/etc/passwd", "/lib",
                             "/proc/self", "/tmp", "/var", "relative/path", ""}) {
        EXPECT_NE(Platform::ProtectedReason(path), "") << path;
        auto result = Platform::DeleteTree(path);
        EXPECT_NE(result.Refused, "") << path;
        EXPECT_EQ(result.RemovedFiles + result.RemovedFolders, 0u);
    }
    Tree.MakeDir("a/b");
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("a/b/..")), "");
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("a/.")), "");
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("missing")), "");
    // A system folder reached through a link is still a system folder.
    Tree.MakeSymlink("/usr", "usr-link");
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("usr-link/share")), "");
}

TEST_F(ProtectedTest, TheHomeFolderAndItsAncestorsAreRefused) {
    Tree.MakeFile("users/anna/notes.txt", 1);
    setenv("HOME", Tree.Path("users/anna").c_str(), 1);
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("users/anna")).find("your home folder"),
              std::string::npos);
    EXPECT_NE(Platform::ProtectedReason(Tree.Path("users")).find("contains your home folder"),
              std::string::npos);
    EXPECT_EQ(Platform::ProtectedReason(Tree.Path("users/anna/notes.txt")), "");
    auto result = Platform::DeleteTree(Tree.Path("users"));
    EXPECT_NE(result.Refused, "");
    EXPECT_TRUE(Exists(Tree.Path("users/anna/notes.txt")));
}

TEST_F(ProtectedTest, MountRootsAreRefused) {
    Tree.MakeDir("mnt");
    TTestMount mnt("none", Tree.Path("mnt"), "tmpfs", 0);
    SKIP_UNLESS_MOUNTED(mnt);
    int fd = open(Tree.Path("mnt/file").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_NE(Platform::DeleteTree(Tree.Path("mnt")).Refused.find("mounted drive"),
              std::string::npos);
    EXPECT_NE(Platform::MoveToTrash(Tree.Path("mnt")).Error, "");
    EXPECT_TRUE(Exists(Tree.Path("mnt/file")));
    // Inside the mount, items are ordinary again.
    EXPECT_EQ(Platform::ProtectedReason(Tree.Path("mnt/file")), "");
}

// The trash lives in a data folder made for this test program, so the
// user's own trash is not touched.
class TrashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        DataHome = new TTempTree;
        // GLib reads this once, on first use.
        setenv("XDG_DATA_HOME", DataHome->Root().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete DataHome;
        DataHome = nullptr;
    }
    static std::string TrashFiles() { return std::string(g_get_user_data_dir()) + "/Trash/files"; }
    static std::string TrashInfo() { return std::string(g_get_user_data_dir()) + "/Trash/info"; }

    // A name no other test run uses, so the trash entry can be found and
    // cleaned up even in a shared trash.
    std::string Unique(const std::string& stem) const {
        return stem + Tree.Root().substr(Tree.Root().rfind('/') + 1);
    }
    void Forget(const std::string& name) const {
        RemoveTreeForTest(TrashFiles() + "/" + name);
        unlink((TrashInfo() + "/" + name + ".trashinfo").c_str());
    }

    static TTempTree* DataHome;
    TTempTree Tree;
    TTempTree Outside;
};

TTempTree* TrashTest::DataHome = nullptr;

TEST_F(TrashTest, MovesAFileWhoseNameIsNotUtf8) {
    std::string name = Unique("caf\xe9-\xff-");
    Tree.MakeFile(name, 12);
    auto result = Platform::MoveToTrash(Tree.Path(name));
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_FALSE(Exists(Tree.Path(name)));
    EXPECT_TRUE(Exists(TrashFiles() + "/" + name));
    EXPECT_TRUE(Exists(TrashInfo() + "/" + name + ".trashinfo"));
    Forget(name);
}

TEST_F(TrashTest, MovesAFolderAndLeavesWhatItsLinksPointAt) {
    std::string name = Unique("folder-");
    Outside.MakeFile("keep/precious.txt", 42);
    Tree.MakeFile(name + "/inner.txt", 5);
    Tree.MakeSymlink(Outside.Path("keep"), name + "/link");
    auto result = Platform::MoveToTrash(Tree.Path(name));
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_FALSE(Exists(Tree.Path(name)));
    EXPECT_TRUE(Exists(TrashFiles() + "/" + name + "/inner.txt"));
    EXPECT_TRUE(Exists(Outside.Path("keep/precious.txt")));
    Forget(name);
}

TEST_F(TrashTest, AFailureSaysWhyAndKeepsTheItem) {
    Tree.MakeDir("mnt");
    TTestMount mnt("none", Tree.Path("mnt"), "tmpfs", 0);
    SKIP_UNLESS_MOUNTED(mnt);
    int fd = open(Tree.Path("mnt/file").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    // GIO keeps no trash on RAM disks.
    auto result = Platform::MoveToTrash(Tree.Path("mnt/file"));
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error, "");
    EXPECT_TRUE(Exists(Tree.Path("mnt/file")));
}

// The trash would carry a live mount along, and emptying it would then
// delete the mount's source: a folder with a mount inside stays put.
TEST_F(TrashTest, AFolderWithAMountInsideStaysAndTheMountIsNamed) {
    std::string name = Unique("holder-");
    for (int i = 0; i < 20; ++i)
        Outside.MakeFile("source/f" + std::to_string(i), 3);
    Tree.MakeFile(name + "/own.txt", 4);
    Tree.MakeDir(name + "/deep/mnt");
    TTestMount bind(Outside.Path("source"), Tree.Path(name + "/deep/mnt"), nullptr, MS_BIND);
    SKIP_UNLESS_MOUNTED(bind);
    auto result = Platform::MoveToTrash(Tree.Path(name));
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find(Tree.Path(name + "/deep/mnt")), std::string::npos) << result.Error;
    EXPECT_TRUE(Exists(Tree.Path(name + "/own.txt")));
    EXPECT_FALSE(Exists(TrashFiles() + "/" + name));
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(Exists(Outside.Path("source/f" + std::to_string(i))));
    // Beside the mount, the rest can still go.
    auto own = Platform::MoveToTrash(Tree.Path(name + "/own.txt"));
    EXPECT_TRUE(own.Ok) << own.Error;
    Forget("own.txt");
}

TEST_F(TrashTest, RefusesWhatMustStayAndWhatIsMissing) {
    for (const char* path : {"/", "/usr", "/etc/hostname", "relative"}) {
        auto result = Platform::MoveToTrash(path);
        EXPECT_FALSE(result.Ok) << path;
        EXPECT_NE(result.Error, "") << path;
    }
    auto missing = Platform::MoveToTrash(Tree.Path("not-there"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error, "");
}

} // namespace
