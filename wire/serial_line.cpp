// Serial devices: raw mode with the port settings, opened for this process alone.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "wire/fd_line.h"
#include "wire/line_settings.h"

namespace tarvos::wire {
namespace {

// How long a close lets queued characters go out: the last command (the noise generator off)
// must reach the instrument, but a line held by its handshake must not hold the program.
constexpr auto kDrainLimit = std::chrono::milliseconds(1000);

class SerialLine final : public FdLine {
public:
    explicit SerialLine(int fd) : FdLine(fd) {}
    ~SerialLine() override {
        // tcdrain could wait for ever on a held handshake; the queue is watched instead, then
        // what is left is dropped so that close() does not wait either.
        const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
        int queued = 0;
        while (::ioctl(fd(), TIOCOUTQ, &queued) == 0 && queued > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::tcflush(fd(), TCIOFLUSH);
        ::ioctl(fd(), TIOCNXCL);
    }
    Status Discard() override {
        ::tcflush(fd(), TCIFLUSH);
        return FdLine::Discard();
    }
};

Error Failed(const std::string& device, const std::string& what) {
    const int error = errno;
    return Error{device + ": " + what + ": " + std::strerror(error), error};
}

}  // namespace

Result<std::unique_ptr<Line>> OpenSerialLine(const SerialSettings& s) {
    termios wanted{};
    if (Status made = MakeTermios(s.baudRate, s.dataBits, s.parity, s.stopBits, s.handshake, &wanted); !made.ok())
        return made.error();
    const int fd = ::open(s.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // A device another program opened for itself alone (TIOCEXCL) refuses the open.
    if (fd < 0) return Failed(s.device, errno == EBUSY ? "in use by another program" : "cannot open");
    auto line = std::make_unique<SerialLine>(fd);
    if (!::isatty(fd)) return Error{s.device + " is not a serial device"};
    // Another program's lock (flock, as the port probe reports it) means the port is in use.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return Failed(s.device, "in use by another program");
    if (::ioctl(fd, TIOCEXCL) != 0) return Failed(s.device, "cannot be had for exclusive use");
    if (::tcsetattr(fd, TCSANOW, &wanted) != 0) return Failed(s.device, "the port settings were refused");
    // tcsetattr succeeds when any part of the settings took: the whole must have.
    termios now{};
    if (::tcgetattr(fd, &now) != 0) return Failed(s.device, "cannot read the port settings back");
    if (!SameLineSettings(now, wanted)) return Error{s.device + ": the device does not take these port settings"};
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<Line>(std::move(line));
}

}  // namespace tarvos::wire
