// The window a folder move runs in: how much is done, the file being copied,
// the time left, and Stop. The move works on a background job; the window
// reads its progress ten times a second, so it stays live however slow the
// disks are, and closes by itself when the move has ended. A move asked to
// stop that then shows no sign of life is held by a drive that does not
// answer: the job's rule hands it over to end alone, and the window closes.
#pragma once

#include "cleanup/FolderMove.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

class TMoveProgressBox : public QDialog {
    Q_OBJECT
public:
    // Starts the move's job when first shown.
    TMoveProgressBox(std::shared_ptr<TFolderMove> move, QWidget* owner = nullptr);

    // Whether the window closed before the move ended: it was handed over
    // to end alone.
    bool GaveUp() const { return GaveUpWaiting; }
    // The phase last seen; with GaveUp, the one the move is held in.
    TMovePhase LastPhase() const { return Last.Phase; }
    // The move's job once shown; tests shorten its give-up time.
    const std::shared_ptr<TBackgroundJob>& Job() const { return MoveJob; }

    QLabel* txtFrom = nullptr;
    QLabel* txtTo = nullptr;
    QLabel* txtPhase = nullptr;
    QProgressBar* pbBytes = nullptr;
    QLabel* txtBytes = nullptr;
    QLabel* txtFiles = nullptr;
    QLabel* txtCurrentFile = nullptr;
    QLabel* txtTimeLeft = nullptr;
    QPushButton* cmdStop = nullptr;

public slots:
    void cmdStopClick();
    // Escape and the window's close button stop the move; the window itself
    // stays until the move has ended (or given up), since until then the
    // source may be half copied.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RunMove();
    void ShowProgress(const TMoveProgress& progress);
    void AskToStop();

    std::shared_ptr<TFolderMove> Move;
    std::shared_ptr<TBackgroundJob> MoveJob;
    QElapsedTimer CopyClock; // started when the copy is first seen under way
    TMoveProgress Last;
    bool Started = false;
    bool StopAsked = false;
    bool GaveUpWaiting = false;
};
