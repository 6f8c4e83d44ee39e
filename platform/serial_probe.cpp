#include "platform/serial_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace tarvos {

std::string SerialDeviceOf(int comPort) { return "/dev/ttyS" + std::to_string(comPort - 1); }

int ProbeSerialPort(const std::string& device) {
    // Non-blocking and without becoming our controlling terminal: nothing is sent or waited for.
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return (errno == EBUSY || errno == EACCES || errno == EPERM) ? 1 : -1;
    int result = 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) result = (errno == EWOULDBLOCK) ? 1 : 0;
    else ::flock(fd, LOCK_UN);
    ::close(fd);
    return result;
}

}  // namespace tarvos
