// Files the programs write for the user, tried as a user could break them:
// a full disk, Ctrl+C half way, a link to the older file, a FIFO that nobody
// reads. The older file must stay whole until the new one is.
#include "ExecProgram.h"
#include "common/FaultFigures.h"
#include "common/FaultFsMount.h"
#include "common/TempTree.h"
#include "common/TreeSnapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

pid_t Start(std::vector<std::string> args) {
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            dup2(null, fd);
        ExecProgram(args);
    }
    return child;
}

// The exit status, or -1 when the program did not end in time (it is then
// killed, so that the test goes on).
int Wait(pid_t child, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunToEnd(std::vector<std::string> args) {
    return Wait(Start(std::move(args)), std::chrono::seconds(60));
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Exports into a FIFO end on Ctrl+C and SIGTERM, whether nobody opened it or
// its reader stopped reading; the FIFO stays a FIFO.
TEST(Outputs, AnExportIntoAPipeEndsOnCtrlCOrSigterm) {
    TTempTree tree;
    // More than a pipe holds, so that the writer must wait for its reader.
    for (int i = 0; i < 1500; ++i)
        tree.MakeFile("data/" + std::string(80, 'f') + std::to_string(i), i);
    const std::string fifo = tree.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    const pid_t unread = Start({QUILLMERE_SCAN, "--export", fifo, tree.Path("data")});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(unread, SIGTERM);
    EXPECT_EQ(Wait(unread, std::chrono::seconds(3)), 1) << "SIGTERM, nobody reading";

    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const pid_t stuck = Start({QUILLMERE_SCAN, "--export", fifo, tree.Path("data")});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    kill(stuck, SIGINT);
    EXPECT_EQ(Wait(stuck, std::chrono::seconds(3)), 1) << "Ctrl+C, a reader that does not read";
    close(reader);
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A scan export and a report run on a drive that fills up, an export stopped
// half way, and one through a link: the older file is whole and keeps its
// mode, the link stays, and no temporary file is left.
TEST(Outputs, ExportsAndReportRunsReplaceTheOlderFileOnlyWhenWhole) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to mount the fault file system";
    TTempTree tree;
    tree.MakeFile("data/a/one", 5000);
    tree.MakeFile("data/b/two", 7000);
    for (int i = 0; i < 40; ++i)
        tree.MakeFile("back/slow/" + std::to_string(i) + "/f", i);
    tree.MakeDir("back/out");
    tree.MakeDir("config");
    const std::string older = "older, and whole\n";
    for (const char* name : {"out/scan.json", "out/list.csv", "out/target.json"}) {
        WriteAll(tree.Path(std::string("back/") + name), older);
        chmod(tree.Path(std::string("back/") + name).c_str(), 0600);
    }
    tree.MakeSymlink("target.json", "back/out/link.json");
    TFaultFsMount drive(tree.Path("back"), {"enospc /out 64", "slow /slow 40"});
    if (!drive.Mounted())
        GTEST_SKIP() << drive.Why();
    const TTreeSnapshot before = SnapshotTree(tree.Path("back/out"));

    const auto kept = [&](const std::string& what) {
        const std::string differences =
            SnapshotDifference(before, SnapshotTree(tree.Path("back/out")));
        RecordFaultCase(what, "no space, half way", differences.empty(),
                        differences.empty() ? 0 : 1);
        return differences;
    };
    EXPECT_EQ(
        RunToEnd({QUILLMERE_SCAN, "--export", drive.Path("out/scan.json"), tree.Path("data")}), 1);
    EXPECT_EQ(kept("export (quillmere-scan)"), "");
    setenv("XDG_CONFIG_HOME", tree.Path("config").c_str(), 1);
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    EXPECT_NE(RunToEnd({QUILLMERE, "/RCSV", tree.Path("data"), drive.Path("out/list.csv"), "/Q"}),
              0);
    EXPECT_EQ(kept("report run"), "");
    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");

    // Ctrl+C while the scan of a slow folder runs: the link's target stays.
    drive.SetRules({"slow /slow 40"});
    const pid_t stopped =
        Start({QUILLMERE_SCAN, "--export", drive.Path("out/link.json"), drive.Path("slow")});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(stopped, SIGINT);
    EXPECT_EQ(Wait(stopped, std::chrono::seconds(10)), 1);
    const std::string afterStop = SnapshotDifference(before, SnapshotTree(tree.Path("back/out")));
    RecordFaultCase("export (quillmere-scan)", "Ctrl+C, half way", afterStop.empty(),
                    afterStop.empty() ? 0 : 1);
    EXPECT_EQ(afterStop, "");

    // Written whole through the link: the link stays, its target is replaced
    // and keeps its mode.
    drive.SetRules({});
    EXPECT_EQ(
        RunToEnd({QUILLMERE_SCAN, "--export", drive.Path("out/link.json"), tree.Path("data")}), 0);
    struct stat st {};
    ASSERT_EQ(lstat(tree.Path("back/out/link.json").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(tree.Path("back/out/target.json")).rfind("[1,2,{", 0), 0u);
    EXPECT_EQ(ModeOf(tree.Path("back/out/target.json")), 0600u);
    EXPECT_EQ(FolderNames(tree.Path("back/out")),
              (std::vector<std::string>{"link.json", "list.csv", "scan.json", "target.json"}));
}

} // namespace
