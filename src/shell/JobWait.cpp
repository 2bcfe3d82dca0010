// Waiting for a background job with the window's events running.
#include "shell/JobWait.h"

#include "shell/ShellPaths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

TJobState WaitForJob(TBackgroundJob& job, const std::function<void()>& onTick, int tickMs,
                     TJobInput input) {
    TJobState state = job.Check();
    if (state != TJobState::Running)
        return state;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        state = job.Check();
        if (state != TJobState::Running) {
            loop.quit();
            return;
        }
        if (onTick)
            onTick();
    });
    tick.start(tickMs);
    loop.exec(input == TJobInput::Held ? QEventLoop::ExcludeUserInputEvents
                                       : QEventLoop::AllEvents);
    return state;
}

TJobState WaitForJobInBox(QWidget* parent, TBackgroundJob& job, const TJobBoxView& view) {
    QProgressDialog box(parent);
    box.setWindowTitle(view.Title);
    box.setCancelButtonText(QCoreApplication::translate("TMainForm", "&Stop"));
    box.setWindowModality(Qt::WindowModal);
    box.setMinimumDuration(0);
    box.setAutoClose(false);
    box.setAutoReset(false);
    box.setRange(0, 100);
    box.setMinimumWidth(420);
    // Without callbacks of its own, the box shows what the job reports.
    const auto show = [&] {
        const TJobProgress progress = job.Progress();
        box.setLabelText(view.Status ? view.Status() : QString::fromStdString(progress.Text));
        const int percent =
            view.Percent ? view.Percent()
            : progress.Total > 0
                ? static_cast<int>(static_cast<double>(std::min(progress.Done, progress.Total)) *
                                   100 / static_cast<double>(progress.Total))
                : -1;
        // Busy until an end is known, then measured against it.
        if (percent < 0) {
            box.setRange(0, 0);
        } else {
            box.setRange(0, 100);
            box.setValue(percent);
        }
    };
    show();
    box.show();
    return WaitForJob(job, [&] {
        if (box.wasCanceled())
            job.Stop();
        show();
    });
}

QString NotAnsweringText(const std::string& path) {
    return QCoreApplication::translate("TMainForm",
                                       "The drive of \"%1\" does not answer. The network "
                                       "connection may be lost.")
        .arg(DisplayPath(path));
}
