#include "StopSignals.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

// One set of handlers at a time: the program runs one background job.
volatile std::sig_atomic_t WriteEnd = -1;

void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds the news: its failure says nothing new.
    [[maybe_unused]] const ssize_t written = write(WriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

TStopSignals::TStopSignals() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe for the stop signals");
    ReadEnd = ends[0];
    WriteEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &FormerInt);
    sigaction(SIGTERM, &action, &FormerTerm);
}

TStopSignals::~TStopSignals() {
    sigaction(SIGINT, &FormerInt, nullptr);
    sigaction(SIGTERM, &FormerTerm, nullptr);
    close(WriteEnd);
    WriteEnd = -1;
    close(ReadEnd);
}

bool TStopSignals::Asked() {
    char bytes[16];
    while (read(ReadEnd, bytes, sizeof bytes) > 0)
        Seen = true;
    return Seen;
}

TJobState WaitStoppable(TBackgroundJob& job, TStopSignals& stopSignals,
                        const std::function<void()>& onTick) {
    return job.Wait(std::chrono::milliseconds(100), [&] {
        if (stopSignals.Asked() && !job.Stopping())
            job.Stop();
        if (onTick)
            onTick();
    });
}
