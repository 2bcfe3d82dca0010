// Directory reading for the scanner: open folders relative to their parent's
// descriptor, list them with raw getdents64 and statx, and hand each entry to
// a sink without allocating. Safe to use from several threads at once.
//
// Contract: names are raw bytes (not necessarily UTF-8); symbolic links are
// never followed (a link is a file of its own size); a subfolder on another
// mount is reported as such and never opened; automounts are not triggered.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Attribute bits reported for files, in the record's own numbering.
enum : std::uint32_t {
    FileAttrReadOnly = 0x1,   // the owner may not write
    FileAttrHidden = 0x2,     // name starts with '.'
    FileAttrSystem = 0x4,     // not a regular file, folder or link
    FileAttrDirectory = 0x10, // folders
    FileAttrCompressed = 0x800,
};

// Time stamps in 100-nanosecond units since 1601-01-01 UTC.
std::uint64_t UnixTimeToFileTime(std::int64_t seconds, std::uint32_t nanoseconds);

struct TFileFacts {
    std::int64_t Size = 0;
    std::uint64_t AccessTime = 0;
    std::uint64_t WriteTime = 0;
    std::uint64_t CreationTime = 0; // birth time, 0 when the file system keeps none
    std::uint32_t Attributes = 0;
    bool IsFolder = false;
    // Filled only where the sink asks for all facts (an export) or by
    // FullFactsAt; a plain scan leaves them 0 and does not pay for them.
    std::int64_t DiskUsage = 0; // allocated bytes (512-byte blocks)
    std::uint64_t Inode = 0;
    std::uint64_t Device = 0;
    std::uint32_t Links = 0;
    std::uint32_t Mode = 0;        // st_mode: type and permission bits
    std::int64_t WriteSeconds = 0; // modification time, Unix seconds
};

class TListSink {
public:
    virtual ~TListSink() = default;
    virtual void OnFile(const char* name, std::size_t nameLength, const TFileFacts& facts) = 0;
    // otherMount: the folder is the root of another mounted file system.
    virtual void OnFolder(const char* name, std::size_t nameLength, bool otherMount) = 0;
    // An entry that is there but cannot be examined (error: errno); its size
    // and kind are unknown.
    virtual void OnUnreadable(const char* name, std::size_t nameLength, int error) = 0;
    // True when OnFile needs the facts a plain scan does without (disk
    // usage, inode, links, mode); asked once per listing.
    virtual bool WantsAllFacts() const { return false; }
};

// An owned file descriptor.
class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd();
    TFd(TFd&& other) noexcept : Fd(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    int Release() {
        int fd = Fd;
        Fd = -1;
        return fd;
    }

private:
    int Fd = -1;
};

// Opens the folder `name` inside the folder `parentFd` (or an absolute or
// relative path when parentFd is AT_FDCWD), never following a link. On
// failure returns an invalid TFd and sets error to the errno value.
TFd OpenFolderAt(int parentFd, const char* name, int& error);

// Opens the subfolder `name` of `parentFd` without crossing into another
// mount: when `name` is a mount point, returns an invalid TFd with
// otherMount set and error 0. Only meaningful when SubfolderOpenSeesMounts().
TFd OpenSubfolderAt(int parentFd, const char* name, int& error, bool& otherMount);
// True when OpenSubfolderAt detects mount points by itself (openat2 with
// RESOLVE_NO_XDEV), so listings need not examine each subfolder for it.
bool SubfolderOpenSeesMounts();
// While it lives, SubfolderOpenSeesMounts() answers as on a kernel without
// openat2 (use false), or as the kernel says (use true), so the fallback
// (examining subfolders while listing) can be tested; the answer before comes
// back when it goes, whatever way the test ends. A scan already running
// keeps the way it started with.
class TNoXdevOpenOverride {
public:
    explicit TNoXdevOpenOverride(bool use);
    ~TNoXdevOpenOverride();
    TNoXdevOpenOverride(const TNoXdevOpenOverride&) = delete;
    TNoXdevOpenOverride& operator=(const TNoXdevOpenOverride&) = delete;

private:
    int Saved;
};

// Opens a folder by absolute path of any length: paths longer than the
// kernel's limit are opened one component at a time.
TFd OpenFolderPath(const std::string& path, int& error);

// Opens the parent folder of `path` and gives the last component, so that a
// path of any length can be examined with the *at() calls. Fails for "/".
TFd OpenParentOf(const std::string& path, std::string& lastComponent, int& error);

// Which mount holds the item `name` of the folder dirFd ("" for dirFd itself),
// without following a link or triggering an automount. Equal values mean the
// same mount, so a bind mount of a folder of the same file system counts as
// another mount. The kernel's mount id where it tells one (statx from Linux
// 5.8, the file-handle call before); else the device numbers, marked so that
// they never equal a mount id. 0 when the item cannot be examined.
std::uint64_t MountIdAt(int dirFd, const char* name);
// MountIdAt of an open folder itself.
std::uint64_t MountIdOf(int fd);
// Device and inode numbers of an open file; false when it cannot be examined.
bool IdentityOf(int fd, std::uint64_t& device, std::uint64_t& inode);

// Reads the facts of one entry without following links. Returns false and
// sets error when the entry cannot be examined.
bool FactsAt(int dirFd, const char* name, TFileFacts& facts, int& error);

// FactsAt with all facts, DiskUsage to WriteSeconds included; an empty name
// examines dirFd itself.
bool FullFactsAt(int dirFd, const char* name, TFileFacts& facts, int& error);

// Lists the open folder dirFd, whose mount id is mountId (0: do not look for
// mount points; the caller opens subfolders with OpenSubfolderAt). Every
// entry but "." and ".." goes to the sink. After each entry `abort` is tested; when it is
// set, listing stops and the function returns false with aborted = true.
// `buffer` is the caller's scratch space, reused between calls. Returns false
// with error set when the listing failed part way (what was read so far has
// reached the sink).
bool ListFolder(int dirFd, std::uint64_t mountId, TListSink& sink, const std::atomic<bool>& abort,
                std::vector<char>& buffer, bool& aborted, int& error);

// Existence tests on paths of any length; links are not followed. (The
// engine offers them as PathExists, DirectoryExists and FindEntry.)
bool EntryExists(const std::string& path);
bool FolderExists(const std::string& path);
bool LookUpEntry(const std::string& path, TFileFacts& facts);

// A short reason for an errno value ("Permission denied").
std::string ErrorText(int error);
// The symbolic name of an errno value ("EACCES"), the same on every system;
// empty when it has none. ErrorOfName is its inverse, 0 for a name unknown here.
std::string ErrorName(int error);
int ErrorOfName(const std::string& name);

} // namespace Platform
