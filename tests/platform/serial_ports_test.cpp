// The COM number map from a device folder laid out like /dev and the settings file's
// [Serial Ports] section, and its hand-over from a program to the modules it loads.
#include "platform/serial_ports.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/serial_probe.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

namespace fs = std::filesystem;

struct MapCase {
    const char* name;
    std::vector<std::string> files;  // "name" makes a file, "name/" a folder, "link->target" a link
    std::string settings;
    std::vector<std::string> expected;  // "COMn path source" beyond COM1..COM4, $ = the device folder
    std::vector<std::string> defaultsReplaced = {};
    std::size_t problems = 0;
};

std::string Expand(std::string text, const fs::path& folder) {
    for (std::size_t at = text.find('$'); at != std::string::npos; at = text.find('$'))
        text.replace(at, 1, folder.string());
    return text;
}

void MakeTree(const fs::path& root, const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const std::size_t arrow = file.find("->");
        const fs::path path = root / (arrow == std::string::npos ? file : file.substr(0, arrow));
        fs::create_directories(path.parent_path());
        if (arrow != std::string::npos) {
            fs::create_symlink(file.substr(arrow + 2), path);
        } else if (file.back() == '/') {
            fs::create_directories(path);
        } else {
            testing::WriteBytes(path, "");
        }
    }
}

std::vector<std::string> Lines(const SerialPortMap& map) {
    std::vector<std::string> lines;
    for (const SerialPortEntry& e : map.Entries())
        lines.push_back("COM" + std::to_string(e.comPort) + " " + e.device + " " + SerialPortSourceName(e.source));
    return lines;
}

class SerialPortMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(SerialPortMapTest, NumbersDevicesStably) {
    const MapCase& c = GetParam();
    testing::TempDir dir;
    const fs::path dev = dir / "dev";
    fs::create_directories(dev);
    MakeTree(dev, c.files);
    const SerialPortMap map = SerialPortMap::Build(IniFile::Parse(Expand(c.settings, dev)), dev);

    std::vector<std::string> expected;
    for (int n = 1; n <= 4; ++n) expected.push_back("COM" + std::to_string(n) + " $/ttyS" + std::to_string(n - 1) + " default");
    for (const std::string& line : c.defaultsReplaced) expected[static_cast<std::size_t>(line[3] - '1')] = line;
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    for (std::string& line : expected) line = Expand(line, dev);
    EXPECT_EQ(Lines(map), expected);
    EXPECT_EQ(map.Problems().size(), c.problems);
}

const MapCase kMapCases[] = {
    {"DefaultsOnly", {"ttyS0", "ttyS7", "tty0", "ttyUSB3/", "ttyUSBx", "ttyACM", "ttyUSB1a"}, "", {}},
    {"DeviceNamesInNumericOrder",
     {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0"},
     "",
     {"COM5 $/ttyACM0 detected", "COM6 $/ttyACM1 detected", "COM7 $/ttyUSB2 detected", "COM8 $/ttyUSB10 detected"}},
    {"ByIdNamesFirstAndByTheirOrder",
     {"ttyUSB0", "ttyUSB1", "ttyACM0", "serial/by-id/usb-B_9-if00->../../ttyUSB0",
      "serial/by-id/usb-A_3-if00->../../ttyUSB1"},
     "",
     {"COM5 $/serial/by-id/usb-A_3-if00 detected", "COM6 $/serial/by-id/usb-B_9-if00 detected",
      "COM7 $/ttyACM0 detected"}},
    {"MappedNumbersAndDevicesAreNotDetectedAgain",
     {"ttyUSB0", "ttyUSB1", "ttyUSB2", "serial/by-id/usb-Lab-if00->../../ttyUSB2"},
     "[Port Settings]\nCOM Port=5\n[serial ports]\ncom2 = ttyUSB0\nCOM6=/opt/lab/adapter\nCOM5=$/ttyUSB2\n",
     {"COM5 $/ttyUSB2 map", "COM6 /opt/lab/adapter map", "COM7 $/ttyUSB1 detected"},
     {"COM2 $/ttyUSB0 map"}},
    {"MappingTheByIdLinkKeepsTheDeviceOnce",
     {"ttyACM0", "serial/by-id/usb-Scope-if00->../../ttyACM0"},
     "[Serial Ports]\nCOM12=serial/by-id/usb-Scope-if00\n",
     {"COM12 $/serial/by-id/usb-Scope-if00 map"}},
    {"UnusableLinesAreReportedAndIgnored",
     {"ttyUSB0"},
     "[Serial Ports]\nCOM0=/dev/x\nCOM100=/dev/x\nCOM05=/dev/x\nPort7=/dev/x\nCOM8=\nCOM9=/dev/ttyS9\n",
     {"COM5 $/ttyUSB0 detected", "COM9 /dev/ttyS9 map"},
     {},
     5},
};

INSTANTIATE_TEST_SUITE_P(Trees, SerialPortMapTest, ::testing::ValuesIn(kMapCases),
                         [](const ::testing::TestParamInfo<MapCase>& info) { return std::string(info.param.name); });

TEST(SerialPortMapLimits, DetectedDevicesTakeOnlyNumbersUpToNinetyNine) {
    testing::TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 100; ++i) files.push_back("ttyUSB" + std::to_string(i));
    MakeTree(dir.path(), files);
    const SerialPortMap map = SerialPortMap::Build(IniFile{}, dir.path());
    ASSERT_EQ(map.Entries().size(), 99u);
    EXPECT_EQ(map.Entries().back().device, (dir / "ttyUSB94").string());
    EXPECT_EQ(map.Problems().size(), 5u);
    EXPECT_EQ(map.Entries()[4].device, (dir / "ttyUSB0").string());
}

// A program hands its settings file to the modules it loads; they turn COM numbers into devices
// with it, and a number nothing names has no device.
TEST(SerialPortMapLimits, TheProgramsSettingsFileReachesSerialDeviceOf) {
    testing::TempDir dir;
    const fs::path settings = dir / "kvr-tarvos.ini";
    testing::WriteBytes(settings, "[Serial Ports]\nCOM3=/dev/serial/by-id/usb-Lab\nCOM97=/tmp/instrument\n");
    ShareSettingsFile(settings);
    EXPECT_EQ(SharedSettingsFile(), settings);
    EXPECT_EQ(SerialDeviceOf(3), "/dev/serial/by-id/usb-Lab");
    EXPECT_EQ(SerialDeviceOf(97), "/tmp/instrument");
    EXPECT_EQ(SerialDeviceOf(1), "/dev/ttyS0");
    EXPECT_EQ(SerialDeviceOf(98), std::nullopt);
    ShareSettingsFile(std::nullopt);
    EXPECT_EQ(SharedSettingsFile(), std::nullopt);
    EXPECT_EQ(SerialDeviceOf(3), "/dev/ttyS2");
}

}  // namespace
}  // namespace tarvos
