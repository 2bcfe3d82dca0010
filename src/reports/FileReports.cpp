// The largest files and file types reports.
#include "reports/FileReports.h"

#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/FileCategories.h"
#include "models/SubfolderList.h"
#include "reports/ListReports.h"
#include "reports/ReportFile.h"

#include <QCoreApplication>

#include <algorithm>
#include <unordered_map>

namespace {

constexpr int ColumnGap = 4;

QString Tr(const char* text) {
    return QCoreApplication::translate("TFileReport", text);
}

QString TabLine(const QStringList& fields) {
    QString line;
    for (const QString& field : fields) {
        line += OneLine(field);
        line += QLatin1Char('\t');
    }
    return line;
}

} // namespace

QString FilesNotKeptText() {
    return Tr("The scan kept no files of this folder, only its sums: scan it again keeping "
              "every file to list them.");
}

TFileReport LargestFilesReport(const std::string& folderPath,
                               const std::vector<TFolderFiles>& lists, std::size_t count,
                               std::int32_t clusterSize, bool filesKept) {
    TFileReport report;
    report.Title = Tr("Largest Files in %1").arg(DisplayText(folderPath));
    report.Captions = {Tr("Name"),      Tr("Folder"), Tr("Size"),
                       Tr("Allocated"), Tr("Wasted"), Tr("Modified")};
    report.LeftColumns = 2;
    if (!filesKept) {
        report.Note = FilesNotKeptText();
        return report;
    }
    const std::vector<TFileAt> largest = LargestFiles(lists, count);
    // Many of the largest files share a folder: its path is made once.
    std::unordered_map<std::uint32_t, QString> folders;
    report.Rows.reserve(largest.size());
    for (const TFileAt& at : largest) {
        const TFileList& files = *lists[at.Folder].Files;
        const TFileEntry& file = files.Entry(at.Index);
        auto folder = folders.find(at.Folder);
        if (folder == folders.end())
            folder =
                folders.emplace(at.Folder, DisplayText(NodePath(lists[at.Folder].Folder))).first;
        report.Rows.push_back({DisplayText(files.Name(at.Index)), folder->second,
                               KBCell(file.Size()), KBCell(file.Allocated()),
                               KBCell(ClusterSlack(clusterSize, file.Size())),
                               DosDateTimeCell(FileTimeToDosTime(file.WriteFileTime()))});
    }
    return report;
}

TFileReport FileTypesReport(const std::string& folderPath, const std::vector<TFolderFiles>& lists,
                            std::int64_t folderSize, std::int32_t clusterSize, bool filesKept) {
    TFileReport report;
    report.Title = Tr("File Types in %1").arg(DisplayText(folderPath));
    report.Captions = {Tr("Extension"), Tr("Category"), Tr("Files"),          Tr("Size"),
                       Tr("Allocated"), Tr("Wasted"),   Tr("% of the folder")};
    report.LeftColumns = 2;
    if (!filesKept) {
        report.Note = FilesNotKeptText();
        return report;
    }
    for (const TFileTypeFigures& row : FileTypeFigures(lists, clusterSize)) {
        const std::string_view extension = FileExtensionName(row.Extension);
        report.Rows.push_back(
            {extension.empty() ? Tr("(none)") : QLatin1Char('.') + DisplayText(extension),
             FileCategoryName(FileCategoryOf(row.Extension)),
             FormatCount64(static_cast<std::int64_t>(row.Files)), KBCell(row.Size),
             KBCell(row.Allocated), KBCell(row.Wasted), ShareCell(row.Size, folderSize)});
    }
    return report;
}

void WriteCsvFileReport(const TFileReport& report, TReportOutput& out) {
    out.WriteLine(CsvLine(report.Captions));
    for (const QStringList& row : report.Rows)
        out.WriteLine(CsvLine(row));
    if (!report.Note.isEmpty())
        out.WriteLine(CsvLine({report.Note}));
}

void WriteTabFileReport(const TFileReport& report, TReportOutput& out) {
    out.WriteLine(TabLine(report.Captions));
    for (const QStringList& row : report.Rows)
        out.WriteLine(TabLine(row));
    if (!report.Note.isEmpty())
        out.WriteLine(TabLine({report.Note}));
}

void WriteFormattedFileReport(const TFileReport& report, TReportOutput& out) {
    out.WriteLine(OneLine(report.Title));
    out.WriteLine(QString());
    const qsizetype columns = report.Captions.size();
    // The rows as they will be written, each measured once.
    std::vector<QStringList> rows;
    rows.reserve(report.Rows.size());
    std::vector<int> width(static_cast<std::size_t>(columns), 0);
    for (qsizetype c = 0; c < columns; ++c)
        width[std::size_t(c)] = CharCount(report.Captions[c]);
    for (const QStringList& row : report.Rows) {
        QStringList cells;
        for (qsizetype c = 0; c < columns && c < row.size(); ++c) {
            cells << OneLine(row[c]);
            width[std::size_t(c)] = std::max(width[std::size_t(c)], CharCount(cells.back()));
        }
        rows.push_back(std::move(cells));
    }
    const auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const int w = width[std::size_t(c)] + ColumnGap;
            text += c < report.LeftColumns ? LeftAligned(cells[c], w) : RightAligned(cells[c], w);
        }
        // No blanks at the end of a line whose last column is left-aligned.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out.WriteLine(text);
    };
    line(report.Captions);
    for (const QStringList& cells : rows)
        line(cells);
    if (!report.Note.isEmpty()) {
        out.WriteLine(QString());
        out.WriteLine(OneLine(report.Note));
    }
}

void WriteFileReport(const TFileReport& report, TFileReportFormat format, TReportOutput& out) {
    switch (format) {
    case TFileReportFormat::Csv:
        WriteCsvFileReport(report, out);
        break;
    case TFileReportFormat::Tab:
        WriteTabFileReport(report, out);
        break;
    case TFileReportFormat::Text:
        WriteFormattedFileReport(report, out);
        break;
    }
}

TStatus WriteFileReport(const TFileReport& report, TFileReportFormat format,
                        const std::string& path) {
    return WriteReportFile(path, false,
                           [&](TReportOutput& out) { WriteFileReport(report, format, out); });
}
