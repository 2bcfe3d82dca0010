// The folder information report: what the pie page's header, the folder
// information page and the wasted space page show for a folder, as text.
// Its content is made by the same functions that fill those pages, so the
// report and the screen cannot disagree, and it is made without a window.
#pragma once

#include "models/FolderInfoContent.h"
#include "models/PieItemNames.h"
#include "platform/Result.h"
#include "reports/ReportOutput.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <string>

class TFolderNode;
class TSubfolderListModel;

struct TFolderReport {
    // The pie header's names of the folder itself.
    TPieItemNames Header;
    QString Path;
    TFolderInfoContent Info;
    TWastedContent Wasted;
    QDateTime Generated;
};

// The report of a node with a record. `whatIfIndex` picks the wasted space
// shown in the figures; `driveClusterSize` marks the drive's own row.
TFolderReport FolderReportContent(const TFolderNode& node, int whatIfIndex,
                                  std::int32_t driveClusterSize);
// The same from the contents the pages already show for the node.
TFolderReport FolderReportContent(const TFolderNode& node, const TFolderInfoContent& info,
                                  const TWastedContent& wasted);

// Writes the report. Written to a file (not to a printer) it ends with the
// heading of the subfolder list that a file report appends.
void WriteFolderReport(const TFolderReport& report, TReportOutput& out);
// The report to a new file (raw-byte path), followed by the formatted
// subfolder list; the file is closed at the end. Fails when it could not be
// written whole.
TStatus WriteFolderReport(const TFolderReport& report, const TSubfolderListModel& list,
                          const std::string& path);
