#include "engine/Paths.h"

#include "platform/Mounts.h"

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
