#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

constexpr std::string_view kSample =
    "; settings\n"
    "orphan=before any section\n"
    "\n"
    "[Port]\n"
    "  Name = COM1  \n"
    "Baud=9600\n"
    "quoted=\"  spaced  \"\n"
    "single='x'\n"
    "mixed=\"x'\n"
    "empty=\n"
    "text=abc\n"
    ";skipped=1\n"
    "[unclosed\n"
    "\n"
    "[port]\n"
    "Late=only here\n"
    "[Receiver]\n"
    "Name=first\n"
    "name=second\n";

TEST(IniFileRead, FindsTheFirstMatchCaseInsensitively) {
    const IniFile ini = IniFile::Parse(kSample);
    EXPECT_EQ(ini.Get("  PORT ", " name  "), "COM1");
    EXPECT_EQ(ini.Get("receiver", "NAME"), "first");
    EXPECT_EQ(ini.Get("port", "late"), std::nullopt);  // only the first [port] is searched
    EXPECT_EQ(ini.Get("", "orphan"), std::nullopt);
    EXPECT_EQ(ini.Get("port", ";skipped"), std::nullopt);
    EXPECT_EQ(ini.Get("unclosed", "Late"), std::nullopt);
}

TEST(IniFileRead, TrimsValuesAndRemovesOnePairOfQuotes) {
    const IniFile ini = IniFile::Parse(kSample);
    EXPECT_EQ(ini.Get("port", "quoted"), "  spaced  ");
    EXPECT_EQ(ini.Get("port", "single"), "x");
    EXPECT_EQ(ini.Get("port", "mixed"), "\"x'");
    EXPECT_EQ(IniFile::Parse("[a]\nq=\"\"\"\"\r\n").Get("a", "q"), "\"\"");
}

TEST(IniFileRead, ProfileReadersCutStringsAndFallBackOnlyWhenAbsent) {
    const IniFile ini = IniFile::Parse("[a]\nk=" + std::string(300, 'v') + "\n" + std::string(kSample));
    EXPECT_EQ(ini.GetString("a", "k", "").size(), 259u);
    EXPECT_EQ(ini.GetString("a", "k", "", 5), "vvvv");
    EXPECT_EQ(ini.GetString("a", "k", "", 0), "");
    EXPECT_EQ(ini.GetString("a", "missing", "fallback", 4), "fal");
    EXPECT_EQ(ini.GetInt("port", "baud", 1), 9600);
    EXPECT_EQ(ini.GetInt("port", "text", 1), 0);
    EXPECT_EQ(ini.GetInt("port", "empty", 1), 0);
    EXPECT_EQ(ini.GetInt("port", "absent", 77), 77);
}

TEST(IniFileText, RoundTripsAnyText) {
    for (const std::string& text : {std::string(kSample), std::string(), std::string("\n\n"),
                                   std::string("no final break"), std::string("[a]\r\nk=v\r\n\r\n; c\r\n"),
                                   std::string("[a]\r\nk=v"), std::string("[a]\nk=v\r\nlone cr\n"),
                                   std::string("[a]\r\nk=v\nmixed\r\n"), std::string("stray\rcr\r"),
                                   std::string("  [ odd ]  tail\n=novalue\n\t\n")}) {
        EXPECT_EQ(IniFile::Parse(text).Text(), text);
    }
}

TEST(IniFileSet, ReplacesOnlyTheValueOfTheFirstMatch) {
    IniFile ini = IniFile::Parse(kSample);
    ini.Set("PORT", "NAME", "COM2");
    std::string expected(kSample);
    expected.replace(expected.find("  Name = COM1  "), 15, "Name=COM2");
    EXPECT_EQ(ini.Text(), expected);
}

TEST(IniFileSet, NewKeyGoesAfterTheSectionsLastEntry) {
    IniFile ini = IniFile::Parse("[a]\nx=1\n; about b\n\n[b]\ny=2\n[c]\n\n");
    ini.Set("A", "z", "3");
    ini.Set("b", "w", "4");
    ini.Set("c", "k", "v");
    EXPECT_EQ(ini.Text(), "[a]\nx=1\nz=3\n; about b\n\n[b]\ny=2\nw=4\n[c]\nk=v\n\n");
}

TEST(IniFileSet, NewSectionIsAppendedAfterABlankLine) {
    IniFile ini = IniFile::Parse("[a]\nx=1\n");
    ini.Set("b", "k", "v");
    EXPECT_EQ(ini.Text(), "[a]\nx=1\n\n[b]\nk=v\n");
    IniFile blankEnd = IniFile::Parse("[a]\n\n");
    blankEnd.Set("b", "k", "v");
    EXPECT_EQ(blankEnd.Text(), "[a]\n\n[b]\nk=v\n");
    IniFile empty;
    empty.Set(" b ", " k ", "v");
    EXPECT_EQ(empty.Text(), "[b]\nk=v\n");
}

TEST(IniFileSet, KeepsLineEndStyleAndAMissingFinalBreak) {
    IniFile crlf = IniFile::Parse("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    crlf.Set("a", "x", "10");
    crlf.Set("a", "z", "3");
    crlf.Set("c", "k", "v");
    EXPECT_EQ(crlf.Text(), "[a]\r\nx=10\r\nz=3\r\n\r\n[b]\r\ny=2\r\n\r\n[c]\r\nk=v\r\n");
    IniFile unterminated = IniFile::Parse("[a]\r\nx=1");
    unterminated.Set("a", "y", "2");
    unterminated.Set("b", "k", "v");
    EXPECT_EQ(unterminated.Text(), "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nk=v");
}

TEST(IniFileSet, RefusesLineInjectionAndUnreadableNames) {
    const std::string text = "[a]\nx=1\n";
    IniFile ini = IniFile::Parse(text);
    for (const auto& [section, key] : {std::pair{"a]b", "k"}, {"a\nb", "k"}, {"a", "k=x"}, {"a", "k\rx"},
                                       {"a", ";k"}, {"a", "[k"}, {"", "k"}, {"a", "  "}}) {
        ini.Set(section, key, "v]");
    }
    EXPECT_EQ(ini.Text(), text);
    ini.Set("a", "x", "2\n[evil]\r\nk=v");
    EXPECT_EQ(ini.Text(), "[a]\nx=2[evil]k=v\n");
}

class ProfileFileTest : public testing::TempDirectoryTest {};

TEST_F(ProfileFileTest, ReadsAfreshAndTakesAMissingFileForAnEmptyOne) {
    const auto file = Path("p.ini");
    EXPECT_EQ(ReadProfileString(file, "a", "k", "dflt"), "dflt");
    EXPECT_EQ(ReadProfileInt(file, "a", "k", 5), 5);
    EXPECT_EQ(IniFile::Load(dir_.path()).Text(), "");
    WriteBytes(file, "[a]\nk=1\n");
    EXPECT_EQ(ReadProfileInt(file, "a", "k", 0), 1);
    WriteBytes(file, "[a]\nk=' 2 '\n");
    EXPECT_EQ(ReadProfileString(file, "A", "K", ""), " 2 ");
}

TEST_F(ProfileFileTest, WriteCreatesWhatIsMissingAndLeavesOtherLinesAlone) {
    const auto fresh = Path("new.ini");
    ASSERT_TRUE(WriteProfileString(fresh, "Port", "Name", "COM3"));
    ASSERT_TRUE(WriteProfileString(fresh, "port", "Baud", "19200"));
    EXPECT_EQ(ReadBytes(fresh), "[Port]\nName=COM3\nBaud=19200\n");
    const auto old = Path("old.ini");
    WriteBytes(old, "; top\r\n[a]\r\n k = 1 \r\nother=x\r\n\r\n[b]\r\nk=2\r\n");
    ASSERT_TRUE(WriteProfileString(old, "A", "K", "9"));
    EXPECT_EQ(ReadBytes(old), "; top\r\n[a]\r\nk=9\r\nother=x\r\n\r\n[b]\r\nk=2\r\n");
}

TEST_F(ProfileFileTest, FailedWritesAreReportedAndChangeNothing) {
    const auto blocker = Path("plain-file");
    WriteBytes(blocker, "not a directory");
    EXPECT_EQ(WriteProfileString(blocker / "x.ini", "a", "k", "v").error().systemError, ENOTDIR);
    EXPECT_EQ(WriteProfileString(Path("missing-dir/x.ini"), "a", "k", "v").error().systemError, ENOENT);
    EXPECT_EQ(WriteProfileString(blocker, "a", "k=", "v").error().systemError, EINVAL);
    EXPECT_EQ(ReadBytes(blocker), "not a directory");
    EXPECT_EQ(EntryCount(), 1u);
}

// Taking an unreadable file for an empty one would save a single value over all the others.
TEST_F(ProfileFileTest, WriteRefusesAFileItCannotRead) {
    const auto huge = Path("huge.ini");
    WriteBytes(huge, "[a]\nk=1\n");
    std::filesystem::resize_file(huge, std::uintmax_t{17} << 20);
    EXPECT_EQ(WriteProfileString(huge, "a", "k", "v").error().systemError, EFBIG);
    EXPECT_EQ(std::filesystem::file_size(huge), std::uintmax_t{17} << 20);
    EXPECT_EQ(WriteProfileString(dir_.path(), "a", "k", "v").error().systemError, EISDIR);
}

}  // namespace
}  // namespace tarvos
