// The window's front end of a background job (platform/BackgroundJob.h): the
// one place where the window's thread waits for work done elsewhere. It runs
// the event loop meanwhile, so windows repaint and Stop buttons answer, and
// returns when the job has finished or, stopped and silent, was handed over
// to end alone; the caller then tells the user where things are.
#pragma once

#include "platform/BackgroundJob.h"

#include <QString>

#include <functional>

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
