// Checking the copy against the source, and removing from the source what
// the check still finds the same as its copy. An entry that came or changed
// in the source since it was copied fails the check, and stays when the
// source is removed.
#include "platform/DirReader.h"
#include "platform/linux/CopyWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace Platform {
namespace {

const std::string Changed = "it changed while the folder was being moved";

} // namespace

TVisitAnswer TCopyChecker::Entry(const TVisitEntry& entry) {
    return Next(Check(entry));
}

TCopyStep TCopyChecker::Check(const TVisitEntry& entry) {
    const struct stat& st = entry.St;
    struct stat copy {};
    if (fstatat(entry.MirrorFolder, entry.Name.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(entry.Below, errno == ENOENT
                                     ? "it was added while the folder was being moved"
                                     : "its copy cannot be checked: " + ErrorText(errno));
    if ((copy.st_mode & S_IFMT) != (st.st_mode & S_IFMT))
        return Fail(entry.Below, "it was replaced while the folder was being moved");
    if (S_ISREG(st.st_mode))
        return VerifyFile(entry, copy);
    if (S_ISLNK(st.st_mode) &&
        ReadLink(entry.Folder, entry.Name.c_str(), static_cast<std::size_t>(st.st_size)) !=
            ReadLink(entry.MirrorFolder, entry.Name.c_str(),
                     static_cast<std::size_t>(copy.st_size)))
        return Fail(entry.Below, Changed);
    return TCopyStep::Done;
}

// Whether the source file is still what was copied: its times tell where
// they can (FileChange.h), else its contents are compared with the copy, and
// the times looked at once more for a write meanwhile.
TCopyStep TCopyChecker::VerifyFile(const TVisitEntry& entry, const struct stat& copy) {
    const int src = entry.Folder;
    const char* n = entry.Name.c_str();
    struct stat now {};
    if (fstatat(src, n, &now, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(entry.Below, Changed);
    const auto copied = S.Copied.find(TIdentity{now.st_dev, now.st_ino});
    if (copied == S.Copied.end() ||
        static_cast<std::uint64_t>(copy.st_size) != copied->second.Stamp.Size)
        return Fail(entry.Below, Changed);
    const TTreeCopy::TState::TCopied& was = copied->second;
    switch (FileChangeSince(src, n, was.Stamp, was.Start)) {
    case TFileChange::Unchanged:
        return TCopyStep::Done;
    case TFileChange::Changed:
        return Fail(entry.Below, Changed);
    case TFileChange::Unproven:
        break;
    }
    if (TCopyStep step = CompareContents(entry); step != TCopyStep::Done)
        return step;
    if (FileChangeSince(src, n, was.Stamp, was.Start) == TFileChange::Changed)
        return Fail(entry.Below, Changed);
    return TCopyStep::Done;
}

TCopyStep TCopyChecker::CompareContents(const TVisitEntry& entry) {
    const std::string& below = entry.Below;
    const char* n = entry.Name.c_str();
    TOwnedFd a(openat(entry.Folder, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME));
    if (!a.Valid() && errno == EPERM)
        a = TOwnedFd(openat(entry.Folder, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    TOwnedFd b(openat(entry.MirrorFolder, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!a.Valid() || !b.Valid())
        return Fail(below, "it cannot be compared with its copy: " + ErrorText(errno));
    struct stat sa {
    }, sb{};
    if (fstat(a.Get(), &sa) != 0 || fstat(b.Get(), &sb) != 0 || sa.st_size != sb.st_size)
        return Fail(below, Changed);
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
        if (!Removing() && Watcher.Stopping())
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
            return Fail(below, Changed); // shorter than it was a moment ago
        for (ssize_t done = 0; done < got;) {
            const ssize_t more =
                pread(b.Get(), right + done, static_cast<std::size_t>(got - done), pos + done);
            if (more <= 0)
                return Fail(below, Changed);
            done += more;
        }
        if (std::memcmp(left, right, static_cast<std::size_t>(got)) != 0)
            return Fail(below, Changed);
        pos += got;
    }
    return TCopyStep::Done;
}

// Removing the source: an entry left where it is, and its folders with it.
void TSourceRemover::Keep(const std::string& below, const std::string& reason) {
    std::fill(Kept.begin(), Kept.end(), true);
    ++Removal.FailureCount;
    if (Removal.Failures.size() < MaxReportedFailures)
        Removal.Failures.push_back({PathOf(below), reason});
}

TVisitAnswer TSourceRemover::Entry(const TVisitEntry& entry) {
    // Only what is the same as its copy goes: whatever came or changed since
    // the copy was checked stays.
    if (Check(entry) != TCopyStep::Done) {
        Keep(FailedBelow, FailedReason);
        return TVisitAnswer::Pass;
    }
    if (S_ISDIR(entry.St.st_mode))
        return TVisitAnswer::Enter;
    // Removing one name of a file with several changes its change time: what
    // the next name is compared with is the file as it is then, which leaves
    // its contents to prove it.
    const struct stat& st = entry.St;
    TOwnedFd other;
    if (S_ISREG(st.st_mode) && st.st_nlink > 1)
        other = TOwnedFd(openat(entry.Folder, entry.Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (unlinkat(entry.Folder, entry.Name.c_str(), 0) == 0)
        ++Removal.RemovedFiles;
    else if (errno != ENOENT) {
        Keep(entry.Below, ErrorText(errno));
        return TVisitAnswer::Pass;
    }
    if (auto copied = S.Copied.find(TIdentity{st.st_dev, st.st_ino});
        other.Valid() && copied != S.Copied.end())
        StampFile(other.Get(), "", copied->second.Stamp);
    return TVisitAnswer::Enter;
}

void TSourceRemover::Entered(const TVisitEntry& entry, int fd, int mirrorFd) {
    TCopyChecker::Entered(entry, fd, mirrorFd);
    Kept.push_back(false);
}

bool TSourceRemover::Left(const TVisitEntry& entry) {
    const bool kept = Kept.back();
    Kept.pop_back();
    if (entry.Depth == 0) {
        // The source's own folder goes in RemoveSource, after the walk.
        TopKept = kept;
        return true;
    }
    if (unlinkat(entry.Folder, entry.Name.c_str(), AT_REMOVEDIR) == 0)
        ++Removal.RemovedFolders;
    else if (!(kept && errno == ENOTEMPTY) && errno != ENOENT)
        Keep(entry.Below, ErrorText(errno));
    else if (kept)
        Kept.back() = true;
    return true;
}

} // namespace Platform
