// The command-line programs as a script would run them: exit statuses, what
// they say on standard error, and what is left on disk.
#include "ExecProgram.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "common/TreeSnapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct TRun {
    int Status = -1;
    std::string Err;
};

// Runs a program with no terminal on standard input; as another user when
// asUser is given (root's permission overrides would hide what is tested).
// A run still going after limitSeconds (when given) is killed: status -1.
TRun RunProgram(std::vector<std::string> args, const char* asUser = nullptr, int limitSeconds = 0) {
    if (asUser && geteuid() == 0) {
        args.insert(args.begin(), {"/usr/bin/setpriv", std::string("--reuid=") + asUser,
                                   "--regid=nogroup", "--clear-groups"});
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        close(pipeFds[0]);
        ExecProgram(args);
    }
    close(pipeFds[1]);
    TRun run;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    for (;;) {
        if (limitSeconds > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{pipeFds[0], POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) == 0) {
                kill(child, SIGKILL);
                break;
            }
        }
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.Err.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

TEST(QuillmereClean, RefusesAsksAndReportsWhatItLeft) {
    TTempTree tree;
    tree.MakeFile("doomed/a", 10);
    tree.MakeFile("doomed/sub/b", 20);
    tree.MakeFile("outside/keep", 5);
    const std::string clean = QUILLMERE_CLEAN;

    EXPECT_EQ(RunProgram({clean}).Status, 2);
    EXPECT_EQ(RunProgram({clean, "shred", tree.Path("doomed")}).Status, 2);
    EXPECT_EQ(RunProgram({clean, "delete", "--force", tree.Path("doomed")}).Status, 2);
    EXPECT_EQ(RunProgram({clean, "delete", tree.Path("doomed"), tree.Path("outside")}).Status, 2);

    // Protected items and items that are not there: refused, said why.
    TRun usr = RunProgram({clean, "delete", "--yes", "/usr"});
    EXPECT_EQ(usr.Status, 1);
    EXPECT_NE(usr.Err.find("system folder"), std::string::npos) << usr.Err;
    EXPECT_EQ(RunProgram({clean, "trash", tree.Path("missing")}).Status, 1);
    EXPECT_EQ(RunProgram({clean, "delete", "--yes", tree.Path("doomed/..")}).Status, 1);

    // Without a terminal to ask on and without --yes, nothing goes.
    TRun unasked = RunProgram({clean, "delete", tree.Path("doomed")});
    EXPECT_EQ(unasked.Status, 1);
    EXPECT_NE(unasked.Err.find("--yes"), std::string::npos);
    EXPECT_TRUE(Exists(tree.Path("doomed/sub/b")));

    // A mount inside: the trash refuses naming it, the delete removes the
    // rest, leaves the mount alone and lists it.
    tree.MakeDir("doomed/mnt");
    if (mount("none", tree.Path("doomed/mnt").c_str(), "tmpfs", 0, nullptr) == 0) {
        const int fd = open(tree.Path("doomed/mnt/precious").c_str(), O_WRONLY | O_CREAT, 0644);
        close(fd);
        TRun trash = RunProgram({clean, "trash", tree.Path("doomed")});
        EXPECT_EQ(trash.Status, 1);
        EXPECT_NE(trash.Err.find(tree.Path("doomed/mnt")), std::string::npos) << trash.Err;
        TRun partly = RunProgram({clean, "delete", "--yes", tree.Path("doomed")});
        EXPECT_EQ(partly.Status, 1);
        EXPECT_NE(partly.Err.find("doomed/mnt"), std::string::npos) << partly.Err;
        EXPECT_TRUE(Exists(tree.Path("doomed/mnt/precious")));
        EXPECT_FALSE(Exists(tree.Path("doomed/sub")));
        umount2(tree.Path("doomed/mnt").c_str(), MNT_DETACH);
    }
    TRun done = RunProgram({clean, "delete", "--yes", tree.Path("doomed")});
    EXPECT_EQ(done.Status, 0) << done.Err;
    EXPECT_FALSE(Exists(tree.Path("doomed")));
    EXPECT_TRUE(Exists(tree.Path("outside/keep")));
}

bool HasHiddenCopy(const std::string& folder) {
    for (const std::string& name : FolderNames(folder)) {
        if (name.rfind(".quillmere-move-", 0) == 0 && !FolderNames(folder + "/" + name).empty())
            return true;
    }
    return false;
}

TEST(QuillmereClean, MovesAndLeavesTheSourceWholeWhenAMoveFailsOrIsKilled) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a second drive and to act as another user";
    TTempTree tree;
    chmod(tree.Root().c_str(), 0755);
    tree.MakeDir("drive");
    TTmpfsMount drive(tree.Path("drive"), "size=256m,mode=1777");
    if (!drive.Mounted())
        GTEST_SKIP() << drive.Why();
    tree.MakeDir("state");
    chmod(tree.Path("state").c_str(), 0777);
    setenv("XDG_STATE_HOME", tree.Path("state").c_str(), 1);
    const std::string clean = tree.Path("quillmere-clean");
    ASSERT_EQ(std::system(("cp '" + std::string(QUILLMERE_CLEAN) + "' '" + clean + "'").c_str()),
              0);
    chmod(clean.c_str(), 0755);

    EXPECT_EQ(RunProgram({clean, "move", tree.Path("drive")}).Status, 2);
    tree.MakeFile("taken/x", 1);
    TRun exists = RunProgram({clean, "move", tree.Path("taken"), tree.Path("drive")});
    EXPECT_EQ(exists.Status, 1);
    EXPECT_NE(exists.Err.find("already exists"), std::string::npos) << exists.Err;

    // A file its user cannot read: nothing moves, nothing of a copy stays.
    tree.MakeFile("mine/a/readable", 3000);
    tree.MakeFile("mine/b/secret", 3000);
    ASSERT_EQ(std::system(("chown -R nobody '" + tree.Path("mine") + "'").c_str()), 0);
    chown(tree.Path("mine/b/secret").c_str(), 0, 0);
    chmod(tree.Path("mine/b/secret").c_str(), 0600);
    const TTreeSnapshot mine = SnapshotTree(tree.Path("mine"));
    TRun denied = RunProgram({clean, "move", tree.Path("mine"), tree.Path("drive/mine")}, "nobody");
    EXPECT_EQ(denied.Status, 1);
    EXPECT_NE(denied.Err.find("Permission denied"), std::string::npos) << denied.Err;
    EXPECT_EQ(SnapshotDifference(mine, SnapshotTree(tree.Path("mine"))), "");
    EXPECT_TRUE(FolderNames(tree.Path("drive")).empty());

    // Killed half way through the copy: the source is whole, and the next
    // move, wherever it goes, removes the copy that was left.
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "big/d" + std::to_string(i / 100) + "/f" + std::to_string(i);
        tree.MakeFile(name, 0);
        const int fd = open(tree.Path(name).c_str(), O_WRONLY);
        const std::string bytes(50000, static_cast<char>('a' + i % 26));
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), 50000);
        close(fd);
    }
    const TTreeSnapshot big = SnapshotTree(tree.Path("big"));
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDERR_FILENO);
        execl(clean.c_str(), clean.c_str(), "move", tree.Path("big").c_str(),
              tree.Path("drive/big").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!HasHiddenCopy(tree.Path("drive")) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the move ended before it could be killed";
    EXPECT_EQ(SnapshotDifference(big, SnapshotTree(tree.Path("big"))), "");
    EXPECT_TRUE(HasHiddenCopy(tree.Path("drive")));
    TRun next = RunProgram({clean, "move", tree.Path("big"), tree.Path("big2")});
    EXPECT_EQ(next.Status, 0) << next.Err;
    EXPECT_TRUE(FolderNames(tree.Path("drive")).empty());
    EXPECT_TRUE(FolderNames(tree.Path("state/quillmere/moves")).empty());

    TRun moved = RunProgram({clean, "move", tree.Path("big2"), tree.Path("drive/big")});
    EXPECT_EQ(moved.Status, 0) << moved.Err;
    EXPECT_EQ(SnapshotDifference(big, SnapshotTree(tree.Path("drive/big"))), "");
    EXPECT_FALSE(Exists(tree.Path("big2")));
    unsetenv("XDG_STATE_HOME");
}

// Archive, list, restore and delete an archive from the command line; a
// compression killed half way leaves the folder whole, and its partial
// archive goes with the next listing.
TEST(QuillmereClean, ArchivesListsRestoresAndSurvivesAKill) {
    TTempTree tree;
    tree.MakeDir("drive");
    // Photos do not compress: random bytes.
    std::mt19937 random(3);
    for (int i = 0; i < 400; ++i) {
        const std::string name = "photos/set" + std::to_string(i / 40) + "/p" + std::to_string(i);
        std::string bytes(static_cast<std::size_t>(20000 + i), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        tree.MakeFile(name, 0);
        std::ofstream(tree.Path(name), std::ios::binary) << bytes;
    }
    const TTreeSnapshot photos = SnapshotTree(tree.Path("photos"), true);
    const std::string clean = QUILLMERE_CLEAN;
    const std::string drive = tree.Path("drive");
    const std::string bin = drive + "/.Archives Bin";

    EXPECT_EQ(RunProgram({clean, "archive"}).Status, 2);
    EXPECT_EQ(RunProgram({clean, "archive", tree.Path("photos"), "--level", "12"}).Status, 2);
    EXPECT_EQ(RunProgram({clean, "restore", "NOSUCH.ZIP", "--drive", drive}).Status, 1);

    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execl(clean.c_str(), clean.c_str(), "archive", tree.Path("photos").c_str(), "--drive",
              drive.c_str(), "--level", "9", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto partialWritten = [&] {
        for (const std::string& name : FolderNames(bin)) {
            struct stat st {};
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0 &&
                stat((bin + "/" + name).c_str(), &st) == 0 && st.st_size > 100000)
                return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!partialWritten() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the archive was made before it could be killed";
    EXPECT_EQ(SnapshotDifference(photos, SnapshotTree(tree.Path("photos"), true)), "");
    TRun list = RunProgram({clean, "list", "--drive", drive});
    EXPECT_EQ(list.Status, 0) << list.Err;
    EXPECT_TRUE(FolderNames(bin).empty());

    // Archived for good, listed, restored elsewhere, then deleted.
    const std::string out = tree.Path("out.txt");
    const pid_t archiver = fork();
    if (archiver == 0) {
        const int file = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, STDOUT_FILENO);
        execl(clean.c_str(), clean.c_str(), "archive", tree.Path("photos").c_str(), "--drive",
              drive.c_str(), "--description", "Holiday, 2026", static_cast<char*>(nullptr));
        _exit(127);
    }
    waitpid(archiver, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(Exists(tree.Path("photos")));
    std::ifstream printed(out);
    std::string key;
    std::getline(printed, key, '\t');
    ASSERT_FALSE(key.empty());
    TRun restored = RunProgram(
        {clean, "restore", key, "--drive", drive, "--to", tree.Path("back"), "--keep-archive"});
    EXPECT_EQ(restored.Status, 0) << restored.Err;
    EXPECT_EQ(SnapshotDifference(photos, SnapshotTree(tree.Path("back/photos"), true)), "");
    EXPECT_EQ(RunProgram({clean, "delete-archive", key, "--drive", drive}).Status, 0);
    EXPECT_EQ(RunProgram({clean, "delete-archive", key, "--drive", drive}).Status, 1);
}

// Ctrl+C while a folder of a few thousand files is being archived: the
// archive stops, says so with its own exit status, the folder is whole, and
// nothing of the archive is left.
TEST(QuillmereClean, CtrlCStopsAnArchiveWithTheFolderWhole) {
    TTempTree tree;
    tree.MakeDir("drive");
    std::mt19937 random(5);
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "music/album" + std::to_string(i / 100) + "/t" + std::to_string(i);
        std::string bytes(static_cast<std::size_t>(12000 + i), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        tree.MakeFile(name, 0);
        std::ofstream(tree.Path(name), std::ios::binary) << bytes;
    }
    const TTreeSnapshot music = SnapshotTree(tree.Path("music"), true);
    const std::string clean = QUILLMERE_CLEAN;
    const std::string drive = tree.Path("drive");
    const std::string bin = drive + "/.Archives Bin";

    int errPipe[2];
    ASSERT_EQ(pipe(errPipe), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(errPipe[0]);
        execl(clean.c_str(), clean.c_str(), "archive", tree.Path("music").c_str(), "--drive",
              drive.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    const auto writing = [&] {
        for (const std::string& name : FolderNames(bin)) {
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0)
                return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!writing() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    kill(child, SIGINT);
    std::string err;
    char buffer[4096];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;)
        err.append(buffer, static_cast<std::size_t>(n));
    close(errPipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 3) << err;
    EXPECT_NE(err.find("stopped"), std::string::npos) << err;
    EXPECT_NE(err.find(tree.Path("music")), std::string::npos) << err;
    EXPECT_EQ(SnapshotDifference(music, SnapshotTree(tree.Path("music"), true)), "");
    // No archive, no temporary, no catalogue entry: the archives folder made
    // for it is gone again.
    EXPECT_TRUE(FolderNames(drive).empty());
}

TEST(QuillmereScan, FailsListsAndExportsWhatCouldNotBeRead) {
    TTempTree tree;
    chmod(tree.Root().c_str(), 0755);
    tree.MakeFile("fine/a", 100);
    // A copy another user can run wherever the build lies.
    const std::string scan = tree.Path("quillmere-scan");
    ASSERT_EQ(std::system(("cp '" + std::string(QUILLMERE_SCAN) + "' '" + scan + "'").c_str()), 0);
    chmod(scan.c_str(), 0755);
    TRun whole = RunProgram({scan, tree.Root()}, "nobody");
    EXPECT_EQ(whole.Status, 0) << whole.Err;

    // Listable but not searchable: the files are there, their sizes are not.
    tree.MakeFile("blind/b", 5000);
    tree.MakeFile("blind/c", 5000);
    chmod(tree.Path("blind").c_str(), 0444);
    chmod(tree.Path("fine").c_str(), 0755);
    tree.MakeFile("locked/d", 300);
    chmod(tree.Path("locked").c_str(), 0);
    TRun partial = RunProgram({scan, tree.Root()}, "nobody");
    // The list of what could not be read, and a scan file that says so too,
    // written where the other user may write.
    tree.MakeDir("out");
    chmod(tree.Path("out").c_str(), 0777);
    const std::string list = tree.Path("out/errors.txt");
    const std::string file = tree.Path("out/scan.json");
    TRun errors = RunProgram(
        {"/bin/sh", "-c", "\"$0\" --errors \"$1\" > \"$2\"", scan, tree.Root(), list}, "nobody");
    TRun exported = RunProgram({scan, "--export", file, tree.Root()}, "nobody");
    chmod(tree.Path("blind").c_str(), 0755);
    chmod(tree.Path("locked").c_str(), 0755);
    if (geteuid() != 0 && partial.Status == 0)
        GTEST_SKIP() << "permission checks do not apply to this user";
    EXPECT_EQ(partial.Status, 1);
    EXPECT_NE(partial.Err.find("3 items could not be read"), std::string::npos) << partial.Err;
    EXPECT_EQ(errors.Status, 1) << errors.Err;
    std::ifstream listed(list);
    const std::string listText((std::istreambuf_iterator<char>(listed)), {});
    EXPECT_EQ(listText, tree.Path("blind") + "\tPermission denied\t0\n" + tree.Path("locked") +
                            "\tPermission denied\t0\n");
    EXPECT_EQ(exported.Status, 1) << exported.Err;
    std::ifstream written(file);
    const std::string json((std::istreambuf_iterator<char>(written)), {});
    EXPECT_EQ(json.rfind("[1,2,{\"progname\":\"quillmere\"", 0), 0u);
    EXPECT_NE(json.find("\"name\":\"locked\",\"asize\":4096"), std::string::npos) << json;
    EXPECT_NE(json.find("\"read_error\":true,\"quillmere_error\":\"EACCES\"}]"), std::string::npos)
        << json;
    EXPECT_EQ(json.substr(json.size() - 3), "]]\n");

    EXPECT_EQ(RunProgram({scan, "--threads", "0", tree.Root()}).Status, 2);
    EXPECT_EQ(RunProgram({scan, "--export"}).Status, 2);
    EXPECT_EQ(RunProgram({scan, "--errors", "--export", file, tree.Root()}).Status, 2);
    // A file that cannot be written: an error, and nothing left behind.
    TRun unwritable = RunProgram({scan, "--export", tree.Path("none/x.json"), tree.Root()});
    EXPECT_EQ(unwritable.Status, 1);
    EXPECT_NE(unwritable.Err.find("No such file or directory"), std::string::npos)
        << unwritable.Err;
    EXPECT_FALSE(Exists(tree.Path("none")));
}

} // namespace

namespace {

// A report run as cron starts it: no display, the report written, the exit
// status saying whether it was; the list settings it used are not kept.
TEST(Quillmere, ReportRunsWithoutADisplayAndSaysWhetherItWrote) {
    TTempTree tree;
    tree.MakeFile("data/small/a", 5000);
    tree.MakeFile("data/big/b", 90000);
    tree.MakeFile("data/mid/c", 20000);
    tree.MakeDir("config");
    const std::string quillmere = QUILLMERE;
    setenv("XDG_CONFIG_HOME", tree.Path("config").c_str(), 1);
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    unsetenv("QT_QPA_PLATFORM");

    TRun csv =
        RunProgram({quillmere, "/RCSV", tree.Path("data"), tree.Path("list"), "/A", "/SD:2", "/Q"});
    EXPECT_EQ(csv.Status, 0) << csv.Err;
    std::ifstream written(tree.Path("list.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(written, line);)
        lines.push_back(line.substr(0, line.find(',')));
    EXPECT_EQ(lines, (std::vector<std::string>{"Name", "big", "mid", "small"}));

    TRun top = RunProgram(
        {quillmere, "/rtxt", tree.Path("data"), tree.Path("top.txt"), "/TOP:1", "/S", "/Q"});
    EXPECT_EQ(top.Status, 0) << top.Err;
    std::ifstream text(tree.Path("top.txt"));
    const std::string report((std::istreambuf_iterator<char>(text)), {});
    EXPECT_NE(report.find("big"), std::string::npos);
    EXPECT_EQ(report.find("small"), std::string::npos);
    // The run's "top 1" was not kept as the list's setting.
    std::ifstream settings(tree.Path("config/Fenwright/Quillmere 3.conf"));
    const std::string stored((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_NE(stored.find("FoldersDisplayTopX=10"), std::string::npos) << stored;

    TRun missing = RunProgram({quillmere, "/RINF", tree.Path("nothing"), tree.Path("x"), "/Q"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("no report was written"), std::string::npos) << missing.Err;
    EXPECT_FALSE(Exists(tree.Path("x.txt")));
    TRun unknown = RunProgram({quillmere, "/RXLS", tree.Path("data"), tree.Path("y"), "/Q"});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_TRUE(FolderNames(tree.Root()) ==
                (std::vector<std::string>{"config", "data", "list.csv", "top.txt"}));

    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// As cron would start it: without a display a run either is a report run,
// which ends after its report, or ends at once saying why. A report that
// leaves out what could not be read fails and marks it, and no such run
// touches the user's window placement.
TEST(Quillmere, RunsWithoutADisplayEndAndReportWhatTheyLeftOut) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to read as another user";
    TTempTree tree;
    tree.MakeFile("data/open/a", 5000);
    tree.MakeFile("data/shut/inner/b", 7000);
    tree.MakeDir("config/Fenwright");
    const std::string settings = tree.Path("config/Fenwright/Quillmere 3.conf");
    const std::string placement = "[Desktop]\nHeight=650\nLeft=300\nTop=200\nWidth=900\n";
    std::ofstream(settings) << placement;
    ASSERT_EQ(std::system(("chmod -R a+rwX '" + tree.Root() + "'").c_str()), 0);
    chmod(tree.Path("data/shut").c_str(), 0);
    const std::string quillmere = QUILLMERE;
    setenv("XDG_CONFIG_HOME", tree.Path("config").c_str(), 1);
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const std::string savedWayland = wayland ? wayland : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{quillmere}, {quillmere, tree.Path("data")}}) {
        const TRun window = RunProgram(args, "nobody", 60);
        EXPECT_EQ(window.Status, 2) << window.Err;
        EXPECT_NE(window.Err.find("display"), std::string::npos) << window.Err;
    }
    const TRun bogus = RunProgram({quillmere, "--bogus-option"}, "nobody", 60);
    EXPECT_EQ(bogus.Status, 2);
    EXPECT_NE(bogus.Err.find("usage:"), std::string::npos) << bogus.Err;
    setenv("DISPLAY", ":97", 1);
    const TRun bogusOnDisplay = RunProgram({quillmere, "/RCSV", "--bogus"}, "nobody", 60);
    EXPECT_EQ(bogusOnDisplay.Status, 2);
    EXPECT_NE(bogusOnDisplay.Err.find("usage:"), std::string::npos) << bogusOnDisplay.Err;
    unsetenv("DISPLAY");

    // No /Q: the run ends all the same. What it could not read is counted,
    // marked in the list and explained after it.
    const TRun csv =
        RunProgram({quillmere, "/RCSV", tree.Path("data"), tree.Path("list"), "/A"}, "nobody", 60);
    EXPECT_EQ(csv.Status, 1);
    EXPECT_NE(csv.Err.find("1 folder could not be read"), std::string::npos) << csv.Err;
    EXPECT_NE(csv.Err.find(tree.Path("data/shut")), std::string::npos) << csv.Err;
    const std::string list = ReadText(tree.Path("list.csv"));
    EXPECT_NE(list.find("\nopen,"), std::string::npos) << list;
    EXPECT_NE(list.find("\n\"shut *\","), std::string::npos) << list;
    EXPECT_NE(list.find("\n\"* "), std::string::npos) << list;

    // The unreadable folder itself: only the header, and a failure that says why.
    const TRun shut = RunProgram(
        {quillmere, "/RTAB", tree.Path("data/shut"), tree.Path("shut.txt"), "/Q"}, "nobody", 60);
    EXPECT_EQ(shut.Status, 1);
    EXPECT_NE(shut.Err.find("Permission denied"), std::string::npos) << shut.Err;
    const std::string header = ReadText(tree.Path("shut.txt"));
    EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 1) << header;
    const TRun tab =
        RunProgram({quillmere, "/RTAB", tree.Path("data"), tree.Path("tab.txt")}, "nobody", 60);
    EXPECT_EQ(tab.Status, 1);
    EXPECT_NE(ReadText(tree.Path("tab.txt")).find("\nshut *\t"), std::string::npos);

    // The runs kept the list values and nothing of their own window.
    const std::string stored = ReadText(settings);
    EXPECT_NE(stored.find(placement), std::string::npos) << stored;
    EXPECT_NE(stored.find("FoldersDisplayType="), std::string::npos) << stored;
    EXPECT_EQ(stored.find("WindowState"), std::string::npos) << stored;

    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);
    if (!savedWayland.empty())
        setenv("WAYLAND_DISPLAY", savedWayland.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
