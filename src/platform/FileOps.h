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

// Why the item at path must not be deleted or trashed; empty when it may be.
// Also says so when path is relative, names "." or "..", or does not exist.
std::string ProtectedReason(const std::string& path);

struct TTrashResult {
    bool Ok = false;
    std::string Error; // why not, in words for the user
};

// Moves the item to the freedesktop trash (also on other mounts, in their
// own trash folder).
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

// Removes the item and, for a folder, everything below it on the same mount.
TDeleteResult DeleteTree(const std::string& path);

} // namespace Platform
