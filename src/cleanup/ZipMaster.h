// The archive component: packs a folder into a ZIP archive and unpacks one,
// over libarchive. The dialog runs it on a worker thread and hears of its
// work through OnMessage and OnProgress (called on that thread); Cancel may
// be called from any thread.
//
// Contract of Add: the archive is written under a hidden temporary name
// beside ZipFileName, read back whole (every entry decompressed, its CRC
// right, names, count and sizes as written), and only then given its name;
// on any error or Cancel the temporary file is removed and nothing of the
// folder is touched. With AddMove, the files are removed afterwards only
// when still exactly as archived (a file changed meanwhile stays, named in
// ChangedFiles), and a folder only when nothing is left in it. "Exactly as
// archived" is proven by the change time (see platform/FileChange.h), or,
// where times are too coarse to prove it, by comparing the file with its
// entry in the archive.
//
// Names are stored relative to RootDir with "/" separators; names that are
// UTF-8 are marked so, other names are stored as their raw bytes and come
// back byte for byte. Symbolic links are stored as links, empty folders as
// folders; modes and modification times are kept. Archives grow to Zip64
// where sizes need it.
//
// Contract of Extract: nothing is written outside ExtrBaseDir, and with
// ExtrTopFolder nothing outside that folder below it: absolute names, ".."
// components, entries outside the top folder, device nodes and writing
// through a symbolic link are refused (the entries are named in Refused and
// the restore fails). Links stored in the archive are made as links wherever
// they point. Without ExtrOverWrite no existing file is replaced. Set-user-ID,
// set-group-ID and sticky bits are dropped (counted in DroppedModeBits). The
// restore succeeds only when every entry was written whole and its data and
// CRC checked without so much as a warning. A backslash is an ordinary byte
// of a name; only a name without any "/" is read by libarchive as a Windows
// name ("a\b" as a/b), and Add never stores one: its names all lie below
// the archived folder.
//
// The archive's own file is reached through ArchiveFolderFd when that is
// set (an archives folder opened and checked once), never by path.
#pragma once

#include "platform/Result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

enum TAddOption : unsigned {
    AddDirNames = 1,    // keep the folder names of the entries
    AddRecurseDirs = 2, // walk subfolders
    AddMove = 4,        // remove what was archived, once the archive is made
    AddHiddenFiles = 8, // include names beginning with "."
    AddEncrypt = 16,    // AES-256 with Password
};

enum TExtrOption : unsigned {
    ExtrDirNames = 1,  // recreate stored folders
    ExtrOverWrite = 2, // replace files of the same name
};

enum class ProgressType {
    NewFile,        // the next entry: its name ("/" separators) and size
    ProgressUpdate, // the bytes of the current entry done so far, Add and Extract alike
    EndOfBatch,     // every entry done
    TotalFiles2Process,
    TotalSize2Process,
    NewExtra,
    ExtraUpdate,
};

struct TZipEntry {
    std::string Name;
    std::int64_t Size = 0;  // uncompressed
    bool Encrypted = false; // its data needs Password
};

// What kind of failure ended an operation: its number is shown with the
// message, and Stop and a wrong password are told apart from the rest by it.
enum TZipError : int {
    ZipOk = 0,
    ZipCancelled = 1,
    ZipReadFailed = 2,  // a source file, or the archive, cannot be read
    ZipWriteFailed = 3, // the archive, or a restored file, cannot be written
    ZipCheckFailed = 4, // the archive does not read back as written
    ZipNameRefused = 5, // an entry would leave the restore folder
    ZipBadPassword = 6,
    ZipNothingToAdd = 7,
};

struct TZipSource;
struct archive;
namespace ZipLib {
class TArchiveReader;
}

class TZipMaster {
public:
    std::string ZipFileName;
    unsigned AddOptions = AddDirNames | AddRecurseDirs | AddHiddenFiles;
    int AddCompLevel = 9;
    // The folder that FSpecArgs are relative to: the folder that holds the
    // folder being archived. (The process's current folder is never changed.)
    std::string RootDir;
    // Names below RootDir; a folder adds what lies below it.
    std::vector<std::string> FSpecArgs;
    std::string ExtrBaseDir;
    // When not empty, every entry must lie in this folder (first name of
    // each entry) below ExtrBaseDir.
    std::string ExtrTopFolder;
    unsigned ExtrOptions = ExtrDirNames;
    // The open folder that holds ZipFileName (whose last name is then used),
    // or -1 to reach ZipFileName by its path.
    int ArchiveFolderFd = -1;
    std::vector<std::string> AddStoreSuffixes = {"gif", "png", "z",   "zip",  "zoo", "arc",
                                                 "lzh", "arj", "taz", "tgz",  "lha", "rar",
                                                 "ace", "cab", "gz",  "gzip", "jar"};
    // For AddEncrypt, and for reading an encrypted archive.
    std::string Password;

    // Each failure, as it happens (on the worker's thread), with its kind.
    std::function<void(int errCode, const std::string& message)> OnMessage;
    std::function<void(ProgressType type, const std::string& fileName, std::int64_t fileSize)>
        OnProgress;

    // Packs FSpecArgs into ZipFileName, which must not exist; succeeds when
    // the archive is made and checked. A failure's Text is the whole
    // sentence for the user (it names the path itself).
    TStatus Add();
    // Unpacks every entry below ExtrBaseDir, made when missing.
    TStatus Extract();
    // The entry list of ZipFileName.
    TResult<std::vector<TZipEntry>> LoadEntries();
    void Cancel() { CancelRequested = true; }
    // After an Add: removes what it archived and is still exactly as it was
    // archived (AddMove does this itself); what changed goes to
    // ChangedFiles, what cannot be removed to NotRemoved.
    void RemoveAdded();
    // The kind of failure that ended the last operation; ZipOk after one
    // that succeeded.
    TZipError LastError() const { return Kind; }

    std::uint64_t SuccessCnt = 0;          // entries processed whole by the last operation
    std::vector<std::string> ChangedFiles; // Add with AddMove: kept, as they changed
    std::vector<std::string> NotRemoved;   // Add with AddMove: could not be removed, and why
    std::vector<std::string> Refused;      // Extract: entries refused
    std::uint64_t DroppedModeBits = 0; // Extract: entries restored without set-ID or sticky bits

    struct TAdded; // what the last Add archived
private:
    // Records the failure's kind, tells OnMessage, and gives the failure
    // (error: the system's error number, where one caused it).
    TFailure Fail(TZipError kind, const std::string& message, int error = 0);
    TFailure Stopped() { return Fail(ZipCancelled, "Stopped."); }
    // Opens ZipFileName for reading with reader, or says why it cannot be read.
    TStatus OpenArchive(ZipLib::TArchiveReader& reader);

    // The steps of Add, in their order.
    TResult<std::vector<TZipSource>> Gather(int rootFd);
    TStatus WriteEntries(int archiveFd, int rootFd, std::vector<TZipSource>& sources);
    TStatus WriteContents(archive* a, int rootFd, TZipSource& source, std::vector<char>& buffer);
    TStatus MarkRawNames(int archiveFd, const std::vector<TZipSource>& sources);
    TStatus CheckReadsBack(int folderFd, const std::string& leaf,
                           const std::vector<TZipSource>& sources);

    // Of the files named (below the open folder rootFd), those whose
    // contents equal their entries in the archive.
    std::set<std::string> SameAsArchived(int rootFd, const std::set<std::string>& names);

    std::shared_ptr<TAdded> Added;
    std::atomic<bool> CancelRequested{false};
    TZipError Kind = ZipOk;
};

// Whether the bytes are UTF-8 (and so may be marked as such in an archive).
bool IsUtf8(const std::string& text);

// Why an entry's name may not be restored below the restore folder (with
// topFolder not empty: below that folder of it); empty when it may. Add
// holds every archive it makes to the same rule.
std::string ArchiveNameRefusal(const std::string& name, const std::string& topFolder = {});
