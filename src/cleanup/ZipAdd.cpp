// The archive's writer: TZipMaster::Add and its steps, in the order of its
// contract (ZipMaster.h): gather, write under a hidden locked name, mark the
// raw names, check that it reads back, name it, and only then take away what
// it holds.
#include "cleanup/ZipAdded.h"
#include "cleanup/ZipFormat.h"
#include "cleanup/ZipLibArchive.h"
#include "platform/FileAt.h"

#include <algorithm>
#include <memory>

using ZipLib::Quoted;
using ZipLib::WhyNot;

namespace {

std::string LowerSuffix(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string suffix = name.substr(dot + 1);
    for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The archive while it is written: a hidden ".NAME.part" beside its final
// name, made anew for its owner alone (it holds files that may have been
// private), locked while it is written so that nobody lists or cleans it up
// half made, and removed when this ends before Publish.
class TPartialArchive {
public:
    TPartialArchive(int folderFd, const std::string& zipFileName)
        : FolderFd(folderFd), Leaf(ZipLib::LeafOf(zipFileName)), PartLeaf("." + Leaf + ".part") {}
    ~TPartialArchive() {
        // Removing a partial archive can fail only as its folder did; the
        // failure that brought us here is the one to tell.
        if (File.Valid() && !Published)
            (void)Platform::RemoveAt(FolderFd, PartLeaf);
    }
    TPartialArchive(const TPartialArchive&) = delete;
    TPartialArchive& operator=(const TPartialArchive&) = delete;

    TStatus Create() {
        TResult<Platform::TFd> made = Platform::CreateFileAt(FolderFd, PartLeaf, 0600);
        if (!made)
            return made.Failure();
        File = std::move(*made);
        return Platform::LockFile(File.Get(), true);
    }
    // Its name, never over another file.
    TStatus Publish() {
        if (TStatus named = Platform::RenameAt(FolderFd, PartLeaf, Leaf, false); !named)
            return named;
        Published = true;
        // The rename is made; a folder that cannot be flushed holds it all
        // the same, as far as the user can tell.
        (void)Platform::Sync(FolderFd);
        return {};
    }

    int Fd() const { return File.Get(); }
    const int FolderFd;
    const std::string Leaf;
    const std::string PartLeaf;

private:
    Platform::TFd File;
    bool Published = false;
};

} // namespace

TResult<std::vector<TZipSource>> TZipMaster::Gather(int rootFd) {
    TResult<std::vector<TZipSource>> sources =
        GatherSources(rootFd, FSpecArgs,
                      {(AddOptions & AddRecurseDirs) != 0, (AddOptions & AddHiddenFiles) != 0});
    if (!sources)
        return Fail(ZipReadFailed, sources.Failure().Text + ".", sources.Failure().Errno);
    if (sources->empty())
        return Fail(ZipNothingToAdd, "There is nothing to archive.");
    return sources;
}

TStatus TZipMaster::WriteContents(archive* a, int rootFd, TZipSource& s,
                                  std::vector<char>& buffer) {
    const std::int64_t size = s.St.st_size;
    const auto unreadable = [&](const TFailure& why) {
        return Fail(ZipReadFailed,
                    Quoted(RootDir + "/" + s.Name) +
                        " cannot be read: " + Platform::ErrorText(why.Errno) + ".",
                    why.Errno);
    };
    s.ReadStart = Platform::CopyStartTime();
    TResult<Platform::TFd> in = Platform::OpenBelow(rootFd, s.Name);
    if (!in)
        return unreadable(in.Failure());
    s.Stamped = Platform::StampFile(in->Get(), "", s.Stamp);
    std::int64_t sinceUpdate = 0;
    while (s.Written < size) {
        if (CancelRequested)
            return Stopped();
        const TResult<std::size_t> n =
            Platform::ReadSome(in->Get(), buffer.data(),
                               static_cast<std::size_t>(std::min<std::int64_t>(
                                   static_cast<std::int64_t>(buffer.size()), size - s.Written)));
        if (!n)
            return unreadable(n.Failure());
        if (*n == 0)
            break; // shorter than listed: the read-back check catches it
        if (archive_write_data(a, buffer.data(), *n) != static_cast<la_ssize_t>(*n))
            return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a),
                        archive_errno(a));
        s.Written += static_cast<std::int64_t>(*n);
        sinceUpdate += static_cast<std::int64_t>(*n);
        if (sinceUpdate >= ZipLib::ProgressStep && OnProgress) {
            OnProgress(ProgressType::ProgressUpdate, s.Name, s.Written);
            sinceUpdate = 0;
        }
    }
    return {};
}

TStatus TZipMaster::WriteEntries(int archiveFd, int rootFd, std::vector<TZipSource>& sources) {
    ZipLib::TArchiveWriter writer;
    archive* a = writer.A;
    archive_write_set_format_zip(a);
    const int level = std::clamp(AddCompLevel, 0, 9);
    archive_write_set_options(a, ("zip:compression-level=" + std::to_string(level)).c_str());
    if (AddOptions & AddEncrypt) {
        if (Password.empty())
            return Fail(ZipBadPassword, "No password was given for the archive.");
        if (archive_write_set_options(a, "zip:encryption=aes256") != ARCHIVE_OK ||
            archive_write_set_passphrase(a, Password.c_str()) != ARCHIVE_OK)
            return Fail(ZipWriteFailed, "The archive cannot be encrypted: " + ZipLib::ErrorOf(a));
    }
    if (archive_write_open_fd(a, archiveFd) != ARCHIVE_OK)
        return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a),
                    archive_errno(a));
    // One buffer for every file: tens of thousands of small files would
    // otherwise each pay for a fresh one.
    std::vector<char> buffer(ZipLib::Block);
    for (TZipSource& s : sources) {
        if (CancelRequested)
            return Stopped();
        const bool regular = S_ISREG(s.St.st_mode);
        const std::int64_t size = regular ? s.St.st_size : 0;
        if (OnProgress)
            OnProgress(ProgressType::NewFile, s.Name, size);
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                            archive_entry_free);
        archive_entry_set_pathname(entry.get(), s.Name.c_str());
        archive_entry_set_mode(entry.get(), s.St.st_mode);
        archive_entry_set_mtime(entry.get(), s.St.st_mtim.tv_sec, s.St.st_mtim.tv_nsec);
        archive_entry_set_uid(entry.get(), s.St.st_uid);
        archive_entry_set_gid(entry.get(), s.St.st_gid);
        if (S_ISLNK(s.St.st_mode))
            archive_entry_set_symlink(entry.get(), s.LinkTarget.c_str());
        archive_entry_set_size(entry.get(), size);
        // Stored, not deflated, what is compressed already.
        if (level == 0 || std::find(AddStoreSuffixes.begin(), AddStoreSuffixes.end(),
                                    LowerSuffix(s.Name)) != AddStoreSuffixes.end())
            archive_write_zip_set_compression_store(a);
        else
            archive_write_zip_set_compression_deflate(a);
        if (archive_write_header(a, entry.get()) < ARCHIVE_WARN)
            return Fail(ZipWriteFailed,
                        "The archive cannot be written at " + Quoted(s.Name) + ": " + WhyNot(a),
                        archive_errno(a));
        if (regular) {
            if (TStatus copied = WriteContents(a, rootFd, s, buffer); !copied)
                return copied;
        }
        if (archive_write_finish_entry(a) < ARCHIVE_WARN)
            return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a),
                        archive_errno(a));
        ++SuccessCnt;
    }
    if (archive_write_close(a) != ARCHIVE_OK)
        return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a),
                    archive_errno(a));
    return {};
}

// libarchive marks every non-ASCII name as UTF-8; those that are not lose
// the mark, so readers take their bytes as they are. Then the archive goes
// to the disk before it is read back and named.
TStatus TZipMaster::MarkRawNames(int archiveFd, const std::vector<TZipSource>& sources) {
    std::set<std::string> rawNames;
    for (const TZipSource& s : sources) {
        if (!IsUtf8(s.Name))
            rawNames.insert(s.Name);
    }
    TStatus done = ZipFormat::ClearUtf8Marks(archiveFd, rawNames);
    if (done)
        done = Platform::Sync(archiveFd);
    if (!done)
        return Fail(ZipWriteFailed,
                    "The archive " + Quoted(ZipFileName) + " cannot be finished: " +
                        (done.Failure().Errno ? Platform::ErrorText(done.Failure().Errno)
                                              : done.Failure().Text) +
                        ".",
                    done.Failure().Errno);
    return {};
}

TStatus TZipMaster::Add() {
    ZipLib::TUtf8Locale locale;
    Kind = ZipOk;
    SuccessCnt = 0;
    ChangedFiles.clear();
    NotRemoved.clear();
    Added.reset();
    CancelRequested = false;

    const TResult<Platform::TFd> root = Platform::OpenFolderPathFollowing(RootDir);
    if (!root)
        return Fail(ZipReadFailed,
                    "The folder " + Quoted(RootDir) +
                        " cannot be opened: " + Platform::ErrorText(root.Failure().Errno) + ".",
                    root.Failure().Errno);
    TResult<std::vector<TZipSource>> sources = Gather(root->Get());
    if (!sources)
        return sources.Failure();

    TResult<Platform::TFd> ownFolder = Platform::TFd();
    if (ArchiveFolderFd < 0)
        ownFolder = Platform::OpenFolderPathFollowing(FolderOfPath(ZipFileName));
    const auto unwritable = [&](const TFailure& why) {
        return Fail(ZipWriteFailed,
                    "The archive " + Quoted(ZipFileName) +
                        " cannot be written: " + Platform::ErrorText(why.Errno) + ".",
                    why.Errno);
    };
    if (!ownFolder)
        return unwritable(ownFolder.Failure());
    TPartialArchive partial(ArchiveFolderFd >= 0 ? ArchiveFolderFd : ownFolder->Get(), ZipFileName);
    if (TStatus made = partial.Create(); !made)
        return unwritable(made.Failure());

    if (TStatus written = WriteEntries(partial.Fd(), root->Get(), *sources); !written)
        return written;
    if (OnProgress)
        OnProgress(ProgressType::EndOfBatch, {}, 0);
    if (TStatus marked = MarkRawNames(partial.Fd(), *sources); !marked)
        return marked;
    if (TStatus checked = CheckReadsBack(partial.FolderFd, partial.PartLeaf, *sources); !checked)
        return checked;
    if (TStatus named = partial.Publish(); !named)
        return Fail(ZipWriteFailed,
                    "The archive cannot be named " + Quoted(ZipFileName) + ": " +
                        Platform::ErrorText(named.Failure().Errno) + ".",
                    named.Failure().Errno);

    Added = std::make_shared<TAdded>(TAdded{RootDir, std::move(*sources)});
    if (AddOptions & AddMove)
        RemoveAdded();
    return {};
}
