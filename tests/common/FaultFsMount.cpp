#include "common/FaultFsMount.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool Listed(const std::string& mountPoint) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == mountPoint)
            return true;
    }
    return false;
}

} // namespace

TFaultFsMount::TFaultFsMount(std::string backing, const std::vector<std::string>& rules)
    : BackingFolder(std::move(backing)) {
#ifndef QUILLMERE_FAULTFS
    Reason = "the tests were built without libfuse3 (Debian libfuse3-dev)";
    (void)rules;
    return;
#else
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        Reason = "/dev/fuse is not available here";
        return;
    }
    if (access(QUILLMERE_FAULTFS, X_OK) != 0) {
        Reason = "the test file system " + std::string(QUILLMERE_FAULTFS) + " is not built";
        return;
    }
    char pattern[] = "/tmp/quillmere-faultfs-XXXXXX";
    if (!mkdtemp(pattern)) {
        Reason = "no temporary folder";
        return;
    }
    Folder = pattern;
    MountPoint = Folder + "/mnt";
    RulesFile = Folder + "/rules";
    mkdir(MountPoint.c_str(), 0755);
    SetRules(rules);
    Server = fork();
    if (Server == 0) {
        // Quiet: the file system has nothing to say to the test's output.
        if (!freopen("/dev/null", "w", stderr))
            _exit(127);
        execl(QUILLMERE_FAULTFS, "faultfs", "--rules", RulesFile.c_str(), BackingFolder.c_str(),
              MountPoint.c_str(), nullptr);
        _exit(127);
    }
    for (int i = 0; i < 400 && !IsMounted && Server > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        IsMounted = Listed(MountPoint);
        int status = 0;
        if (!IsMounted && waitpid(Server, &status, WNOHANG) == Server)
            Server = -1;
    }
    if (!IsMounted)
        Reason = "the FUSE file system could not be mounted";
#endif
}

TFaultFsMount::~TFaultFsMount() {
    Unmount();
    if (!Folder.empty()) {
        unlink(RulesFile.c_str());
        rmdir(MountPoint.c_str());
        rmdir(Folder.c_str());
    }
}

std::string TFaultFsMount::Path(const std::string& relative) const {
    return relative.empty() ? MountPoint : MountPoint + "/" + relative;
}

void TFaultFsMount::SetRules(const std::vector<std::string>& rules) {
    if (RulesFile.empty())
        return;
    // Written aside and renamed, so the file system never reads half a list.
    const std::string fresh = RulesFile + ".new";
    {
        std::ofstream out(fresh, std::ios::trunc);
        for (const std::string& rule : rules)
            out << rule << "\n";
    }
    std::rename(fresh.c_str(), RulesFile.c_str());
}

void TFaultFsMount::Unmount() {
    if (Server > 0) {
        kill(Server, SIGKILL);
        waitpid(Server, nullptr, 0);
        Server = -1;
    }
    if (IsMounted) {
        // Lazily: a process may still hold something open below it.
        if (umount2(MountPoint.c_str(), MNT_DETACH) != 0 &&
            std::system(("fusermount3 -u -z '" + MountPoint + "' 2>/dev/null").c_str()) != 0) {
            // Left for the system to tidy; the next mount takes a new folder.
        }
        IsMounted = false;
    }
}
