#include "simdriver/settings_tree.h"

#include <sstream>

#include "platform/number_text.h"
#include "platform/serial_ports.h"

namespace tarvos::sim {

using automation::Variant;
using kvrlib::HResult;

namespace {

constexpr const char* kCommPort = "General.RS232/Comm Port";

const std::map<std::string, std::string>& Nodes() {
    static const std::map<std::string, std::string> nodes = {
        {"General.Remote Control", "RS232,GPIB,TCP/IP,GUI"},
        {"General.RS232", ""},
        {kCommPort, "COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8"},
        {"General.RS232/Baud Rate", "1200,2400,4800,9600,19200,38400,57600,115200"},
        {"General.RS232/Data Bits", "7,8"},
        {"General.RS232/Parity", "N,E,O"},
        {"General.RS232/Stop Bits", "1,2"},
        {"General.RS232/Handshaking", "NO,XON/XOFF,HARDWARE"},
        {"General.GPIB", ""},
        {"General.GPIB/Board", "0..3"},
        {"General.GPIB/Primary Address", "0..30"},
        {"General.TCP/IP", ""},
        {"General.TCP/IP/Remote Host", "*"},
        {"General.TCP/IP/Remote Port", "1..65535"},
        {"General.GUI", ""},
        {"General.GUI/Show Commands", "Yes,No"},
        {"General.GUI/InputBox X Position", "0..4000"},
        {"General.GUI/InputBox Y Position", "0..4000"},
    };
    return nodes;
}

// "a,b,c" lists the values; "lo..hi" a range of integers; "*" anything.
bool Permits(const std::string& permitted, const std::string& value) {
    if (permitted == "*") return !value.empty();
    if (const auto dots = permitted.find(".."); dots != std::string::npos) {
        const int lo = ParseLeadingInt(permitted.substr(0, dots));
        const int hi = ParseLeadingInt(permitted.substr(dots + 2));
        if (value.empty() || value.find_first_not_of("-0123456789") != std::string::npos) return false;
        const int v = ParseLeadingInt(value);
        return v >= lo && v <= hi;
    }
    std::stringstream list(permitted);
    for (std::string item; std::getline(list, item, ',');)
        if (item == value) return true;
    return false;
}

std::string Get(const std::map<std::string, std::string>& values, const std::string& path) {
    const auto it = values.find(path);
    return it == values.end() ? std::string() : it->second;
}

// The ports a PC has always been offered, and beyond them every number the serial port map of
// this process names (a USB adapter on COM12), read afresh so that a new adapter is listed.
std::string CommPortNames(const std::string& fixed) {
    std::string names = fixed;
    const SerialPortMap map = CurrentSerialPortMap();
    for (const SerialPortEntry& entry : map.Entries()) {
        const std::string name = "COM" + std::to_string(entry.comPort);
        if (!Permits(names, name)) names += "," + name;
    }
    return names;
}

}  // namespace

std::optional<std::string> PermittedValuesOf(const std::string& path) {
    const auto it = Nodes().find(path);
    if (it == Nodes().end()) return std::nullopt;
    return path == kCommPort ? CommPortNames(it->second) : it->second;
}

SettingsTree::SettingsTree(const InterfaceConfig& i) {
    values = {{"General.Remote Control", "RS232"},
              {"General.RS232/Comm Port", "COM" + std::to_string(i.comPort)},
              {"General.RS232/Baud Rate", std::to_string(i.baudRate)},
              {"General.RS232/Data Bits", std::to_string(i.dataBits)},
              {"General.RS232/Parity", i.parity},
              {"General.RS232/Stop Bits", std::to_string(i.stopBits)},
              {"General.RS232/Handshaking", i.handshake},
              {"General.GPIB/Board", std::to_string(i.board)},
              {"General.GPIB/Primary Address", std::to_string(i.primaryAddress)},
              {"General.TCP/IP/Remote Host", i.remoteHost},
              {"General.TCP/IP/Remote Port", std::to_string(i.remotePort)},
              {"General.GUI/Show Commands", "No"}};
}

bool SettingsTree::Connects(const InterfaceConfig& i, std::string* why) {
    std::lock_guard<std::mutex> lock(mutex);
    const std::string method = Get(values, "General.Remote Control");
    std::map<std::string, std::string> wanted;
    if (method == "RS232") {
        wanted = {{"General.RS232/Comm Port", "COM" + std::to_string(i.comPort)},
                  {"General.RS232/Baud Rate", std::to_string(i.baudRate)},
                  {"General.RS232/Data Bits", std::to_string(i.dataBits)},
                  {"General.RS232/Parity", i.parity},
                  {"General.RS232/Stop Bits", std::to_string(i.stopBits)},
                  {"General.RS232/Handshaking", i.handshake}};
    } else if (method == "GPIB") {
        wanted = {{"General.GPIB/Board", std::to_string(i.board)},
                  {"General.GPIB/Primary Address", std::to_string(i.primaryAddress)}};
    } else if (method == "TCP/IP") {
        wanted = {{"General.TCP/IP/Remote Host", i.remoteHost},
                  {"General.TCP/IP/Remote Port", std::to_string(i.remotePort)}};
    } else if (method != "GUI") {
        if (why != nullptr) *why = "unknown remote control method " + method;
        return false;
    }
    for (const auto& [path, value] : wanted) {
        if (Get(values, path) != value) {
            if (why != nullptr) *why = "no answer with " + path + " = " + Get(values, path);
            return false;
        }
    }
    return true;
}

HResult SimSettingsNode::Child(const Variant& name, kvrlib::SettingsNode** out) noexcept {
    if (out == nullptr) return HResult::Pointer;
    *out = nullptr;
    try {
        const auto text = name.ToUtf8();
        if (!text.ok()) return HResult::TypeMismatch;
        const std::string child = path_.empty() ? text.value : path_ + "/" + text.value;
        if (!PermittedValuesOf(child)) return HResult::InvalidArg;
        *out = new SimSettingsNode(tree_, child);
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

HResult SimSettingsNode::GetPermittedValues(std::u16string* out) noexcept {
    if (out == nullptr) return HResult::Pointer;
    const std::optional<std::string> permitted = PermittedValuesOf(path_);
    if (!permitted) return HResult::InvalidArg;
    *out = automation::Utf8ToUtf16(*permitted);
    return HResult::Ok;
}

HResult SimSettingsNode::SetValue(const Variant& value, const Variant& a, const Variant& b) noexcept {
    try {
        const std::optional<std::string> permitted = PermittedValuesOf(path_);
        if (!permitted || permitted->empty()) return HResult::InvalidArg;  // a group has no value
        if (!(a == Variant::Int32(-1)) || !(b == Variant::Int32(-1))) return HResult::InvalidArg;
        const auto text = value.ToUtf8();
        if (!text.ok() || !Permits(*permitted, text.value)) return HResult::InvalidArg;
        std::lock_guard<std::mutex> lock(tree_->mutex);
        tree_->values[path_] = text.value;
        return HResult::Ok;
    } catch (...) {
        return HResult::OutOfMemory;
    }
}

}  // namespace tarvos::sim
