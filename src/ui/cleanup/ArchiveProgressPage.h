// The progress page the archive dialog shows while a folder is packed or
// restored: the title, the file at work, the bar, Stop, and after packing the
// results. The archive component's work runs on a background job; its events
// come back to this page's thread, so the window stays live and Stop answers
// at once.
#pragma once

#include "cleanup/ZipMaster.h"
#include "models/ArchiveProgress.h"
#include "platform/BackgroundJob.h"

#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

class TArchiveProgressPage : public QWidget {
    Q_OBJECT
public:
    explicit TArchiveProgressPage(QWidget* parent = nullptr);

    // A new run under `title`; files are shown below folderPath's parent
    // (none: as the component names them).
    void Begin(const QString& title, std::int64_t totalBytes, const std::string& folderPath);
    // The bar back to 0 % over totalBytes, for another run of the same work.
    void Reset(std::int64_t totalBytes);
    // The bar full: the work is done, whatever the byte count said.
    void ShowAllDone();
    // The results of a packed folder, each line naming its size and drive.
    void ShowResults(const QString& title, const QString& folderLine, const QString& folderSize,
                     const QString& folderDrive, const QString& archiveLine,
                     const QString& archiveSize, const QString& archiveDrive,
                     const QString& gainLine);

    // Runs work on a background job with zip's events brought to this page,
    // the window live meanwhile. False when, after Stop, the work made no
    // progress for giveUpAfterStop (its drive does not answer): the user is
    // told, and the job, which holds only what it was given, ends alone.
    bool Run(const std::shared_ptr<TZipMaster>& zip, std::function<void()> work,
             std::chrono::milliseconds giveUpAfterStop);
    bool Running() const { return Job != nullptr; }
    bool StopPressed() const { return Stopped; }

    // Progress accounting, as the component's events drive it.
    void TheZipProgress(ProgressType type, const std::string& fileName, std::int64_t fileSize);

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

    void cmdStopClick();

private:
    void SetTitle(const QString& title);
    void ShowPercent();

    std::string FolderPath; // raw bytes
    TArchiveProgress Figures;
    std::shared_ptr<TBackgroundJob> Job; // while one runs
    bool Stopped = false;
};
