// A RAM disk that a test mounts on a folder of its own, so that a drive comes
// and goes while the test looks on. Detached at the latest when the object
// goes; declare it after the TTempTree that holds its folder, so the folder
// is empty again before the tree is removed.
#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>

class TTmpfsMount {
public:
    // Mounts a tmpfs on path, which must exist. Where the test may not mount
    // (no root, no CAP_SYS_ADMIN), Mounted() is false and Why() says so.
    explicit TTmpfsMount(std::string path, const char* options = "size=8m")
        : Path(std::move(path)) {
        IsMounted = mount("tmpfs", Path.c_str(), "tmpfs", 0, options) == 0;
        if (!IsMounted)
            Reason = "cannot mount a tmpfs on " + Path + ": " + std::strerror(errno);
    }
    ~TTmpfsMount() {
        if (IsMounted)
            umount2(Path.c_str(), MNT_DETACH);
    }
    TTmpfsMount(const TTmpfsMount&) = delete;
    TTmpfsMount& operator=(const TTmpfsMount&) = delete;

    bool Mounted() const { return IsMounted; }
    const std::string& Why() const { return Reason; }

    // False, with Why() saying so, when the kernel refuses.
    bool Unmount() {
        if (IsMounted && umount2(Path.c_str(), 0) != 0) {
            Reason = "cannot unmount " + Path + ": " + std::strerror(errno);
            return false;
        }
        IsMounted = false;
        return true;
    }

private:
    std::string Path;
    std::string Reason;
    bool IsMounted = false;
};
