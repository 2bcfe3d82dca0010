// What the window does once it is first shown: the drives chosen for
// start-up, then the paths of the command line, then (when nothing was
// scanned) the "Scan Drives" dialog.
#include "ui/main/MainForm.h"

#include "engine/FileQueries.h"
#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "platform/Mounts.h"
#include "reports/FileReports.h"
#include "reports/PagedOutput.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "snapshot/ReadErrors.h"
#include "ui/main/Guarded.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/ReportRun.h"
#include "ui/main/ScanCommands.h"
#include "ui/main/ScanFileCommands.h"
#include "ui/main/Strings.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/ViewCommands.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace {

// The largest files or file types report of a report run about `node`, the
// current folder, with the wasted space at the cluster size in use; to the
// printer in aligned text when asked. False when it failed, after saying so.
bool SaveFileListReport(QWidget* window, const TReportRun& run, const TFolderNode& node,
                        std::int32_t clusterSize) {
    // The lists are taken here, on the tree's thread; a run has nothing to
    // show meanwhile, so the report is made on it too.
    const std::vector<TFolderFiles> lists = GatherFiles(&node);
    const std::string path = NodePath(&node);
    const bool kept = FilesKeptFor(&node);
    const TFileReport report =
        run.Type == ReportLargest
            ? LargestFilesReport(path, lists, run.LargestCount(), clusterSize, kept)
            : FileTypesReport(path, lists, node.Data->TreeSize, clusterSize, kept);
    const auto format = static_cast<TFileReportFormat>(run.FileFormat());
    QString why;
    try {
        TStatus written;
        if (run.ToPrinter() && format == TFileReportFormat::Text) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setDocName(report.Title);
            printer.setPageOrientation(QPageLayout::Landscape);
            TPagedOutput out(printer, ReportPrintFont(10));
            WriteFileReport(report, format, out);
            written = out.Close();
        } else {
            TMemoryOutput out;
            WriteFileReport(report, format, out);
            written = WriteFileAnswering(AbsolutePath(run.OutputFile()), out.Bytes());
        }
        if (written)
            return true;
        why = DisplayText(written.Failure().Describe());
    } catch (const std::exception& e) {
        why = QString::fromUtf8(e.what());
    }
    TMessageBox::Error(window, Strings::ProductName(),
                       QCoreApplication::translate("TMainForm", "Generating report failed"), why);
    return false;
}

} // namespace

void TMainForm::SetArguments(std::vector<std::string> arguments) {
    Arguments = std::move(arguments);
}

void TMainForm::StartUp() {
    if (StartUpRan)
        return;
    StartUpRan = true;
    // Closing the window (or Abort) ends the start-up work, not only the
    // scan that was running.
    const auto cancelled = [this] {
        return TheSession->Aborted() || CloseWhenScanEnds || !isVisible();
    };
    Guarded(this, [&] {
        for (const QString& root : SplitDriveList(Settings().DrivesToAutoScan.Value)) {
            if (cancelled())
                return;
            // A drive of the list that is not there today (a stick left out,
            // a share not mounted) is passed over without a word: the list
            // is a wish, not an order.
            const std::string path = PathBytes(root);
            if (path.empty() || path[0] != '/' ||
                PresenceOf(path, true, Platform::MayHang(path)) != TPresence::Present)
                continue;
            TheSession->ScanOrRescanDrive(path);
        }
        for (const std::string& arg : Arguments) {
            if (cancelled())
                return;
            if (arg.empty())
                continue;
            // A report run ("/RCSV ...") is a path only when such a file exists.
            if (&arg == &Arguments.front() && AsksForReportRun(Arguments)) {
                RunReportCommand(Arguments);
                break;
            }
            const std::string path = AbsolutePath(arg);
            const bool mayHang = Platform::MayHang(path);
            const TPresence folder = PresenceOf(path, true, mayHang);
            // A file is a scan file to open.
            if (folder == TPresence::Missing &&
                PresenceOf(path, false, mayHang) == TPresence::Present) {
                ScanFiles->OpenScanFile(path, false);
                continue;
            }
            if (folder != TPresence::Present) {
                TMessageBox::Error(
                    this, Strings::ProductName(),
                    tr("%1 is not a folder that Quillmere can scan.").arg(DisplayPath(path)));
                continue;
            }
            if (TheSession->DriveRootOf(path) == path)
                TheSession->ScanOrRescanDrive(path);
            else
                SelectPath(path);
        }
    });
    if (Unattended && !RunStatus) {
        // Something ended the start-up before its report (the box that said
        // why went to standard error): nobody would ever close the window.
        std::fputs("quillmere: no report was written\n", stderr);
        RunStatus = 1;
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    // Also after a report run that scanned nothing (an unknown type, a
    // missing folder), unless the run is ending the program.
    if (TheSession->ScannedDrives().empty() && !cancelled() && !RunStatus)
        Scans->ScanDrives();
}

bool TMainForm::RunReportCommand(const std::vector<std::string>& arguments) {
    const std::optional<TReportRun> run = ParseReportRun(arguments);
    if (!run) {
        // An unknown report type changes nothing. A run that was to quit
        // still quits, saying why: from cron nobody would ever close it.
        bool quit = Unattended;
        for (std::size_t i = 3; i < arguments.size(); ++i)
            quit = quit || arguments[i] == "/Q" || arguments[i] == "/q";
        if (quit) {
            std::fprintf(stderr,
                         "quillmere: no report was written: %s is no report run "
                         "(/RINF, /RCSV, /RTAB, /RTXT, /RLARGE or /RTYPES, a folder and "
                         "an output)\n",
                         arguments.front().c_str());
            RunStatus = 2;
            QTimer::singleShot(0, this, &QWidget::close);
        }
        return false;
    }
    // Nobody is there to answer a box when the run is to quit afterwards:
    // each box takes its safest answer and its text goes to standard error.
    const bool quit = run->Quit || Unattended;
    std::optional<TMessageBoxScript> unattended;
    if (quit)
        unattended.emplace();
    std::string problem;
    // What of the folder could not be read; the report leaves it out.
    std::vector<TReadError> unreadable;
    // A file list was asked of a scan that kept no files: the report says
    // so, and the run fails, so a script does not take it for an empty tree.
    bool filesNotKept = false;

    // The list's settings last only for this run.
    TSubfoldersPage& list = *SubfoldersPage;
    const TSubfolderListSettings before = list.ListSettings();
    TSimpleDataBackUp saved;
    saved.Put(before.DisplayType);
    saved.Put(before.TopText);
    saved.Put(before.LargerThanUnit);
    saved.Put(before.LargerThanText);
    saved.Put(before.SortCode);
    saved.Put(static_cast<bool>(Settings().IncludeWastedInformation.Value));
    const auto apply = [&](const TSubfolderListSettings& settings, bool wasted) {
        list.ApplyListSettings(settings);
        View->SetIncludeWasted(wasted);
    };
    apply({run->DisplayType.value_or(before.DisplayType), run->TopCount.value_or(before.TopText),
           run->LargerThanUnit.value_or(before.LargerThanUnit),
           run->LargerThan.value_or(before.LargerThanText),
           run->SortColumn.value_or(before.SortCode)},
          run->IncludeWasted.value_or(Settings().IncludeWastedInformation.Value));

    bool written = false;
    const std::string target = AbsolutePath(run->Target);
    if (PresenceOf(target, true, Platform::MayHang(target)) != TPresence::Present) {
        problem = "there is no folder " + run->Target;
    } else {
        if (TheSession->DriveRootOf(target) == target)
            TheSession->ScanOrRescanDrive(target);
        else if (quit)
            // Nobody will browse the rest of the drive: read the folder alone.
            TheSession->ScanDriveFolder(target);
        else
            SelectPath(target);
        const TFolderNode* node = CurrentNode();
        if (!node || !node->Data || !node->Scanned() ||
            ExcludeTrailingBackslash(NodePath(node)) != ExcludeTrailingBackslash(target)) {
            problem = run->Target + " could not be scanned";
        } else if (run->IsFileList()) {
            if (run->ToPrinter() && run->FileFormat() == 2 &&
                QPrinterInfo::defaultPrinter().isNull()) {
                problem = "there is no default printer to print on";
            } else {
                const int whatIf = TheSession->WhatIfIndex();
                written = SaveFileListReport(this, *run, *node,
                                             whatIf >= 1 && whatIf <= AltClusterCount
                                                 ? AltClusterSizes[whatIf]
                                                 : TheSession->CurrentClusterSize());
                filesNotKept = written && !FilesKeptFor(node);
            }
        } else if (run->ToPrinter() && (run->Type == ReportInfo || run->Type == ReportText)) {
            if (QPrinterInfo::defaultPrinter().isNull()) {
                problem = "there is no default printer to print on";
            } else {
                QPrinter printer(QPrinter::HighResolution);
                written = run->Type == ReportInfo ? Reports->PrintFolderInformation(printer)
                                                  : Reports->PrintSubfolderList(printer);
            }
        } else {
            const std::string output = AbsolutePath(run->OutputFile());
            written = run->Type == ReportInfo ? Reports->SaveFolderReport(output)
                                              : Reports->SaveSubfolderList(output, run->Type - 1);
        }
        if (node && node->Scanned())
            unreadable = ReadErrors({node});
    }
    TSubfolderListSettings after;
    after.DisplayType = saved.TakeInt();
    after.TopText = saved.TakeString();
    after.LargerThanUnit = saved.TakeInt();
    after.LargerThanText = saved.TakeString();
    after.SortCode = saved.TakeInt();
    apply(after, saved.TakeBool());
    InvalidatePages(true);

    if (unattended) {
        WriteShownMessages(*unattended);
        if (!written)
            std::fprintf(stderr, "quillmere: no report was written%s%s\n",
                         problem.empty() ? "" : ": ", problem.c_str());
        // Like quillmere-scan: the report says what could be read, and the
        // status fails, so a script does not take it for the whole folder.
        if (written && !unreadable.empty()) {
            const TReadError& first = unreadable.front();
            std::fprintf(stderr,
                         "quillmere: %zu %s could not be read; the report leaves %s out "
                         "(%s: %s)\n",
                         unreadable.size(), unreadable.size() == 1 ? "folder" : "folders",
                         unreadable.size() == 1 ? "it" : "them", first.Path.c_str(),
                         ReadErrorReason(first).toLocal8Bit().constData());
        }
        if (filesNotKept)
            std::fprintf(stderr,
                         "quillmere: the scan kept no files of %s; the report says so and "
                         "lists none\n",
                         run->Target.c_str());
        RunStatus = written && unreadable.empty() && !filesNotKept ? 0 : 1;
        QTimer::singleShot(0, this, &QWidget::close);
    }
    return written;
}
