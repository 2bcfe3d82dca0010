// The scan commands' rows and handlers. What is current, and what a scan
// changes, is the session's business; these only choose what to scan.
#include "ui/main/ScanCommands.h"

#include "engine/Paths.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/FolderBrowse.h"
#include "shell/NetworkDrives.h"
#include "shell/ShellPaths.h"
#include "snapshot/Comparison.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/Guarded.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QStyle>
#include <QWidget>

#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)

TScanCommands::TScanCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("ScanCommands"));
    const auto rescanDrive = [this] {
        const std::string drive = Host.CurrentDrive();
        if (!drive.empty())
            Guarded(Host.Window(), [&] { Host.Session().RescanDrives({drive}); });
    };
    // clang-format off
    commands.Add(this, {"cmdFileScanDrives", T("&Scan Drive(s)..."), T("Scans one or more drives."), 0, [this] { ScanDrives(); }, {}, Rules::Idle});
    commands.Add(this, {"cmdFileRescan", T("Resca&n"), T("Contains commands for rescanning folders or drives."), 0, {}, {}, Rules::DrivesIdle, Submenu});
    commands.Add(this, {"cmdFileRescanCurrentDirectory", T("Current &Folder"), T("Rescans the current folder and all its subfolders."), 0, [this] { RescanCurrentFolder(); }, {}, Rules::OnDisk});
    commands.Add(this, {"cmdFileRescanCurrentDrive", T("&Current Drive"), T("Rescans the current drive."), 0, rescanDrive, {}, Rules::OnDisk});
    commands.Add(this, {"cmdFileRescanAllDrives", T("&All Drives"), T("Rescans all scanned drives."), 0, [this] {
        const std::vector<std::string> all = Host.Session().ScannedDrives();
        Guarded(Host.Window(), [&] { Host.Session().RescanDrives(all); }); }});
    commands.Add(this, {"cmdFileRemove", T("Remo&ve from Tree"), T("Contains commands for removing drives from the folder tree."), 0, {}, {}, Rules::DrivesIdle, Submenu});
    commands.Add(this, {"cmdFileRemoveCurrentDrive", T("&Current Drive"), T("Removes the current selected drive from the folder tree."), 0, [this] {
        const std::string drive = Host.CurrentDrive();
        Guarded(Host.Window(), [&] { Host.Session().RemoveDrive(drive); }); }});
    commands.Add(this, {"cmdFileRemoveAllDrives", T("&All Drives"), T("Removes all drives from the folder tree."), 0, [this] {
        Guarded(Host.Window(), [&] { Host.Session().RemoveAllDrives(); }); }});
    commands.Add(this, {"cmdFileMapNetworkDrive", T("&Map Network Drive..."), T("Maps (connects to) a network drive."), 0, [this] { MapNetworkDrive(); }});
    commands.Add(this, {"cmdFileDisconnectNetworkDrive", T("&Disconnect Network Drive..."), T("Disconnects a network drive."), 0, [this] { DisconnectNetworkDrive(); }});
    commands.Add(this, {"cmdFileAbort", T("&Abort Scanning"), T("Aborts the scanning process."), Ctrl | Qt::Key_A, [this] { Host.Session().Abort(); }, {}, Rules::Scanning});
    commands.Add(this, {"cmdFileSelectFolder", T("Select &Folder..."), T("Selectes a new folder to be analyzed."), 0, [this] { SelectFolder(); }});
    QAction* scan = commands.Add(this, {"toolScan", T("Scan"), T("Scan/Rescan Selected Drive|Scan or rescan the drive that is selected in the Drives List Box"), 0, [this] { ScanChosenDrive(); }, {}, Rules::Idle});
    QAction* rescan = commands.Add(this, {"toolRescanDir", T("Rescan"), T("Rescan Current Folder|Rescans the current folder and all its subfolders"), 0, [this] { RescanCurrentFolder(); }, {}, Rules::DiskFolderIdle});
    QAction* stop = commands.Add(this, {"toolStop", T("Stop"), T("Abort scanning|Abort the scanning process"), 0, [this] { Host.Session().Abort(); }, {}, Rules::Scanning});
    QAction* up = commands.Add(this, {"toolLevelUp", T("Up"), T("Up One Level|Select the parent folder of the current folder"), 0, [this] { Host.GoUp(true); }, {}, [](const TCommandState& s) { return s.Node && s.Node->Parent; }});
    // clang-format on
    const QStyle* style = Host.Window()->style();
    scan->setIcon(ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon, style));
    rescan->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload, style));
    stop->setIcon(ThemeIcon("process-stop", QStyle::SP_BrowserStop, style));
    up->setIcon(ThemeIcon("go-up", QStyle::SP_FileDialogToParent, style));
}

void TScanCommands::ScanChosenDrive() {
    const std::string drive = PathBytes(Host.ChosenDrive());
    if (!drive.empty())
        Guarded(Host.Window(), [&] { Host.Session().ScanOrRescanDrive(drive); });
}

void TScanCommands::RescanCurrentFolder() {
    // A rescan of the compared folder or above it gives a new "now" that the
    // user has not compared yet. (Folders below keep their matches by path.)
    const TScanComparison* comparison = Host.Comparison();
    if (comparison && Host.CurrentNode() && !Host.Session().Scanning() &&
        IsWithin(&comparison->Base(), Host.CurrentNode()))
        Host.EndComparison();
    Guarded(Host.Window(), [&] { Host.Session().RescanCurrentFolder(); });
}

void TScanCommands::SelectFolder() {
    TFolderBrowse browse;
    browse.Title =
        tr("Select the folder you want to analyze. If the folder has not been scanned, ") +
        Strings::ProductName() + tr(" will scan it now.");
    browse.Folder = DisplayPath(Host.CurrentDiskPath());
    if (browse.Execute(Host.Window()))
        Guarded(Host.Window(), [&] { Host.SelectPath(PathBytes(browse.Folder)); });
}

void TScanCommands::ScanDrives() {
    TDrivesSelectBox box(Host.Window());
    box.exec();
    if (!box.ScanRequested())
        return;
    const QStringList drives = box.TheDrivesBox->CheckedDrives();
    Guarded(Host.Window(), [&] {
        for (const QString& root : drives) {
            Host.Session().ScanOrRescanDrive(PathBytes(root));
            if (Host.Session().Aborted())
                break;
        }
    });
}

void TScanCommands::MapNetworkDrive() {
    ::MapNetworkDrive(Host.Window());
    Host.RebuildDriveList();
}

void TScanCommands::DisconnectNetworkDrive() {
    ::DisconnectNetworkDrive(Host.Window());
    Host.RebuildDriveList();
}
