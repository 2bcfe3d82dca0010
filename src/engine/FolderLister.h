// What the scanner needs of the file system: open a folder, open a subfolder
// of an open one, list it. The disk lister does it with the platform's calls;
// a test can put a made-up tree (or one that fails on purpose) in its place.
//
// Contract: several reader threads call a lister at once. Handles are the
// lister's own numbers (descriptors for the disk); each one opened is closed
// exactly once. A lister handed to a scan must stay alive until every reader
// of that scan is gone, so scans hold it by shared_ptr.
#pragma once

#include "platform/DirReader.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class TFolderLister {
public:
    virtual ~TFolderLister() = default;
    // Opens the folder a scan starts from (an absolute path, links on the
    // way followed as the user gave it). Returns -1 with error set on failure.
    virtual int OpenTop(const std::string& path, int& error) = 0;
    // Opens the subfolder `name` of an open folder, never following a link
    // and never entering another mount: a mount point gives -1 with
    // otherMount set and error 0.
    virtual int OpenSub(int parent, const char* name, int& error, bool& otherMount) = 0;
    virtual void Close(int handle) = 0;
    // Device and inode numbers of an open folder; false when unknown.
    virtual bool Identity(int handle, std::uint64_t& device, std::uint64_t& inode) = 0;
    // For the folder a scan starts from: the mount its listings compare
    // subfolders with to find mount points, or 0 when OpenSub finds them.
    virtual std::uint64_t ListingMount(int handle) = 0;
    // All facts of the entry `name` of an open folder ("" for the folder
    // itself), for exports; false when they cannot be had.
    virtual bool Facts(int /*handle*/, const char* /*name*/, Platform::TFileFacts& /*facts*/) {
        return false;
    }
    // Hands every entry of the open folder to the sink, testing abort after
    // each (see Platform::ListFolder). `buffer` is the reader's scratch space.
    virtual bool List(int handle, std::uint64_t mountId, Platform::TListSink& sink,
                      const std::atomic<bool>& abort, std::vector<char>& buffer, bool& aborted,
                      int& error) = 0;
};

// The real file system, through the platform's directory reading.
class TDiskLister final : public TFolderLister {
public:
    TDiskLister();
    int OpenTop(const std::string& path, int& error) override;
    int OpenSub(int parent, const char* name, int& error, bool& otherMount) override;
    void Close(int handle) override;
    bool Identity(int handle, std::uint64_t& device, std::uint64_t& inode) override;
    std::uint64_t ListingMount(int handle) override;
    bool Facts(int handle, const char* name, Platform::TFileFacts& facts) override;
    bool List(int handle, std::uint64_t mountId, Platform::TListSink& sink,
              const std::atomic<bool>& abort, std::vector<char>& buffer, bool& aborted,
              int& error) override;

private:
    // Chosen once per lister: where opening a subfolder tells mount points
    // apart by itself, listings need not examine each subfolder for it.
    const bool SeesMounts;
};
