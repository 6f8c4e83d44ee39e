#include "bench/line_tap.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "wire/line_settings.h"

namespace tarvos::bench {
namespace {

// How long the program's side is left alone while no program holds it: the master reports a
// hang-up until one opens it again.
constexpr auto kIdlePause = std::chrono::milliseconds(20);
// The longest a byte waits for room on the other side before it is dropped.
constexpr int kWriteLimitMs = 2000;

Error SystemError(const std::string& what) { return Error{what + ": " + std::strerror(errno), errno}; }

void WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kWriteLimitMs) <= 0) return;
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// The program's end of the tap, raw and silent until the program sets it up itself.
Result<int> OpenProgramSide(const std::filesystem::path& link, const termios& line) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) return SystemError("no pseudo-terminal");
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return SystemError("cannot unlock the pseudo-terminal");
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || ::tcsetattr(slave, TCSANOW, &line) != 0) {
        const Error error = SystemError(std::string("cannot set up ") + name);
        if (slave >= 0) ::close(slave);
        ::close(master);
        return error;
    }
    ::close(slave);
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
    std::error_code linked;
    std::filesystem::create_symlink(name, link, linked);
    if (linked) {
        ::close(master);
        return Error{"cannot link " + link.string() + ": " + linked.message()};
    }
    return master;
}

}  // namespace

Result<std::unique_ptr<LineTap>> LineTap::Open(const std::filesystem::path& programLink,
                                               const std::filesystem::path& instrumentDevice, int baudRate) {
    termios line{};
    if (Status made = wire::MakeTermios(baudRate, 8, 'N', 1, "NO", &line); !made.ok()) return made.error();
    const int instrument = ::open(instrumentDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (instrument < 0) return SystemError("cannot open " + instrumentDevice.string());
    if (::tcsetattr(instrument, TCSANOW, &line) != 0) {
        const Error error = SystemError("cannot set up " + instrumentDevice.string());
        ::close(instrument);
        return error;
    }
    Result<int> master = OpenProgramSide(programLink, line);
    if (!master) {
        ::close(instrument);
        return master.error();
    }
    return std::unique_ptr<LineTap>(new LineTap(master.value(), instrument, programLink));
}

LineTap::LineTap(int master, int instrument, std::filesystem::path link)
    : master_(master), instrument_(instrument), link_(std::move(link)), thread_([this] { Run(); }) {}

LineTap::~LineTap() {
    stop_.store(1);
    thread_.join();
    ::close(master_);
    ::close(instrument_);
    std::error_code ignored;
    std::filesystem::remove(link_, ignored);
}

LineCounts LineTap::Counts() const { return {toInstrument_.load(), fromInstrument_.load(), commands_.load()}; }

void LineTap::Run() {
    while (stop_.load() == 0) {
        const bool programListening = std::chrono::steady_clock::now() >= programIdleUntil_;
        // A negative descriptor is left out of the poll: the program's side while no one holds it.
        pollfd fds[2] = {{programListening ? master_ : -1, POLLIN, 0}, {instrument_, POLLIN, 0}};
        const int wait = programListening ? 100 : static_cast<int>(kIdlePause.count());
        if (::poll(fds, 2, wait) <= 0) continue;
        if (fds[0].revents != 0 && ((fds[0].revents & POLLIN) == 0 || !PassFromProgram()))
            programIdleUntil_ = std::chrono::steady_clock::now() + kIdlePause;
        if (fds[1].revents & POLLIN) PassFromInstrument();
        // The instrument's side hung up (it ended): nothing comes from there any more.
        else if (fds[1].revents != 0) std::this_thread::sleep_for(kIdlePause);
    }
}

bool LineTap::PassFromProgram() {
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) return false;
    WriteAll(instrument_, buffer, static_cast<std::size_t>(n));
    toInstrument_ += n;
    commands_ += std::count(buffer, buffer + n, '\n');
    return true;
}

void LineTap::PassFromInstrument() {
    char buffer[4096];
    const ssize_t n = ::read(instrument_, buffer, sizeof buffer);
    if (n <= 0) return;
    WriteAll(master_, buffer, static_cast<std::size_t>(n));
    fromInstrument_ += n;
}

}  // namespace tarvos::bench
