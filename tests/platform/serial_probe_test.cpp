#include "platform/serial_probe.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace tarvos {
namespace {

TEST(LockTableTest, MatchesGrantedLocksByDeviceAndInodeOnly) {
    const std::string table =
        "1: FLOCK  ADVISORY  WRITE 2317 fe:00:10952797 0 EOF\n"
        "2: POSIX  ADVISORY  READ 88 00:05:64 0 EOF\n"
        "2: -> POSIX  ADVISORY  WRITE 99 00:05:77 0 EOF\n"
        "garbage\n";
    EXPECT_TRUE(LockTableHolds(table, makedev(0xfe, 0), 10952797));
    EXPECT_TRUE(LockTableHolds(table, makedev(0, 5), 64));
    EXPECT_FALSE(LockTableHolds(table, makedev(0, 5), 77));  // only waiting for a lock
    EXPECT_FALSE(LockTableHolds(table, makedev(0xfe, 1), 10952797));
    EXPECT_FALSE(LockTableHolds(table, makedev(0xfe, 0), 1095279));
    EXPECT_FALSE(LockTableHolds("", makedev(0xfe, 0), 10952797));
}

using SerialProbeTest = testing::TempDirectoryTest;

TEST_F(SerialProbeTest, ProbeSeesAnotherHoldersLockAndTakesNoneItself) {
    const std::string port = Path("ttyS9").string();
    testing::WriteBytes(port, "");
    EXPECT_EQ(ProbeSerialPort(port), 0);

    const int holder = ::open(port.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ProbeSerialPort(port), 1);
    ::close(holder);
    EXPECT_EQ(ProbeSerialPort(port), 0);

    // Probes running meanwhile never keep the program that opens the port from locking it.
    const int next = ::open(port.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(next, 0);
    std::atomic<bool> done{false};
    std::thread prober([&] {
        while (!done.load()) ProbeSerialPort(port);
    });
    int refused = 0;
    for (int i = 0; i < 2000; ++i) {
        if (::flock(next, LOCK_EX | LOCK_NB) != 0) ++refused;
        else ::flock(next, LOCK_UN);
    }
    done = true;
    prober.join();
    ::close(next);
    EXPECT_EQ(refused, 0);

    EXPECT_EQ(ProbeSerialPort(Path("missing").string()), -1);
}

// Opening a tty raises DTR and RTS and closing it drops them: the probe must not open the port.
TEST_F(SerialProbeTest, ProbingOpensNothing) {
    const std::string port = Path("ttyS8").string();
    testing::WriteBytes(port, "");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, port.c_str(), IN_OPEN), 0);
    EXPECT_EQ(ProbeSerialPort(port), 0);
    alignas(inotify_event) char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the probe opened the port";
    ::close(watch);
}

TEST_F(SerialProbeTest, APortThisUserMayNotOpenIsNotInUse) {
    const std::string port = Path("ttyS7").string();
    testing::WriteBytes(port, "");
    ::chmod(port.c_str(), 0600);
    if (!testing::RunningAsRoot()) ::chmod(port.c_str(), 0);
    testing::GiveToUnprivilegedUser(dir_.path());
    const int status = testing::RunUnprivileged([&] {
        const bool denied = ExamineSerialPort(port) == SerialPortState::NoPermission;
        return denied && ProbeSerialPort(port) == -1 ? 0 : 1;
    });
    if (status == testing::kCannotDropPrivileges) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ExamineSerialPort(Path("missing").string()), SerialPortState::Missing);
}

// A terminal another process holds open is in use, as it would be for an exclusive open.
TEST_F(SerialProbeTest, ATerminalHeldOpenByAnotherProcessIsInUse) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    EXPECT_EQ(ProbeSerialPort(terminal), 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
        const char byte = fd >= 0 ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    EXPECT_EQ(ProbeSerialPort(terminal), 1);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(ProbeSerialPort(terminal), 0);
    for (const int fd : {ready[0], ready[1], master}) ::close(fd);
}

// Lock files carry the kernel's name of the device, so a port named by a /dev/serial/by-id link
// is found locked all the same.
TEST_F(SerialProbeTest, ALockFileIsFoundThroughALinkToTheDevice) {
    const std::string device = Path("ttyUSB93").string();
    const std::string link = Path("usb-Lab_Adapter-if00-port0").string();
    testing::WriteBytes(device, "");
    ASSERT_EQ(::symlink(device.c_str(), link.c_str()), 0);
    const std::string lock = "/run/lock/LCK..ttyUSB93";
    // The owner must be a live process other than this one.
    const std::string owner = std::to_string(::getppid());
    if (::access("/run/lock", W_OK) != 0 || ::access(lock.c_str(), F_OK) == 0)
        GTEST_SKIP() << "no lock file can be made in /run/lock";
    testing::WriteBytes(lock, std::string(10 - owner.size(), ' ') + owner + "\n");
    EXPECT_EQ(ProbeSerialPort(device), 1);
    EXPECT_EQ(ProbeSerialPort(link), 1);
    ::unlink(lock.c_str());
    EXPECT_EQ(ProbeSerialPort(link), 0);
}

TEST_F(SerialProbeTest, TheFixForNoPermissionNamesTheDevicesGroup) {
    const std::string port = Path("ttyS6").string();
    testing::WriteBytes(port, "");
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr || ::chown(port.c_str(), -1, dialout->gr_gid) != 0)
        GTEST_SKIP() << "no group dialout this user may give the file to";
    struct Case {
        mode_t mode;
        std::string fix;
    };
    const Case cases[] = {
        {0660, "join the group dialout: sudo usermod -aG dialout $USER, then log in again"},
        {0600, "ask the administrator for read and write access to " + port},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(::chmod(port.c_str(), c.mode), 0);
        EXPECT_EQ(SerialPermissionFix(port), c.fix);
    }
}

}  // namespace
}  // namespace tarvos
