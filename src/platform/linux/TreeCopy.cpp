// The tree copy of a move. Source and copy are walked side by side through
// open folder descriptors; only the deepest folders keep theirs open, the
// others are opened again through ".." on the way up and must then still be
// the folders that were left, so no path is ever too long and no folder
// swapped in meanwhile is entered.
#include "platform/TreeCopy.h"

#include "platform/DirReader.h"
#include "platform/FileChange.h"
#include "platform/Mounts.h"
#include "platform/linux/FileOpsInternal.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <map>
#include <random>
#include <set>
#include <sys/sendfile.h>
#include <sys/xattr.h>
#include <vector>

namespace Platform {
namespace {

constexpr char TempPrefix[] = ".quillmere-move-";
constexpr std::size_t OpenFramesKept = 48;
constexpr std::size_t Block = 8u << 20; // bytes copied between two Stop tests

// Splits an absolute path into its folder and last name; false when there is
// no last name to give.
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

std::string ReadLink(int dirFd, const char* name, std::size_t sizeHint) {
    std::string target(sizeHint + 1 > 256 ? sizeHint + 1 : 256, '\0');
    for (;;) {
        const ssize_t n = readlinkat(dirFd, name, target.data(), target.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

bool IgnorableAttributeError(int error, const char* name) {
    if (error == ENOTSUP || error == EOPNOTSUPP)
        return true; // the target does not keep extended attributes
    // Namespaces other than "user." may be closed to this user, or managed by
    // the target's own security module.
    return (error == EPERM || error == EACCES || error == EINVAL) &&
           std::strncmp(name, "user.", 5) != 0;
}

// Copies the extended attributes of one open item to another; false with
// errno set on a failure that matters.
bool CopyAttributes(int from, int to) {
    ssize_t size = flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP || errno == EOPNOTSUPP;
    if (size == 0)
        return true;
    std::vector<char> names(static_cast<std::size_t>(size) + 1);
    size = flistxattr(from, names.data(), names.size());
    if (size < 0)
        return errno == ENOTSUP || errno == EOPNOTSUPP;
    std::vector<char> value(4096);
    for (const char* name = names.data(); name < names.data() + size;
         name += std::strlen(name) + 1) {
        ssize_t length = fgetxattr(from, name, value.data(), value.size());
        if (length < 0 && errno == ERANGE) {
            length = fgetxattr(from, name, nullptr, 0);
            if (length >= 0) {
                value.resize(static_cast<std::size_t>(length) + 1);
                length = fgetxattr(from, name, value.data(), value.size());
            }
        }
        if (length < 0) {
            if (errno == ENODATA || IgnorableAttributeError(errno, name))
                continue;
            return false;
        }
        if (fsetxattr(to, name, value.data(), static_cast<std::size_t>(length), 0) != 0 &&
            !IgnorableAttributeError(errno, name))
            return false;
    }
    return true;
}

// Owner where allowed (a user may not give files away), then the mode, which
// a change of owner may have cut, then the times.
bool ApplyMetadata(int from, int to, const struct stat& st) {
    if (fchown(to, st.st_uid, st.st_gid) != 0 && errno != EPERM && errno != EINVAL)
        return false;
    if (fchmod(to, st.st_mode & 07777) != 0)
        return false;
    if (!CopyAttributes(from, to))
        return false;
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    return futimens(to, times.data()) == 0;
}

struct TFrame {
    TOwnedFd Src, Dst;
    TIdentity SrcId, DstId;
    std::string Name; // within the parent frame
    struct stat St {};
    std::vector<std::string> Names;
    std::size_t Next = 0;
    bool Kept = false; // removing the source: something below stays
};

enum class TWalkMode { Count, Copy, Verify, RemoveSource };

} // namespace

struct TTreeCopy::TState {
    TOwnedFd SourceParent;
    std::string SourceName;
    std::string SourcePath;
    struct stat SourceStat {};
    std::uint64_t SourceMount = 0;

    TOwnedFd TargetParent; // opened for reading, so it can be flushed
    TIdentity TargetId;
    std::string TargetFolder;
    std::string TargetName;
    std::string TempName;
    TIdentity TempId;
    TCopyRecord Record;
    bool Made = false;
    bool Published = false;

    // Copying state.
    int Method = 0; // 0 copy_file_range, 1 sendfile, 2 read and write
    std::vector<char> Buffer;
    std::map<TIdentity, std::string> Linked; // first copy of each hard-linked file
    // What each file was when its copy began, and when that was: what the
    // check before the source goes compares with.
    struct TCopied {
        TFileStamp Stamp;
        std::timespec Start{};
    };
    std::map<TIdentity, TCopied> Copied;
};

namespace {

// One walk over the source, with its copy beside it unless counting.
class TWalk {
public:
    TWalk(TTreeCopy::TState& state, TWalkMode mode, TCopyWatcher& watcher, std::string& problem)
        : S(state), Mode(mode), Watcher(watcher), Problem(problem) {}

    TTreeCount Figures;

    // With RemoveSource: what was kept, and why.
    TDeleteResult* Removal = nullptr;

    TCopyStep Run() {
        TFrame top;
        top.Src = TOwnedFd(openat(S.SourceParent.Get(), S.SourceName.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!top.Src.Valid())
            return Fail({}, ErrorText(errno));
        if (fstat(top.Src.Get(), &top.St) != 0 || top.St.st_dev != S.SourceStat.st_dev ||
            top.St.st_ino != S.SourceStat.st_ino)
            return Fail({}, "it was replaced after it was checked");
        top.SrcId = {top.St.st_dev, top.St.st_ino};
        if (top.SrcId == S.TargetId)
            return Fail({}, InsideText());
        if (Mode != TWalkMode::Count) {
            const std::string& copyName = S.Published ? S.TargetName : S.TempName;
            top.Dst = TOwnedFd(openat(S.TargetParent.Get(), copyName.c_str(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat dst {};
            if (!top.Dst.Valid() || fstat(top.Dst.Get(), &dst) != 0 ||
                TIdentity{dst.st_dev, dst.st_ino} != S.TempId)
                return Fail({}, "the copy's folder was replaced");
            top.DstId = S.TempId;
        }
        if (!ListNamesAt(top.Src.Get(), top.Names))
            return Fail({}, "cannot be listed: " + ErrorText(errno));
        Frames.push_back(std::move(top));

        while (!Frames.empty()) {
            // Once the copy is in place, the source goes whatever happens.
            if (Mode != TWalkMode::RemoveSource && Watcher.Stopping())
                return TCopyStep::Stopped;
            TFrame& frame = Frames.back();
            if (frame.Next < frame.Names.size()) {
                const std::string name = std::move(frame.Names[frame.Next++]);
                if (TCopyStep step = Visit(name); step != TCopyStep::Done)
                    return step;
                continue;
            }
            if (Mode == TWalkMode::Copy &&
                !ApplyMetadata(frame.Src.Get(), frame.Dst.Get(), frame.St))
                return Fail(BelowOf({}), ErrorText(errno));
            if (TCopyStep step = Leave(); step != TCopyStep::Done)
                return step;
        }
        return TCopyStep::Done;
    }

private:
    std::string BelowOf(const std::string& name) const {
        std::string below;
        for (std::size_t i = 1; i < Frames.size(); ++i) {
            below += Frames[i].Name;
            below += '/';
        }
        below += name;
        if (!below.empty() && below.back() == '/')
            below.pop_back();
        return below;
    }

    std::string PathOf(const std::string& below) const {
        return below.empty() ? S.SourcePath : S.SourcePath + "/" + below;
    }

    bool IsTargetOrCopy(const TIdentity& id) const {
        return id == S.TargetId || (S.Made && id == S.TempId);
    }
    std::string InsideText() const {
        return "it is the target's folder " + Quoted(S.TargetFolder) +
               " under another path; a folder cannot be moved into itself";
    }

    TCopyStep Fail(const std::string& below, const std::string& reason) {
        Problem = Quoted(PathOf(below)) + ": " + reason + ".";
        FailedBelow = below;
        FailedReason = reason;
        return TCopyStep::Failed;
    }

    // Removing the source: an entry left where it is, and its folders with it.
    TCopyStep Keep(const std::string& below, const std::string& reason) {
        for (TFrame& frame : Frames)
            frame.Kept = true;
        ++Removal->FailureCount;
        if (Removal->Failures.size() < MaxReportedFailures)
            Removal->Failures.push_back({PathOf(below), reason});
        return TCopyStep::Done;
    }
    TCopyStep KeepFailed() { return Keep(FailedBelow, FailedReason); }

    TCopyStep RemoveEntry(const std::string& name, const std::string& below,
                          const struct stat& st) {
        // Only what is the same as its copy goes: whatever came or changed
        // since the copy was checked stays.
        if (VerifyEntry(name, below, st) != TCopyStep::Done)
            return KeepFailed();
        if (S_ISDIR(st.st_mode)) {
            if (Enter(name, below, st) != TCopyStep::Done)
                return KeepFailed();
            return TCopyStep::Done;
        }
        // Removing one name of a file with several changes its change time:
        // what the next name is compared with is the file as it is then,
        // which leaves its contents to prove it.
        TOwnedFd other;
        if (S_ISREG(st.st_mode) && st.st_nlink > 1)
            other = TOwnedFd(
                openat(Frames.back().Src.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (unlinkat(Frames.back().Src.Get(), name.c_str(), 0) == 0)
            ++Removal->RemovedFiles;
        else if (errno != ENOENT)
            return Keep(below, ErrorText(errno));
        if (auto copied = S.Copied.find(TIdentity{st.st_dev, st.st_ino});
            other.Valid() && copied != S.Copied.end())
            StampFile(other.Get(), "", copied->second.Stamp);
        Watcher.EntryDone();
        return TCopyStep::Done;
    }

    TCopyStep Visit(const std::string& name) {
        TFrame& frame = Frames.back();
        const std::string below = BelowOf(name);
        Watcher.Entering(below);
        struct stat st {};
        if (fstatat(frame.Src.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) !=
            0) {
            // Deleted from the source meanwhile: nothing of it to keep.
            if (errno == ENOENT)
                return TCopyStep::Done;
            return Fail(below, ErrorText(errno));
        }
        if (S_ISDIR(st.st_mode) && !SameFileSystem(S.SourceStat.st_dev, S.SourceMount, st.st_dev,
                                                   MountIdAt(frame.Src.Get(), name.c_str()))) {
            if (Mode == TWalkMode::RemoveSource)
                return Keep(below, "another drive is mounted here; it was left alone");
            return Fail(below, "another drive is mounted here; unmount it first");
        }
        // The target's folder, or the copy, reached as a folder of the source
        // (a bind mount, or a rename meanwhile): never copied into itself,
        // never removed.
        if (S_ISDIR(st.st_mode) && IsTargetOrCopy({st.st_dev, st.st_ino})) {
            if (Mode == TWalkMode::RemoveSource)
                return Keep(below, "the moved folder is inside it; it was left alone");
            return Fail(below, InsideText());
        }
        if (Mode == TWalkMode::RemoveSource)
            return RemoveEntry(name, below, st);
        TCopyStep step = TCopyStep::Done;
        switch (Mode) {
        case TWalkMode::Count:
            ++Figures.Entries;
            if (S_ISREG(st.st_mode) &&
                (st.st_nlink < 2 || Seen.insert({st.st_dev, st.st_ino}).second))
                Figures.Bytes += static_cast<std::uint64_t>(st.st_size);
            break;
        case TWalkMode::Copy:
            step = CopyEntry(name, below, st);
            break;
        case TWalkMode::Verify:
            step = VerifyEntry(name, below, st);
            break;
        case TWalkMode::RemoveSource:
            break;
        }
        if (step != TCopyStep::Done)
            return step;
        if (S_ISDIR(st.st_mode))
            return Enter(name, below, st);
        Watcher.EntryDone();
        return TCopyStep::Done;
    }

    TCopyStep Enter(const std::string& name, const std::string& below, const struct stat& st) {
        TFrame& parent = Frames.back();
        TFrame frame;
        frame.Name = name;
        frame.St = st;
        frame.SrcId = {st.st_dev, st.st_ino};
        frame.Src = TOwnedFd(openat(parent.Src.Get(), name.c_str(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat opened {};
        if (!frame.Src.Valid())
            return Fail(below, ErrorText(errno));
        if (fstat(frame.Src.Get(), &opened) != 0 ||
            TIdentity{opened.st_dev, opened.st_ino} != frame.SrcId)
            return Fail(below, "it was replaced while it was being copied");
        if (Mode != TWalkMode::Count) {
            frame.Dst = TOwnedFd(openat(parent.Dst.Get(), name.c_str(),
                                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!frame.Dst.Valid() || fstat(frame.Dst.Get(), &opened) != 0)
                return Fail(below, "its copy cannot be opened: " + ErrorText(errno));
            frame.DstId = {opened.st_dev, opened.st_ino};
        }
        if (!ListNamesAt(frame.Src.Get(), frame.Names))
            return Fail(below, "cannot be listed: " + ErrorText(errno));
        Watcher.EntryDone();
        Frames.push_back(std::move(frame));
        if (Frames.size() > OpenFramesKept + 1) {
            TFrame& old = Frames[Frames.size() - 1 - OpenFramesKept];
            old.Src.Reset();
            old.Dst.Reset();
        }
        return TCopyStep::Done;
    }

    static bool Reopen(TOwnedFd& fd, int child, const TIdentity& expected) {
        TOwnedFd up(openat(child, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st {};
        if (!up.Valid() || fstat(up.Get(), &st) != 0 || TIdentity{st.st_dev, st.st_ino} != expected)
            return false;
        fd = std::move(up);
        return true;
    }

    TCopyStep Leave() {
        if (Frames.size() == 1) {
            Kept = Frames.back().Kept;
            Frames.pop_back();
            return TCopyStep::Done;
        }
        TFrame done = std::move(Frames.back());
        Frames.pop_back();
        TFrame& parent = Frames.back();
        if (!parent.Src.Valid() && !Reopen(parent.Src, done.Src.Get(), parent.SrcId))
            return Fail(BelowOf({}), "it was moved while it was being copied");
        if (Mode != TWalkMode::Count && !parent.Dst.Valid() &&
            !Reopen(parent.Dst, done.Dst.Get(), parent.DstId))
            return Fail(BelowOf({}), "its copy was moved while it was being made");
        if (Mode == TWalkMode::RemoveSource) {
            done.Src.Reset();
            if (unlinkat(parent.Src.Get(), done.Name.c_str(), AT_REMOVEDIR) == 0)
                ++Removal->RemovedFolders;
            else if (!(done.Kept && errno == ENOTEMPTY) && errno != ENOENT)
                Keep(BelowOf(done.Name), ErrorText(errno));
            else if (done.Kept)
                parent.Kept = true;
        }
        return TCopyStep::Done;
    }

    // Copying.

    TCopyStep CopyEntry(const std::string& name, const std::string& below, const struct stat& st) {
        const int src = Frames.back().Src.Get();
        const int dst = Frames.back().Dst.Get();
        const char* n = name.c_str();
        if (S_ISDIR(st.st_mode)) {
            // Writable by us until its contents are in; its mode comes last.
            if (mkdirat(dst, n, 0700) != 0)
                return Fail(below, "cannot be copied: " + ErrorText(errno));
            return TCopyStep::Done;
        }
        if (S_ISREG(st.st_mode)) {
            if (st.st_nlink > 1) {
                auto [it, first] = S.Linked.try_emplace(TIdentity{st.st_dev, st.st_ino}, below);
                if (!first) {
                    const int top = Frames.front().Dst.Get();
                    if (top >= 0 && linkat(top, it->second.c_str(), dst, n, 0) == 0)
                        return TCopyStep::Done;
                    // The first copy's path was too long to name, or its
                    // folder is closed: a copy of its own keeps the contents.
                }
            }
            return CopyFile(name, below, st);
        }
        if (S_ISLNK(st.st_mode)) {
            const std::string target = ReadLink(src, n, static_cast<std::size_t>(st.st_size));
            if (target.empty() && st.st_size != 0)
                return Fail(below, "cannot be read: " + ErrorText(errno));
            if (symlinkat(target.c_str(), dst, n) != 0)
                return Fail(below, "cannot be copied: " + ErrorText(errno));
        } else {
            // FIFOs, sockets and device nodes are made anew, as the same kind.
            if (mknodat(dst, n, (st.st_mode & S_IFMT) | 0600, st.st_rdev) != 0)
                return Fail(below, "cannot be copied: " + ErrorText(errno));
            if (fchownat(dst, n, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0 &&
                errno != EPERM && errno != EINVAL)
                return Fail(below, ErrorText(errno));
            if (fchmodat(dst, n, st.st_mode & 07777, 0) != 0)
                return Fail(below, ErrorText(errno));
        }
        if (S_ISLNK(st.st_mode) &&
            fchownat(dst, n, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM &&
            errno != EINVAL)
            return Fail(below, ErrorText(errno));
        const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
        if (utimensat(dst, n, times.data(), AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(below, ErrorText(errno));
        return TCopyStep::Done;
    }

    TCopyStep CopyFile(const std::string& name, const std::string& below, const struct stat& st) {
        const char* n = name.c_str();
        // Read before the file is looked at: a write after it must show.
        const std::timespec start = CopyStartTime();
        TOwnedFd in(
            openat(Frames.back().Src.Get(), n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME));
        if (!in.Valid() && errno == EPERM) // O_NOATIME is for the file's owner only
            in = TOwnedFd(openat(Frames.back().Src.Get(), n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.Valid())
            return Fail(below, "cannot be read: " + ErrorText(errno));
        struct stat opened {};
        TFileStamp stamp;
        if (!StampFile(in.Get(), "", stamp) || fstat(in.Get(), &opened) != 0 ||
            opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
            return Fail(below, "it was replaced while it was being copied");
        // The first copy of a file with several names is the one to compare
        // with: the earliest stamp is the strictest.
        S.Copied.try_emplace(TIdentity{opened.st_dev, opened.st_ino},
                             TTreeCopy::TState::TCopied{stamp, start});
        TOwnedFd out(openat(Frames.back().Dst.Get(), n,
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.Valid())
            return Fail(below, "cannot be copied: " + ErrorText(errno));
        const auto size = static_cast<std::uint64_t>(opened.st_size);
        // Holes are looked for only where there can be any.
        const bool sparse = static_cast<std::uint64_t>(opened.st_blocks) * 512 < size && size > 0;
        std::uint64_t pos = 0;
        while (pos < size) {
            std::uint64_t dataEnd = size;
            if (sparse) {
                const off_t data = lseek(in.Get(), static_cast<off_t>(pos), SEEK_DATA);
                if (data < 0 && errno == ENXIO)
                    break; // a hole up to the end
                if (data >= 0) {
                    const off_t hole = lseek(in.Get(), data, SEEK_HOLE);
                    pos = static_cast<std::uint64_t>(data);
                    if (hole > data)
                        dataEnd = std::min<std::uint64_t>(size, static_cast<std::uint64_t>(hole));
                }
            }
            while (pos < dataEnd) {
                if (Watcher.Stopping())
                    return TCopyStep::Stopped;
                const std::uint64_t want = std::min<std::uint64_t>(Block, dataEnd - pos);
                std::uint64_t got = 0;
                if (!CopyRange(in.Get(), out.Get(), pos, want, got))
                    return Fail(below, "cannot be copied: " + ErrorText(errno));
                if (got == 0)
                    return Fail(below, "it became shorter while it was being copied");
                pos += got;
                Watcher.Copied(got);
            }
        }
        if (sparse && ftruncate(out.Get(), static_cast<off_t>(size)) != 0)
            return Fail(below, "cannot be copied: " + ErrorText(errno));
        if (!ApplyMetadata(in.Get(), out.Get(), opened))
            return Fail(below, "cannot be copied: " + ErrorText(errno));
        // A network file system may report a failed write only here.
        if (close(out.Release()) != 0)
            return Fail(below, "cannot be copied: " + ErrorText(errno));
        return TCopyStep::Done;
    }

    // Copies up to `want` bytes at `pos` from one file to the other, by the
    // fastest means the two file systems accept.
    bool CopyRange(int in, int out, std::uint64_t pos, std::uint64_t want, std::uint64_t& got) {
        if (S.Method == 0) {
            loff_t inPos = static_cast<loff_t>(pos), outPos = static_cast<loff_t>(pos);
            const ssize_t n = copy_file_range(in, &inPos, out, &outPos, want, 0);
            if (n >= 0) {
                got = static_cast<std::uint64_t>(n);
                return true;
            }
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EBADF)
                return false;
            S.Method = 1;
        }
        if (S.Method == 1) {
            off_t inPos = static_cast<off_t>(pos);
            if (lseek(out, static_cast<off_t>(pos), SEEK_SET) < 0)
                return false;
            const ssize_t n = sendfile(out, in, &inPos, want);
            if (n >= 0) {
                got = static_cast<std::uint64_t>(n);
                return true;
            }
            if (errno != EINVAL && errno != ENOSYS)
                return false;
            S.Method = 2;
        }
        if (S.Buffer.empty())
            S.Buffer.resize(1u << 20);
        const ssize_t n = pread(in, S.Buffer.data(), std::min<std::uint64_t>(want, S.Buffer.size()),
                                static_cast<off_t>(pos));
        if (n <= 0) {
            got = 0;
            return n == 0;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                pwrite(out, S.Buffer.data() + done, static_cast<std::size_t>(n - done),
                       static_cast<off_t>(pos) + done);
            if (w < 0)
                return false;
            done += w;
        }
        got = static_cast<std::uint64_t>(n);
        return true;
    }

    // Checking.

    TCopyStep VerifyEntry(const std::string& name, const std::string& below,
                          const struct stat& st) {
        const int src = Frames.back().Src.Get();
        const int dst = Frames.back().Dst.Get();
        struct stat copy {};
        if (fstatat(dst, name.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(below, errno == ENOENT ? "it was added while the folder was being moved"
                                               : "its copy cannot be checked: " + ErrorText(errno));
        if ((copy.st_mode & S_IFMT) != (st.st_mode & S_IFMT))
            return Fail(below, "it was replaced while the folder was being moved");
        if (S_ISREG(st.st_mode))
            return VerifyFile(name, below, copy);
        if (S_ISLNK(st.st_mode) &&
            ReadLink(src, name.c_str(), static_cast<std::size_t>(st.st_size)) !=
                ReadLink(dst, name.c_str(), static_cast<std::size_t>(copy.st_size)))
            return Fail(below, "it changed while the folder was being moved");
        return TCopyStep::Done;
    }

    // Whether the source file is still what was copied: its times tell
    // where they can (FileChange.h), else its contents are compared with the
    // copy, and the times looked at once more for a write meanwhile.
    TCopyStep VerifyFile(const std::string& name, const std::string& below,
                         const struct stat& copy) {
        const int src = Frames.back().Src.Get();
        const char* n = name.c_str();
        const std::string changed = "it changed while the folder was being moved";
        struct stat now {};
        if (fstatat(src, n, &now, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(below, changed);
        const auto copied = S.Copied.find(TIdentity{now.st_dev, now.st_ino});
        if (copied == S.Copied.end() ||
            static_cast<std::uint64_t>(copy.st_size) != copied->second.Stamp.Size)
            return Fail(below, changed);
        const TTreeCopy::TState::TCopied& was = copied->second;
        switch (FileChangeSince(src, n, was.Stamp, was.Start)) {
        case TFileChange::Unchanged:
            return TCopyStep::Done;
        case TFileChange::Changed:
            return Fail(below, changed);
        case TFileChange::Unproven:
            break;
        }
        if (TCopyStep step = CompareContents(name, below); step != TCopyStep::Done)
            return step;
        if (FileChangeSince(src, n, was.Stamp, was.Start) == TFileChange::Changed)
            return Fail(below, changed);
        return TCopyStep::Done;
    }

    TCopyStep CompareContents(const std::string& name, const std::string& below) {
        const std::string changed = "it changed while the folder was being moved";
        TOwnedFd a(openat(Frames.back().Src.Get(), name.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME));
        if (!a.Valid() && errno == EPERM)
            a = TOwnedFd(
                openat(Frames.back().Src.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        TOwnedFd b(
            openat(Frames.back().Dst.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!a.Valid() || !b.Valid())
            return Fail(below, "it cannot be compared with its copy: " + ErrorText(errno));
        struct stat sa {
        }, sb{};
        if (fstat(a.Get(), &sa) != 0 || fstat(b.Get(), &sb) != 0 || sa.st_size != sb.st_size)
            return Fail(below, changed);
        const off_t size = sa.st_size;
        // A hole of the source that is a hole of the copy too holds the same
        // zeros: a sparse disk image is not read through.
        const bool sparse = sa.st_blocks * 512 < size;
        const auto dataFrom = [size](int fd, off_t pos) {
            const off_t data = lseek(fd, pos, SEEK_DATA);
            return data < 0 && errno == ENXIO ? size : data;
        };
        constexpr std::size_t Half = 1u << 19;
        if (S.Buffer.size() < 2 * Half)
            S.Buffer.resize(2 * Half);
        char* left = S.Buffer.data();
        char* right = left + Half;
        for (off_t pos = 0; pos < size;) {
            if (Mode != TWalkMode::RemoveSource && Watcher.Stopping())
                return TCopyStep::Stopped;
            if (sparse) {
                const off_t data = dataFrom(a.Get(), pos);
                if (data > pos && dataFrom(b.Get(), pos) >= data) {
                    pos = data;
                    continue;
                }
            }
            const auto want = static_cast<std::size_t>(std::min<off_t>(Half, size - pos));
            const ssize_t got = pread(a.Get(), left, want, pos);
            if (got < 0)
                return Fail(below, "it cannot be compared with its copy: " + ErrorText(errno));
            if (got == 0)
                return Fail(below, changed); // shorter than it was a moment ago
            for (ssize_t done = 0; done < got;) {
                const ssize_t more =
                    pread(b.Get(), right + done, static_cast<std::size_t>(got - done), pos + done);
                if (more <= 0)
                    return Fail(below, changed);
                done += more;
            }
            if (std::memcmp(left, right, static_cast<std::size_t>(got)) != 0)
                return Fail(below, changed);
            pos += got;
        }
        return TCopyStep::Done;
    }

    TTreeCopy::TState& S;
    TWalkMode Mode;
    TCopyWatcher& Watcher;
    std::string& Problem;
    std::vector<TFrame> Frames;
    std::set<TIdentity> Seen;
    std::string FailedBelow, FailedReason;

public:
    bool Kept = false; // with RemoveSource: something of the top folder stays
};

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
    s.SourceMount = MountIdAt(r.Parent.Get(), r.Name.c_str());
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
    TWalk walk(*State, TWalkMode::Count, watcher, problem);
    if (walk.Run() == TCopyStep::Done)
        count = walk.Figures;
    else
        count.Error = problem.empty() ? "Stopped." : problem;
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
    TWalk walk(*State, TWalkMode::Copy, watcher, Problem);
    return walk.Run();
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
    TWalk walk(s, TWalkMode::Verify, watcher, Problem);
    return walk.Run();
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
    TWalk walk(s, TWalkMode::RemoveSource, watcher, problem);
    walk.Removal = &result;
    if (walk.Run() != TCopyStep::Done) {
        ++result.FailureCount;
        result.Failures.push_back({s.SourcePath, problem});
        return result;
    }
    if (!walk.Kept) {
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
                               std::string& error) {
    TResolved r = Resolve(source);
    if (!r.Refused.empty()) {
        error = r.Refused;
        return TRenameOutcome::Failed;
    }
    if (!target.Error().empty()) {
        error = target.Error();
        return TRenameOutcome::Failed;
    }
    if (renameat2(r.Parent.Get(), r.Name.c_str(), target.FolderFd(), target.Name().c_str(),
                  RENAME_NOREPLACE) == 0)
        return TRenameOutcome::Renamed;
    // Without the no-replace rename, or across mounts, the copy decides.
    if (errno == EXDEV || errno == EINVAL)
        return TRenameOutcome::OtherFileSystem;
    error = errno == EEXIST || errno == ENOTEMPTY
                ? Quoted(target.Path()) + " already exists."
                : Quoted(r.Path) + " cannot be moved: " + ErrorText(errno) + ".";
    return TRenameOutcome::Failed;
}

} // namespace Platform
