// Volume queries that may block for ever on a dead network mount, run with a
// time limit: the call runs on a helper thread and the caller waits at most
// the given time. A probe that overruns is left to finish on its own; it
// touches only state it shares with later callers, never the caller's stack,
// and a later probe of the same kind on the same path waits for that one
// instead of starting another thread, so a hung share holds one thread per
// kind of query, not one per call. The current directory is never changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform {

struct TVolumeStat {
    std::uint64_t BlockSize = 0;    // f_bsize
    std::uint64_t FragmentSize = 0; // f_frsize, the unit of the block counts
    std::uint64_t TotalBlocks = 0;
    std::uint64_t FreeBlocks = 0;
    std::uint64_t AvailableBlocks = 0; // free blocks an unprivileged user may use
    std::uint64_t FsId = 0;
    std::uint64_t MaxNameLength = 0;
    bool ReadOnly = false;
};

enum class TProbeResult { Ok, Failed, TimedOut };

// How long the window waits for a drive that may hang before it says the
// drive is not answering.
inline constexpr int SlowDriveTimeoutMs = 2000;

// What a probe found: errno (0 on success) and whichever figures it reads.
struct TProbeOutput {
    int Error = 0;
    TVolumeStat Stat;
    std::vector<std::string> Names;
    std::vector<std::int64_t> Sizes; // with ListFolderFiles, one per name
    bool Exists = false;             // with ProbeExists
};

// Runs work on a helper thread, or joins the probe already running under the
// same key, and waits at most timeoutMs. On Ok and Failed, output holds what
// the work returned. The queries below are built on it.
TProbeResult RunProbe(const std::string& key, std::function<TProbeOutput()> work, int timeoutMs,
                      TProbeOutput& output);

// statvfs of path. On Failed, *error (when given) holds the errno.
TProbeResult StatVolume(const std::string& path, TVolumeStat& stat, int timeoutMs,
                        int* error = nullptr);
// Whether path can be opened as a folder and its first entries read.
TProbeResult CheckListable(const std::string& path, int timeoutMs, int* error = nullptr);
// The names in a folder ("." and ".." left out), in the order listed.
TProbeResult ListFolderNames(const std::string& path, std::vector<std::string>& names,
                             int timeoutMs, int* error = nullptr);

// Whether something is at path (a folder, with folderOnly), links not
// followed. `exists` is set on Ok only.
TProbeResult ProbeExists(const std::string& path, bool folderOnly, int timeoutMs, bool& exists);
// The files of a folder (subfolders left out) with their sizes.
TProbeResult ListFolderFiles(const std::string& path, std::vector<std::string>& names,
                             std::vector<std::int64_t>& sizes, int timeoutMs, int* error = nullptr);

} // namespace Platform
