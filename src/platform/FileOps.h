// Deleting and trashing files and folders on behalf of the user.
//
// Contract: paths are raw bytes of any length. Neither operation follows a
// symbolic link (a link is removed or trashed as itself), and neither touches
// "/", the user's home folder or its ancestors, the root of a mounted file
// system, or the system's own folders. Deleting never enters another mounted
// file system (bind mounts included: mount ids are compared, not only device
// numbers) and reports every item it could not remove. Trashing never falls
// back to deleting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// What a scan saw of an item, so that a delete or trash later acts on that
// same item and nothing else. The folder the scan started from (Top, spelt
// as the user gave it) must still be the folder it was; every component
// below it is opened without following a symbolic link and without leaving
// Top's file system; the item and its folder must still carry the inodes the
// scan saw. Identities that are 0 are not known and not checked.
struct TScannedItem {
    std::string Top; // absolute path of the folder the scan started from
    std::uint64_t TopDevice = 0;
    std::uint64_t TopInode = 0;
    std::string Below;             // "/"-separated path from Top to the item; never empty
    std::uint64_t FolderInode = 0; // the folder that holds the item
    std::uint64_t Inode = 0;       // the item itself
};

// Top and Below joined.
std::string PathOf(const TScannedItem& item);
// An item given by path alone: its folder is reached as the kernel would
// (links followed), the item itself never is.
TScannedItem ItemAtPath(const std::string& path);

// The first mount point strictly inside the folder at path (canonical, no
// links), as a path; empty when there is none.
std::string MountInside(const std::string& path);

// Why the scanned item must not be deleted or trashed (protected, or no
// longer the item that was scanned); empty when it may be.
std::string DeleteCheck(const TScannedItem& item);

// Why the item at path must not be deleted or trashed; empty when it may be.
// Also says so when path is relative, names "." or "..", or does not exist.
std::string ProtectedReason(const std::string& path);

// Why the folder must not be taken away whole (moved elsewhere or into an
// archive): what ProtectedReason refuses, anything that is not a folder, and
// a folder with another drive mounted inside it (named). Empty when it may.
std::string FolderRemovalRefusal(const TScannedItem& item);
std::string FolderRemovalRefusal(const std::string& path);

struct TTrashResult {
    bool Ok = false;
    std::string Error; // why not, in words for the user
};

// Moves the item to the freedesktop trash (also on other mounts, in their
// own trash folder).
// A folder with another file system mounted inside is refused, naming the
// mount: the trash would carry the live mount along.
TTrashResult MoveToTrash(const TScannedItem& item);
TTrashResult MoveToTrash(const std::string& path);

struct TDeleteFailure {
    std::string Path;
    std::string Reason;
};

struct TDeleteResult {
    // Not empty when nothing was done at all, and why.
    std::string Refused;
    // Items left behind, at most MaxReportedFailures of FailureCount.
    std::vector<TDeleteFailure> Failures;
    std::uint64_t FailureCount = 0;
    std::uint64_t RemovedFiles = 0; // files, links and other non-folders
    std::uint64_t RemovedFolders = 0;

    bool Complete() const { return Refused.empty() && FailureCount == 0; }
};

inline constexpr std::size_t MaxReportedFailures = 1000;

// The apparent size of a file, or of a folder with everything below it on the
// same file system, and how many files and folders that is; links are not
// followed. All zero when nothing is at path.
struct TItemFigures {
    std::int64_t Size = 0;
    std::uint64_t Files = 0;   // 1 for a file
    std::uint64_t Folders = 0; // below a folder
    bool IsFolder = false;
};
TItemFigures MeasureItem(const std::string& path);

// The user's home folder: $HOME when it is absolute, else the password
// database's; empty when neither says.
std::string HomeFolder();

// Makes the folder at path (absolute) and any folders missing above it, new
// ones with the given mode; false with errno set when one cannot be made.
bool MakeFolders(const std::string& path, unsigned mode);

// Removes the item and, for a folder, everything below it on the same mount.
TDeleteResult DeleteTree(const TScannedItem& item);
TDeleteResult DeleteTree(const std::string& path);

} // namespace Platform
