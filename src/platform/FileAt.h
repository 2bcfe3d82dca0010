// The small file-system steps of the clean-up work (archives, their
// catalogue, the move's records, the tools file), each one system call or a
// loop of them, each telling its failure as a TFailure with the error number
// and the name it was about.
//
// Contract: a name given with a folder descriptor is one component of that
// folder and is never followed when it is a symbolic link; only the *Path
// functions take a path, and they follow links as the user's own path would.
// Reading and writing retry when a signal interrupts them, so a short count
// means the end of the file.
#pragma once

#include "platform/DirReader.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace Platform {

// ---- opening

// A folder by path, links followed (as the user named it).
TResult<TFd> OpenFolderPathFollowing(const std::string& path);
// A folder by path whose last component is not a link.
TResult<TFd> OpenFolderPathNoLink(const std::string& path);
// A file by path for reading, links followed. With noWait, opening a FIFO
// or a device does not wait for its other end.
TResult<TFd> OpenFilePathForReading(const std::string& path, bool noWait = false);
// The file `name` of the folder for reading. With noWait, opening a FIFO or
// a device does not wait for its other end.
TResult<TFd> OpenFileAt(int folderFd, const std::string& name, bool noWait = false);
// The subfolder `name` of the folder, for listing.
TResult<TFd> OpenSubfolder(int folderFd, const std::string& name);
// What `below` ("/"-separated, relative) names below the open folder, one
// component at a time and never through a link, so no path is too long. The
// last component is opened as a folder with folder, else as a file for
// reading; "" opens rootFd again.
TResult<TFd> OpenBelow(int rootFd, const std::string& below, bool folder = false);
// A new file `name` in the folder, for reading and writing, with the mode;
// fails when anything at all is there already.
TResult<TFd> CreateFileAt(int folderFd, const std::string& name, unsigned mode);
// A new file by path (the same, links followed in the folders above it).
TResult<TFd> CreateFilePath(const std::string& path, unsigned mode);
// Another descriptor of the same open file.
TResult<TFd> Duplicate(int fd);

// ---- facts

// The entry `name` of the folder, not followed; "" examines folderFd itself.
TResult<struct stat> StatAt(int folderFd, const std::string& name);
// By path: with follow, as the kernel resolves it; without, the last
// component itself.
TResult<struct stat> StatPath(const std::string& path, bool follow);
// Whether the process may write in (or, with execute, run) the item at path.
bool MayWritePath(const std::string& path);
bool MayRunPath(const std::string& path);
// The path with every link and "." or ".." resolved.
TResult<std::string> RealPath(const std::string& path);
// The target of the link `name` of the folder, sized by its lstat size.
TResult<std::string> ReadLinkAt(int folderFd, const std::string& name, std::size_t sizeHint);
// The names in the open folder, "." and ".." left out, in the order the
// file system gives them.
TResult<std::vector<std::string>> NamesIn(int folderFd);

// ---- reading and writing

// Up to `length` bytes from the file's position; 0 at its end.
TResult<std::size_t> ReadSome(int fd, void* buffer, std::size_t length);
// Up to `length` bytes at `offset`, as many as are there; 0 past the end.
TResult<std::size_t> ReadAt(int fd, void* buffer, std::size_t length, std::int64_t offset);
// The rest of the file, at most limit bytes (more is a failure: EFBIG).
TResult<std::string> ReadRest(int fd, std::size_t limit);
// All of the bytes, at the file's position.
TStatus WriteAll(int fd, std::string_view bytes);
// All of the bytes at offset.
TStatus WriteAllAt(int fd, const void* bytes, std::size_t length, std::int64_t offset);
// The file's data and size on the disk.
TStatus Sync(int fd);

// ---- changing folders

// Removes the file (or, with folder, the empty folder) `name`.
TStatus RemoveAt(int folderFd, const std::string& name, bool folder = false);
// Removes the file, or the empty folder, at path (the last component itself).
TStatus RemovePath(const std::string& path, bool folder = false);
// Renames within the folder; without replace, never over an entry that is there.
TStatus RenameAt(int folderFd, const std::string& from, const std::string& to, bool replace);
// Renames by path, replacing.
TStatus RenamePath(const std::string& from, const std::string& to);
// Makes the folder at path with the mode; EEXIST when something is there.
TStatus MakeFolderPath(const std::string& path, unsigned mode);
// Sets the permission bits of the open item.
TStatus SetMode(int fd, unsigned mode);

// ---- locks

// An exclusive lock on the whole open file, held until every descriptor of
// this opening is closed. With wait false, EWOULDBLOCK while another holds it.
TStatus LockFile(int fd, bool wait);

} // namespace Platform
