// The scan-file commands: "Export Scan...", "Open Scan File..." and the
// loading behind "Compare with Scan File...". The work runs on a thread of
// its own under a progress box with Stop, so a large file or a dead share
// never holds the window.
#include "ui/main/ScanFileCommands.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "platform/Mounts.h"
#include "shell/JobWait.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "snapshot/ScanExport.h"
#include "snapshot/ScanImport.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>

#include <memory>

namespace {

// A loading job's own copy of everything it touches.
struct TLoadJob {
    std::string File;
    TLoadProgress Progress;
    TScanFileInfo Info;
    std::int32_t Implied = 0;
    TLoadedScan Result;
    std::string Error;
    bool Ok = false;
};

QString Tr(const char* text) {
    return QCoreApplication::translate("TMainForm", text);
}

} // namespace

TScanFileCommands::TScanFileCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("ScanFileCommands"));
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdFileOpenScanFile", T("&Open Scan File..."), T("Opens a scan written by Quillmere, ncdu or gdu, to look at it as it was."), 0, [this] { cmdFileOpenScanFileClick(); }, {}, Rules::Idle});
    commands.Add(this, {"cmdFileExportScan", T("&Export Scan..."), T("Scans the current folder again and saves every folder and file in a scan file that Quillmere, ncdu and gdu can open."), 0, [this] { cmdFileExportScanClick(); }, {}, Rules::DiskFolderIdle});
    // clang-format on
#undef T
}

bool TScanFileCommands::LoadScanFile(const std::string& file, std::int32_t clusterSize,
                                     bool askClusterSize, TLoadedScan& loaded) {
    auto job = std::make_shared<TLoadJob>();
    job->File = file;
    const QString shown = DisplayPath(file);
    const auto refused = [&] {
        TMessageBox::Error(Host.Window(), Strings::ProductName(),
                           Tr("%1 cannot be opened as a scan file:\n%2")
                               .arg(shown, QString::fromStdString(job->Error)));
        return false;
    };
    // A first look, for the cluster size the file implies, when that is
    // wanted. Even that may wait on a share that no longer answers.
    if (clusterSize <= 0 || askClusterSize) {
        const auto probe = TBackgroundJob::Start([job](TBackgroundJob&) {
            TResult<TScanFileProbe> probe = ProbeScanFile(job->File);
            job->Ok = probe.Ok();
            if (probe) {
                job->Info = probe->Info;
                job->Implied = probe->ImpliedClusterSize;
            } else {
                job->Error = probe.Failure().Describe();
            }
        });
        if (WaitForJobInBox(Host.Window(), *probe,
                            {Tr("Open Scan File"), [shown] { return Tr("Reading %1").arg(shown); },
                             [] { return -1; }}) != TJobState::Finished)
            return false;
        if (!job->Ok)
            return refused();
    }
    if (clusterSize <= 0)
        clusterSize = job->Implied > 0 ? job->Implied : 4096;
    if (askClusterSize) {
        // The file gives sizes, not the drive's cluster size: the user says
        // at which the wasted space is to be worked out.
        QStringList sizes;
        int current = 0;
        for (std::int32_t size = 512; size <= 65536; size *= 2) {
            if (size == clusterSize)
                current = static_cast<int>(sizes.size());
            sizes << FormatBytes(size);
        }
        bool ok = false;
        const QString chosen = QInputDialog::getItem(
            Host.Window(), Tr("Open Scan File"),
            job->Implied > 0 ? Tr("Cluster size for the wasted space (the file's sizes imply %1):")
                                   .arg(FormatBytes(job->Implied))
                             : Tr("Cluster size for the wasted space:"),
            sizes, current, false, &ok);
        if (!ok)
            return false;
        clusterSize = 512 << sizes.indexOf(chosen);
    }
    const auto load = TBackgroundJob::Start(
        [job, clusterSize](TBackgroundJob&) {
            TResult<TLoadedScan> scan = ::LoadScanFile(job->File, clusterSize, job->Progress);
            job->Ok = scan.Ok();
            if (scan)
                job->Result = std::move(*scan);
            else
                job->Error = scan.Failure().Describe();
        },
        [job] { job->Progress.Stop = true; });
    const TJobState ended = WaitForJobInBox(
        Host.Window(), *load,
        {Tr("Open Scan File"),
         [job, shown] {
             return Tr("Reading %1\n%2 of %3")
                 .arg(shown, FormatSize(static_cast<std::int64_t>(job->Progress.BytesRead.load())),
                      FormatSize(static_cast<std::int64_t>(job->Progress.TotalBytes.load())));
         },
         [job] {
             const std::uint64_t total = job->Progress.TotalBytes;
             return total ? static_cast<int>(job->Progress.BytesRead * 100 / total) : -1;
         }});
    if (ended != TJobState::Finished || job->Progress.Stop)
        return false;
    if (!job->Ok)
        return refused();
    loaded = std::move(job->Result);
    return true;
}

bool TScanFileCommands::OpenScanFile(const std::string& file, bool askClusterSize) {
    if (Host.Session().Scanning())
        return false;
    TLoadedScan loaded;
    if (!LoadScanFile(file, 0, askClusterSize, loaded))
        return false;
    TFolderNode* node = Host.Session().AddOpenedScan(
        std::move(loaded.Root), file, ScanFileTitle(loaded.Info), loaded.Info.ClusterSize);
    if (node)
        Host.ExpandInTree(node);
    return node != nullptr;
}

void TScanFileCommands::cmdFileOpenScanFileClick() {
    const QString chosen = QFileDialog::getOpenFileName(
        Host.Window(), tr("Open Scan File"), QString(), tr("Scan files (*.json);;All files (*)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        OpenScanFile(Platform::AbsolutePath(QFile::encodeName(chosen).toStdString()), true);
}

void TScanFileCommands::cmdFileExportScanClick() {
    const std::string folder = Host.CurrentDiskPath();
    if (folder.empty())
        return;
    const std::string name = folder == "/" ? std::string("root") : LastComponent(folder);
    const QString chosen = QFileDialog::getSaveFileName(
        Host.Window(), tr("Export Scan"), DisplayPath(name + ".json"), tr("Scan files (*.json)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    struct TExportJob {
        std::string Folder, File, Error;
        TExportProgress Progress;
        bool Ok = false;
    };
    auto job = std::make_shared<TExportJob>();
    job->Folder = folder;
    job->File = QFile::encodeName(chosen).toStdString();
    const auto write = TBackgroundJob::Start(
        [job](TBackgroundJob&) {
            const TStatus exported = ExportFolder(job->Folder, job->File, job->Progress);
            job->Ok = exported.Ok();
            if (!exported)
                job->Error = exported.Failure().Describe();
        },
        [job] { job->Progress.Stop = true; });
    const TJobState ended = WaitForJobInBox(
        Host.Window(), *write,
        {tr("Export Scan"),
         [job] {
             return Tr("Writing %1\n%2 folders, %3 files, %4")
                 .arg(DisplayPath(job->File), FormatCount64(job->Progress.Folders.load()),
                      FormatCount64(job->Progress.Files.load()),
                      FormatSize(static_cast<std::int64_t>(job->Progress.BytesWritten.load())));
         },
         [] { return -1; }});
    if (ended != TJobState::Finished) {
        TMessageBox::Error(Host.Window(), Strings::ProductName(),
                           tr("%1 does not answer. The export was stopped; nothing was written "
                              "under the name you chose.")
                               .arg(DisplayPath(folder)));
        return;
    }
    if (!job->Ok && !job->Progress.Stop)
        TMessageBox::Error(
            Host.Window(), Strings::ProductName(),
            tr("The scan could not be exported:\n%1").arg(QString::fromStdString(job->Error)));
    else if (job->Ok && job->Progress.Unreadable > 0)
        TMessageBox::Information(
            Host.Window(), Strings::ProductName(),
            tr("The scan was exported. %1 folders or files could not be read; the file marks them.")
                .arg(FormatCount64(job->Progress.Unreadable.load())));
}

void TScanFileCommands::CompareWithScanFile() {
    const QString chosen = QFileDialog::getOpenFileName(
        Host.Window(), tr("Compare with Scan File"), QString(),
        tr("Scan files (*.json);;All files (*)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    // The earlier scan's wasted space at the current drive's cluster size,
    // so that the two compare.
    TLoadedScan loaded;
    if (!LoadScanFile(Platform::AbsolutePath(QFile::encodeName(chosen).toStdString()),
                      std::max(Host.CurrentClusterSize(), 0), false, loaded))
        return;
    Host.StartComparison(std::move(loaded.Root), loaded.Info);
}
