// Writing a scan in the JSON export format that ncdu (1.x, format 1.2) and
// gdu read: every folder and file with its apparent size and disk usage,
// hard links with inode and link count, folders that could not be read and
// mount points marked as ncdu marks them, names as their raw bytes.
//
// Contract: ExportFolder scans on the calling thread (any thread; the window
// uses a worker) with the scanner's reader threads, and streams the file in
// tree order while the scan runs, so memory does not grow with the size of
// the output. A stopped or failed export leaves an older file of that name
// (or a link's target) as it was (see Platform::TOutputFile); only a device,
// a FIFO and "-" are written in place. Stop also ends waits on a pipe.
// What could not be read carries ncdu's "read_error" and, in a key of our
// own, the name of the error (EACCES), which ncdu and gdu pass over.
#pragma once

#include "platform/Result.h"

#include <atomic>
#include <cstdint>
#include <string>

struct TExportProgress {
    std::atomic<std::uint64_t> Folders{0};
    std::atomic<std::uint64_t> Files{0};
    std::atomic<std::uint64_t> BytesWritten{0};
    // Folders that could not be listed and entries that could not be examined.
    std::atomic<std::uint64_t> Unreadable{0};
    // Set by anyone to stop the export, which then fails.
    std::atomic<bool> Stop{false};
};

// Scans the folder at path (absolute) and writes it to file ("-": standard
// output). readerThreads 0 uses the scanner's default. Something unreadable
// is no failure: it is in the file, and counted in progress.Unreadable.
TStatus ExportFolder(const std::string& path, const std::string& file, TExportProgress& progress,
                     int readerThreads = 0);
