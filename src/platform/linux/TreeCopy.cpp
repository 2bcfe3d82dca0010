// The tree copy of a move, step by step: each step is one walk of the
// source (see CopyWalk.h) or one call on the target's folder, and the copy
// lives under a hidden name until it is published.
#include "platform/TreeCopy.h"

#include "platform/DirReader.h"
#include "platform/Mounts.h"
#include "platform/linux/CopyWalk.h"

#include <cerrno>
#include <cstdio>
#include <random>

namespace Platform {
namespace {

constexpr char TempPrefix[] = ".quillmere-move-";

} // namespace

TTreeCopy::TTreeCopy(const TScannedItem& source, const TMoveTarget& target)
    : State(std::make_unique<TState>()) {
    TState& s = *State;
    TResolved r = Resolve(source);
    if (!r.Refused.empty()) {
        Problem = r.Refused;
        return;
    }
    if (!S_ISDIR(r.Item.st_mode)) {
        Problem = Quoted(r.Path) + " is not a folder.";
        return;
    }
    s.SourcePath = r.Path;
    s.SourceName = r.Name;
    s.SourceStat = r.Item;
    s.SourceParent = std::move(r.Parent);
    if (!target.Error().empty()) {
        Problem = target.Error();
        return;
    }
    s.TargetFolder = target.Folder();
    s.TargetName = target.Name();
    // The folder opened once, for reading now, so that it can be flushed.
    s.TargetParent = TOwnedFd(openat(target.FolderFd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat folder {};
    if (!s.TargetParent.Valid() || fstat(s.TargetParent.Get(), &folder) != 0) {
        Problem =
            "The folder " + Quoted(s.TargetFolder) + " cannot be opened: " + ErrorText(errno) + ".";
        return;
    }
    s.TargetId = {folder.st_dev, folder.st_ino};
    std::random_device random;
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%08x%08x", static_cast<unsigned>(random()),
                  static_cast<unsigned>(random()));
    s.TempName = std::string(TempPrefix) + suffix;
    s.Record.Path = (s.TargetFolder == "/" ? "" : s.TargetFolder) + "/" + s.TempName;
}

TTreeCopy::~TTreeCopy() {
    if (State->Made && !State->Published)
        Discard();
}

TTreeCount TTreeCopy::Count(TCopyWatcher& watcher) {
    TTreeCount count;
    if (!Problem.empty()) {
        count.Error = Problem;
        return count;
    }
    std::string problem;
    TCopyCounter walk(*State, watcher, problem);
    if (walk.Run(false) == TCopyStep::Done) {
        count.Bytes = walk.Tally.FileBytes;
        count.Entries = walk.Tally.Entries;
    } else {
        count.Error = problem.empty() ? "Stopped." : problem;
    }
    return count;
}

const TCopyRecord& TTreeCopy::Record() const {
    return State->Record;
}

bool TTreeCopy::Begin() {
    TState& s = *State;
    if (!Problem.empty() || s.Made)
        return false;
    if (mkdirat(s.TargetParent.Get(), s.TempName.c_str(), 0700) != 0) {
        Problem =
            "No folder can be made in " + Quoted(s.TargetFolder) + ": " + ErrorText(errno) + ".";
        return false;
    }
    struct stat st {};
    if (fstatat(s.TargetParent.Get(), s.TempName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        Problem = "The copy's folder cannot be examined: " + ErrorText(errno) + ".";
        unlinkat(s.TargetParent.Get(), s.TempName.c_str(), AT_REMOVEDIR);
        return false;
    }
    s.TempId = {st.st_dev, st.st_ino};
    s.Made = true;
    s.Record.Device = st.st_dev;
    s.Record.Inode = st.st_ino;
    return true;
}

TCopyStep TTreeCopy::Copy(TCopyWatcher& watcher) {
    if (!State->Made)
        return TCopyStep::Failed;
    State->Linked.clear();
    TCopier walk(*State, watcher, Problem);
    return walk.Run(true);
}

TCopyStep TTreeCopy::Verify(TCopyWatcher& watcher) {
    TState& s = *State;
    if (!s.Made)
        return TCopyStep::Failed;
    TOwnedFd copy(openat(s.TargetParent.Get(), s.TempName.c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!copy.Valid() || syncfs(copy.Get()) != 0) {
        Problem = "The copy cannot be written to disk: " + ErrorText(errno) + ".";
        return TCopyStep::Failed;
    }
    TCopyChecker walk(s, watcher, Problem);
    return walk.Run(true);
}

bool TTreeCopy::Publish() {
    TState& s = *State;
    if (!s.Made || s.Published)
        return false;
    const int folder = s.TargetParent.Get();
    int done =
        renameat2(folder, s.TempName.c_str(), folder, s.TargetName.c_str(), RENAME_NOREPLACE);
    if (done != 0 && errno == EINVAL) {
        // A file system without the no-replace rename: look first. A folder
        // appearing in between must be empty to be replaced, so no file of
        // anyone's is lost even then.
        struct stat st {};
        if (fstatat(folder, s.TargetName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            errno = EEXIST;
        else if (errno == ENOENT)
            done = renameat(folder, s.TempName.c_str(), folder, s.TargetName.c_str());
    }
    if (done != 0) {
        const std::string path = (s.TargetFolder == "/" ? "" : s.TargetFolder) + "/" + s.TargetName;
        Problem = errno == EEXIST || errno == ENOTEMPTY
                      ? Quoted(path) + " appeared while the folder was being copied."
                      : "The copy cannot be named " + Quoted(path) + ": " + ErrorText(errno) + ".";
        return false;
    }
    s.Published = true;
    // The new name must be on disk before the source goes.
    fsync(folder);
    return true;
}

TDeleteResult TTreeCopy::RemoveSource(TCopyWatcher& watcher) {
    TState& s = *State;
    TDeleteResult result;
    if (!s.Published) {
        result.Refused = "The copy is not in place; the original stays.";
        return result;
    }
    std::string problem;
    TSourceRemover walk(s, watcher, problem, result);
    if (walk.Run(true) != TCopyStep::Done) {
        ++result.FailureCount;
        result.Failures.push_back({s.SourcePath, problem});
        return result;
    }
    if (!walk.TopKept) {
        if (unlinkat(s.SourceParent.Get(), s.SourceName.c_str(), AT_REMOVEDIR) == 0)
            ++result.RemovedFolders;
        else if (errno != ENOENT) {
            ++result.FailureCount;
            result.Failures.push_back({s.SourcePath, ErrorText(errno)});
        }
    }
    return result;
}

bool TTreeCopy::Discard() {
    TState& s = *State;
    if (!s.Made || s.Published)
        return !s.Made;
    TDeleteResult result;
    TOwnedFd folder(dup(s.TargetParent.Get()));
    DeleteOwnTree(std::move(folder), s.TargetFolder, s.TempName, s.TempId, result);
    if (result.Complete())
        s.Made = false;
    return result.Complete();
}

bool RemoveRecordedCopy(const TCopyRecord& record) {
    std::string folder, name;
    if (!SplitTarget(record.Path, folder, name) || name.rfind(TempPrefix, 0) != 0)
        return true; // not a copy this program made: never touched
    TOwnedFd parent = OpenFolderPath(folder);
    if (!parent.Valid())
        return errno == ENOENT;
    struct stat st {};
    if (fstatat(parent.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return true; // something else has that name now
    if (record.Inode == 0) {
        // Recorded before it was made: only an empty folder can be that one.
        return unlinkat(parent.Get(), name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOTEMPTY ||
               errno == EEXIST;
    }
    if (st.st_dev != record.Device || st.st_ino != record.Inode)
        return true;
    TOwnedFd readable(openat(parent.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    TDeleteResult result;
    DeleteOwnTree(std::move(readable), folder, name, TIdentity{st.st_dev, st.st_ino}, result);
    return result.Complete();
}

} // namespace Platform
