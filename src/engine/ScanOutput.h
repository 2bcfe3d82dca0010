// What a scan hands to an exporter while it builds the tree: every entry of
// every folder it lists, on the reader threads, as it meets them.
//
// Contract: calls for one folder come from one thread at a time and in this
// order: the parent's Subfolder call made it, then File / Unreadable /
// Subfolder for its entries, then exactly one FolderDone -- unless the scan
// was aborted, after which some folders never get theirs (an aborted export
// is thrown away whole). Different folders are reported by different
// threads at once, but a thread reports one folder whole, up to its
// FolderDone, before it starts on another: an output may keep a folder's
// text in a buffer of the thread's own. A reader left stuck in the file system may still call
// after the scan command has returned, so scans hold the output by
// shared_ptr. The tree and its records are the same with or without an
// output.
#pragma once

#include "platform/DirReader.h"

#include <cstddef>
#include <string>
#include <vector>

// An output's own note about one folder; the scanner only hands it back.
class TOutputFolder {
public:
    virtual ~TOutputFolder() = default;
};

// How the reading of a folder ended.
struct TFolderOutcome {
    // The folder's own facts (all of them), or null when unknown.
    const Platform::TFileFacts* Facts = nullptr;
    // errno of a failed open or of a listing that failed part way; 0 if none.
    int Error = 0;
    // The folder could not be opened at all (Error says why).
    bool NotOpened = false;
    // Opening found a mount point: another drive, not read.
    bool OtherMount = false;
    // Its subfolders in the order the scan takes them up: the last first.
    // Mount points met in the listing are not among them.
    const std::vector<TOutputFolder*>* Subfolders = nullptr;
};

class TScanOutput {
public:
    virtual ~TScanOutput() = default;
    // On the thread that starts the scan, before any reader runs.
    virtual TOutputFolder* StartFolder(const std::string& path) = 0;
    // A subfolder met while listing parent. A mount point (otherMount) is
    // never read: the output records it itself and returns null.
    virtual TOutputFolder* Subfolder(TOutputFolder& parent, const char* name, std::size_t length,
                                     bool otherMount) = 0;
    // A file (anything but a folder) with all its facts.
    virtual void File(TOutputFolder& folder, const char* name, std::size_t length,
                      const Platform::TFileFacts& facts) = 0;
    // An entry that could not be examined (error: errno).
    virtual void Unreadable(TOutputFolder& folder, const char* name, std::size_t length,
                            int error) = 0;
    virtual void FolderDone(TOutputFolder& folder, const TFolderOutcome& outcome) = 0;
};
