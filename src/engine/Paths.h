// Path helpers on absolute "/" paths of raw bytes, and existence tests that
// work on paths of any length without following links.
#pragma once

#include "platform/DirReader.h"
#include "platform/Mounts.h"

#include <cstdint>
#include <string>

// Appends "/" unless the path ends in one; an empty path stays empty.
std::string IncludeTrailingBackslash(const std::string& path);
// Drops a final "/" unless the path is "/" itself; an empty path stays empty.
std::string ExcludeTrailingBackslash(const std::string& path);
// True for "/" and for the root of any other mounted file system.
bool IsDriveRoot(const std::string& path);
// The folder that holds path ("/" for "/usr", "/usr" for "/usr/lib").
std::string ParentPath(const std::string& path);
// An absolute, tidy form of a path the user gave, with ".." read as the kernel
// reads it (see there).
using Platform::AbsolutePath;
// The last component of path; "/" gives "/".
std::string LastComponent(const std::string& path);

using TDirEntry = Platform::TFileFacts;
bool PathExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool FindEntry(const std::string& path, TDirEntry& entry);
// The size of the entry at path, 0 when there is none.
std::int64_t FileSizeOf(const std::string& path);
// What the tree shows for path: a drive's display name for a drive root, the
// last component otherwise.
std::string DisplayNameOf(const std::string& path);
