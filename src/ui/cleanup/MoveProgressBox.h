// The window a folder move runs in: how much is done, the file being copied,
// the time left, and Stop. The move works on its own thread; the window reads
// its progress ten times a second, so it stays live however slow the disks
// are, and closes by itself when the move has ended.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class TFolderMove;
struct TMoveProgress;

class TMoveProgressBox : public QDialog {
    Q_OBJECT
public:
    // Starts move when first shown; move must outlive the window.
    TMoveProgressBox(TFolderMove& move, QWidget* owner = nullptr);

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
    // stays until the move has ended, since until then the source may be
    // half copied.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Poll();
    void ShowProgress(const TMoveProgress& progress);

    TFolderMove& Move;
    QTimer PollTimer;
    QElapsedTimer CopyClock; // started when the copy is first seen under way
    bool Started = false;
    bool StopAsked = false;
};
