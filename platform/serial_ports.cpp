#include "platform/serial_ports.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <system_error>
#include <tuple>

namespace tarvos {
namespace {

namespace fs = std::filesystem;

// A /dev with more entries than this is not one a desktop has; the walk stops there.
constexpr int kMaxFolderEntries = 65536;

// Device names the kernel gives USB serial adapters (ttyUSB) and USB modems and CDC-ACM
// instruments (ttyACM).
constexpr std::string_view kDetectedPrefixes[] = {"ttyACM", "ttyUSB"};

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDetectedName(std::string_view name) {
    return std::any_of(std::begin(kDetectedPrefixes), std::end(kDetectedPrefixes), [&](std::string_view prefix) {
        return name.substr(0, prefix.size()) == prefix && AllDigits(name.substr(prefix.size()));
    });
}

// "COM5", "com12": the number 1 to 99; none for every other key.
std::optional<int> ComNumberOfKey(std::string_view key) {
    if (key.size() < 4 || key.size() > 5) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(key[i])) != "com"[i]) return std::nullopt;
    }
    const std::string_view digits = key.substr(3);
    if (!AllDigits(digits) || digits.front() == '0') return std::nullopt;
    const int n = std::atoi(std::string(digits).c_str());
    if (n < kFirstComPortNumber || n > kLastComPortNumber) return std::nullopt;
    return n;
}

// Where a path leads once every link is followed, so that two names of one device compare
// equal; the path itself when it cannot be resolved.
fs::path Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

// Names in a folder, bounded; none when the folder is missing or unreadable.
std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (int seen = 0; !error && it != fs::directory_iterator() && seen < kMaxFolderEntries; ++seen) {
        names.push_back(it->path().filename().string());
        it.increment(error);
    }
    return names;
}

// Orders ttyUSB2 before ttyUSB10: the name's text, then its trailing number as a number.
std::tuple<std::string, unsigned long, std::string> NaturalKey(const std::string& name) {
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
    const std::string number = name.substr(digits).substr(0, 9);
    return {name.substr(0, digits), number.empty() ? 0UL : std::stoul(number), name};
}

struct DetectedDevice {
    std::string kernelName;  // ttyUSB0
    std::string byIdName;    // usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0, or empty
    fs::path path;
};

// The by-id link naming each device, by the device's kernel name; the first name in sorted
// order where several links lead to one device.
std::map<std::string, std::string> ByIdNames(const fs::path& byIdFolder) {
    std::vector<std::string> links = FolderNames(byIdFolder);
    std::sort(links.begin(), links.end());
    std::map<std::string, std::string> byDevice;
    for (const std::string& link : links) {
        std::error_code error;
        const fs::path target = fs::read_symlink(byIdFolder / link, error);
        if (error) continue;
        const std::string device = (byIdFolder / target).lexically_normal().filename().string();
        byDevice.emplace(device, link);
    }
    return byDevice;
}

std::vector<DetectedDevice> DetectDevices(const fs::path& deviceFolder) {
    const fs::path byIdFolder = deviceFolder / "serial" / "by-id";
    const std::map<std::string, std::string> byId = ByIdNames(byIdFolder);
    std::vector<DetectedDevice> devices;
    for (const std::string& name : FolderNames(deviceFolder)) {
        std::error_code error;
        if (!IsDetectedName(name) || fs::is_directory(deviceFolder / name, error)) continue;
        DetectedDevice device{name, {}, deviceFolder / name};
        if (const auto found = byId.find(name); found != byId.end()) {
            device.byIdName = found->second;
            device.path = byIdFolder / found->second;
        }
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(), [](const DetectedDevice& a, const DetectedDevice& b) {
        if (a.byIdName.empty() != b.byIdName.empty()) return !a.byIdName.empty();
        if (!a.byIdName.empty()) return a.byIdName < b.byIdName;
        return NaturalKey(a.kernelName) < NaturalKey(b.kernelName);
    });
    return devices;
}

void ReadSection(const IniFile& settings, const fs::path& deviceFolder, std::map<int, SerialPortEntry>& entries,
                 std::vector<std::string>& problems) {
    for (const std::string& key : settings.Keys(kSerialPortsSection)) {
        const std::optional<int> n = ComNumberOfKey(key);
        if (!n) {
            problems.push_back(key + ": not a port name from COM1 to COM99; the line is ignored");
            continue;
        }
        const std::string value = settings.Get(kSerialPortsSection, key).value_or("");
        if (value.empty()) {
            problems.push_back(key + ": no device named; the line is ignored");
            continue;
        }
        // A bare name ("ttyUSB0", "serial/by-id/...") lies in the device folder.
        const fs::path device = value.front() == '/' ? fs::path(value) : deviceFolder / value;
        entries[*n] = SerialPortEntry{*n, device.lexically_normal().string(), SerialPortSource::Map};
    }
}

}  // namespace

const char* SerialPortSourceName(SerialPortSource source) {
    switch (source) {
        case SerialPortSource::Map: return "map";
        case SerialPortSource::Detected: return "detected";
        case SerialPortSource::Default: break;
    }
    return "default";
}

SerialPortMap SerialPortMap::Build(const IniFile& settings, const fs::path& deviceFolder) {
    std::map<int, SerialPortEntry> entries;
    for (int n = 1; n <= 4; ++n)
        entries[n] = {n, (deviceFolder / ("ttyS" + std::to_string(n - 1))).string(), SerialPortSource::Default};
    SerialPortMap map;
    ReadSection(settings, deviceFolder, entries, map.problems_);

    // A device the user mapped keeps only the number the user gave it.
    std::vector<fs::path> mapped;
    for (const auto& [n, entry] : entries) {
        if (entry.source == SerialPortSource::Map) mapped.push_back(Resolved(entry.device));
    }
    int next = 5;
    for (const DetectedDevice& device : DetectDevices(deviceFolder)) {
        if (std::find(mapped.begin(), mapped.end(), Resolved(device.path)) != mapped.end()) continue;
        while (next <= kLastComPortNumber && entries.count(next) != 0) ++next;
        if (next > kLastComPortNumber) {
            map.problems_.push_back(device.path.string() + ": no COM number left for it");
            continue;
        }
        entries[next] = {next, device.path.string(), SerialPortSource::Detected};
    }
    for (auto& [n, entry] : entries) map.entries_.push_back(std::move(entry));
    return map;
}

const SerialPortEntry* SerialPortMap::Find(int comPort) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const SerialPortEntry& e) { return e.comPort == comPort; });
    return found != entries_.end() ? &*found : nullptr;
}

SerialPortMap LoadSerialPortMap(const std::optional<fs::path>& settingsFile, const fs::path& deviceFolder) {
    return SerialPortMap::Build(settingsFile ? IniFile::Load(*settingsFile) : IniFile{}, deviceFolder);
}

std::optional<fs::path> SharedSettingsFile() {
    const char* value = std::getenv(kSettingsFileVariable);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return fs::path(value);
}

void ShareSettingsFile(const std::optional<fs::path>& settingsFile) {
    if (!settingsFile) {
        ::unsetenv(kSettingsFileVariable);
        return;
    }
    // Absolute, so that a module that changes the working folder still finds it.
    std::error_code error;
    const fs::path absolute = fs::absolute(*settingsFile, error);
    ::setenv(kSettingsFileVariable, (error ? *settingsFile : absolute).c_str(), 1);
}

SerialPortMap CurrentSerialPortMap() { return LoadSerialPortMap(SharedSettingsFile()); }

}  // namespace tarvos
