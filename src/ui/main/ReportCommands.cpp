// The "Reports" and "Print" commands: the save and print dialogs around the
// report writers. The texts come from the current folder's contents, which
// the pages show too, so no page has to be shown for a report.
#include "ui/main/ReportCommands.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/SubfolderList.h"
#include "reports/FolderReport.h"
#include "reports/ListReports.h"
#include "reports/PagedOutput.h"
#include "shell/JobWait.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

#include <algorithm>
#include <exception>
#include <initializer_list>

namespace {

// The filters of the subfolder list's dialog and the extension each gives a
// name typed without one, in the order of the three formats.
struct TListFormat {
    const char* Filter;
    const char* Suffix;
};
const TListFormat ListFormats[] = {
    {QT_TRANSLATE_NOOP("TMainForm", "CSV (Comma delimited) (*.csv)"), "csv"},
    {QT_TRANSLATE_NOOP("TMainForm", "Text (Tab delimited) (*.txt)"), "txt"},
    {QT_TRANSLATE_NOOP("TMainForm", "Formatted Text (Space delimited) (*.txt)"), "txt"},
};

QString Translated(const char* text) {
    return QCoreApplication::translate("TMainForm", text);
}

// A name without an extension gets `suffix`; a name with one keeps it, even
// when it is not the filter's.
QString WithSuffix(const QString& name, const char* suffix) {
    if (!QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + QLatin1String(suffix);
}

// Where the second job of a printout goes when the first went to a PDF file:
// beside it, so that it does not overwrite it.
QString SecondJobFile(const QString& first) {
    const QFileInfo info(first);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.path() + QLatin1Char('/') + info.completeBaseName() +
           QStringLiteral("-subfolders") + suffix;
}

// The name of a print job about `node`, the same whichever command or
// report run printed it; printing to a file proposes it as the file's name.
QString ReportJobName(const TFolderNode& node) {
    return QCoreApplication::translate("TMainForm", "Report on %1")
        .arg(DisplayPath(LastComponent(NodePath(&node))));
}

} // namespace

TStatus WriteFileAnswering(const std::string& path, const QByteArray& bytes) {
    // The destination may be a network drive that has gone; the window keeps
    // painting while a thread writes, and gives up when the drive stops
    // taking data. Input waits, so no other command starts meanwhile.
    // There is no Stop button: a write that takes no step for 2 s is stopped,
    // and handed over 3 s later if its drive holds it, 5 s in all.
    const TFileWriteJob write = StartWriteFileBytes(path, bytes);
    write.Job->StopWhenSilentFor = std::chrono::seconds(2);
    if (WaitForJob(*write.Job, {}, 50, TJobInput::Held) == TJobState::HandedOver)
        return NotAnswering(path);
    write.Job->Rethrow();
    return *write.Status;
}

TReportCommands::TReportCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("ReportCommands"));
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdFileReports", T("&Reports"), T("Export folder reports."), 0, {}, {}, Rules::Ready, Submenu});
    commands.Add(this, {"cmdFileReportFolderInformation", T("Folder &Information..."), T("Generates a report with detailed information about the current folder."), 0, [this] { cmdFileReportFolderInformationClick(); }});
    commands.Add(this, {"cmdFileReportFolderContents", T("Subfolder &List..."), T("Generates a report with the list of subfolders of the current folder."), 0, [this] { cmdFileReportFolderContentsClick(); }});
    commands.Add(this, {"cmdFilePrint", T("Prin&t"), T("Print folder reports."), 0, {}, {}, Rules::Ready, Submenu});
    commands.Add(this, {"cmdFilePrintFolderInformation", T("Folder &Information..."), T("Prints a report with detailed information about the current folder."), 0, [this] { cmdFilePrintFolderInformationClick(); }});
    commands.Add(this, {"cmdFilePrintSubfolderlist", T("Subfolder &List..."), T("Prints a report with the list of subfolders of the current folder."), 0, [this] { cmdFilePrintSubfolderlistClick(); }});
    // clang-format on
#undef T
}

TFolderReport TReportCommands::ShownReport(const TFolderNode& node) const {
    // What the pages show: the report does not read the disk again.
    const TCurrentFolderContents& shown = Host.Contents();
    return FolderReportContent(node, shown.Info(), shown.Wasted());
}

bool TReportCommands::GenerateReport(const std::function<TStatus()>& write) {
    QString why;
    try {
        const TStatus written = write();
        if (written)
            return true;
        why = DisplayText(written.Failure().Describe());
    } catch (const std::exception& e) {
        why = QString::fromUtf8(e.what());
    }
    TMessageBox::Error(Host.Window(), Strings::ProductName(), tr("Generating report failed"), why);
    return false;
}

bool TReportCommands::SaveFolderReport(const std::string& path) {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return false;
    return GenerateReport([&] {
        const TFolderReport report = ShownReport(*node);
        TMemoryOutput out;
        WriteFolderReport(report, out);
        WriteFormattedList(report.Path, Host.SubfolderList(), out);
        return WriteFileAnswering(path, out.Bytes());
    });
}

bool TReportCommands::SaveSubfolderList(const std::string& path, int format) {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return false;
    return GenerateReport([&] {
        const TSubfolderListModel& list = Host.SubfolderList();
        TMemoryOutput out;
        if (format == 0)
            WriteCsvList(list, out);
        else if (format == 1)
            WriteTabList(list, out);
        else
            WriteFormattedList(DisplayPath(NodePath(node)), list, out);
        return WriteFileAnswering(path, out.Bytes());
    });
}

bool TReportCommands::PrintFolderInformation(QPrinter& printer) {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return false;
    return GenerateReport([&] {
        const TFolderReport report = ShownReport(*node);
        printer.setDocName(ReportJobName(*node));
        printer.setPageOrientation(QPageLayout::Portrait);
        {
            TPagedOutput out(printer, ReportPrintFont(10));
            WriteFolderReport(report, out);
            if (TStatus printed = out.Close(); !printed)
                return printed;
        }
        // The list is wide: a job of its own, across the page.
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
            printer.setOutputFileName(SecondJobFile(printer.outputFileName()));
        printer.setPageOrientation(QPageLayout::Landscape);
        TPagedOutput out(printer, ReportPrintFont(10));
        WriteFormattedList(report.Path, Host.SubfolderList(), out);
        return out.Close();
    });
}

bool TReportCommands::PrintSubfolderList(QPrinter& printer) {
    const TFolderNode* node = Host.CurrentNode();
    if (!node || !node->Data)
        return false;
    return GenerateReport([&] {
        printer.setDocName(ReportJobName(*node));
        printer.setPageOrientation(QPageLayout::Landscape);
        TPagedOutput out(printer, ReportPrintFont(10));
        WriteFormattedList(DisplayPath(NodePath(node)), Host.SubfolderList(), out);
        return out.Close();
    });
}

QString DefaultSaveFolder() {
    // Not the folder being looked at: it is often one the user may not write.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void SaveCsvAs(QWidget* parent, const QString& fileName,
               const std::function<TStatus(const std::string& path)>& save) {
    const QString name = QFileDialog::getSaveFileName(
        parent, QCoreApplication::translate("TReportCommands", "Save as CSV"),
        DefaultSaveFolder() + QLatin1Char('/') + fileName,
        QCoreApplication::translate("TReportCommands", "Comma separated values (*.csv)"));
    if (name.isEmpty())
        return;
    QString why;
    try {
        if (const TStatus saved = save(PathBytes(name)); !saved)
            why = DisplayText(saved.Failure().Describe());
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    if (!why.isEmpty())
        TMessageBox::Error(parent, Strings::ProductName(), why);
}

QString TReportCommands::AskReportFile(const QString& title, const QStringList& filters,
                                       const std::function<QString(int)>& suffixOf, int& chosen) {
    QFileDialog dialog(Host.Window(), title,
                       ReportFolder.isEmpty() ? DefaultSaveFolder() : ReportFolder);
    dialog.setObjectName(QStringLiteral("dlgReport"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    // The dialog adds the filter's extension to a bare name before it asks
    // whether to overwrite, so the file it asks about is the one written.
    dialog.setDefaultSuffix(suffixOf(0));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, &filters, &suffixOf](const QString& filter) {
                dialog.setDefaultSuffix(suffixOf(static_cast<int>(filters.indexOf(filter))));
            });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    chosen = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    const QString name =
        WithSuffix(dialog.selectedFiles().front(), suffixOf(chosen).toLatin1().constData());
    ReportFolder = QFileInfo(name).path();
    return name;
}

void TReportCommands::cmdFileReportFolderInformationClick() {
    int chosen = 0;
    const QString name = AskReportFile(
        tr("Save Report As"), {tr("Text file (*.txt)")}, [](int) { return QStringLiteral("txt"); },
        chosen);
    if (!name.isEmpty())
        SaveFolderReport(PathBytes(name));
}

void TReportCommands::cmdFileReportFolderContentsClick() {
    QStringList filters;
    for (const TListFormat& f : ListFormats)
        filters << Translated(f.Filter);
    int chosen = 0;
    const QString name = AskReportFile(
        tr("Save Subfolder List As"), filters,
        [](int i) { return QLatin1String(ListFormats[std::clamp(i, 0, 2)].Suffix); }, chosen);
    if (!name.isEmpty())
        SaveSubfolderList(PathBytes(name), chosen);
}

bool TReportCommands::AskPrinter(QPrinter& printer) {
    if (const TFolderNode* node = Host.CurrentNode())
        printer.setDocName(ReportJobName(*node));
    QPrintDialog dialog(&printer, Host.Window());
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    return dialog.exec() == QDialog::Accepted;
}

void TReportCommands::cmdFilePrintFolderInformationClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (AskPrinter(printer))
        PrintFolderInformation(printer);
}

void TReportCommands::cmdFilePrintSubfolderlistClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (AskPrinter(printer))
        PrintSubfolderList(printer);
}
