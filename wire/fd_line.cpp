#include "wire/fd_line.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarvos::wire {
namespace {

using Steady = std::chrono::steady_clock;

int MillisecondsLeft(Steady::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

Error SystemError(const std::string& what) { return Error{what + ": " + std::strerror(errno), errno}; }

}  // namespace

FdLine::~FdLine() {
    if (fd_ >= 0) ::close(fd_);
}

Status FdLine::Send(std::string_view text, std::chrono::milliseconds timeout) {
    std::string line(text);
    line += '\n';
    const auto deadline = Steady::now() + timeout;
    std::size_t sent = 0;
    while (sent < line.size()) {
        pollfd p{fd_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return SystemError("waiting to send");
        if (ready == 0) return Error{"the instrument takes no more input (handshake held)"};
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return Error{"the line is closed"};
        const ssize_t n = ::write(fd_, line.data() + sent, line.size() - sent);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return SystemError("sending");
        sent += static_cast<std::size_t>(n);
    }
    return {};
}

Result<std::string> FdLine::Receive(std::chrono::milliseconds timeout) {
    const auto deadline = Steady::now() + timeout;
    while (true) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (pending_.size() > kLongestReply) {
            pending_.clear();
            return Error{"a reply longer than " + std::to_string(kLongestReply) + " bytes"};
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return SystemError("waiting for the reply");
        if (ready == 0) return Error{"no reply within " + std::to_string(timeout.count()) + " ms"};
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return SystemError("reading the reply");
        if (n == 0) return Error{"the instrument closed the line"};
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

Status FdLine::Discard() {
    pending_.clear();
    char buffer[4096];
    // Bounded: an instrument that never stops talking must not hold the caller here.
    for (int i = 0; i < 64; ++i) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return {};
        if (p.revents & (POLLERR | POLLNVAL)) return Error{"the line is closed"};
        // A hang-up with nothing left to read: the other end is gone.
        if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) return Error{"the instrument closed the line"};
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n == 0) return Error{"the instrument closed the line"};
        if (n < 0) return SystemError("reading");
    }
    return {};
}

}  // namespace tarvos::wire
