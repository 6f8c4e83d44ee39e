#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/program_path.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

namespace fs = std::filesystem;

class ReadWholeFileTest : public testing::TempDirectoryTest {};

TEST_F(ReadWholeFileTest, ReadsEveryByte) {
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    WriteBytes(Path("data"), bytes);
    auto result = ReadWholeFile(Path("data"), static_cast<std::size_t>(-1));  // limit + 1 overflows
    ASSERT_TRUE(result) << result.error().message;
    EXPECT_EQ(result.value(), bytes);
    auto proc = ReadWholeFile("/proc/self/status");  // reports size 0
    ASSERT_TRUE(proc) << proc.error().message;
    EXPECT_NE(proc.value().find("Pid:"), std::string::npos);
}

TEST_F(ReadWholeFileTest, ReportsTheFailingCall) {
    auto missing = ReadWholeFile(Path("absent"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().systemError, ENOENT);
    EXPECT_EQ(missing.error().message.rfind(Path("absent").string() + ": ", 0), 0u);
    EXPECT_EQ(ReadWholeFile(dir_.path()).error().systemError, EISDIR);
}

TEST_F(ReadWholeFileTest, RefusesFilesOverTheLimit) {
    WriteBytes(Path("small"), "12345");
    EXPECT_TRUE(ReadWholeFile(Path("small"), 5));
    auto tooLarge = ReadWholeFile(Path("small"), 4);
    ASSERT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.error().systemError, EFBIG);
    EXPECT_EQ(tooLarge.error().message, Path("small").string() + ": file too large");
    // A sparse file far beyond memory must be refused before anything is allocated.
    WriteBytes(Path("huge"), "");
    fs::resize_file(Path("huge"), std::uintmax_t{1} << 40);
    EXPECT_EQ(ReadWholeFile(Path("huge")).error().systemError, EFBIG);
    EXPECT_EQ(ReadWholeFile("/proc/self/status", 10).error().systemError, EFBIG);
}

class WriteFileAtomicallyTest : public testing::TempDirectoryTest {};

TEST_F(WriteFileAtomicallyTest, CreatesAndReplacesWithoutLeftovers) {
    const auto file = Path("out.txt");
    ASSERT_TRUE(WriteFileAtomically(file, "first version, longer than the second"));
    EXPECT_EQ(ReadBytes(file), "first version, longer than the second");
    ASSERT_TRUE(WriteFileAtomically(file, std::string("second\0x", 8)));
    EXPECT_EQ(ReadBytes(file), std::string("second\0x", 8));
    ASSERT_TRUE(WriteFileAtomically(file, ""));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(WriteFileAtomicallyTest, KeepsOrGivesTheUsualPermissions) {
    const auto file = Path("private");
    WriteBytes(file, "old");
    fs::permissions(file, static_cast<fs::perms>(0640));
    ASSERT_TRUE(WriteFileAtomically(file, "new"));
    EXPECT_EQ(fs::status(file).permissions(), static_cast<fs::perms>(0640));
    const mode_t mask = ::umask(027);
    const Status fresh = WriteFileAtomically(Path("fresh"), "x");
    ::umask(mask);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fs::status(Path("fresh")).permissions(), static_cast<fs::perms>(0640));
}

TEST_F(WriteFileAtomicallyTest, WritesThroughSymbolicLinks) {
    fs::create_directory(Path("real"));
    const auto target = Path("real/settings.ini");
    WriteBytes(target, "old");
    fs::create_symlink("real/settings.ini", Path("link.ini"));
    ASSERT_TRUE(WriteFileAtomically(Path("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
    EXPECT_EQ(ReadBytes(target), "new");

    fs::create_symlink(Path("real/later.ini"), Path("dangling"));
    ASSERT_TRUE(WriteFileAtomically(Path("dangling"), "made"));
    EXPECT_TRUE(fs::is_symlink(Path("dangling")));
    EXPECT_EQ(ReadBytes(Path("real/later.ini")), "made");
    EXPECT_EQ(EntryCount(), 3u);

    fs::create_symlink("loop-b", Path("loop-a"));
    fs::create_symlink("loop-a", Path("loop-b"));
    EXPECT_EQ(WriteFileAtomically(Path("loop-a"), "x").error().systemError, ELOOP);
}

TEST_F(WriteFileAtomicallyTest, FailureLeavesTheOldStateAlone) {
    const auto blocker = Path("plain");
    WriteBytes(blocker, "keep");
    EXPECT_EQ(WriteFileAtomically(blocker / "x", "data").error().systemError, ENOTDIR);
    EXPECT_EQ(WriteFileAtomically(Path("none/x"), "data").error().systemError, ENOENT);
    EXPECT_EQ(ReadBytes(blocker), "keep");
    // Renaming over a directory or a FIFO (or /dev/null, as root) would destroy it.
    fs::create_directory(Path("dir"));
    EXPECT_EQ(WriteFileAtomically(Path("dir"), "x").error().systemError, EISDIR);
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(WriteFileAtomically(Path("fifo"), "x").error().systemError, EINVAL);
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));
    EXPECT_EQ(EntryCount(), 3u);
}

TEST(ProgramPath, RunningProgramIsThisTest) {
    const auto path = RunningProgramPath();
    ASSERT_TRUE(path);
    EXPECT_TRUE(path->is_absolute());
    EXPECT_TRUE(fs::equivalent(*path, "/proc/self/exe"));
}

TEST(ProgramPath, SettingsFileReplacesOrAddsTheExtension) {
    EXPECT_EQ(SettingsFileForProgram("/opt/tarvos/kvr-tarvos"), fs::path("/opt/tarvos/kvr-tarvos.ini"));
    EXPECT_EQ(SettingsFileForProgram("TARVOS.EXE"), fs::path("TARVOS.ini"));
    EXPECT_EQ(SettingsFileForProgram("dir/tarvos.Exe"), fs::path("dir/tarvos.ini"));
    EXPECT_EQ(SettingsFileForProgram("tarvos.exe.bak"), fs::path("tarvos.exe.bak.ini"));
    EXPECT_EQ(SettingsFileForProgram("exe"), fs::path("exe.ini"));
}

}  // namespace
}  // namespace tarvos
