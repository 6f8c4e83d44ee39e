#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/program_path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

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

TEST_F(ReadWholeFileTest, AnythingButARegularFileIsRefusedBeforeAnyRead) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    for (const fs::path& path : {fs::path("/dev/zero"), Path("fifo")}) {
        auto read = ReadWholeFile(path, std::size_t{1} << 20);
        ASSERT_FALSE(read) << path;
        EXPECT_EQ(read.error().systemError, EINVAL) << path;
        EXPECT_EQ(read.error().message, path.string() + " is not a regular file");
    }
}

TEST_F(WriteFileAtomicallyTest, AFileWithoutWritePermissionIsNeverReplaced) {
    const auto file = Path("frozen.ini");
    WriteBytes(file, "old");
    fs::permissions(file, static_cast<fs::perms>(0444));  // a wish that binds root too
    EXPECT_FALSE(UserMayWrite(file));
    EXPECT_EQ(WriteFileAtomically(file, "new").error().systemError, EACCES);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(fs::status(file).permissions(), static_cast<fs::perms>(0444));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(WriteFileAtomicallyTest, AWritableFileInAFolderWithoutWriteAccessIsWrittenInPlace) {
    const auto folder = Path("installed");
    fs::create_directory(folder);
    const auto file = folder / "kvr-tarvos.ini";
    WriteBytes(file, "an older and longer text");
    testing::GiveToUnprivilegedUser(dir_.path());
    if (testing::RunningAsRoot()) {
        ASSERT_EQ(::chown(file.c_str(), testing::kNobody, testing::kNobody), 0);  // folder stays root's
    } else {
        fs::permissions(folder, static_cast<fs::perms>(0555));
    }
    const int status = testing::RunUnprivileged([&] {
        if (::access(folder.c_str(), W_OK) == 0) return 2;  // the folder must refuse new files
        return WriteFileAtomically(file, "new") ? 0 : 1;
    });
    fs::permissions(folder, static_cast<fs::perms>(0755));
    if (status == testing::kCannotDropPrivileges) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(testing::TempDir::CountEntries(folder), 1u);
}

// Field 22 of /proc/PID/stat, the process's start time, as the writer records it.
std::string StartTimeOf(pid_t pid) {
    const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string field;
    for (int n = 3; n <= 22; ++n) fields >> field;
    return field;
}

TEST_F(WriteFileAtomicallyTest, LeftoversOfAKilledWriteAreRemovedByTheNextWrite) {
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string self = std::to_string(::getpid()) + "." + StartTimeOf(::getpid());
    const std::string dead = std::to_string(gone) + ".12345";
    struct Case {
        std::string name;
        bool kept;
    };
    const Case cases[] = {
        {"out.ini.~" + dead + ".a1B2c3", false},  // its writer was killed
        {"out.ini.~" + self + ".a1B2c3", true},   // another thread of a live writer
        {"out.ini.~" + dead + ".abc", true},      // not a name the writer makes
        {"other.ini.~" + dead + ".a1B2c3", true}, // another file's
        {"out.ini.backup", true},
    };
    for (const Case& c : cases) WriteBytes(Path(c.name), "partial");
    ASSERT_TRUE(WriteFileAtomically(Path("out.ini"), "complete"));
    for (const Case& c : cases) EXPECT_EQ(fs::exists(Path(c.name)), c.kept) << c.name;
    EXPECT_EQ(EntryCount(), 5u);
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
