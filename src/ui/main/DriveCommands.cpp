// The commands that scan, rescan and remove drives and folders, abort, and
// connect network drives: each hands the work to the session.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/FolderBrowse.h"
#include "shell/NetworkDrives.h"
#include "shell/ShellPaths.h"
#include "ui/main/Guarded.h"
#include "ui/main/Strings.h"

bool TMainForm::ScanNewDrive(const std::string& root, const QString& displayName,
                             TDriveRecInfo* entry) {
    return TheSession->ScanNewDrive(root, displayName, entry);
}

void TMainForm::ScanOrRescanDrive(const std::string& root, const QString& displayName) {
    TheSession->ScanOrRescanDrive(root, displayName);
}

void TMainForm::toolScanClick() {
    const std::string drive = PathBytes(DriveBox->Drive());
    if (!drive.empty())
        Guarded(this, [&] { ScanOrRescanDrive(drive); });
}

void TMainForm::cmdFileRescanCurrentDirectoryClick() {
    // A rescan of the compared folder or above it gives a new "now" that the
    // user has not compared yet. (Folders below keep their matches by path.)
    if (ActiveComparison && CurrentNode() && !Scanning() &&
        IsWithin(&ActiveComparison->Base(), CurrentNode()))
        EndComparison();
    Guarded(this, [&] { TheSession->RescanCurrentFolder(); });
}

void TMainForm::cmdFileRescanCurrentDriveClick() {
    const std::string drive = CurrentDrive();
    if (!drive.empty())
        Guarded(this, [&] { TheSession->RescanDrives({drive}); });
}

void TMainForm::cmdFileRescanAllDrivesClick() {
    const std::vector<std::string> all = ScannedDrives();
    Guarded(this, [&] { TheSession->RescanDrives(all); });
}

void TMainForm::cmdFileRemoveCurrentDriveClick() {
    const std::string drive = CurrentDrive();
    Guarded(this, [&] { TheSession->RemoveDrive(drive); });
}

void TMainForm::cmdFileRemoveAllDrivesClick() {
    Guarded(this, [&] { TheSession->RemoveAllDrives(); });
}

void TMainForm::cmdFileAbortClick() {
    TheSession->Abort();
}

void TMainForm::cmdFileSelectFolderClick() {
    TFolderBrowse browse;
    browse.Title =
        tr("Select the folder you want to analyze. If the folder has not been scanned, ") +
        Strings::ProductName() + tr(" will scan it now.");
    browse.Folder = DisplayPath(CurrentDiskPath());
    if (browse.Execute(this))
        Guarded(this, [&] { SelectPath(PathBytes(browse.Folder)); });
}

void TMainForm::cmdFileScanDrivesClick() {
    TDrivesSelectBox box(this);
    box.exec();
    if (!box.ScanRequested())
        return;
    const QStringList drives = box.TheDrivesBox->CheckedDrives();
    Guarded(this, [&] {
        for (const QString& root : drives) {
            ScanOrRescanDrive(PathBytes(root));
            if (TheSession->Aborted())
                break;
        }
    });
}

void TMainForm::cmdFileMapNetworkDriveClick() {
    const QString noted = DriveBox->Drive();
    MapNetworkDrive(this);
    DriveBox->BuildList();
    DriveBox->SetDrive(noted);
}

void TMainForm::cmdFileDisconnectNetworkDriveClick() {
    const QString noted = DriveBox->Drive();
    DisconnectNetworkDrive(this);
    DriveBox->BuildList();
    DriveBox->SetDrive(noted);
}
