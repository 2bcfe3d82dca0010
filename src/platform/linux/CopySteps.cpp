// Making the copy: each entry of the source made anew in the copy beside it,
// a file's contents by the fastest means the two file systems accept, holes
// kept as holes, hard links inside the folder kept as links, and a folder's
// own mode and times given last, once its contents are in.
#include "platform/DirReader.h"
#include "platform/linux/CopyWalk.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/sendfile.h>

namespace Platform {
namespace {

constexpr std::size_t Block = 8u << 20; // bytes copied between two Stop tests

} // namespace

bool TCopier::Leaving(const TVisitEntry& entry, int fd, int mirrorFd) {
    if (!TCopyWalk::Leaving(entry, fd, mirrorFd))
        return false;
    if (!ApplyMetadata(fd, mirrorFd, entry.St)) {
        Next(Fail(entry.Below, ErrorText(errno)));
        return false;
    }
    return true;
}

TVisitAnswer TCopier::Entry(const TVisitEntry& entry) {
    const struct stat& st = entry.St;
    const int src = entry.Folder;
    const int dst = entry.MirrorFolder;
    const char* n = entry.Name.c_str();
    const std::string& below = entry.Below;
    if (S_ISDIR(st.st_mode)) {
        // Writable by us until its contents are in; its mode comes last.
        if (mkdirat(dst, n, 0700) != 0)
            return Next(Fail(below, "cannot be copied: " + ErrorText(errno)));
        return TVisitAnswer::Enter;
    }
    if (S_ISREG(st.st_mode)) {
        if (st.st_nlink > 1) {
            auto [it, first] = S.Linked.try_emplace(TIdentity{st.st_dev, st.st_ino}, below);
            if (!first && TopCopy >= 0 && linkat(TopCopy, it->second.c_str(), dst, n, 0) == 0)
                return TVisitAnswer::Enter;
            // The first copy's path was too long to name: a copy of its own
            // keeps the contents.
        }
        return Next(CopyFile(entry));
    }
    if (S_ISLNK(st.st_mode)) {
        const std::string target = ReadLink(src, n, static_cast<std::size_t>(st.st_size));
        if (target.empty() && st.st_size != 0)
            return Next(Fail(below, "cannot be read: " + ErrorText(errno)));
        if (symlinkat(target.c_str(), dst, n) != 0)
            return Next(Fail(below, "cannot be copied: " + ErrorText(errno)));
        if (fchownat(dst, n, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM &&
            errno != EINVAL)
            return Next(Fail(below, ErrorText(errno)));
    } else {
        // FIFOs, sockets and device nodes are made anew, as the same kind.
        if (mknodat(dst, n, (st.st_mode & S_IFMT) | 0600, st.st_rdev) != 0)
            return Next(Fail(below, "cannot be copied: " + ErrorText(errno)));
        if (fchownat(dst, n, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM &&
            errno != EINVAL)
            return Next(Fail(below, ErrorText(errno)));
        if (fchmodat(dst, n, st.st_mode & 07777, 0) != 0)
            return Next(Fail(below, ErrorText(errno)));
    }
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    if (utimensat(dst, n, times.data(), AT_SYMLINK_NOFOLLOW) != 0)
        return Next(Fail(below, ErrorText(errno)));
    return TVisitAnswer::Enter;
}

TCopyStep TCopier::CopyFile(const TVisitEntry& entry) {
    const char* n = entry.Name.c_str();
    const std::string& below = entry.Below;
    // Read before the file is looked at: a write after it must show.
    const std::timespec start = CopyStartTime();
    TOwnedFd in(openat(entry.Folder, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME));
    if (!in.Valid() && errno == EPERM) // O_NOATIME is for the file's owner only
        in = TOwnedFd(openat(entry.Folder, n, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.Valid())
        return Fail(below, "cannot be read: " + ErrorText(errno));
    struct stat opened {};
    TFileStamp stamp;
    if (!StampFile(in.Get(), "", stamp) || fstat(in.Get(), &opened) != 0 ||
        opened.st_ino != entry.St.st_ino || opened.st_dev != entry.St.st_dev)
        return Fail(below, "it was replaced while it was being copied");
    // The first copy of a file with several names is the one to compare
    // with: the earliest stamp is the strictest.
    S.Copied.try_emplace(TIdentity{opened.st_dev, opened.st_ino},
                         TTreeCopy::TState::TCopied{stamp, start});
    TOwnedFd out(
        openat(entry.MirrorFolder, n, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
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
bool TCopier::CopyRange(int in, int out, std::uint64_t pos, std::uint64_t want,
                        std::uint64_t& got) {
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
        const ssize_t w = pwrite(out, S.Buffer.data() + done, static_cast<std::size_t>(n - done),
                                 static_cast<off_t>(pos) + done);
        if (w < 0)
            return false;
        done += w;
    }
    got = static_cast<std::uint64_t>(n);
    return true;
}

} // namespace Platform
