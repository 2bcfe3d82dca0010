// The window a folder move runs in: how much is done, the file being copied,
// the time left, and Stop. The move works on its own thread; the window reads
// its progress ten times a second, so it stays live however slow the disks
// are, and closes by itself when the move has ended. A move asked to stop
// that then shows no sign of life is held by a drive that does not answer:
// the window stops waiting for it, and its owner lets it end alone.
#pragma once

#include "cleanup/FolderMove.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

class TMoveProgressBox : public QDialog {
    Q_OBJECT
public:
    // Starts move when first shown; move must outlive the window.
    TMoveProgressBox(TFolderMove& move, QWidget* owner = nullptr);

    // Whether the window closed before the move ended, which was asked to
    // stop and showed no progress for GiveUpMs since.
    bool GaveUp() const { return GaveUpWaiting; }
    // The phase last seen; with GaveUp, the one the move is held in.
    TMovePhase LastPhase() const { return Last.Phase; }

    // As long as the command-line mover waits for a stopped move.
    static constexpr int GiveUpMs = 3000;

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
    void Poll();
    void ShowProgress(const TMoveProgress& progress);
    void AskToStop();

    TFolderMove& Move;
    QTimer PollTimer;
    QElapsedTimer CopyClock; // started when the copy is first seen under way
    QElapsedTimer StopClock; // started when the move is asked to stop
    QElapsedTimer SinceChange;
    TMoveProgress Last;
    bool Started = false;
    bool StopAsked = false;
    bool GaveUpWaiting = false;
};
