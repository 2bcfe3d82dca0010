// Mounts the test file system faultfs (tests/support/faultfs.c) over a
// backing folder for the length of a test: everything passes through to
// the backing folder except where a rule makes a path misbehave (see the
// rule list at the top of faultfs.c: hang, eio, enospc, vanish, eacces,
// slow). Tests skip, saying why, where FUSE is missing or mounting fails.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class TFaultFsMount {
public:
    // Mounts over backing (a folder that must exist) on a new folder of its
    // own, with the rules given ("hang /stuck/dead", "eio /big.bin 4096").
    explicit TFaultFsMount(std::string backing, const std::vector<std::string>& rules = {});
    // Unmounts surely, also while calls hang: see Unmount.
    ~TFaultFsMount();
    TFaultFsMount(const TFaultFsMount&) = delete;
    TFaultFsMount& operator=(const TFaultFsMount&) = delete;

    bool Mounted() const { return IsMounted; }
    const std::string& Why() const { return Reason; }
    // The mount point (no trailing slash), and the folder behind it.
    const std::string& Root() const { return MountPoint; }
    const std::string& Backing() const { return BackingFolder; }
    // Root() + "/" + relative.
    std::string Path(const std::string& relative) const;

    // Replaces the rules; they apply from the next call into the file system
    // on. A hang whose rule goes lets its callers go on.
    void SetRules(const std::vector<std::string>& rules);
    // Kills the file system, which makes every blocked call fail at once,
    // then detaches the mount. Idempotent.
    void Unmount();

private:
    std::string BackingFolder;
    std::string Folder; // holds the mount point and the rules file
    std::string MountPoint;
    std::string RulesFile;
    std::string Reason;
    pid_t Server = -1;
    bool IsMounted = false;
};
