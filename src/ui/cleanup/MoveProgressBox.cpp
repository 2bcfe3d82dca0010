#include "ui/cleanup/MoveProgressBox.h"

#include "engine/Formatting.h"
#include "shell/JobWait.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString PhaseText(TMovePhase phase) {
    switch (phase) {
    case TMovePhase::Checking:
        return TMoveProgressBox::tr("Checking the folder and the new location...");
    case TMovePhase::Measuring:
        return TMoveProgressBox::tr("Counting what is to be moved...");
    case TMovePhase::Copying:
        return TMoveProgressBox::tr("Copying the folder to its new location...");
    case TMovePhase::Verifying:
        return TMoveProgressBox::tr("Comparing the copy with the original...");
    case TMovePhase::RemovingSource:
        return TMoveProgressBox::tr("Removing the original folder...");
    case TMovePhase::Done:
        break;
    }
    return TMoveProgressBox::tr("Done.");
}

// How often the window reads the move's progress.
constexpr int PollMs = 100;

// The bar's scale: fine enough for a smooth bar, small enough for an int.
constexpr int BarSteps = 1000;

int Share(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return 0;
    return static_cast<int>(static_cast<double>(std::min(done, total)) / total * BarSteps);
}

// "About 3 minutes"; "Estimating..." while the rate is not known yet.
QString TimeLeftText(double seconds) {
    if (!(seconds >= 0))
        return TMoveProgressBox::tr("Estimating...");
    const long long whole = std::llround(std::ceil(seconds));
    if (whole < 60)
        return whole <= 1 ? TMoveProgressBox::tr("About a second")
                          : TMoveProgressBox::tr("About %1 seconds").arg(whole);
    const long long minutes = (whole + 59) / 60;
    if (minutes < 60)
        return minutes == 1 ? TMoveProgressBox::tr("About a minute")
                            : TMoveProgressBox::tr("About %1 minutes").arg(minutes);
    return TMoveProgressBox::tr("About %1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

} // namespace

TMoveProgressBox::TMoveProgressBox(std::shared_ptr<TFolderMove> move, QWidget* owner)
    : QDialog(owner), Move(std::move(move)) {
    setObjectName(QStringLiteral("MoveProgressBox"));
    setWindowTitle(tr("Moving Folder"));

    // Both paths whole in their tooltips; shortened from the left to fit,
    // so the folder's own name always shows.
    const auto pathLabel = [this](const char* name, const std::string& path) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setToolTip(DisplayPath(path));
        label->setMinimumWidth(1);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        return label;
    };
    txtFrom = pathLabel("txtFrom", Platform::PathOf(Move->Source()));
    txtTo = pathLabel("txtTo", Move->Target());
    txtPhase = new QLabel(this);
    txtPhase->setObjectName(QStringLiteral("txtPhase"));
    QFont bold = txtPhase->font();
    bold.setBold(true);
    txtPhase->setFont(bold);
    txtCurrentFile = new QLabel(this);
    txtCurrentFile->setObjectName(QStringLiteral("txtCurrentFile"));
    // A long path must not widen the window at every file.
    txtCurrentFile->setMinimumWidth(1);
    txtCurrentFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pbBytes = new QProgressBar(this);
    pbBytes->setObjectName(QStringLiteral("pbBytes"));
    pbBytes->setTextVisible(false);
    txtBytes = new QLabel(this);
    txtBytes->setObjectName(QStringLiteral("txtBytes"));
    txtFiles = new QLabel(this);
    txtFiles->setObjectName(QStringLiteral("txtFiles"));
    txtTimeLeft = new QLabel(this);
    txtTimeLeft->setObjectName(QStringLiteral("txtTimeLeft"));
    cmdStop = new QPushButton(tr("&Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));

    auto* places = new QGridLayout;
    places->addWidget(new QLabel(tr("From:"), this), 0, 0);
    places->addWidget(txtFrom, 0, 1);
    places->addWidget(new QLabel(tr("To:"), this), 1, 0);
    places->addWidget(txtTo, 1, 1);
    places->setColumnStretch(1, 1);
    auto* figures = new QGridLayout;
    figures->addWidget(new QLabel(tr("Size:"), this), 0, 0);
    figures->addWidget(txtBytes, 0, 1);
    figures->addWidget(new QLabel(tr("Files:"), this), 1, 0);
    figures->addWidget(txtFiles, 1, 1);
    figures->addWidget(new QLabel(tr("Time left:"), this), 2, 0);
    figures->addWidget(txtTimeLeft, 2, 1);
    figures->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(places);
    layout->addSpacing(6);
    layout->addWidget(txtPhase);
    layout->addWidget(txtCurrentFile);
    layout->addWidget(pbBytes);
    layout->addLayout(figures);
    layout->addLayout(buttons);

    connect(cmdStop, &QPushButton::clicked, this, &TMoveProgressBox::cmdStopClick);

    resize(520, sizeHint().height());
    ShowProgress(Move->Progress());
    CenterOverMainWindow(owner ? owner->window() : nullptr, this);
}

void TMoveProgressBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Started)
        return;
    Started = true;
    MoveJob = StartMoveJob(Move);
    // Waited for inside the window's own event loop, from its first reading
    // on: a move done by one rename still shows its window for a moment
    // rather than flashing it.
    QTimer::singleShot(PollMs, this, &TMoveProgressBox::RunMove);
}

void TMoveProgressBox::RunMove() {
    const TJobState state = WaitForJob(
        *MoveJob,
        [this] {
            Last = Move->Progress();
            ShowProgress(Last);
        },
        PollMs);
    Last = Move->Progress();
    ShowProgress(Last);
    if (state == TJobState::Finished) {
        accept();
        return;
    }
    GaveUpWaiting = true;
    QDialog::reject();
}

void TMoveProgressBox::ShowProgress(const TMoveProgress& progress) {
    const bool removing =
        progress.Phase == TMovePhase::RemovingSource || progress.Phase == TMovePhase::Done;
    txtPhase->setText(StopAsked && !removing ? tr("Stopping...") : PhaseText(progress.Phase));
    cmdStop->setEnabled(!StopAsked && !removing);

    const bool counting =
        progress.Phase == TMovePhase::Checking || progress.Phase == TMovePhase::Measuring;
    if (counting && Started) {
        pbBytes->setRange(0, 0); // busy: nothing to measure against yet
    } else {
        pbBytes->setRange(0, BarSteps);
        // A folder of empty files still moves file by file.
        pbBytes->setValue(progress.BytesTotal > 0 ? Share(progress.BytesDone, progress.BytesTotal)
                                                  : Share(progress.FilesDone, progress.FilesTotal));
    }
    if (counting) {
        txtBytes->setText(progress.BytesTotal > 0
                              ? FormatSize(static_cast<std::int64_t>(progress.BytesTotal))
                              : QString());
        txtFiles->setText(progress.FilesTotal > 0
                              ? FormatCount64(static_cast<std::int64_t>(progress.FilesTotal))
                              : QString());
    } else {
        txtBytes->setText(tr("%1 of %2")
                              .arg(FormatSize(static_cast<std::int64_t>(progress.BytesDone)),
                                   FormatSize(static_cast<std::int64_t>(progress.BytesTotal))));
        txtFiles->setText(tr("%1 of %2")
                              .arg(FormatCount64(static_cast<std::int64_t>(progress.FilesDone)),
                                   FormatCount64(static_cast<std::int64_t>(progress.FilesTotal))));
    }
    const bool copying =
        progress.Phase == TMovePhase::Copying || progress.Phase == TMovePhase::Verifying;
    // The rate is that of the copy alone; checks and counting before it
    // would make the first estimates too long.
    if (copying && !CopyClock.isValid())
        CopyClock.start();
    txtTimeLeft->setText(copying ? TimeLeftText(MoveSecondsLeft(
                                       progress, static_cast<double>(CopyClock.elapsed()) / 1000))
                                 : QString());
    const QString file =
        progress.CurrentFile.empty() ? QString() : DisplayPath(progress.CurrentFile);
    txtCurrentFile->setText(
        MinimizePath(file, txtCurrentFile->fontMetrics(), std::max(1, txtCurrentFile->width())));
    txtCurrentFile->setToolTip(file);
    txtFrom->setText(
        MinimizePath(txtFrom->toolTip(), txtFrom->fontMetrics(), std::max(1, txtFrom->width())));
    txtTo->setText(
        MinimizePath(txtTo->toolTip(), txtTo->fontMetrics(), std::max(1, txtTo->width())));
}

void TMoveProgressBox::cmdStopClick() {
    AskToStop();
}

void TMoveProgressBox::AskToStop() {
    StopAsked = true;
    if (MoveJob)
        MoveJob->Stop();
    else
        Move->Stop();
    ShowProgress(Move->Progress());
}

void TMoveProgressBox::reject() {
    if (Move->Finished() || GaveUpWaiting) {
        QDialog::reject();
        return;
    }
    // While the original is removed Stop no longer applies, but a removal
    // held by a dead drive must still let the window go.
    AskToStop();
}
