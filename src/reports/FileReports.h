// The file list reports: the largest files of a folder's whole tree and the
// figures per extension, as comma-separated values, tab-separated text or
// text in aligned columns. The cell texts are made once, here, in the forms
// the subfolder list's reports use (sizes in KB, shares with two decimals,
// dates as the system writes them, names that are not UTF-8 with
// replacement characters), and the writers only lay them out.
#pragma once

#include "engine/FileQueries.h"
#include "platform/Result.h"
#include "reports/ReportOutput.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TFileReportFormat { Csv = 0, Tab = 1, Text = 2 };

// The largest files reports take at most this many files; 100 by default.
inline constexpr std::size_t LargestFilesDefault = 100;
inline constexpr std::size_t LargestFilesMost = 10000;

struct TFileReport {
    // "Largest Files in PATH" or "File Types in PATH".
    QString Title;
    QStringList Captions;
    std::vector<QStringList> Rows;
    // Columns written left-aligned in aligned text; the others right-aligned.
    int LeftColumns = 1;
    // Said after the captions instead of rows: the scan kept no files.
    QString Note;
};

// What a report says when the scan that read the folder kept no files.
QString FilesNotKeptText();

// The `count` largest files among `lists` (gathered from the folder at
// `folderPath`, raw bytes), largest first: Name, Folder (full path), Size,
// Allocated, Wasted at `clusterSize`, Modified. The lists' nodes must be
// valid: call on the tree's thread. Without `filesKept`, the report says
// that the scan kept no files.
TFileReport LargestFilesReport(const std::string& folderPath,
                               const std::vector<TFolderFiles>& lists, std::size_t count,
                               std::int32_t clusterSize, bool filesKept);
// One row per extension, by size: Extension, Category, Files, Size,
// Allocated, Wasted at `clusterSize`, % of `folderSize` (the folder's
// whole size). Needs no node: any thread.
TFileReport FileTypesReport(const std::string& folderPath, const std::vector<TFolderFiles>& lists,
                            std::int64_t folderSize, std::int32_t clusterSize, bool filesKept);

// The captions, then one line per row (CSV by CsvLine's rule; tab text with
// a tab after every field). A note goes on a line of its own after the
// captions.
void WriteCsvFileReport(const TFileReport& report, TReportOutput& out);
void WriteTabFileReport(const TFileReport& report, TReportOutput& out);
// The title, then the columns aligned by blanks, each four characters wider
// than its widest text.
void WriteFormattedFileReport(const TFileReport& report, TReportOutput& out);
void WriteFileReport(const TFileReport& report, TFileReportFormat format, TReportOutput& out);

// The same to a new file (raw-byte path), written whole under a temporary
// name first; fails when it could not be.
TStatus WriteFileReport(const TFileReport& report, TFileReportFormat format,
                        const std::string& path);
