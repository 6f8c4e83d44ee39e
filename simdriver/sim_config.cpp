#include "simdriver/sim_config.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

#include "platform/ini_file.h"

namespace tarvos::sim {
namespace {

constexpr std::string_view kSimulator = "Simulator";
constexpr std::string_view kInterface = "Interface";
constexpr std::string_view kFaults = "Faults";

// Mode numbers searched for "Implementation Loss Mode <n>"; the receiver modes lie far below.
constexpr int kMaxOverrideMode = 99;
// A fault list is a handful of entries; a runaway line must not become a huge vector.
constexpr std::size_t kMaxListEntries = 1000;
// A latency beyond a minute per call only makes every test hang; it is no useful fault.
constexpr double kMaxCallLatencyMs = 60000.0;

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    return text.substr(first, last - first + 1);
}

// The whole text as a finite number; none for anything else, so that a misspelt value keeps
// the default instead of silently becoming 0.
std::optional<double> ParseDouble(std::string_view text) {
    text = Trim(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// Integers saturate rather than fail, so "Failing Sync Reads = 99999999999" means "always".
std::optional<long long> ParseInteger(std::string_view text) {
    text = Trim(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        return text.front() == '-' ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    }
    if (ec != std::errc()) return std::nullopt;
    return value;
}

std::optional<bool> ParseBool(std::string_view text) {
    std::string lower(Trim(text));
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "1" || lower == "true" || lower == "yes" || lower == "on") return true;
    if (lower == "0" || lower == "false" || lower == "no" || lower == "off") return false;
    return std::nullopt;
}

std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> items;
    while (items.size() < kMaxListEntries) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        if (!item.empty()) items.push_back(item);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return items;
}

class Reader {
public:
    explicit Reader(const IniFile& ini) : ini_(ini) {}

    void Double(std::string_view section, std::string_view key, double& out, double low, double high) const {
        if (const auto text = ini_.Get(section, key)) {
            if (const auto value = ParseDouble(*text)) out = std::clamp(*value, low, high);
        }
    }
    template <class Int>
    void Integer(std::string_view section, std::string_view key, Int& out, long long low, long long high) const {
        if (const auto text = ini_.Get(section, key)) {
            if (const auto value = ParseInteger(*text)) out = static_cast<Int>(std::clamp(*value, low, high));
        }
    }
    void Text(std::string_view section, std::string_view key, std::string& out) const {
        if (const auto text = ini_.Get(section, key)) out = *text;
    }
    void Bool(std::string_view section, std::string_view key, bool& out) const {
        if (const auto text = ini_.Get(section, key)) {
            if (const auto value = ParseBool(*text)) out = *value;
        }
    }

private:
    const IniFile& ini_;
};

constexpr long long kIntMin = std::numeric_limits<int>::min();
constexpr long long kIntMax = std::numeric_limits<int>::max();
constexpr double kHuge = std::numeric_limits<double>::max();

// A seed of 0 asks for a different run each time; the drawn seed is never 0 itself so that
// the configuration read once always names the seed actually used.
std::uint64_t DrawSeed() {
    std::random_device device;
    const std::uint64_t seed = (std::uint64_t{device()} << 32) ^ std::uint64_t{device()};
    return seed != 0 ? seed : 1;
}

std::filesystem::path HomeFolder() {
    const char* home = ::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    // A service started without HOME still has a home in the password database.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

void ReadSimulator(const Reader& r, const IniFile& ini, const std::filesystem::path& file, SimConfig& c) {
    r.Double(kSimulator, "Implementation Loss", c.implementationLoss, -kHuge, kHuge);
    for (int mode = 0; mode <= kMaxOverrideMode; ++mode) {
        const auto text = ini.Get(kSimulator, "Implementation Loss Mode " + std::to_string(mode));
        if (!text) continue;
        if (const auto value = ParseDouble(*text)) c.lossPerMode[mode] = *value;
    }
    if (const auto text = ini.Get(kSimulator, "Seed")) {
        const std::string_view digits = Trim(*text);
        std::uint64_t seed = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), seed);
        if (ec == std::errc() && end == digits.data() + digits.size()) c.seed = seed;
    }
    r.Double(kSimulator, "Signal SNR", c.signalSnr, -kHuge, kHuge);
    std::string stateFile;
    r.Text(kSimulator, "State File", stateFile);
    const std::filesystem::path folder = file.parent_path();
    const std::filesystem::path state = stateFile.empty() ? "simulator-state.ini" : stateFile;
    c.stateFile = state.is_absolute() ? state : folder / state;
    r.Text(kSimulator, "Installed Hardware", c.installedHardware);
    r.Integer(kSimulator, "BER Intervals", c.counterMax, 1, 1000);
    r.Double(kSimulator, "Acquisition Time", c.acquisitionSeconds, 0.1, 600.0);
}

void ReadInterface(const Reader& r, InterfaceConfig& i) {
    r.Integer(kInterface, "COM Port", i.comPort, kIntMin, kIntMax);
    r.Integer(kInterface, "Baudrate", i.baudRate, kIntMin, kIntMax);
    r.Integer(kInterface, "Databits", i.dataBits, kIntMin, kIntMax);
    r.Text(kInterface, "Parity", i.parity);
    r.Integer(kInterface, "Stopbits", i.stopBits, kIntMin, kIntMax);
    r.Text(kInterface, "Handshake", i.handshake);
    r.Integer(kInterface, "Board", i.board, kIntMin, kIntMax);
    r.Integer(kInterface, "Primary Address", i.primaryAddress, kIntMin, kIntMax);
    r.Text(kInterface, "Remote Host", i.remoteHost);
    r.Integer(kInterface, "Remote Port", i.remotePort, kIntMin, kIntMax);
}

void ReadFaults(const Reader& r, const IniFile& ini, FaultConfig& f) {
    r.Bool(kFaults, "Refuse Connection", f.refuseConnection);
    if (const auto text = ini.Get(kFaults, "Sync Lost At")) {
        for (const std::string_view item : SplitList(*text)) {
            if (const auto value = ParseDouble(item)) f.syncLostAtCnr.push_back(*value);
        }
    }
    r.Double(kFaults, "Sync Loss Rate", f.syncLossRate, 0.0, 1.0);
    r.Integer(kFaults, "Failing Sync Reads", f.failingSyncReads, 0, kIntMax);
    r.Integer(kFaults, "Negative BER Reads", f.negativeBerReads, 0, kIntMax);
    if (const auto text = ini.Get(kFaults, "Failing Members")) {
        for (const std::string_view item : SplitList(*text)) f.failingMembers.emplace_back(item);
    }
    r.Bool(kFaults, "Stall Acquisitions", f.stallAcquisitions);
    r.Double(kFaults, "Call Latency", f.callLatencyMs, 0.0, kMaxCallLatencyMs);
    r.Integer(kFaults, "Disconnect After Calls", f.disconnectAfterCalls, 0, std::numeric_limits<long>::max());
}

}  // namespace

double SimConfig::LossFor(int mode) const {
    const auto found = lossPerMode.find(mode);
    return found != lossPerMode.end() ? found->second : implementationLoss;
}

std::filesystem::path ConfigFilePath() {
    const char* explicitFile = ::getenv("KVR_SIM_CONFIG");
    if (explicitFile != nullptr && *explicitFile != '\0') return explicitFile;
    std::filesystem::path base;
    const char* xdg = ::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid by the base directory rules and is ignored.
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        base = HomeFolder() / ".config";
    }
    return base / "kvr-tarvos" / "simulator.ini";
}

SimConfig LoadSimConfig(const std::filesystem::path& file) {
    const IniFile ini = IniFile::Load(file);
    const Reader reader(ini);
    SimConfig config;
    ReadSimulator(reader, ini, file, config);
    ReadInterface(reader, config.iface);
    ReadFaults(reader, ini, config.faults);
    if (config.seed == 0) config.seed = DrawSeed();
    return config;
}

SimConfig LoadSimConfig() { return LoadSimConfig(ConfigFilePath()); }

}  // namespace tarvos::sim
