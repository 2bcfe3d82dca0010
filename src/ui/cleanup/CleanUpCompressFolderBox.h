// "Archive Folder To Gain Some Space": packs the current folder into a ZIP
// archive in a drive's archives folder, and restores folders packed before.
// The archive work runs on a worker thread; its events come back to this
// window's thread, so the window stays live and Stop answers at once.
#pragma once

#include "cleanup/ArchiveStore.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
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
class QTreeWidgetItem;
class QWidget;
class TPlainDrivePicker;
class TProgramSettings;

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
    QWidget* sheetRestore = nullptr;
    QWidget* sheetProgress = nullptr;
    QLineEdit* ediZIPDescription = nullptr;
    QLabel* txtStoreOnDrive = nullptr;
    TPlainDrivePicker* cbDrives = nullptr;
    QCheckBox* chkIncludeSubfolders = nullptr;
    QCheckBox* chkIncludeHidden = nullptr;
    QCheckBox* chkDeleteAfterCompressing = nullptr;
    QCheckBox* chkPasswordProtect = nullptr;
    QSpinBox* ediCompressionLevel = nullptr;
    QPushButton* cmdCompress = nullptr;
    TPlainDrivePicker* cbRestoreDrivesList = nullptr;
    QTreeWidget* lvArchives = nullptr;
    QLineEdit* ediRestorePath = nullptr;
    QPushButton* cmdRestorePath = nullptr;
    QCheckBox* chkDeleteArchive = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdDeleteArchive = nullptr;
    QLabel* txtProgressTitle1 = nullptr;
    QLabel* txtProgressTitle2 = nullptr;
    QLabel* txtProgressFile = nullptr;
    QProgressBar* pbOverall = nullptr;
    QLabel* txtProgress = nullptr;
    QPushButton* cmdStop = nullptr;
    QWidget* panResults = nullptr;
    QLabel* txtCResults1 = nullptr;
    QLabel* txtCResults2 = nullptr;
    QLabel* txtCResults3 = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdHelp = nullptr;

    void cmdCompressClick();
    void cbRestoreDrivesListChange();
    void lvArchivesChange();
    void ediRestorePathChange();
    void cmdRestorePathClick();
    void cmdRestoreClick();
    void cmdDeleteArchiveClick();
    void cmdStopClick();
    void cmdHelpClick();

    // How long a stopped worker may go without progress before the window
    // stops waiting for it; tests shorten it.
    std::chrono::milliseconds GiveUpAfterStop{3000};

    // Asked for a password, typed twice with confirm, after a wrong one
    // with retry; empty when the user cancels. Tests replace it.
    std::function<QString(bool confirm, bool retry)> AskPassword;

    // Progress accounting, as the component's events drive it.
    void TheZipProgress(ProgressType type, const std::string& fileName, std::int64_t fileSize);
    void SetBytesDone(std::int64_t bytes);

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeCompressPage();
    QWidget* MakeRestorePage();
    QWidget* MakeProgressPage();
    void ShowProgressPage(const QString& title);
    void ResetProgress();
    // The bar full: the work is done, whatever the byte count said.
    void ShowAllDone();
    void FinishOperation(bool compressed);
    void lvArchivesEdited(QTreeWidgetItem* item, int column);
    void DeleteSelectedArchive(bool confirm);
    // Runs work on a worker thread with zip's events brought to this thread,
    // the window live meanwhile. False when, after Stop, the work made no
    // progress for GiveUpAfterStop (its drive does not answer): the user is
    // told, and the worker, which holds only what it was given, ends alone.
    bool RunZip(const std::shared_ptr<TZipMaster>& zip, std::function<void()> work);
    QString AskForPassword(bool confirm, bool retry);
    const TCatalogueEntry* SelectedEntry() const;

    TProgramSettings& Settings;
    TMode Mode;
    std::string FolderPath; // raw bytes
    std::int64_t TotalBytes = 0;
    std::int64_t SpaceUsed = 0;
    std::string ArchivesFolder;
    std::vector<TCatalogueEntry> Archives; // rows of lvArchives, in order
    std::int64_t BytesDone = 0;
    std::int64_t BytesOfFinishedFiles = 0;
    std::int64_t CurrentFileSize = 0;
    bool Running = false;
    bool StopPressed = false;
    bool DiskChanged = false;
    bool Filling = false;
    bool Placed = false;
    TZipMaster* RunningZip = nullptr;
    TCompressOutcome LastCompress;
    std::mt19937 Random;
};
