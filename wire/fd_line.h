// A Line over a file descriptor (a serial device or a socket): writes and reads with poll, so
// that every wait has its limit.
#pragma once

#include "wire/line.h"

namespace tarvos::wire {

class FdLine : public Line {
public:
    explicit FdLine(int fd) : fd_(fd) {}
    ~FdLine() override;
    FdLine(const FdLine&) = delete;
    FdLine& operator=(const FdLine&) = delete;

    Status Send(std::string_view text, std::chrono::milliseconds timeout) override;
    Result<std::string> Receive(std::chrono::milliseconds timeout) override;
    Status Discard() override;

protected:
    int fd() const { return fd_; }

private:
    int fd_;
    std::string pending_;  // received bytes after the last complete line
};

}  // namespace tarvos::wire
