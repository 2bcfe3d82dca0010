#include "common/HangFsMount.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
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

THangFsMount::THangFsMount() {
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        Reason = "/dev/fuse is not available here";
        return;
    }
    const std::string script = std::string(QUILLMERE_SOURCE_DIR) + "/tests/support/hangfs.py";
    if (std::system("/usr/bin/python3 -c 'import fusepy' 2>/dev/null") != 0) {
        Reason = "the Python module fusepy (python3-fusepy) is not installed";
        return;
    }
    char pattern[] = "/tmp/quillmere-hangfs-XXXXXX";
    if (!mkdtemp(pattern)) {
        Reason = "no temporary folder";
        return;
    }
    Folder = pattern;
    Server = fork();
    if (Server == 0) {
        // Quiet: the file system has nothing to say to the test's output.
        freopen("/dev/null", "w", stderr);
        execl("/usr/bin/python3", "python3", script.c_str(), Folder.c_str(), nullptr);
        _exit(127);
    }
    for (int i = 0; i < 200 && !IsMounted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        IsMounted = Listed(Folder);
        int status = 0;
        if (!IsMounted && waitpid(Server, &status, WNOHANG) == Server) {
            Server = -1;
            break;
        }
    }
    if (!IsMounted)
        Reason = "the FUSE file system could not be mounted";
}

THangFsMount::~THangFsMount() {
    if (Server > 0) {
        kill(Server, SIGKILL);
        waitpid(Server, nullptr, 0);
    }
    if (!Folder.empty()) {
        umount2(Folder.c_str(), MNT_DETACH);
        rmdir(Folder.c_str());
    }
}
