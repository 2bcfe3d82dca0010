// What the window does once it is first shown: the drives chosen for
// start-up, then the paths of the command line, then (when nothing was
// scanned) the "Scan Drives" dialog.
#include "ui/main/MainForm.h"

#include "engine/Paths.h"
#include "platform/Mounts.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/main/Guarded.h"
#include "ui/main/Strings.h"

void TMainForm::SetArguments(std::vector<std::string> arguments) {
    Arguments = std::move(arguments);
}

void TMainForm::StartUp() {
    // Closing the window (or Abort) ends the start-up work, not only the
    // scan that was running.
    const auto cancelled = [this] {
        return TheSession->Aborted() || CloseWhenScanEnds || !isVisible();
    };
    Guarded(this, [&] {
        for (const QString& root : SplitDriveList(Settings().DrivesToAutoScan.Value)) {
            if (cancelled())
                return;
            ScanOrRescanDrive(PathBytes(root));
        }
        for (std::string arg : Arguments) {
            if (cancelled())
                return;
            if (arg.empty())
                continue;
            // A report run ("/RCSV ...") is a path only when such a file exists.
            if (arg.size() >= 2 && arg[0] == '/' && (arg[1] == 'R' || arg[1] == 'r') &&
                !PathExists(arg)) {
                TMessageBox::Information(this, Strings::ProductName(),
                                         tr("Report runs are not available in this version of "
                                            "Quillmere yet."));
                break;
            }
            const std::string path = AbsolutePath(arg);
            if (PresenceOf(path, true, Platform::MayHang(path)) != TPresence::Present) {
                TMessageBox::Error(
                    this, Strings::ProductName(),
                    tr("%1 is not a folder that Quillmere can scan.").arg(DisplayPath(path)));
                continue;
            }
            if (TheSession->DriveRootOf(path) == path)
                ScanOrRescanDrive(path);
            else
                SelectPath(path);
        }
    });
    if (ScannedDrives().empty() && !cancelled())
        cmdFileScanDrivesClick();
}
