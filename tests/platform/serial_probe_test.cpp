#include "platform/serial_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/temp_dir.h"

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

}  // namespace
}  // namespace tarvos
