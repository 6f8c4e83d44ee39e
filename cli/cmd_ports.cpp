// tarvos ports: every COM number that names a device (COM1 to COM4, the settings file's
// [Serial Ports] entries and the USB and ACM serial devices present), each with its device,
// where that came from, and whether it is free, in use by another program, closed to this user
// (with the fix) or missing.
#include <algorithm>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "platform/serial_ports.h"
#include "platform/serial_probe.h"

namespace tarvos::cli {
namespace {

struct PortLine {
    SerialPortEntry port;
    SerialPortState state;
};

std::string StateText(const PortLine& p) {
    std::string text = SerialPortStateName(p.state);
    if (p.state == SerialPortState::NoPermission) text += " (" + SerialPermissionFix(p.port.device) + ")";
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// Columns aligned on the widest entry, so that COM12 and a by-id path line up with COM1.
std::string PortsText(const std::vector<PortLine>& ports) {
    std::size_t comWidth = 0, deviceWidth = 0, stateWidth = 0;
    for (const PortLine& p : ports) {
        comWidth = std::max(comWidth, ("COM" + std::to_string(p.port.comPort)).size());
        deviceWidth = std::max(deviceWidth, p.port.device.size());
        stateWidth = std::max(stateWidth, StateText(p).size());
    }
    std::string text;
    for (const PortLine& p : ports) {
        text += Padded("COM" + std::to_string(p.port.comPort), comWidth) + "  " + Padded(p.port.device, deviceWidth) +
                "  " + Padded(StateText(p), stateWidth) + "  [" + SerialPortSourceName(p.port.source) + "]\n";
    }
    return text;
}

std::string PortsJson(const std::vector<PortLine>& ports, const std::vector<std::string>& problems) {
    Json list = Json::array();
    for (const PortLine& p : ports) {
        Json port = {{"com", p.port.comPort},
                     {"device", p.port.device},
                     {"source", SerialPortSourceName(p.port.source)},
                     {"state", SerialPortStateName(p.state)}};
        if (p.state == SerialPortState::NoPermission) port["fix"] = SerialPermissionFix(p.port.device);
        list.push_back(std::move(port));
    }
    return JsonText(Json{{"ports", std::move(list)}, {"problems", problems}});
}

}  // namespace

CLI::App* AddPortsCommand(CLI::App& app, PortsArgs& args) {
    CLI::App* cmd = app.add_subcommand("ports", "List the serial ports by COM number and whether each can be used");
    cmd->footer(
        "COM1 to COM4 are /dev/ttyS0 to /dev/ttyS3 (source: default). The settings file's\n"
        "[Serial Ports] section maps any number from COM1 to COM99 to a device (source: map),\n"
        "e.g. COM5=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0. The USB and\n"
        "ACM serial devices present that no entry names take the free numbers from COM5 on, in\n"
        "the order of their /dev/serial/by-id names, then by device name (source: detected).\n"
        "States: free; in use (locked or held open by another program); no permission (this\n"
        "user may not open the device; the fix is shown); missing. Nothing is sent to a port\n"
        "and no port is opened.");
    cmd->add_flag("--json", args.json, "Print JSON instead of text");
    AddSettingsOption(*cmd, args.settings);
    return cmd;
}

int RunPorts(const GlobalArgs& global, const PortsArgs& args) {
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    if (const std::optional<Error> problem = SettingsReadProblem(where))
        return ReportFailure("cannot read the settings file: " + problem->message);
    const SerialPortMap map = LoadSerialPortMap(where.settingsFile);
    std::vector<PortLine> ports;
    for (const SerialPortEntry& entry : map.Entries()) ports.push_back({entry, ExamineSerialPort(entry.device)});
    if (!args.json) {
        for (const std::string& problem : map.Problems()) std::cerr << "tarvos: [Serial Ports] " << problem << "\n";
    }
    return FinishWithOutput(args.json ? PortsJson(ports, map.Problems()) : PortsText(ports));
}

}  // namespace tarvos::cli
