// The folder contents report: the subfolder list exactly as the "Subfolders"
// page shows it (captions with the sort mark, cell texts, row order), as
// comma-separated values, tab-separated text, or text in aligned columns.
// Only the list's own texts are written; no figure is worked out here. A
// folder whose figures are incomplete is marked " *" after its name, and a
// note after the list says what the mark means.
#pragma once

#include "platform/Result.h"
#include "reports/ReportOutput.h"

#include <QString>

#include <string>

class TSubfolderListModel;

// The comma-text rule: the fields joined by ","; a field holding a blank, a
// control character, a double quote or a comma goes between double quotes
// with its double quotes doubled; a line of one empty field is "".
QString CsvLine(const QStringList& fields);

void WriteCsvList(const TSubfolderListModel& list, TReportOutput& out);
// Every caption and every cell is followed by a tab, the last one too.
void WriteTabList(const TSubfolderListModel& list, TReportOutput& out);
// A title naming `titlePath`, then the columns aligned by blanks: the names
// left-aligned, the rest right-aligned, each column four characters wider
// than its widest text. On a printer the names are cut to 14 characters.
void WriteFormattedList(const QString& titlePath, const TSubfolderListModel& list,
                        TReportOutput& out);

// The same to a file (raw-byte path), which is created or emptied first, or
// for the formatted list with `append` added to. They close the file, and
// fail when it could not be written whole.
TStatus WriteCsvList(const TSubfolderListModel& list, const std::string& path);
TStatus WriteTabList(const TSubfolderListModel& list, const std::string& path);
TStatus WriteFormattedList(const QString& titlePath, const TSubfolderListModel& list,
                           const std::string& path, bool append);
