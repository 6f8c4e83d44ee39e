// "tarvos ports": COM1 to COM4 with their devices and states, as the probe sees them.
#include "cli_fixture.h"
#include "platform/serial_probe.h"

namespace tarvos::testing {
namespace {

using PortsCommand = CliTest;

TEST_F(PortsCommand, ListsComOneToFourWithDeviceStateAndTheFixForNoPermission) {
    const RunResult json = RunRaw({"ports", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const nlohmann::json j = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << json.out;
    const nlohmann::json& ports = j["ports"];
    ASSERT_EQ(ports.size(), 4u) << j.dump();
    for (int n = 1; n <= 4; ++n) {
        const nlohmann::json& port = ports[n - 1];
        const std::string device = "/dev/ttyS" + std::to_string(n - 1);
        const SerialPortState state = ExamineSerialPort(device);
        EXPECT_EQ(port["com"], n);
        EXPECT_EQ(port["device"], device);
        EXPECT_EQ(port["state"], SerialPortStateName(state)) << port.dump();
        EXPECT_EQ(port.contains("fix"), state == SerialPortState::NoPermission) << port.dump();
    }
    const RunResult text = RunRaw({"ports"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::string first = "COM1  /dev/ttyS0  " + ports[0]["state"].get<std::string>();
    EXPECT_EQ(text.out.rfind(first, 0), 0u) << text.out;
}

}  // namespace
}  // namespace tarvos::testing
