// The restore: TZipMaster::Extract, which writes through libarchive's disk
// writer (it opens and makes the files itself, refusing ".." and writing
// through links) and holds every entry to the contract in ZipMaster.h:
// refused names and kinds, no file replaced without ExtrOverWrite, no
// set-ID bits, and success only when every entry came back whole.
#include "cleanup/ZipLibArchive.h"
#include "cleanup/ZipMaster.h"
#include "platform/FileAt.h"
#include "platform/FileOps.h"

#include <memory>
#include <unistd.h>

using ZipLib::Quoted;

namespace {

// The restore folder, made when missing, in its real spelling, so that the
// check against links, which looks at every component, passes its own.
TResult<std::string> PrepareBase(std::string base) {
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty() || base[0] != '/')
        return Refusal("The restore folder " + Quoted(base) + " is not a full path.");
    if (!Platform::MakeFolders(base, 0755)) {
        const int error = errno;
        return TFailure{error,
                        {},
                        "The restore folder " + Quoted(base) +
                            " cannot be made: " + Platform::ErrorText(error) + "."};
    }
    if (TResult<std::string> real = Platform::RealPath(base))
        return std::move(*real);
    return base;
}

// A file of this restore that did not come back whole: it must not pass for
// the archived file. Should it stay, the restore has failed all the same and
// names the entry, so the user is not misled.
void RemoveTorn(const std::string& target) {
    (void)Platform::RemovePath(target);
}

} // namespace

TStatus TZipMaster::Extract() {
    ZipLib::TUtf8Locale locale;
    Kind = ZipOk;
    SuccessCnt = 0;
    DroppedModeBits = 0;
    Refused.clear();
    CancelRequested = false;

    const TResult<std::string> prepared = PrepareBase(ExtrBaseDir);
    if (!prepared)
        return Fail(ZipWriteFailed, prepared.Failure().Text, prepared.Failure().Errno);
    const std::string& base = *prepared;

    ZipLib::TArchiveReader reader;
    archive* a = reader.A;
    if (TStatus opened = OpenArchive(reader); !opened)
        return opened.Failure();
    std::unique_ptr<archive, decltype(&archive_write_free)> disk(archive_write_disk_new(),
                                                                 archive_write_free);
    int flags = ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                ARCHIVE_EXTRACT_SECURE_NODOTDOT;
    if (geteuid() == 0)
        flags |= ARCHIVE_EXTRACT_OWNER;
    if (!(ExtrOptions & ExtrOverWrite))
        flags |= ARCHIVE_EXTRACT_NO_OVERWRITE;
    archive_write_disk_set_options(disk.get(), flags);
    archive_write_disk_set_standard_lookup(disk.get());

    archive_entry* entry = nullptr;
    std::uint64_t entries = 0;
    int r;
    TZipError failure = ZipOk;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        ++entries;
        if (CancelRequested)
            return Stopped();
        const char* raw = archive_entry_pathname(entry);
        const std::string name = raw ? raw : "";
        if (std::string why = ArchiveNameRefusal(name, ExtrTopFolder); !why.empty()) {
            Refused.push_back(name + ": " + why);
            failure = ZipNameRefused;
            continue;
        }
        // Files, folders and links only: a device node or a hard link to
        // anywhere is no part of a folder that was archived here.
        const auto type = archive_entry_filetype(entry);
        if ((type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) ||
            archive_entry_hardlink(entry)) {
            Refused.push_back(name + ": not a file, a folder or a symbolic link");
            failure = ZipNameRefused;
            continue;
        }
        if (const mode_t mode = archive_entry_mode(entry); mode & 07000) {
            archive_entry_set_mode(entry, mode & ~static_cast<mode_t>(07000));
            ++DroppedModeBits;
        }
        const std::int64_t size = archive_entry_size(entry);
        if (OnProgress)
            OnProgress(ProgressType::NewFile, name, size);
        const std::string target = base + "/" + name;
        // libarchive, told not to replace, skips a file that is there and
        // says OK; the entry would pass for restored.
        const TResult<struct stat> there = Platform::StatPath(target, false);
        if (there && !(ExtrOptions & ExtrOverWrite) &&
            !(S_ISDIR(there->st_mode) && type == AE_IFDIR)) {
            Refused.push_back(name + ": it is there already and may not be replaced");
            failure = ZipWriteFailed;
            continue;
        }
        // Only what this restore made, or was allowed to replace, may go again.
        const bool ours = !there || (ExtrOptions & ExtrOverWrite);
        archive_entry_set_pathname(entry, target.c_str());
        // Anything short of OK (a warning, too, as for a file that is there
        // and may not be replaced) means the entry was not made: what is
        // there is not ours to remove.
        if (archive_write_header(disk.get(), entry) != ARCHIVE_OK) {
            const std::string why = ZipLib::ErrorOf(disk.get());
            // Writing through a link is refused, and so is the entry.
            Refused.push_back(name + ": " + why);
            failure = why.find("symlink") != std::string::npos ? ZipNameRefused : ZipWriteFailed;
            continue;
        }
        const void* data = nullptr;
        std::size_t length = 0;
        la_int64_t offset = 0;
        std::int64_t done = 0;
        std::int64_t sinceUpdate = 0;
        bool whole = true;
        for (;;) {
            r = archive_read_data_block(a, &data, &length, &offset);
            if (r == ARCHIVE_EOF)
                break;
            if (r < ARCHIVE_WARN) {
                const std::string why = ZipLib::ErrorOf(a);
                archive_write_finish_entry(disk.get());
                if (ours && type == AE_IFREG)
                    RemoveTorn(target);
                return Fail(
                    why.find("assphrase") != std::string::npos ? ZipBadPassword : ZipReadFailed,
                    "The archive cannot be read at " + Quoted(name) + ": " + why, archive_errno(a));
            }
            if (CancelRequested)
                return Stopped();
            // libarchive reports a failed write (a full disk) as a mere
            // warning, and later sizes the file as the entry says, so the
            // bytes that were not written would come back as zeros.
            if (length > 0 &&
                archive_write_data_block(disk.get(), data, length, offset) != ARCHIVE_OK) {
                Refused.push_back(name + ": " + ZipLib::ErrorOf(disk.get()));
                failure = ZipWriteFailed;
                whole = false;
                break;
            }
            // A bad CRC, too, is only a warning to libarchive: the data
            // is not what was archived.
            if (r == ARCHIVE_WARN) {
                const std::string why = ZipLib::ErrorOf(a);
                Refused.push_back(name + ": " + (why.empty() ? "the data does not check" : why));
                failure = ZipCheckFailed;
                whole = false;
                break;
            }
            done += static_cast<std::int64_t>(length);
            sinceUpdate += static_cast<std::int64_t>(length);
            if (sinceUpdate >= ZipLib::ProgressStep && OnProgress) {
                OnProgress(ProgressType::ProgressUpdate, name, done);
                sinceUpdate = 0;
            }
        }
        if (archive_write_finish_entry(disk.get()) < ARCHIVE_WARN) {
            Refused.push_back(name + ": " + ZipLib::ErrorOf(disk.get()));
            failure = ZipWriteFailed;
            whole = false;
        }
        if (whole)
            ++SuccessCnt;
        else if (ours && type == AE_IFREG)
            RemoveTorn(target);
    }
    if (r != ARCHIVE_EOF)
        return Fail(ZipReadFailed,
                    "The archive " + Quoted(ZipFileName) + " cannot be read: " + ZipLib::ErrorOf(a),
                    archive_errno(a));
    // Folders get their modes and times last, once everything is in them.
    if (archive_write_close(disk.get()) != ARCHIVE_OK) {
        Refused.push_back("folder times and modes: " + ZipLib::ErrorOf(disk.get()));
        failure = ZipWriteFailed;
    }
    if (OnProgress)
        OnProgress(ProgressType::EndOfBatch, {}, 0);
    if (failure != ZipOk || SuccessCnt != entries) {
        std::string list;
        for (std::size_t i = 0; i < Refused.size() && i < 10; ++i)
            list += "\n" + Refused[i];
        return Fail(failure == ZipOk ? ZipWriteFailed : failure,
                    "Some entries were not restored:" + list);
    }
    return {};
}
