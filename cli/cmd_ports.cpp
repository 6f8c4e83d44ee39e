// tarvos ports: the COM numbers the port settings offer, each with its device and whether it
// is free, in use by another program, closed to this user (with the fix) or missing.
#include <string>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/program_output.h"
#include "platform/serial_probe.h"

namespace tarvos::cli {
namespace {

// The numbers the port settings dialog offers.
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 4;

struct PortLine {
    int comPort;
    std::string device;
    SerialPortState state;
};

std::string PortsText(const std::vector<PortLine>& ports) {
    std::string text;
    for (const PortLine& p : ports) {
        text += "COM" + std::to_string(p.comPort) + "  " + p.device + "  " + SerialPortStateName(p.state);
        if (p.state == SerialPortState::NoPermission) text += " (" + SerialPermissionFix(p.device) + ")";
        text += "\n";
    }
    return text;
}

std::string PortsJson(const std::vector<PortLine>& ports) {
    Json list = Json::array();
    for (const PortLine& p : ports) {
        Json port = {{"com", p.comPort}, {"device", p.device}, {"state", SerialPortStateName(p.state)}};
        if (p.state == SerialPortState::NoPermission) port["fix"] = SerialPermissionFix(p.device);
        list.push_back(std::move(port));
    }
    return JsonText(Json{{"ports", std::move(list)}});
}

}  // namespace

CLI::App* AddPortsCommand(CLI::App& app, PortsArgs& args) {
    CLI::App* cmd = app.add_subcommand("ports", "List the serial ports COM1 to COM4 and whether each can be used");
    cmd->footer(
        "States: free; in use (locked or held open by another program); no permission (this\n"
        "user may not open the device; the fix is shown); missing. Nothing is sent to a port\n"
        "and no port is opened.");
    cmd->add_flag("--json", args.json, "Print JSON instead of text");
    return cmd;
}

int RunPorts(const PortsArgs& args) {
    std::vector<PortLine> ports;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        const std::string device = SerialDeviceOf(n);
        ports.push_back({n, device, ExamineSerialPort(device)});
    }
    return FinishWithOutput(args.json ? PortsJson(ports) : PortsText(ports));
}

}  // namespace tarvos::cli
