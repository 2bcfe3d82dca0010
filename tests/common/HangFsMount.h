// Mounts the test file system whose folder "stuck/dead" never answers (a network
// share whose server has gone) for the length of a test. Tests skip, saying
// why, where FUSE is missing. A faultfs with one rule (see FaultFsMount.h).
#pragma once

#include <memory>
#include <string>

class TFaultFsMount;

class THangFsMount {
public:
    THangFsMount();
    // Kills the file system, which makes every blocked call fail, then
    // detaches the mount.
    ~THangFsMount();
    THangFsMount(const THangFsMount&) = delete;
    THangFsMount& operator=(const THangFsMount&) = delete;

    bool Mounted() const { return IsMounted; }
    const std::string& Why() const { return Reason; }
    // The mount point; below it "live/a.bin" (5000 bytes), "ok.txt" (1000)
    // and "stuck/dead", which hangs (and with it any look-up in "stuck").
    const std::string& Root() const { return Folder; }

private:
    std::string Backing;
    std::string Folder;
    std::string Reason;
    std::unique_ptr<TFaultFsMount> Share;
    bool IsMounted = false;
};
