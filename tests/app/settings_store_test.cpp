// The settings file: where it lies, what a fresh file looks like, how values read back, and
// that writing leaves everything else in the file alone.
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <fstream>

#include "document/dia_doc.h"
#include "platform/atomic_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace tarvos {
namespace {

using testing::TempDir;

void Write(const std::filesystem::path& p, const std::string& text) { testing::WriteBytes(p, text); }
std::string Read(const std::filesystem::path& p) { return ReadWholeFile(p).value(); }

constexpr const char* kFreshFile =
    "[Measurement]\n"
    "Samples=20\n"
    "Resolution=10\n"
    "Zero Exit=1\n"
    "Find BER=1\n"
    "Treshold=2.e-004\n"
    "Manual Mode=1\n"
    "\n"
    "[Port Settings]\n"
    "RC Method=0\n"
    "COM Port=1\n"
    "Baudrate=19200\n"
    "Databits=8\n"
    "Parity=N\n"
    "Stopbits=1\n"
    "Handshake=2\n"
    "Board=0\n"
    "Primary Address=0\n"
    "Remote Host=000.000.000.000\n"
    "Remote Port=1000\n"
    "\n"
    "[KVR Settings]\n"
    "Band Width=8\n"
    "Channel Band Width=8\n"
    "Frequency=100.\n"
    "Input=128\n"
    "Measure BER=1\n"
    "Mode=4\n"
    "QAM Order=64\n"
    "Roll-Off Factor=15\n"
    "Symbol Rate=6.9\n"
    "SNR Begin=20.\n"
    "SNR End=35.\n"
    "\n"
    "[Unattended Runs]\n"
    "On Instrument Error=ask\n";

TEST(SettingsStore, MissingFileGivesDefaultsAndProgramEndWritesAllThreeSections) {
    TempDir dir;
    const auto file = dir / "kvr-tarvos.ini";
    auto store = std::make_shared<IniSettingsStore>(SettingsLocation{std::nullopt, file});
    C_KVR_DiaDoc doc(store);
    EXPECT_EQ(doc.CurrentSettings(), StoredSettings{});
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(doc.Close().ok());
    EXPECT_EQ(Read(file), kFreshFile);
}

TEST(SettingsStore, NoSettingsFileMeansDefaultsAndNothingWritten) {
    IniSettingsStore store(SettingsLocation{});
    EXPECT_EQ(store.Load(), StoredSettings{});
    EXPECT_TRUE(store.Save(StoredSettings{}).ok());
}

TEST(SettingsStore, ValuesReadBackWithTheFileEncodings) {
    TempDir dir;
    const auto file = dir / "s.ini";
    Write(file,
          "[measurement]\nsamples=abc\nTreshold=1e-5\nresolution= 12 \n"
          "[PORT SETTINGS]\nRemote Host=10.0.0.1\nParity=E\nBaudrate=-9600\n"
          "[KVR Settings]\nFrequency=474 MHz\nSymbol Rate=x\nMode=13\n");
    const StoredSettings s = LoadSettings(file);
    EXPECT_EQ(s.options.samples, 0);
    EXPECT_EQ(s.options.threshold, 0.00001);
    EXPECT_EQ(s.options.resolution, 12);
    EXPECT_EQ(s.options.zeroExit, 1);  // missing key: default
    EXPECT_EQ(s.port.remoteHost, (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
    EXPECT_EQ(s.port.parity, "E");
    EXPECT_EQ(s.port.baudRate, -9600);
    EXPECT_EQ(s.receiver.frequency, 474.0);
    EXPECT_EQ(s.receiver.symbolRate, 0.0);
    EXPECT_EQ(s.receiver.mode, 13);
    EXPECT_EQ(s.receiver.snrEnd, 35.0);

    ASSERT_TRUE(SaveSettings(file, s).ok());
    const std::string text = Read(file);
    EXPECT_NE(text.find("Treshold=1.e-005\n"), std::string::npos);
    EXPECT_NE(text.find("Remote Host=010.000.000.001\n"), std::string::npos);
    EXPECT_NE(text.find("Baudrate=-9600\n"), std::string::npos);
    EXPECT_NE(text.find("samples=0\n"), std::string::npos);  // the file's own key spelling stays
    EXPECT_EQ(LoadSettings(file), s);
}

TEST(SettingsStore, TheInstrumentErrorPolicyRoundTripsAndIsAskWhereUnknown) {
    using P = InstrumentErrorPolicy;
    const struct {
        const char* file;  // the settings file's text
        P read;
        const char* written;  // the key's line after a save
    } cases[] = {
        {"[Unattended Runs]\nOn Instrument Error=retry\n", P::Retry, "On Instrument Error=retry\n"},
        {"[unattended runs]\non instrument error= Cancel \n", P::Cancel, "on instrument error=cancel\n"},
        {"[Unattended Runs]\nOn Instrument Error=ask\n", P::Ask, "On Instrument Error=ask\n"},
        {"[Unattended Runs]\nOn Instrument Error=2\n", P::Ask, "On Instrument Error=ask\n"},
        // A file written before the policy existed.
        {"[Measurement]\nSamples=12\n", P::Ask, "On Instrument Error=ask\n"},
    };
    TempDir dir;
    const auto file = dir / "s.ini";
    for (const auto& c : cases) {
        Write(file, c.file);
        StoredSettings s = LoadSettings(file);
        EXPECT_EQ(s.options.onInstrumentError, c.read) << c.file;
        ASSERT_TRUE(SaveSettings(file, s).ok());
        EXPECT_NE(Read(file).find(c.written), std::string::npos) << Read(file);
        EXPECT_EQ(LoadSettings(file), s) << c.file;
    }
}

TEST(SettingsStore, RemoteHostParsing) {
    using Host = std::array<std::uint8_t, 4>;
    EXPECT_EQ(ParseRemoteHost("10.0.0.1"), (Host{10, 0, 0, 1}));
    EXPECT_EQ(ParseRemoteHost("010.000.000.001"), (Host{10, 0, 0, 1}));
    EXPECT_EQ(ParseRemoteHost("10.0"), (Host{0, 0, 0, 0}));
    EXPECT_EQ(ParseRemoteHost("192.168.1"), (Host{0, 0, 0, 0}));
    EXPECT_EQ(ParseRemoteHost("300.1.2.3"), (Host{44, 1, 2, 3}));
    EXPECT_EQ(ParseRemoteHost("a.b.c.d"), (Host{0, 0, 0, 0}));
    EXPECT_EQ(ParseRemoteHost("1..3.4"), (Host{1, 0, 3, 4}));
    EXPECT_EQ(FormatRemoteHost(Host{192, 168, 1, 20}), "192.168.001.020");
}

TEST(SettingsStore, OtherKeysAndTheViewSectionsSurviveASave) {
    TempDir dir;
    const auto file = dir / "s.ini";
    const std::string view =
        "[Diagram Elements]\r\nLegend=1\r\nC/N Axis=0\r\n\r\n"
        "[Diagram Settings]\r\nMax Grid Spacing=60\r\n";
    Write(file, view + "[KVR Settings]\r\nMode=6\r\nUser Note=keep me\r\n; a comment\r\n");
    StoredSettings s = LoadSettings(file);
    EXPECT_EQ(s.receiver.mode, 6);
    s.receiver.mode = 8;
    ASSERT_TRUE(SaveSettings(file, s).ok());
    const std::string text = Read(file);
    EXPECT_EQ(text.rfind(view, 0), 0u) << text;  // untouched, byte for byte, CR LF kept
    EXPECT_NE(text.find("Mode=8\r\nUser Note=keep me\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("; a comment\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Measurement]\r\n"), std::string::npos);
    EXPECT_EQ(LoadSettings(file), s);
}

TEST(SettingsStore, AnUnwritableFileKeepsItsOldContents) {
    TempDir dir;
    Write(dir / "plain", "x");
    const Status st = SaveSettings(dir / "plain" / "s.ini", StoredSettings{});
    EXPECT_FALSE(st.ok());
    EXPECT_EQ(Read(dir / "plain"), "x");
}

TEST(SettingsStore, LocationFollowsTheProgramOrTheExplicitFile) {
    const SettingsLocation explicitFile = LocateSettingsFile(std::filesystem::path("/tmp/other.ini"));
    EXPECT_EQ(explicitFile.settingsFile, std::filesystem::path("/tmp/other.ini"));
    const SettingsLocation own = LocateSettingsFile(std::nullopt);
    ASSERT_TRUE(own.programPath.has_value());
    ASSERT_TRUE(own.settingsFile.has_value());
    EXPECT_EQ(own.settingsFile->filename(), own.programPath->filename().string() + ".ini");
    const SettingsLocation shared = LocateSettingsFile(std::nullopt, kWindowProgramName);
    ASSERT_TRUE(shared.settingsFile.has_value());
    EXPECT_EQ(*shared.settingsFile, own.programPath->parent_path() / "kvr-tarvos.ini");
}

// An installed program's folder takes no files from its users: each of them gets a file of their
// own, starting from the one beside the program.
TEST(SettingsStore, AFileBesideTheProgramThatCannotBeWrittenGivesWayToTheUsersOwn) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        fs::perms beside;       // none: no file beside the program
        const char* userFile;   // the user's file before, nullptr when absent
        bool userFolderKnown;
        bool besideChosen;
        const char* userAfter;  // the user's file afterwards when it is chosen
    };
    const Case cases[] = {
        {"writable", fs::perms(0644), nullptr, true, true, nullptr},
        {"read-only", fs::perms(0444), nullptr, true, false, "[Measurement]\nSamples=7\n"},
        {"read-only, user file present", fs::perms(0444), "[Measurement]\nSamples=9\n", true, false,
         "[Measurement]\nSamples=9\n"},
        {"read-only, no home", fs::perms(0444), nullptr, false, true, nullptr},
        {"missing in a writable folder", fs::perms::none, nullptr, true, true, nullptr},
    };
    for (const Case& c : cases) {
        const TempDir dir;
        const fs::path beside = dir / "kvr-tarvos.ini";
        const fs::path user = dir / "config" / "kvr-tarvos" / "kvr-tarvos.ini";
        if (c.beside != fs::perms::none) {
            Write(beside, "[Measurement]\nSamples=7\n");
            fs::permissions(beside, c.beside);
        }
        if (c.userFile) {
            fs::create_directories(user.parent_path());
            Write(user, c.userFile);
        }
        const auto folder = c.userFolderKnown ? std::optional<fs::path>(dir / "config") : std::nullopt;
        const fs::path chosen = SettingsFileOrFallback(beside, folder);
        EXPECT_EQ(chosen, c.besideChosen ? beside : user) << c.name;
        if (c.userAfter) {
            EXPECT_EQ(Read(user), c.userAfter) << c.name;
        }
        if (c.besideChosen) {
            EXPECT_FALSE(fs::exists(user)) << c.name;
        }
    }
}

TEST(SettingsStore, AFolderThatTakesNoNewFileGivesWayToTheUsersOwn) {
    namespace fs = std::filesystem;
    const TempDir dir;
    const fs::path installed = dir / "installed";
    fs::create_directory(installed);
    testing::GiveToUnprivilegedUser(dir.path());
    if (!testing::RunningAsRoot()) fs::permissions(installed, fs::perms(0555));
    const fs::path user = dir / "config" / "kvr-tarvos" / "kvr-tarvos.ini";
    const int status = testing::RunUnprivileged([&] {
        if (SettingsFileOrFallback(installed / "kvr-tarvos.ini", dir / "config") != user) return 1;
        return SaveSettings(user, StoredSettings{}) ? 0 : 2;
    });
    fs::permissions(installed, fs::perms(0755));
    if (status == testing::kCannotDropPrivileges) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Read(user), kFreshFile);
}

}  // namespace
}  // namespace tarvos
