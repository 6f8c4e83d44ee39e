// "tarvos settings": what the window program would load, and the one command that writes it.
#include "cli_fixture.h"

namespace tarvos::testing {
namespace {

using SettingsCommand = CliTest;

TEST_F(SettingsCommand, SaveWritesTheThreeSectionsAndKeepsOtherSections) {
    const std::string other = "[Diagram Elements]\r\nGrid=1\r\nLegend = left\r\n";
    WriteBytes(SettingsPath(), other);
    const RunResult r = Run({"settings", "--save"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = ReadBytes(SettingsPath());
    EXPECT_EQ(text.rfind(other, 0), 0u) << text;
    const std::size_t measurement = text.find("[Measurement]");
    const std::size_t port = text.find("[Port Settings]");
    const std::size_t receiver = text.find("[KVR Settings]");
    ASSERT_NE(receiver, std::string::npos) << text;
    EXPECT_LT(measurement, port);
    EXPECT_LT(port, receiver);
    EXPECT_NE(text.find("Treshold=2.e-004\r\n"), std::string::npos) << text;
}

TEST_F(SettingsCommand, ShowsTheFilesValuesInJsonAndText) {
    WriteBytes(SettingsPath(),
               "[Measurement]\nTreshold=1e-5\n[Port Settings]\nRemote Host=10.0.0.1\nParity=\xff\n"
               "[KVR Settings]\nSymbol Rate=5.217\n");
    const nlohmann::json j = RunJson({"settings", "--json"});
    EXPECT_EQ(j["file"], SettingsPath().string());
    EXPECT_EQ(j["options"]["threshold"], 1e-5);
    EXPECT_EQ(j["options"]["samples"], 20);
    EXPECT_EQ(j["port"]["remoteHost"], nlohmann::json::parse("[10,0,0,1]"));
    EXPECT_EQ(j["receiver"]["symbolRate"], 5.217);

    const RunResult text = RunRaw({"--settings", SettingsPath().string(), "settings"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("settings file: " + SettingsPath().string() + "\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("\nMeasurement/Treshold = 1.e-005\n"), std::string::npos);
    EXPECT_NE(text.out.find("\nPort Settings/Remote Host = 010.000.000.001\n"), std::string::npos);
}

TEST_F(SettingsCommand, OnlySaveWritesTheFile) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"settings"}, {"settings", "--json"}, {"theory"}}) {
        EXPECT_EQ(Run(args).exitCode, 0);
    }
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}

TEST_F(SettingsCommand, WithoutAFileTheWindowProgramsFileIsUsed) {
    const nlohmann::json j = nlohmann::json::parse(RunRaw({"settings", "--json"}).out, nullptr, false);
    EXPECT_EQ(j["file"], (std::filesystem::path(TARVOS_BINARY).parent_path() / "kvr-tarvos.ini").string());
}

TEST_F(SettingsCommand, AFailedSaveIsReported) {
    WriteBytes(Path("plain"), "not a folder");
    const RunResult r = RunRaw({"settings", "--save", "--settings", Path("plain/kvr-tarvos.ini").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot save"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Path("plain")), "not a folder");
}

TEST_F(SettingsCommand, AFileThatCannotBeReadIsNamedAndNotReplaced) {
    std::filesystem::create_directory(SettingsPath());
    const RunResult r = Run({"settings", "--save"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("(cannot be read: "), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(SettingsPath()));
}

// A device is refused before a byte is read: /dev/zero would otherwise be read up to the size
// limit first, as a document and as a settings file.
TEST_F(SettingsCommand, ADeviceIsRefusedAsSettingsFileAndAsDocument) {
    struct Case {
        std::vector<std::string> args;
        const std::string RunResult::*stream;
        std::string expected;
    };
    const Case cases[] = {
        {{"--settings", "/dev/zero", "settings"}, &RunResult::out,
         "settings file: /dev/zero (cannot be read: /dev/zero is not a regular file; defaults apply)\n"},
        {{"--settings", "/dev/zero", "settings", "--save"}, &RunResult::err, "/dev/zero is not a regular file"},
        {{"info", "/dev/zero"}, &RunResult::err, "An unexpected error occurred while reading /dev/zero."},
    };
    for (const Case& c : cases) {
        const RunResult r = RunRaw(c.args);
        EXPECT_NE((r.*c.stream).find(c.expected), std::string::npos) << c.args.back() << ": " << r.out << r.err;
    }
}

}  // namespace
}  // namespace tarvos::testing
