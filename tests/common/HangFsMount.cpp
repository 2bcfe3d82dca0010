#include "common/HangFsMount.h"

#include "common/FaultFsMount.h"
#include "common/TempTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void MakeFile(const std::string& path, off_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        if (ftruncate(fd, size) != 0) {
            // A shorter file only changes figures the tests then report.
        }
        close(fd);
    }
}

} // namespace

THangFsMount::THangFsMount() {
    char pattern[] = "/tmp/quillmere-hangfs-XXXXXX";
    if (!mkdtemp(pattern)) {
        Reason = "no temporary folder";
        return;
    }
    Backing = pattern;
    for (const char* folder : {"/live", "/stuck", "/stuck/dead"})
        mkdir((Backing + folder).c_str(), 0755);
    MakeFile(Backing + "/ok.txt", 1000);
    MakeFile(Backing + "/live/a.bin", 5000);
    MakeFile(Backing + "/stuck/dead/lost.bin", 7000);
    // The kernel looks names up one at a time per folder, so a hung look-up
    // holds its whole folder: "dead" sits in a folder of its own.
    Share = std::make_unique<TFaultFsMount>(Backing, std::vector<std::string>{"hang /stuck/dead"});
    IsMounted = Share->Mounted();
    Reason = Share->Why();
    Folder = Share->Root();
}

THangFsMount::~THangFsMount() {
    Share.reset();
    if (!Backing.empty())
        RemoveTreeForTest(Backing);
}
