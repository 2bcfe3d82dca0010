// Where a move goes and whether it may: the target's folder opened once,
// the refusals checked before anything is touched, and the rename that
// never replaces what is at the target.
#include "platform/TreeCopy.h"

#include "platform/DirReader.h"
#include "platform/linux/CopyWalk.h"

#include <cerrno>

namespace Platform {

bool SplitTarget(const std::string& path, std::string& folder, std::string& name) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (trimmed.empty() || trimmed[0] != '/' || slash == std::string::npos)
        return false;
    folder = slash == 0 ? "/" : trimmed.substr(0, slash);
    name = trimmed.substr(slash + 1);
    return !name.empty() && name != "." && name != "..";
}

TMoveTarget::TMoveTarget(const std::string& target) : Target(target) {
    if (!SplitTarget(target, FolderPath, NewName)) {
        Problem = Quoted(target) + " does not name a new folder.";
        return;
    }
    TOwnedFd folder = OpenFolderPath(FolderPath);
    if (!folder.Valid()) {
        Problem = errno == ENOENT || errno == ENOTDIR
                      ? "The folder " + Quoted(FolderPath) + " does not exist."
                      : "The folder " + Quoted(FolderPath) +
                            " cannot be opened: " + ErrorText(errno) + ".";
        return;
    }
    Fd = folder.Release();
}

TMoveTarget::~TMoveTarget() {
    if (Fd >= 0)
        close(Fd);
}

std::string MoveCheck(const TScannedItem& source, const std::string& target) {
    return MoveCheck(source, TMoveTarget(target));
}

std::string MoveCheck(const TScannedItem& source, const TMoveTarget& target) {
    // What a delete and an archive refuse, a move refuses too.
    TResolved r = Resolve(source);
    if (std::string refused = FolderRemovalRefusal(r); !refused.empty())
        return refused;
    if (!target.Error().empty())
        return target.Error();
    struct stat st {};
    if (fstatat(target.FolderFd(), target.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return Quoted(target.Path()) + " already exists.";
    if (errno != ENOENT)
        return Quoted(target.Path()) + " cannot be examined: " + ErrorText(errno) + ".";
    // The target's folder, or one above it, must not be the folder moved.
    const TIdentity moved{r.Item.st_dev, r.Item.st_ino};
    for (TOwnedFd up(dup(target.FolderFd())); up.Valid();) {
        auto id = IdentityOf(up.Get(), "", true);
        if (!id)
            break;
        if (*id == moved)
            return Quoted(target.Path()) + " lies inside the folder being moved.";
        auto parent = IdentityOf(up.Get(), "..", true);
        if (!parent || *parent == *id)
            break; // the root
        up = TOwnedFd(openat(up.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return {};
}

TRenameOutcome RenameNoReplace(const TScannedItem& source, const TMoveTarget& target,
                               TFailure& failure) {
    TResolved r = Resolve(source);
    if (!r.Refused.empty()) {
        failure = Refusal(r.Refused);
        return TRenameOutcome::Failed;
    }
    if (!target.Error().empty()) {
        failure = Refusal(target.Error());
        return TRenameOutcome::Failed;
    }
    if (renameat2(r.Parent.Get(), r.Name.c_str(), target.FolderFd(), target.Name().c_str(),
                  RENAME_NOREPLACE) == 0)
        return TRenameOutcome::Renamed;
    // Without the no-replace rename, or across mounts, the copy decides.
    const int error = errno;
    if (error == EXDEV || error == EINVAL)
        return TRenameOutcome::OtherFileSystem;
    failure = TFailure{error,
                       {},
                       error == EEXIST || error == ENOTEMPTY
                           ? Quoted(target.Path()) + " already exists."
                           : Quoted(r.Path) + " cannot be moved: " + ErrorText(error) + "."};
    return TRenameOutcome::Failed;
}

} // namespace Platform
