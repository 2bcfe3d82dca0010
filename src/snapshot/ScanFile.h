// What a scan file says about itself, so that a tree opened from one can
// tell the user where it came from and when it was made.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

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
