#include "platform/serial_probe.h"

#include <dirent.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string_view>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/serial_ports.h"

namespace tarvos {
namespace {

// Bounds for the look at other processes: enough for any desktop, never unbounded.
constexpr int kMaxProcesses = 32768;
constexpr int kMaxDescriptors = 1 << 18;
constexpr std::size_t kMaxLockTableBytes = std::size_t{4} << 20;

// The lock table is read, not taken part in: taking a lock to see whether one is held would make
// two programs probing at the same moment find the port in use.
bool LockedInTable(const struct stat& info) {
    const Result<std::string> table = ReadWholeFile("/proc/locks", kMaxLockTableBytes);
    return table && LockTableHolds(table.value(), info.st_dev, info.st_ino);
}

// The UUCP convention of minicom, cu and friends: /var/lock/LCK..ttyS0 holds the owner's pid.
// The lock is named after the kernel's device name, so a /dev/serial/by-id link is followed.
bool LockedByLockFile(const std::string& device) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(device, error);
    if (error) real = device;
    const std::string name = "LCK.." + real.filename().string();
    for (const char* folder : {"/var/lock/", "/run/lock/"}) {
        const Result<std::string> text = ReadWholeFile(folder + name, 256);
        if (!text) continue;
        long pid = 0;
        std::istringstream in(text.value());
        // Binary lock files hold the pid as a 4-byte integer instead of text.
        if (!(in >> pid) && text.value().size() == 4) {
            std::int32_t raw = 0;
            std::copy_n(text.value().data(), 4, reinterpret_cast<char*>(&raw));
            pid = raw;
        }
        if (pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) return true;
    }
    return false;
}

// Another process with the device open, among those whose descriptors this user may see.
bool OpenElsewhere(const struct stat& device) {
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc) return false;
    const long self = static_cast<long>(::getpid());
    int processes = 0, descriptors = 0;
    while (const dirent* entry = ::readdir(proc.get())) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        if (++processes > kMaxProcesses) return false;
        const std::string fdFolder = "/proc/" + std::string(entry->d_name) + "/fd";
        const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdFolder.c_str()), ::closedir);
        if (!fds) continue;  // another user's process
        while (const dirent* fd = ::readdir(fds.get())) {
            if (fd->d_name[0] == '.') continue;
            if (++descriptors > kMaxDescriptors) return false;
            // Only links into /dev are followed: stat() through a descriptor of a hung network
            // file would hang the probe.
            const std::string link = fdFolder + "/" + fd->d_name;
            char target[16] = {};
            const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
            if (length < 5 || std::string_view(target, 5) != "/dev/") continue;
            struct stat info {};
            if (::stat(link.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
            if (info.st_rdev == device.st_rdev) return true;
        }
    }
    return false;
}

// A ttyS node exists for every possible UART; the kernel's "type" 0 says no UART is behind it.
bool NoUartBehind(const std::string& device) {
    const std::string name = std::filesystem::path(device).filename().string();
    if (name.rfind("ttyS", 0) != 0) return false;
    const Result<std::string> type = ReadWholeFile("/sys/class/tty/" + name + "/type", 4096);
    return type && type.value().substr(0, type.value().find('\n')) == "0";
}

}  // namespace

const char* SerialPortStateName(SerialPortState state) {
    switch (state) {
        case SerialPortState::Free: return "free";
        case SerialPortState::InUse: return "in use";
        case SerialPortState::NoPermission: return "no permission";
        case SerialPortState::Missing: break;
    }
    return "missing";
}

SerialPortState ExamineSerialPort(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return (errno == EACCES || errno == EPERM) ? SerialPortState::NoPermission : SerialPortState::Missing;
    if (S_ISDIR(info.st_mode)) return SerialPortState::Missing;
    const bool characterDevice = S_ISCHR(info.st_mode);
    if (characterDevice && NoUartBehind(device)) return SerialPortState::Missing;
    if (::access(device.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
        return SerialPortState::NoPermission;
    if (LockedInTable(info) || LockedByLockFile(device)) return SerialPortState::InUse;
    if (characterDevice && OpenElsewhere(info)) return SerialPortState::InUse;
    return SerialPortState::Free;
}

int ProbeSerialPort(const std::string& device) {
    switch (ExamineSerialPort(device)) {
        case SerialPortState::Free: return 0;
        case SerialPortState::InUse: return 1;
        default: return -1;
    }
}

std::optional<std::string> SerialDeviceOf(int comPort) {
    const SerialPortMap map = CurrentSerialPortMap();
    if (const SerialPortEntry* entry = map.Find(comPort)) return entry->device;
    return std::nullopt;
}

std::string SerialPermissionFix(const std::string& device) {
    struct stat info {};
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (::stat(device.c_str(), &info) == 0 && (info.st_mode & groupReadWrite) == groupReadWrite && info.st_gid != 0) {
        struct group entry {};
        struct group* found = nullptr;
        char buffer[4096];
        if (::getgrgid_r(info.st_gid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
            return "join the group " + std::string(found->gr_name) + ": sudo usermod -aG " + found->gr_name +
                   " $USER, then log in again";
    }
    return "ask the administrator for read and write access to " + device;
}

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

}  // namespace tarvos
