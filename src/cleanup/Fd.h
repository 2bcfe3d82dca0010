// A file descriptor owned by one scope: closed when the scope ends, handed on
// by moving.
#pragma once

#include <unistd.h>
#include <utility>

class TFd {
public:
    explicit TFd(int fd = -1) : Fd(fd) {}
    TFd(TFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    ~TFd() {
        if (Fd >= 0)
            close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }

private:
    int Fd;
};
