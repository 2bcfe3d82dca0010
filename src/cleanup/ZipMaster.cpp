#include "cleanup/ZipMaster.h"
#include "cleanup/Fd.h"

#include "platform/DirReader.h"
#include "platform/FileChange.h"
#include "platform/FileOps.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t Block = 64 * 1024;
constexpr std::int64_t ProgressStep = 32 * 1024;

// libarchive converts names through the thread's locale. Under UTF-8 it
// marks non-ASCII names as UTF-8 and hands raw bytes back on reading; the
// process's own locale (whatever the user runs) must not change that.
class TUtf8Locale {
public:
    TUtf8Locale() {
        Locale = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (Locale)
            Previous = uselocale(Locale);
    }
    ~TUtf8Locale() {
        if (Locale) {
            uselocale(Previous);
            freelocale(Locale);
        }
    }
    TUtf8Locale(const TUtf8Locale&) = delete;
    TUtf8Locale& operator=(const TUtf8Locale&) = delete;

private:
    locale_t Locale = static_cast<locale_t>(0);
    locale_t Previous = static_cast<locale_t>(0);
};

// A ZIP archive opened for reading, with the password where one is given.
// With folderFd >= 0 the archive is the entry `path` names last in that
// folder, opened without following a link.
struct TArchiveReader {
    archive* A = archive_read_new();
    int Fd = -1;
    ~TArchiveReader() {
        archive_read_free(A);
        if (Fd >= 0)
            close(Fd);
    }
    bool Open(const std::string& path, const std::string& password, int folderFd = -1) {
        archive_read_support_format_zip(A);
        if (!password.empty())
            archive_read_add_passphrase(A, password.c_str());
        const std::size_t slash = path.rfind('/');
        const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
        Fd = folderFd >= 0 ? openat(folderFd, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                           : open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (Fd < 0) {
            archive_set_error(A, errno, "%s", Platform::ErrorText(errno).c_str());
            return false;
        }
        return archive_read_open_fd(A, Fd, Block) == ARCHIVE_OK;
    }
};
struct TArchiveWriter {
    archive* A = archive_write_new();
    ~TArchiveWriter() { archive_write_free(A); }
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// libarchive's words, and the system's where it has them ("No space left
// on device" says more than "Write error").
std::string WhyNot(archive* a) {
    std::string why = archive_error_string(a) ? archive_error_string(a) : "unknown error";
    if (const int err = archive_errno(a); err > 0) {
        const std::string system = Platform::ErrorText(err);
        if (why.find(system) == std::string::npos)
            why += " (" + system + ")";
    }
    return why;
}

bool IsHidden(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

// One thing to archive, as it was when it was listed.
struct TSource {
    std::string Name; // below RootDir, "/" separators; folders end in "/"
    struct stat St {};
    std::string LinkTarget;
    std::int64_t Written = 0; // bytes of contents that went into the archive
    // A regular file as it was when its reading began, and when that was:
    // what tells, before it is removed, that no write came after.
    Platform::TFileStamp Stamp;
    std::timespec ReadStart{};
    bool Stamped = false;
};

// Opens a path below an open folder one component at a time, never through
// a link, so no path is too long.
int OpenBelow(int rootFd, const std::string& below, int flags) {
    int fd = dup(rootFd);
    std::size_t pos = 0;
    while (fd >= 0) {
        std::size_t end = below.find('/', pos);
        const bool last = end == std::string::npos || end + 1 >= below.size();
        if (end == std::string::npos)
            end = below.size();
        const std::string part = below.substr(pos, end - pos);
        const int next = openat(fd, part.c_str(),
                                (last ? flags : O_PATH | O_DIRECTORY) | O_NOFOLLOW | O_CLOEXEC);
        close(fd);
        fd = next;
        if (last)
            break;
        pos = end + 1;
    }
    return fd;
}

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

std::uint32_t Get16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t Get32(const unsigned char* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}
std::uint64_t Get64(const unsigned char* p) {
    return Get32(p) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

// libarchive marks every non-ASCII name as UTF-8; names that are not UTF-8
// lose that mark here, in the central directory and in the local header,
// so readers take their bytes as they are. No checksum covers the flags.
bool ClearUtf8Marks(int fd, const std::set<std::string>& names) {
    if (names.empty())
        return true;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < 22)
        return false;
    const off_t tailSize = std::min<off_t>(st.st_size, 65557 + 20);
    std::vector<unsigned char> tail(static_cast<std::size_t>(tailSize));
    if (pread(fd, tail.data(), tail.size(), st.st_size - tailSize) != tailSize)
        return false;
    std::size_t eocd = tail.size() - 22;
    while (Get32(&tail[eocd]) != 0x06054b50) {
        if (eocd == 0)
            return false;
        --eocd;
    }
    std::uint64_t cdSize = Get32(&tail[eocd + 12]);
    std::uint64_t cdOffset = Get32(&tail[eocd + 16]);
    if ((cdOffset == 0xFFFFFFFF || cdSize == 0xFFFFFFFF) && eocd >= 20 &&
        Get32(&tail[eocd - 20]) == 0x07064b50) {
        unsigned char record[56];
        if (pread(fd, record, sizeof record, static_cast<off_t>(Get64(&tail[eocd - 20 + 8]))) !=
                sizeof record ||
            Get32(record) != 0x06064b50)
            return false;
        cdSize = Get64(record + 40);
        cdOffset = Get64(record + 48);
    }
    std::vector<unsigned char> cd(cdSize);
    if (pread(fd, cd.data(), cd.size(), static_cast<off_t>(cdOffset)) !=
        static_cast<ssize_t>(cd.size()))
        return false;
    for (std::size_t at = 0; at + 46 <= cd.size() && Get32(&cd[at]) == 0x02014b50;) {
        const std::uint32_t flags = Get16(&cd[at + 8]);
        const std::size_t nameLength = Get16(&cd[at + 28]);
        const std::size_t extraLength = Get16(&cd[at + 30]);
        const std::size_t commentLength = Get16(&cd[at + 32]);
        if (at + 46 + nameLength + extraLength > cd.size())
            return false;
        const std::string name(reinterpret_cast<const char*>(&cd[at + 46]), nameLength);
        if ((flags & 0x0800) && names.contains(name)) {
            std::uint64_t local = Get32(&cd[at + 42]);
            if (local == 0xFFFFFFFF) {
                // In the Zip64 extra field, after the sizes that overflowed.
                const unsigned char* extra = &cd[at + 46 + nameLength];
                for (std::size_t e = 0; e + 4 <= extraLength;) {
                    const std::uint32_t id = Get16(extra + e), size = Get16(extra + e + 2);
                    if (id == 0x0001) {
                        std::size_t field = e + 4;
                        if (Get32(&cd[at + 24]) == 0xFFFFFFFF)
                            field += 8;
                        if (Get32(&cd[at + 20]) == 0xFFFFFFFF)
                            field += 8;
                        if (field + 8 <= e + 4 + size)
                            local = Get64(extra + field);
                        break;
                    }
                    e += 4 + size;
                }
            }
            const unsigned char cleared[2] = {static_cast<unsigned char>(flags & 0xFF),
                                              static_cast<unsigned char>((flags & ~0x0800u) >> 8)};
            unsigned char header[8];
            if (pread(fd, header, sizeof header, static_cast<off_t>(local)) != sizeof header ||
                Get32(header) != 0x04034b50 ||
                pwrite(fd, cleared, 2, static_cast<off_t>(local + 6)) != 2 ||
                pwrite(fd, cleared, 2, static_cast<off_t>(cdOffset + at + 8)) != 2)
                return false;
        }
        at += 46 + nameLength + extraLength + commentLength;
    }
    return true;
}

} // namespace

bool IsUtf8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
        if (length == 0 || i + length > n)
            return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] >> 6) != 2)
                return false;
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if ((length == 2 && code < 0x80) || (length == 3 && code < 0x800) ||
            (length == 4 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

int TZipMaster::Fail(int code, const std::string& message) {
    ErrCode = code;
    ErrMessage = message;
    if (OnMessage)
        OnMessage(code, message);
    return code;
}

namespace {

// Lists what Add takes, in the order it goes into the archive: each folder
// before what it holds, names in byte order.
class TGatherer {
public:
    TGatherer(unsigned options, std::vector<TSource>& sources, std::string& problem)
        : Options(options), Sources(sources), Problem(problem) {}

    bool Add(int rootFd, const std::string& item) {
        TSource source;
        source.Name = item;
        while (!source.Name.empty() && source.Name.back() == '/')
            source.Name.pop_back();
        if (fstatat(rootFd, source.Name.c_str(), &source.St, AT_SYMLINK_NOFOLLOW) != 0) {
            Problem = Quoted(source.Name) + ": " + Platform::ErrorText(errno);
            return false;
        }
        if (!S_ISDIR(source.St.st_mode))
            return AddItem(rootFd, source.Name, std::move(source));
        TFd folder(
            openat(rootFd, source.Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folder.Get() < 0) {
            Problem = Quoted(source.Name) + ": " + Platform::ErrorText(errno);
            return false;
        }
        Mount = Platform::MountIdAt(folder.Get(), "");
        const std::string name = source.Name;
        source.Name += '/';
        Sources.push_back(std::move(source));
        return Walk(folder.Get(), name, true);
    }

private:
    bool AddItem(int dirFd, const std::string& name, TSource source) {
        if (S_ISLNK(source.St.st_mode)) {
            std::string target(static_cast<std::size_t>(source.St.st_size) + 256, '\0');
            const ssize_t n = readlinkat(dirFd, name.c_str(), target.data(), target.size());
            if (n < 0) {
                Problem = Quoted(source.Name) + ": " + Platform::ErrorText(errno);
                return false;
            }
            target.resize(static_cast<std::size_t>(n));
            source.LinkTarget = target;
        } else if (!S_ISREG(source.St.st_mode)) {
            // FIFOs, sockets and devices hold nothing to archive; they stay.
            return true;
        }
        Sources.push_back(std::move(source));
        return true;
    }

    bool Walk(int dirFd, const std::string& prefix, bool top) {
        std::vector<std::string> names;
        DIR* dir = fdopendir(dup(dirFd));
        if (!dir) {
            Problem = Quoted(prefix) + ": " + Platform::ErrorText(errno);
            return false;
        }
        errno = 0;
        while (dirent* e = readdir(dir)) {
            const char* n = e->d_name;
            if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
                names.emplace_back(n);
            errno = 0;
        }
        const int err = errno;
        closedir(dir);
        if (err != 0) {
            Problem = Quoted(prefix) + ": " + Platform::ErrorText(err);
            return false;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (IsHidden(name) && !(Options & AddHiddenFiles))
                continue;
            TSource source;
            source.Name = prefix + "/" + name;
            if (fstatat(dirFd, name.c_str(), &source.St, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue; // gone meanwhile: nothing of it to keep
                Problem = Quoted(source.Name) + ": " + Platform::ErrorText(errno);
                return false;
            }
            if (!S_ISDIR(source.St.st_mode)) {
                if (!AddItem(dirFd, name, std::move(source)))
                    return false;
                continue;
            }
            if (!(Options & AddRecurseDirs) && top)
                continue;
            // Another drive mounted inside is not part of the folder.
            if (Platform::MountIdAt(dirFd, name.c_str()) != Mount)
                continue;
            TFd sub(openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub.Get() < 0) {
                Problem = Quoted(source.Name) + ": " + Platform::ErrorText(errno);
                return false;
            }
            const std::string below = source.Name;
            source.Name += '/';
            Sources.push_back(std::move(source));
            if (!Walk(sub.Get(), below, false))
                return false;
        }
        return true;
    }

    unsigned Options;
    std::vector<TSource>& Sources;
    std::string& Problem;
    std::uint64_t Mount = 0;
};

std::string ParentOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? "" : name.substr(0, slash);
}

std::string LeafOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Whether the archived file is, by its times, still what was read into the
// archive; Unproven where the times are too coarse to tell.
Platform::TFileChange ChangeSinceRead(int folderFd, const TSource& s) {
    if (!s.Stamped || s.Written != static_cast<std::int64_t>(s.Stamp.Size))
        return Platform::TFileChange::Changed;
    return Platform::FileChangeSince(folderFd, LeafOf(s.Name).c_str(), s.Stamp, s.ReadStart);
}

// The open folder that holds the entry named below rootFd.
TFd OpenFolderOf(int rootFd, const std::string& name) {
    const std::string parent = ParentOf(name);
    return TFd(parent.empty() ? dup(rootFd) : OpenBelow(rootFd, parent, O_RDONLY | O_DIRECTORY));
}

// Removes, below RootDir, the archived entries still as they were archived,
// deepest first; a folder goes only when nothing is left in it. A file
// whose times cannot prove it unchanged goes only when its contents were
// found equal to the archive's (sameAsArchived).
void RemoveArchived(int rootFd, const std::string& rootDir, const std::vector<TSource>& sources,
                    const std::set<std::string>& sameAsArchived, std::vector<std::string>& changed,
                    std::vector<std::string>& notRemoved) {
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        const TSource& s = *it;
        const bool folder = !s.Name.empty() && s.Name.back() == '/';
        const std::string name = folder ? s.Name.substr(0, s.Name.size() - 1) : s.Name;
        const std::string leaf = LeafOf(name);
        const TFd dir = OpenFolderOf(rootFd, name);
        struct stat now {};
        if (dir.Get() < 0 || fstatat(dir.Get(), leaf.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                notRemoved.push_back(rootDir + "/" + name + ": " + Platform::ErrorText(errno));
            continue;
        }
        bool same = now.st_ino == s.St.st_ino && now.st_dev == s.St.st_dev &&
                    (now.st_mode & S_IFMT) == (s.St.st_mode & S_IFMT);
        if (same && S_ISREG(s.St.st_mode)) {
            const Platform::TFileChange change = ChangeSinceRead(dir.Get(), s);
            // Removing another name of a hard-linked file moves its change
            // time; its contents, compared beforehand, decide then.
            const bool relinked = now.st_nlink < s.St.st_nlink && now.st_size == s.St.st_size &&
                                  now.st_mtim.tv_sec == s.St.st_mtim.tv_sec &&
                                  now.st_mtim.tv_nsec == s.St.st_mtim.tv_nsec;
            same = change == Platform::TFileChange::Unchanged ||
                   ((change == Platform::TFileChange::Unproven || relinked) &&
                    sameAsArchived.contains(s.Name));
        } else if (same && !folder) {
            same = now.st_size == s.St.st_size && now.st_mtim.tv_sec == s.St.st_mtim.tv_sec &&
                   now.st_mtim.tv_nsec == s.St.st_mtim.tv_nsec;
        }
        if (!same) {
            if (!folder)
                changed.push_back(rootDir + "/" + name);
            continue;
        }
        if (unlinkat(dir.Get(), leaf.c_str(), folder ? AT_REMOVEDIR : 0) != 0 &&
            !(folder && (errno == ENOTEMPTY || errno == EEXIST)))
            notRemoved.push_back(rootDir + "/" + name + ": " + Platform::ErrorText(errno));
    }
}

} // namespace

struct TZipMaster::TAdded {
    std::string RootDir;
    std::vector<TSource> Sources;
};

void TZipMaster::RemoveAdded() {
    if (!Added)
        return;
    TFd root(open(Added->RootDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.Get() < 0) {
        NotRemoved.push_back(Added->RootDir + ": " + Platform::ErrorText(errno));
        return;
    }
    // Files the times leave unproven are compared with the archive first,
    // all in one reading of it.
    // So are hard-linked files, whose change time the removal of their
    // other names moves.
    std::set<std::string> unproven;
    for (const TSource& s : Added->Sources) {
        if (S_ISREG(s.St.st_mode) &&
            (s.St.st_nlink > 1 || ChangeSinceRead(OpenFolderOf(root.Get(), s.Name).Get(), s) ==
                                      Platform::TFileChange::Unproven))
            unproven.insert(s.Name);
    }
    const std::set<std::string> same = SameAsArchived(root.Get(), unproven);
    RemoveArchived(root.Get(), Added->RootDir, Added->Sources, same, ChangedFiles, NotRemoved);
    Added.reset();
}

std::set<std::string> TZipMaster::SameAsArchived(int rootFd, const std::set<std::string>& names) {
    std::set<std::string> same;
    if (names.empty())
        return same;
    TUtf8Locale locale;
    TArchiveReader reader;
    if (!reader.Open(ZipFileName, Password, ArchiveFolderFd))
        return same; // none proven: all stay
    archive* a = reader.A;
    archive_entry* entry = nullptr;
    std::vector<char> theirs(Block);
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        const char* name = archive_entry_pathname(entry);
        if (!name || !names.contains(name))
            continue;
        TFd in(OpenBelow(rootFd, name, O_RDONLY));
        bool equal = in.Get() >= 0;
        for (;;) {
            const void* data = nullptr;
            std::size_t length = 0;
            la_int64_t offset = 0;
            const int got = archive_read_data_block(a, &data, &length, &offset);
            if (got == ARCHIVE_EOF)
                break;
            if (got != ARCHIVE_OK) {
                equal = false;
                break;
            }
            // Holes come back as gaps between blocks; the file is read at
            // the block's offset, so they compare as the zeros they are.
            for (std::size_t done = 0; equal && done < length;) {
                const ssize_t n =
                    pread(in.Get(), theirs.data(), std::min(theirs.size(), length - done),
                          static_cast<off_t>(offset) + static_cast<off_t>(done));
                equal = n > 0 && std::memcmp(theirs.data(), static_cast<const char*>(data) + done,
                                             static_cast<std::size_t>(n)) == 0;
                done += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
        }
        // And nothing beyond what was archived.
        char beyond = 0;
        if (equal && pread(in.Get(), &beyond, 1, archive_entry_size(entry)) == 0)
            same.insert(name);
    }
    return same;
}

int TZipMaster::Add() {
    TUtf8Locale locale;
    ErrCode = ZipOk;
    ErrMessage.clear();
    SuccessCnt = 0;
    ChangedFiles.clear();
    NotRemoved.clear();
    Added.reset();
    CancelRequested = false;

    TFd root(open(RootDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.Get() < 0)
        return Fail(ZipReadFailed, "The folder " + Quoted(RootDir) +
                                       " cannot be opened: " + Platform::ErrorText(errno) + ".");
    std::vector<TSource> sources;
    std::string problem;
    TGatherer gatherer(AddOptions, sources, problem);
    for (const std::string& item : FSpecArgs) {
        if (!gatherer.Add(root.Get(), item))
            return Fail(ZipReadFailed, problem + ".");
    }
    if (sources.empty())
        return Fail(ZipNothingToAdd, "There is nothing to archive.");

    // Written under a hidden name, locked while it is written, so that
    // nobody lists or cleans it up half made.
    // Readable by its owner alone: it holds files that may have been private.
    const std::size_t slash = ZipFileName.rfind('/');
    const std::string leaf =
        slash == std::string::npos ? ZipFileName : ZipFileName.substr(slash + 1);
    const std::string partialLeaf = "." + leaf + ".part";
    TFd ownFolder(
        ArchiveFolderFd >= 0
            ? -1
            : open(slash == std::string::npos
                       ? "."
                       : (slash == 0 ? std::string("/") : ZipFileName.substr(0, slash)).c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int folderFd = ArchiveFolderFd >= 0 ? ArchiveFolderFd : ownFolder.Get();
    if (folderFd < 0)
        return Fail(ZipWriteFailed, "The archive " + Quoted(ZipFileName) +
                                        " cannot be written: " + Platform::ErrorText(errno) + ".");
    TFd out(openat(folderFd, partialLeaf.c_str(),
                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.Get() < 0 || flock(out.Get(), LOCK_EX) != 0)
        return Fail(ZipWriteFailed, "The archive " + Quoted(ZipFileName) +
                                        " cannot be written: " + Platform::ErrorText(errno) + ".");
    bool published = false;
    struct TRemovePartial {
        int Folder;
        const std::string& Leaf;
        const bool& Published;
        ~TRemovePartial() {
            if (!Published)
                unlinkat(Folder, Leaf.c_str(), 0);
        }
    } removePartial{folderFd, partialLeaf, published};

    {
        TArchiveWriter writer;
        archive* a = writer.A;
        archive_write_set_format_zip(a);
        const int level = std::clamp(AddCompLevel, 0, 9);
        archive_write_set_options(a, ("zip:compression-level=" + std::to_string(level)).c_str());
        if (AddOptions & AddEncrypt) {
            if (Password.empty())
                return Fail(ZipBadPassword, "No password was given for the archive.");
            if (archive_write_set_options(a, "zip:encryption=aes256") != ARCHIVE_OK ||
                archive_write_set_passphrase(a, Password.c_str()) != ARCHIVE_OK)
                return Fail(ZipWriteFailed, std::string("The archive cannot be encrypted: ") +
                                                archive_error_string(a));
        }
        if (archive_write_open_fd(a, out.Get()) != ARCHIVE_OK)
            return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a));
        std::vector<char> buffer(Block);
        for (TSource& s : sources) {
            if (CancelRequested)
                return Fail(ZipCancelled, "Stopped.");
            const std::int64_t size = S_ISREG(s.St.st_mode) ? s.St.st_size : 0;
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
            const std::string suffix = LowerSuffix(s.Name);
            if (level == 0 || std::find(AddStoreSuffixes.begin(), AddStoreSuffixes.end(), suffix) !=
                                  AddStoreSuffixes.end())
                archive_write_zip_set_compression_store(a);
            else
                archive_write_zip_set_compression_deflate(a);
            if (archive_write_header(a, entry.get()) < ARCHIVE_WARN)
                return Fail(ZipWriteFailed, "The archive cannot be written at " + Quoted(s.Name) +
                                                ": " + WhyNot(a));
            if (S_ISREG(s.St.st_mode)) {
                s.ReadStart = Platform::CopyStartTime();
                TFd in(OpenBelow(root.Get(), s.Name, O_RDONLY));
                if (in.Get() < 0)
                    return Fail(ZipReadFailed,
                                Quoted(RootDir + "/" + s.Name) +
                                    " cannot be read: " + Platform::ErrorText(errno) + ".");
                s.Stamped = Platform::StampFile(in.Get(), "", s.Stamp);
                std::int64_t sinceUpdate = 0;
                while (s.Written < size) {
                    if (CancelRequested)
                        return Fail(ZipCancelled, "Stopped.");
                    const ssize_t n =
                        read(in.Get(), buffer.data(),
                             static_cast<std::size_t>(std::min<std::int64_t>(
                                 static_cast<std::int64_t>(buffer.size()), size - s.Written)));
                    if (n < 0)
                        return Fail(ZipReadFailed,
                                    Quoted(RootDir + "/" + s.Name) +
                                        " cannot be read: " + Platform::ErrorText(errno) + ".");
                    if (n == 0)
                        break; // shorter than listed: the check below catches it
                    if (archive_write_data(a, buffer.data(), static_cast<std::size_t>(n)) != n)
                        return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a));
                    s.Written += n;
                    sinceUpdate += n;
                    if (sinceUpdate >= ProgressStep && OnProgress) {
                        OnProgress(ProgressType::ProgressUpdate, s.Name, s.Written);
                        sinceUpdate = 0;
                    }
                }
            }
            if (archive_write_finish_entry(a) < ARCHIVE_WARN)
                return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a));
            ++SuccessCnt;
        }
        if (archive_write_close(a) != ARCHIVE_OK)
            return Fail(ZipWriteFailed, "The archive cannot be written: " + WhyNot(a));
    }
    if (OnProgress)
        OnProgress(ProgressType::EndOfBatch, {}, 0);
    std::set<std::string> rawNames;
    for (const TSource& s : sources) {
        if (!IsUtf8(s.Name))
            rawNames.insert(s.Name);
    }
    if (!ClearUtf8Marks(out.Get(), rawNames) || fsync(out.Get()) != 0)
        return Fail(ZipWriteFailed, "The archive " + Quoted(ZipFileName) +
                                        " cannot be finished: " + Platform::ErrorText(errno) + ".");

    // Made only if it reads back as written.
    {
        TArchiveReader reader;
        archive* a = reader.A;
        if (!reader.Open(partialLeaf, Password, folderFd))
            return Fail(ZipCheckFailed,
                        std::string("The archive cannot be read back: ") + archive_error_string(a));
        std::size_t index = 0;
        archive_entry* entry = nullptr;
        std::vector<char> buffer(Block);
        int r;
        while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
            if (CancelRequested)
                return Fail(ZipCancelled, "Stopped.");
            const char* name = archive_entry_pathname(entry);
            if (index >= sources.size() || !name || sources[index].Name != name)
                return Fail(ZipCheckFailed, "The archive does not read back as written, at " +
                                                Quoted(name ? name : "?") + ".");
            // Never made when its own restore would refuse it.
            if (const std::string why = ArchiveNameRefusal(name); !why.empty())
                return Fail(ZipNameRefused, Quoted(name) +
                                                " could not be restored from the "
                                                "archive: " +
                                                why + ".");
            std::int64_t total = 0;
            for (;;) {
                const ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
                if (n < 0)
                    return Fail(ZipCheckFailed, "The archive does not read back whole, at " +
                                                    Quoted(name) + ": " + archive_error_string(a));
                if (n == 0)
                    break;
                total += n;
            }
            const std::int64_t expected =
                S_ISLNK(sources[index].St.st_mode) ? 0 : sources[index].Written;
            if (total != expected && !S_ISLNK(sources[index].St.st_mode))
                return Fail(ZipCheckFailed,
                            "The archive does not read back whole, at " + Quoted(name) + ".");
            ++index;
        }
        if (r != ARCHIVE_EOF || index != sources.size())
            return Fail(ZipCheckFailed, std::string("The archive does not read back whole: ") +
                                            (archive_error_string(a) ? archive_error_string(a)
                                                                     : "entries are missing"));
    }

    // Its name, never over another file.
    if (renameat2(folderFd, partialLeaf.c_str(), folderFd, leaf.c_str(), RENAME_NOREPLACE) != 0)
        return Fail(ZipWriteFailed, "The archive cannot be named " + Quoted(ZipFileName) + ": " +
                                        Platform::ErrorText(errno) + ".");
    published = true;
    fsync(folderFd);

    Added = std::make_shared<TAdded>(TAdded{RootDir, std::move(sources)});
    if (AddOptions & AddMove)
        RemoveAdded();
    return ZipOk;
}

int TZipMaster::LoadEntries() {
    TUtf8Locale locale;
    Entries.clear();
    ErrCode = ZipOk;
    TArchiveReader reader;
    archive* a = reader.A;
    if (!reader.Open(ZipFileName, Password, ArchiveFolderFd))
        return Fail(ZipReadFailed, "The archive " + Quoted(ZipFileName) +
                                       " cannot be read: " + archive_error_string(a));
    archive_entry* entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        const char* name = archive_entry_pathname(entry);
        Entries.push_back(
            {name ? name : "", archive_entry_size(entry), archive_entry_is_encrypted(entry) != 0});
    }
    if (r != ARCHIVE_EOF)
        return Fail(ZipReadFailed, "The archive " + Quoted(ZipFileName) +
                                       " cannot be read: " + archive_error_string(a));
    return ZipOk;
}

std::string ArchiveNameRefusal(const std::string& name, const std::string& topFolder) {
    if (name.empty())
        return "an empty name";
    if (name[0] == '/')
        return "an absolute name";
    for (std::size_t pos = 0; pos <= name.size();) {
        std::size_t end = name.find('/', pos);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(pos, end - pos, "..") == 0 && end - pos == 2)
            return "\"..\" in its name";
        pos = end + 1;
    }
    // libarchive takes a name without "/" for a Windows one and reads its
    // backslashes as separators, so such a name would not come back as it is.
    if (name.find('/') == std::string::npos && name.find('\\') != std::string::npos)
        return "a backslash in a name outside any folder";
    if (!topFolder.empty() && (name.compare(0, topFolder.size(), topFolder) != 0 ||
                               name.size() <= topFolder.size() || name[topFolder.size()] != '/'))
        return "it lies outside the archived folder " + Quoted(topFolder);
    return {};
}

int TZipMaster::Extract() {
    TUtf8Locale locale;
    ErrCode = ZipOk;
    ErrMessage.clear();
    SuccessCnt = 0;
    DroppedModeBits = 0;
    Refused.clear();
    CancelRequested = false;

    std::string base = ExtrBaseDir;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty() || base[0] != '/')
        return Fail(ZipWriteFailed, "The restore folder " + Quoted(base) + " is not a full path.");
    if (!Platform::MakeFolders(base, 0755))
        return Fail(ZipWriteFailed, "The restore folder " + Quoted(base) +
                                        " cannot be made: " + Platform::ErrorText(errno) + ".");
    // The real spelling, so that the check against links, which looks at
    // every component, passes the restore folder's own.
    if (char* real = realpath(base.c_str(), nullptr)) {
        base = real;
        std::free(real);
    }

    TArchiveReader reader;
    archive* a = reader.A;
    if (!reader.Open(ZipFileName, Password, ArchiveFolderFd))
        return Fail(ZipReadFailed, "The archive " + Quoted(ZipFileName) +
                                       " cannot be read: " + archive_error_string(a));
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
    int failure = ZipOk;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        ++entries;
        if (CancelRequested)
            return Fail(ZipCancelled, "Stopped.");
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
        struct stat there {};
        const bool existed = lstat(target.c_str(), &there) == 0;
        if (existed && !(ExtrOptions & ExtrOverWrite) &&
            !(S_ISDIR(there.st_mode) && type == AE_IFDIR)) {
            Refused.push_back(name + ": it is there already and may not be replaced");
            failure = ZipWriteFailed;
            continue;
        }
        // Only what this restore made, or was allowed to replace, may go again.
        const bool ours = !existed || (ExtrOptions & ExtrOverWrite);
        archive_entry_set_pathname(entry, target.c_str());
        // Anything short of OK (a warning, too, as for a file that is there
        // and may not be replaced) means the entry was not made: what is
        // there is not ours to remove.
        if (archive_write_header(disk.get(), entry) != ARCHIVE_OK) {
            const std::string why = archive_error_string(disk.get());
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
                const std::string why = archive_error_string(a) ? archive_error_string(a) : "";
                archive_write_finish_entry(disk.get());
                if (ours && type == AE_IFREG)
                    unlink(target.c_str());
                return Fail(why.find("assphrase") != std::string::npos ? ZipBadPassword
                                                                       : ZipReadFailed,
                            "The archive cannot be read at " + Quoted(name) + ": " + why);
            }
            if (CancelRequested)
                return Fail(ZipCancelled, "Stopped.");
            // libarchive reports a failed write (a full disk) as a mere
            // warning, and later sizes the file as the entry says, so the
            // bytes that were not written would come back as zeros.
            if (length > 0 &&
                archive_write_data_block(disk.get(), data, length, offset) != ARCHIVE_OK) {
                Refused.push_back(name + ": " + archive_error_string(disk.get()));
                failure = ZipWriteFailed;
                whole = false;
                break;
            }
            // A bad CRC, too, is only a warning to libarchive: the data
            // is not what was archived.
            if (r == ARCHIVE_WARN) {
                Refused.push_back(name + ": " +
                                  (archive_error_string(a) ? archive_error_string(a)
                                                           : "the data does not check"));
                failure = ZipCheckFailed;
                whole = false;
                break;
            }
            done += static_cast<std::int64_t>(length);
            sinceUpdate += static_cast<std::int64_t>(length);
            if (sinceUpdate >= ProgressStep && OnProgress) {
                OnProgress(ProgressType::ProgressUpdate, name, done);
                sinceUpdate = 0;
            }
        }
        if (archive_write_finish_entry(disk.get()) < ARCHIVE_WARN) {
            Refused.push_back(name + ": " + archive_error_string(disk.get()));
            failure = ZipWriteFailed;
            whole = false;
        }
        if (whole)
            ++SuccessCnt;
        else if (ours && type == AE_IFREG)
            // Torn, though of the right size: it must not pass for the file.
            unlink(target.c_str());
    }
    if (r != ARCHIVE_EOF)
        return Fail(ZipReadFailed, "The archive " + Quoted(ZipFileName) + " cannot be read: " +
                                       (archive_error_string(a) ? archive_error_string(a) : ""));
    // Folders get their modes and times last, once everything is in them.
    if (archive_write_close(disk.get()) != ARCHIVE_OK) {
        Refused.push_back(std::string("folder times and modes: ") +
                          archive_error_string(disk.get()));
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
    return ZipOk;
}
