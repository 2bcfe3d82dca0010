#include "engine/Paths.h"

#include "platform/Mounts.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

std::string IncludeTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

std::string ExcludeTrailingBackslash(const std::string& path) {
    if (path.size() > 1 && path.back() == '/')
        return path.substr(0, path.size() - 1);
    return path;
}

bool IsDriveRoot(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    return !p.empty() && p[0] == '/' && Platform::IsMountPoint(p);
}

std::string ParentPath(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string AbsolutePath(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        if (!cwd)
            return {};
        full = std::string(cwd) + "/" + full;
        std::free(cwd);
    }
    std::string tidy;
    for (std::size_t pos = 0; pos < full.size();) {
        std::size_t next = full.find('/', pos);
        if (next == std::string::npos)
            next = full.size();
        const std::string part = full.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            const std::size_t slash = tidy.rfind('/');
            tidy.resize(slash == std::string::npos ? 0 : slash);
            continue;
        }
        tidy += "/" + part;
    }
    return tidy.empty() ? "/" : tidy;
}

std::string LastComponent(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    if (p == "/")
        return p;
    const std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool PathExists(const std::string& path) {
    return Platform::EntryExists(path);
}

bool DirectoryExists(const std::string& path) {
    return Platform::FolderExists(path);
}

bool FindEntry(const std::string& path, TDirEntry& entry) {
    return Platform::LookUpEntry(path, entry);
}

std::int64_t FileSizeOf(const std::string& path) {
    TDirEntry entry;
    return FindEntry(path, entry) ? entry.Size : 0;
}

std::string DisplayNameOf(const std::string& path) {
    const std::string p = ExcludeTrailingBackslash(path);
    for (const Platform::TDrive& drive : Platform::ListDrives())
        if (drive.RootPath == p)
            return drive.DisplayName;
    return LastComponent(p);
}
