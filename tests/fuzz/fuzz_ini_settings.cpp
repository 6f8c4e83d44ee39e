// The INI reader and writer on arbitrary texts and edits, and the settings store and the
// diagram's settings on an arbitrary settings file: an untouched text prints back unchanged, a
// written value reads back, and loading then saving the settings reaches a fixed point after
// one round.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "app/settings_store.h"
#include "diagram/diagram_persistence.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/serial_ports.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarvos;

namespace {

bool IsSpaceOrQuote(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '"' || c == '\'';
}

// A value that the reader must give back exactly as written: one line, no white space or
// quote at either end (those are trimmed or unquoted by design).
bool PlainValue(std::string_view v) {
    if (v.find_first_of("\r\n") != std::string_view::npos) return false;
    return v.empty() || (!IsSpaceOrQuote(v.front()) && !IsSpaceOrQuote(v.back()));
}

// Names the writer accepts: the rest are refused so that they cannot be read back as
// something else.
bool PlainName(std::string_view n, std::string_view forbidden) {
    if (n.empty() || n.find_first_of(forbidden) != std::string_view::npos) return false;
    return !IsSpaceOrQuote(n.front()) && !IsSpaceOrQuote(n.back()) && n.front() != ';' && n.front() != '[';
}

// One folder for the whole fuzzing process, removed at its end. In memory where the system has
// such a folder: every save is flushed to disk, and a disk would slow the fuzzer a hundredfold.
class Scratch {
public:
    Scratch() {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tarvos-fuzz-").string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::filesystem::path File() const { return folder_ / "settings.ini"; }

private:
    std::filesystem::path folder_;
};

void CheckEdits(fuzz::FuzzInput& in, std::string_view text) {
    IniFile ini = IniFile::Parse(text);
    FUZZ_CHECK(ini.Text() == text);
    const int edits = in.Byte() % 4;
    for (int i = 0; i < edits; ++i) {
        const std::string section = in.ShortText(), key = in.ShortText(), value = in.ShortText();
        ini.Set(section, key, value);
        if (PlainName(section, "]\r\n") && PlainName(key, "=\r\n") && PlainValue(value)) {
            FUZZ_CHECK(ini.Get(section, key) == value);
            FUZZ_CHECK(IniFile::Parse(ini.Text()).Get(section, key) == value);
        }
    }
    const std::string edited = ini.Text();
    FUZZ_CHECK(IniFile::Parse(edited).Text() == edited);
}

void CheckSettingsRoundTrip(std::string_view text) {
    static const Scratch scratch;
    const std::filesystem::path file = scratch.File();
    if (!WriteFileAtomically(file, text).ok()) std::abort();
    const StoredSettings first = LoadSettings(file);
    FUZZ_CHECK(SaveSettings(file, first).ok());
    const StoredSettings second = LoadSettings(file);
    FUZZ_CHECK(SaveSettings(file, second).ok());
    FUZZ_CHECK(SaveDiagramSettings(file, LoadDiagramSettings(file)).ok());
    const IniFile saved = IniFile::Load(file);
    FUZZ_CHECK(SaveSettings(file, LoadSettings(file)).ok());
    FUZZ_CHECK(SaveDiagramSettings(file, LoadDiagramSettings(file)).ok());
    FUZZ_CHECK(IniFile::Load(file).Text() == saved.Text());
}

// The serial port map of any text: every key listed can be read, and the map holds each number
// from 1 to 99 at most once, in order, always with COM1 to COM4 and a device for each.
void CheckSerialPortMap(std::string_view text) {
    const IniFile ini = IniFile::Parse(text);
    for (const std::string& key : ini.Keys(kSerialPortsSection)) FUZZ_CHECK(ini.Get(kSerialPortsSection, key));
    const SerialPortMap map = SerialPortMap::Build(ini, "/nonexistent-device-folder");
    int previous = 0;
    for (const SerialPortEntry& entry : map.Entries()) {
        FUZZ_CHECK(entry.comPort > previous && entry.comPort <= kLastComPortNumber && !entry.device.empty());
        previous = entry.comPort;
    }
    FUZZ_CHECK(map.Entries().size() >= 4 && map.Entries()[3].comPort == 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::size_t textLength = in.Raw<std::uint16_t>();
    const std::string text = in.Text(textLength);
    CheckEdits(in, text);
    CheckSettingsRoundTrip(text);
    CheckSerialPortMap(text);
    return 0;
}
