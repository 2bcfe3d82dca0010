// The window's front end of a background job (platform/BackgroundJob.h): the
// one place where the window's thread waits for work done elsewhere. It runs
// the event loop meanwhile, so windows repaint and Stop buttons answer, and
// returns when the job has finished or, stopped and silent, was handed over
// to end alone; the caller then tells the user where things are.
#pragma once

#include "platform/BackgroundJob.h"
#include "platform/VolumeStat.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

// Whether the user's input reaches the windows meanwhile: held where no
// dialog stands between the user and commands that must not start now.
enum class TJobInput { Allowed, Held };

// Waits for job, calling onTick every tickMs (a page shows progress there).
TJobState WaitForJob(TBackgroundJob& job, const std::function<void()>& onTick = {}, int tickMs = 50,
                     TJobInput input = TJobInput::Allowed);

// What a progress box shows of a job: its status lines, and how far it is in
// percent (negative: no end known). Either left empty is taken from what the
// job reports.
struct TJobBoxView {
    QString Title;
    std::function<QString()> Status;
    std::function<int()> Percent;
};

// Waits for job under a progress box with Stop, modal to parent's window, so
// the window cannot change under the work.
TJobState WaitForJobInBox(QWidget* parent, TBackgroundJob& job, const TJobBoxView& view);

// What the window says when the drive of path did not answer in time.
QString NotAnsweringText(const std::string& path);

// One file-system call made for the window, such as a check before a
// command. Where the drive may stop answering (mayHang) it runs on a
// background job while the window paints, its input held, and is given the
// usual time: stopped after Platform::SlowDriveTimeoutMs without an answer,
// then handed over by the job's rule. None when the drive did not answer.
// Elsewhere it is called at once.
template <typename T> std::optional<T> CallWithinLimit(bool mayHang, std::function<T()> call) {
    if (!mayHang)
        return call();
    // Shared with the job, which a drive that does not answer may hold on to.
    const auto answer = std::make_shared<std::optional<T>>();
    const auto job = TBackgroundJob::Start(
        [answer, call = std::move(call)](TBackgroundJob&) { *answer = call(); });
    job->StopWhenSilentFor = std::chrono::milliseconds(Platform::SlowDriveTimeoutMs);
    if (WaitForJob(*job, {}, 50, TJobInput::Held) != TJobState::Finished)
        return std::nullopt;
    job->Rethrow();
    return *answer;
}
