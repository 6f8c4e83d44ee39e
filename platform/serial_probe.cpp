#include "platform/serial_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tarvos {

namespace {

// The lock table is read, not taken part in: taking a lock to see whether one is held would make
// two programs probing at the same moment find the port in use.
bool HeldByAnyone(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    std::ifstream in("/proc/locks");
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    return LockTableHolds(text.str(), info.st_dev, info.st_ino);
}

}  // namespace

std::string SerialDeviceOf(int comPort) { return "/dev/ttyS" + std::to_string(comPort - 1); }

bool LockTableHolds(const std::string& lockTable, dev_t device, ino_t inode) {
    std::istringstream lines(lockTable);
    std::string line;
    while (std::getline(lines, line)) {
        // "1: FLOCK  ADVISORY  WRITE 2317 fe:00:10952797 0 EOF"; "1: -> FLOCK ..." waits for it.
        if (line.find("->") != std::string::npos) continue;
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        if (!(fields >> number >> kind >> mode >> access >> pid >> where)) continue;
        unsigned major = 0, minor = 0;
        unsigned long long node = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &node) != 3) continue;
        if (major == ::major(device) && minor == ::minor(device) && node == inode) return true;
    }
    return false;
}

int ProbeSerialPort(const std::string& device) {
    // Non-blocking and without becoming our controlling terminal: nothing is sent or waited for.
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return (errno == EBUSY || errno == EACCES || errno == EPERM) ? 1 : -1;
    const int result = HeldByAnyone(fd) ? 1 : 0;
    ::close(fd);
    return result;
}

}  // namespace tarvos
