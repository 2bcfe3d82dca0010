// Ends the test program when a step that could block for ever has not
// finished in time, so such a fault fails the run instead of hanging it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class TWatchdog {
public:
    TWatchdog(std::chrono::seconds limit, std::string what)
        : What(std::move(what)), Thread([this, limit] {
              std::unique_lock<std::mutex> lock(Mutex);
              if (!Woken.wait_for(lock, limit, [this] { return Done; })) {
                  std::fprintf(stderr, "%s did not finish within %lld s\n", What.c_str(),
                               static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          }) {}

    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            Done = true;
        }
        Woken.notify_one();
        Thread.join();
    }

    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    std::mutex Mutex;
    std::condition_variable Woken;
    bool Done = false;
    std::string What;
    std::thread Thread;
};
