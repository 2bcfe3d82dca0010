// The tree walk: a stack of frames, one per folder on the way down, each
// with its listing and how far the walk has come in it. The deepest frames
// keep their descriptors; the others are closed and found again through ".."
// on the way up, checked by identity, so neither depth nor a folder moved
// meanwhile can lead the walk anywhere else.
#include "platform/TreeWalker.h"

#include "platform/FileAt.h"

#include "platform/DirReader.h"
#include "platform/FileOps.h"
#include "platform/linux/FileOpsInternal.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace Platform {

struct TTreeWalker::TFrame {
    TOwnedFd Fd, Mirror;
    TIdentity Id, MirrorId;
    std::string Name;
    struct stat St {};
    std::vector<std::string> Names;
    std::size_t Next = 0;
    std::size_t PrefixLength = 0; // of Below for the entries inside
};

namespace {

// The folder above `child`, provided it is still the one with identity
// `expected`.
bool Reopen(TOwnedFd& fd, int child, const TIdentity& expected) {
    TOwnedFd up(openat(child, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!up.Valid() || fstat(up.Get(), &st) != 0 || TIdentity{st.st_dev, st.st_ino} != expected)
        return false;
    fd = std::move(up);
    return true;
}

} // namespace

TTreeWalker::TTreeWalker(int folderFd, std::string name)
    : TopFolder(folderFd), TopName(std::move(name)) {}

TTreeWalker::~TTreeWalker() = default;

void TTreeWalker::SetMirror(int folderFd, std::string name, std::uint64_t device,
                            std::uint64_t inode) {
    MirrorTopFolder = folderFd;
    MirrorTopName = std::move(name);
    MirrorDevice = device;
    MirrorInode = inode;
}

bool TTreeWalker::Run(TTreeVisitor& visitor) {
    Frames.clear();
    Below.clear();
    struct stat st {};
    if (fstatat(TopFolder, TopName.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        const int error = errno;
        const TVisitEntry entry{TopFolder, MirrorTopFolder, TopName, Below, st, 0, false};
        return visitor.Fault(entry, TVisitFault::Examine, error) != TVisitAnswer::End;
    }
    TopDevice = st.st_dev;
    TopMount = MountIdAt(TopFolder, TopName.c_str());
    {
        const TVisitEntry entry{TopFolder, MirrorTopFolder, TopName, Below, st, 0, false};
        const TVisitAnswer next = visitor.Visit(entry);
        if (next == TVisitAnswer::End)
            return false;
        if (next != TVisitAnswer::Enter || !S_ISDIR(st.st_mode))
            return true;
        if (!Enter(visitor, entry))
            return false;
    }
    while (!Frames.empty()) {
        TFrame& frame = Frames.back();
        if (frame.Next == frame.Names.size()) {
            if (!Leave(visitor))
                return false;
            continue;
        }
        const std::string name = std::move(frame.Names[frame.Next++]);
        Below.resize(frame.PrefixLength);
        Below += name;
        const int folder = frame.Fd.Get();
        const int mirror = frame.Mirror.Get();
        const std::size_t depth = Frames.size();
        st = {};
        if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            const int error = errno;
            const TVisitEntry entry{folder, mirror, name, Below, st, depth, false};
            if (visitor.Fault(entry, TVisitFault::Examine, error) == TVisitAnswer::End)
                return false;
            continue;
        }
        const bool otherMount =
            S_ISDIR(st.st_mode) &&
            !SameFileSystem(TopDevice, TopMount, st.st_dev, MountIdAt(folder, name.c_str()));
        const TVisitEntry entry{folder, mirror, name, Below, st, depth, otherMount};
        const TVisitAnswer next = visitor.Visit(entry);
        if (next == TVisitAnswer::End)
            return false;
        if (next == TVisitAnswer::Enter && S_ISDIR(st.st_mode) && !otherMount &&
            !Enter(visitor, entry))
            return false;
    }
    return true;
}

// Opens, checks and lists the folder of entry and makes it the deepest
// frame; false when the walk is to end.
bool TTreeWalker::Enter(TTreeVisitor& visitor, const TVisitEntry& entry) {
    const auto fault = [&](TVisitFault kind, int error) {
        return visitor.Fault(entry, kind, error) != TVisitAnswer::End;
    };
    TFrame frame;
    frame.Name = entry.Name;
    frame.St = entry.St;
    frame.Id = {entry.St.st_dev, entry.St.st_ino};
    frame.Fd = TOwnedFd(
        openat(entry.Folder, entry.Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!frame.Fd.Valid())
        return fault(TVisitFault::Open, errno);
    struct stat opened {};
    if (fstat(frame.Fd.Get(), &opened) != 0 ||
        TIdentity{opened.st_dev, opened.st_ino} != frame.Id ||
        !SameFileSystem(TopDevice, TopMount, opened.st_dev, MountIdAt(frame.Fd.Get(), "")))
        return fault(TVisitFault::Replaced, 0);
    if (MirrorTopFolder >= 0) {
        const bool top = entry.Depth == 0;
        const int parent = top ? MirrorTopFolder : entry.MirrorFolder;
        const std::string& name = top ? MirrorTopName : entry.Name;
        frame.Mirror =
            TOwnedFd(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!frame.Mirror.Valid() || fstat(frame.Mirror.Get(), &opened) != 0)
            return fault(TVisitFault::MirrorOpen, errno);
        frame.MirrorId = {opened.st_dev, opened.st_ino};
        if (top && (opened.st_dev != MirrorDevice || opened.st_ino != MirrorInode))
            return fault(TVisitFault::MirrorOpen, 0);
    }
    if (!ListNamesAt(frame.Fd.Get(), frame.Names))
        return fault(TVisitFault::List, errno);
    if (Sorted)
        std::sort(frame.Names.begin(), frame.Names.end());
    frame.PrefixLength = entry.Depth == 0 ? 0 : Below.size() + 1;
    const int fd = frame.Fd.Get();
    const int mirrorFd = frame.Mirror.Get();
    Frames.push_back(std::move(frame));
    // The item's own frame stays open: it is where the walk ends.
    if (Frames.size() > OpenFramesKept + 1) {
        TFrame& old = Frames[Frames.size() - 1 - OpenFramesKept];
        old.Fd.Reset();
        old.Mirror.Reset();
    }
    visitor.Entered(entry, fd, mirrorFd);
    if (entry.Depth > 0)
        Below += '/';
    return true;
}

// Ends the deepest frame and finds the one above again; false when the walk
// is to end.
bool TTreeWalker::Leave(TTreeVisitor& visitor) {
    const std::size_t depth = Frames.size() - 1;
    Below.resize(Frames.back().PrefixLength == 0 ? 0 : Frames.back().PrefixLength - 1);
    const auto entryOf = [&](const TFrame& frame, int folder, int mirror) {
        return TVisitEntry{folder, mirror, frame.Name, Below, frame.St, depth, false};
    };
    int folder = depth == 0 ? TopFolder : Frames[depth - 1].Fd.Get();
    int mirror = depth == 0 ? MirrorTopFolder : Frames[depth - 1].Mirror.Get();
    {
        const TFrame& frame = Frames.back();
        if (!visitor.Leaving(entryOf(frame, folder, mirror), frame.Fd.Get(), frame.Mirror.Get()))
            return false;
    }
    TFrame done = std::move(Frames.back());
    Frames.pop_back();
    if (depth > 0) {
        TFrame& parent = Frames.back();
        if (!parent.Fd.Valid() && !Reopen(parent.Fd, done.Fd.Get(), parent.Id)) {
            visitor.Fault(entryOf(done, -1, -1), TVisitFault::WayBack, 0);
            return false;
        }
        if (MirrorTopFolder >= 0 && !parent.Mirror.Valid() &&
            !Reopen(parent.Mirror, done.Mirror.Get(), parent.MirrorId)) {
            visitor.Fault(entryOf(done, parent.Fd.Get(), -1), TVisitFault::MirrorWayBack, 0);
            return false;
        }
        folder = parent.Fd.Get();
        mirror = parent.Mirror.Get();
    }
    done.Fd.Reset();
    done.Mirror.Reset();
    return visitor.Left(entryOf(done, folder, mirror));
}

bool ListNamesAt(int fd, std::vector<std::string>& names) {
    TResult<std::vector<std::string>> listed = NamesIn(fd);
    if (!listed) {
        errno = listed.Failure().Errno;
        return false;
    }
    names.insert(names.end(), std::make_move_iterator(listed->begin()),
                 std::make_move_iterator(listed->end()));
    return true;
}

void TTreeTally::Add(const struct stat& st) {
    ++Entries;
    if (S_ISDIR(st.st_mode)) {
        ++Folders;
        return;
    }
    ++NonFolders;
    Size += static_cast<std::uint64_t>(st.st_size);
    if (S_ISREG(st.st_mode) &&
        (st.st_nlink < 2 ||
         Linked
             .emplace(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino))
             .second))
        FileBytes += static_cast<std::uint64_t>(st.st_size);
}

TVisitAnswer TTallyVisitor::Visit(const TVisitEntry& entry) {
    if (entry.Depth == 0)
        return TVisitAnswer::Enter;
    // Another drive mounted inside is not part of the folder's size.
    if (entry.OtherMount)
        return TVisitAnswer::Pass;
    Tally.Add(entry.St);
    return TVisitAnswer::Enter;
}

TItemFigures MeasureItem(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return {};
    if (!S_ISDIR(st.st_mode))
        return TItemFigures{st.st_size, 1, 0, false};
    // The folder holding the item is reached as lstat reached it (links on
    // the way followed); the walk starts at the item itself.
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    std::string folder = slash == std::string::npos ? "." : trimmed.substr(0, slash);
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (folder.empty())
        folder = "/";
    if (name.empty() || name == "/")
        name = ".";
    TOwnedFd parent = folder[0] == '/'
                          ? OpenFolderPath(folder)
                          : TOwnedFd(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    TItemFigures figures;
    figures.IsFolder = true;
    if (!parent.Valid())
        return figures;
    TTallyVisitor tally;
    TTreeWalker(parent.Get(), name).Run(tally);
    figures.Size = static_cast<std::int64_t>(tally.Tally.Size);
    figures.Files = tally.Tally.NonFolders;
    figures.Folders = tally.Tally.Folders;
    return figures;
}

} // namespace Platform
