// Which device each COM number names. COM1 to COM4 are /dev/ttyS0 to /dev/ttyS3; the
// [Serial Ports] section of the settings file maps any number 1 to 99 to a device of the user's
// choice (COM5=/dev/serial/by-id/usb-FTDI_...); the USB and ACM serial devices present that no
// entry names take the free numbers from COM5 on. Nothing here opens a device.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_file.h"

namespace tarvos {

// The settings file section that holds the user's map.
inline constexpr const char* kSerialPortsSection = "Serial Ports";

// The environment variable by which a program hands its settings file to the modules it loads
// (KvrLib and the instrument drivers run in its process but cannot see its command line).
inline constexpr const char* kSettingsFileVariable = "KVR_TARVOS_SETTINGS";

// The COM numbers a port setting can hold.
inline constexpr int kFirstComPortNumber = 1;
inline constexpr int kLastComPortNumber = 99;

enum class SerialPortSource { Default, Map, Detected };

// "default", "map" or "detected".
const char* SerialPortSourceName(SerialPortSource source);

struct SerialPortEntry {
    int comPort = 0;
    std::string device;  // a path; a detected device by its /dev/serial/by-id name where it has one
    SerialPortSource source = SerialPortSource::Default;
};

class SerialPortMap {
public:
    // The map from the settings text and the devices in `deviceFolder` (/dev, or a copy of its
    // layout in tests). Detected devices are ordered by their serial/by-id names (which carry
    // the adapter's maker and serial number, so they keep their numbers whatever the plug-in
    // order), the devices without such a name after them by name with numbers in numeric order
    // (ttyACM0, ttyACM1, ttyUSB0, ttyUSB2, ttyUSB10).
    static SerialPortMap Build(const IniFile& settings, const std::filesystem::path& deviceFolder = "/dev");

    // Entries in COM number order, each number once.
    const std::vector<SerialPortEntry>& Entries() const { return entries_; }
    const SerialPortEntry* Find(int comPort) const;
    // Lines of the [Serial Ports] section that were not used, each with the reason.
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    std::vector<SerialPortEntry> entries_;
    std::vector<std::string> problems_;
};

// The map of `settingsFile` (none: defaults and detected devices only); a missing or unreadable
// file counts as one without a [Serial Ports] section.
SerialPortMap LoadSerialPortMap(const std::optional<std::filesystem::path>& settingsFile,
                                const std::filesystem::path& deviceFolder = "/dev");

// The settings file of this process as the program handed it on, from kSettingsFileVariable.
std::optional<std::filesystem::path> SharedSettingsFile();
// Called by a program once it knows its settings file, before it starts threads or loads
// modules (none: the program works without a settings file).
void ShareSettingsFile(const std::optional<std::filesystem::path>& settingsFile);

// The map in force for this process: its shared settings file and /dev, read afresh each call so
// that an adapter plugged in while the program runs is found.
SerialPortMap CurrentSerialPortMap();

}  // namespace tarvos
