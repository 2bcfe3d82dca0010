// Mounts made by the window tests, so a scan covers a drive that holds just
// what the test put there: a tmpfs of its own, or a real folder bound
// read-only for pictures. Unmounted when the object goes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>

class TTestMount {
public:
    TTestMount() = default;
    ~TTestMount() {
        if (!Path.empty())
            umount2(Path.c_str(), MNT_DETACH);
    }
    TTestMount(const TTestMount&) = delete;
    TTestMount& operator=(const TTestMount&) = delete;

    // A tmpfs at path, which must exist. False, with Error() saying why, where
    // the test may not mount.
    bool MountTmpfs(const std::string& path, const char* options = "size=64m") {
        return Done(mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0, path);
    }
    const std::string& Error() const { return Reason; }

private:
    bool Done(bool ok, const std::string& path) {
        if (ok)
            Path = path;
        else
            Reason = "cannot mount " + path + ": " + std::strerror(errno);
        return ok;
    }

    std::string Path;
    std::string Reason;
};
