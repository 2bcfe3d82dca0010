// The benchmark programs' stopwatch: a run timed five times, the median kept.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

inline double MedianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}
