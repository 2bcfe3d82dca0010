// What a scan file says about itself, so that a tree opened from one can
// tell the user where it came from and when it was made.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// The key of our own in a scan file's entry that names why it could not be
// read ("EACCES"), beside ncdu's "read_error", which says only that.
inline constexpr std::string_view ScanFileErrorKey = "quillmere_error";
// Names longer than any file system allows are damage, not names: a scan file
// holding one is refused before it is held in memory.
inline constexpr std::size_t LongestScanFileName = 4096;

struct TScanFileInfo {
    // The file the scan was read from.
    std::string SourceFile;
    // The program that wrote it ("ncdu", "gdu", "quillmere") and its version.
    std::string Program;
    std::string ProgramVersion;
    // When the scan was made, in Unix seconds; 0 when the file does not say.
    std::int64_t Timestamp = 0;
    // The scanned folder's path as the file gives it (raw bytes).
    std::string RootPath;
    // The cluster size the wasted space of the opened tree is computed with.
    std::int32_t ClusterSize = 0;
};

// "/srv/data, scanned by ncdu 1.18 on Monday, December 7, 2026 5:20:00 PM,
// from /tmp/data.json": the line that names an opened scan.
QString ScanFileTitle(const TScanFileInfo& info);
