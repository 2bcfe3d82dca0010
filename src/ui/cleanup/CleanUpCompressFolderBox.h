// "Archive Folder To Gain Some Space": packs the current folder into a ZIP
// archive in a drive's archives folder, and restores folders packed before
// (the restore page, RestoreArchivePage.h). Both run on the shared progress
// page (ArchiveProgressPage.h), whose background job keeps the window live.
#pragma once

#include "cleanup/ArchiveStore.h"
#include "platform/BackgroundJob.h"

#include <QDialog>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QWidget;
class TArchiveProgressPage;
class TPlainDrivePicker;
class TProgramSettings;
class TRestoreArchivePage;

// The drive picker's selection, else the drive of the current folder.
std::string ArchiveDriveOfPicker(const TPlainDrivePicker* picker);

class TCleanUpCompressFolderBox : public QDialog {
    Q_OBJECT
public:
    enum class TMode { Compress, Restore };
    TCleanUpCompressFolderBox(TProgramSettings& settings, TMode mode, QWidget* parent = nullptr);
    // Puts the six settings back into the options, whatever happened.
    ~TCleanUpCompressFolderBox() override;

    // Compress mode: the folder, the bytes that stand for 100 %, and the
    // space it is counted as using.
    void SetFolder(const std::string& folderPath, std::int64_t totalBytes, std::int64_t spaceUsed);
    // Root paths of the scanned drives, for the rescan advice after a restore.
    QStringList ScannedDrives;
    // The root of the drive holding a path, as the scanned tree tells drives
    // apart; the mount table's answer unless the opener gives its own.
    std::function<std::string(const std::string& path)> DriveOf;
    // Whether anything on disk may have changed (a folder removed or restored).
    bool ChangedDisk() const { return DiskChanged; }

    QTabWidget* ThePages = nullptr;
    QWidget* sheetCompress = nullptr;
    TRestoreArchivePage* sheetRestore = nullptr;
    TArchiveProgressPage* sheetProgress = nullptr;
    QLineEdit* ediZIPDescription = nullptr;
    QLabel* txtStoreOnDrive = nullptr;
    TPlainDrivePicker* cbDrives = nullptr;
    QCheckBox* chkIncludeSubfolders = nullptr;
    QCheckBox* chkIncludeHidden = nullptr;
    QCheckBox* chkDeleteAfterCompressing = nullptr;
    QCheckBox* chkPasswordProtect = nullptr;
    QSpinBox* ediCompressionLevel = nullptr;
    QPushButton* cmdCompress = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdHelp = nullptr;

    void cmdCompressClick();
    void cmdRestoreClick();
    void cmdHelpClick();

    // How long a stopped job may go without progress before it is handed
    // over to end alone; tests shorten it.
    std::chrono::milliseconds GiveUpAfterStop = TBackgroundJob::DefaultGiveUpAfterStop;

    // Asked for a password, typed twice with confirm, after a wrong one
    // with retry; empty when the user cancels. Tests replace it.
    std::function<QString(bool confirm, bool retry)> AskPassword;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class TRestoreArchivePage;
    QWidget* MakeCompressPage();
    void CompressFolderNow();
    void ShowProgressPage(const QString& title, std::int64_t totalBytes,
                          const std::string& folderPath);
    void FinishOperation(bool compressed);
    QString AskForPassword(bool confirm, bool retry);

    TProgramSettings& Settings;
    TMode Mode;
    std::string FolderPath; // raw bytes
    std::int64_t TotalBytes = 0;
    std::int64_t SpaceUsed = 0;
    bool DiskChanged = false;
    bool Placed = false;
    TCompressOutcome LastCompress;
    std::mt19937 Random;
};
