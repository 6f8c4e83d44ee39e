// "tarvos ports": every COM number with its device, where the device came from (default, the
// settings file's map, detected) and its state, as the probe sees it.
#include <algorithm>
#include <regex>

#include "cli_fixture.h"
#include "platform/serial_probe.h"

namespace tarvos::testing {
namespace {

using PortsCommand = CliTest;

TEST_F(PortsCommand, ListsComOneToFourWithDeviceStateAndTheFixForNoPermission) {
    const nlohmann::json j = RunJson({"ports", "--json"});
    const nlohmann::json& ports = j["ports"];
    ASSERT_GE(ports.size(), 4u) << j.dump();
    for (int n = 1; n <= 4; ++n) {
        const nlohmann::json& port = ports[n - 1];
        const std::string device = "/dev/ttyS" + std::to_string(n - 1);
        const SerialPortState state = ExamineSerialPort(device);
        EXPECT_EQ(port["com"], n);
        EXPECT_EQ(port["device"], device);
        EXPECT_EQ(port["source"], "default");
        EXPECT_EQ(port["state"], SerialPortStateName(state)) << port.dump();
        EXPECT_EQ(port.contains("fix"), state == SerialPortState::NoPermission) << port.dump();
    }
    // Without a map every further port is a USB or ACM device of this machine.
    for (std::size_t i = 4; i < ports.size(); ++i) EXPECT_EQ(ports[i]["source"], "detected") << ports[i].dump();
    const RunResult text = Run({"ports"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::regex first("^COM1 +/dev/ttyS0 +" + ports[0]["state"].get<std::string>() + " .*\\[default\\]\n");
    EXPECT_TRUE(std::regex_search(text.out, first)) << text.out;
}

TEST_F(PortsCommand, ShowsTheSettingsFilesMapAndWhatItCouldNotUse) {
    const std::string instrument = Path("instrument").string();
    WriteBytes(Path("link"), "");
    WriteBytes(SettingsPath(), "[Port Settings]\nCOM Port=2\n\n[Serial Ports]\nCOM2=" + Path("link").string() +
                                   "\nCOM42=" + instrument + "\nCOM0=/dev/ttyS0\n");
    const nlohmann::json j = RunJson({"ports", "--json"});
    const nlohmann::json& ports = j["ports"];
    ASSERT_GE(ports.size(), 5u) << j.dump();
    EXPECT_EQ(ports[1], (nlohmann::json{{"com", 2}, {"device", Path("link").string()}, {"source", "map"}, {"state", "free"}}));
    const auto mapped = std::find_if(ports.begin(), ports.end(), [](const nlohmann::json& p) { return p["com"] == 42; });
    ASSERT_NE(mapped, ports.end()) << j.dump();
    EXPECT_EQ(*mapped, (nlohmann::json{{"com", 42}, {"device", instrument}, {"source", "map"}, {"state", "missing"}}));
    EXPECT_EQ(j["problems"], nlohmann::json::array({"COM0: not a port name from COM1 to COM99; the line is ignored"}));

    const RunResult text = Run({"ports"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    // The widest number and device set the columns: COM2's device starts where COM42's does.
    const auto line = [&](const std::string& device) {
        const std::size_t at = text.out.find(device);
        const std::size_t start = at == std::string::npos ? 0 : text.out.rfind('\n', at) + 1;  // on the first line: npos + 1 is 0
        return std::make_pair(text.out.substr(start, text.out.find('\n', start) - start), at - start);
    };
    const auto [com42, com42Column] = line(instrument);
    const auto [com2, com2Column] = line(Path("link").string() + " ");
    EXPECT_EQ(com42.rfind("COM42  ", 0), 0u) << text.out;
    EXPECT_EQ(com2.rfind("COM2   ", 0), 0u) << text.out;
    EXPECT_EQ(com2Column, com42Column) << text.out;
    EXPECT_NE(com42.find("  missing "), std::string::npos) << text.out;
    EXPECT_TRUE(com42.ends_with("  [map]")) << text.out;
    EXPECT_NE(text.err.find("[Serial Ports] COM0: not a port name"), std::string::npos) << text.err;
}

// The numbers the map names beyond the first ports reach the instrument library's list of ports,
// so that a port setting of COM12 is written to the driver; a number nothing names is refused.
TEST_F(PortsCommand, TheInstrumentLibraryTakesTheNumbersOfTheMap) {
    WriteBytes(SettingsPath(), "[Serial Ports]\nCOM12=" + Path("adapter").string() + "\n");
    const RunResult r = Run({"port", "SelectDriver(2)", "SettingsCommPort(12)", "SettingsCommPort(97)"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "SettingsCommPort = true\nSettingsCommPort = false\n");
}

}  // namespace
}  // namespace tarvos::testing
