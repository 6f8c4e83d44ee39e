// The Settings... methods: each writes one connection value into the driver's settings tree,
// reached through DriverControl's settings root and a path of child names.
#include <initializer_list>
#include <vector>
#include <optional>
#include <string>

#include "kvrlib/kvrport.h"

namespace tarvos::kvrlib {

using automation::ComPtr;
using automation::Variant;

namespace {

constexpr const char16_t* kRs232 = u"General.RS232";
constexpr const char16_t* kGpib = u"General.GPIB";
constexpr const char16_t* kTcpIp = u"General.TCP/IP";
constexpr const char16_t* kGui = u"General.GUI";

// Fetches the settings root anew and descends by child names.
ComPtr<SettingsNode> Node(KVRPort& port, const std::vector<const char16_t*>& path) {
    if (!port.driverControl) FailStep(HResult::Pointer);
    ComPtr<SettingsNode> node;
    Check(port.driverControl->GetSettingsRoot(node.Put()));
    for (const char16_t* name : path) {
        if (!node) FailStep(HResult::Pointer);
        ComPtr<SettingsNode> child;
        Check(node->Child(Variant::String(name), child.Put()));
        node = child;
    }
    if (!node) FailStep(HResult::Pointer);
    return node;
}

void Write(const ComPtr<SettingsNode>& node, const Variant& value) {
    Check(node->SetValue(value, Variant::Int32(-1), Variant::Int32(-1)));
}

// A method that writes its argument (converted by `map`, none = nothing to write) at `path`.
template <class Map>
MemberHandlers Setting(std::initializer_list<const char16_t*> path, Map map) {
    MemberHandlers h;
    const std::vector<const char16_t*> names(path);
    h.method = [names, map](KVRPort& port, std::vector<Variant>& args, Frame&) {
        const ComPtr<SettingsNode> node = Node(port, names);
        if (const std::optional<Variant> value = map(args[0])) Write(node, *value);
        return Variant::Bool(true);
    };
    return h;
}

std::optional<Variant> AsGiven(const Variant& v) { return v; }

std::optional<Variant> FromTable(const Variant& v, std::initializer_list<const char16_t*> texts) {
    const std::int32_t n = v.AsInt32();
    if (n < 0 || n >= static_cast<std::int32_t>(texts.size())) return std::nullopt;
    return Variant::String(*(texts.begin() + n));
}

Variant SettingsCommPort(KVRPort& port, std::vector<Variant>& args, Frame&) {
    const std::u16string portName = u"COM" + automation::Utf8ToUtf16(std::to_string(args[0].AsInt32()));
    std::u16string permitted;
    Check(Node(port, {kRs232, u"Comm Port"})->GetPermittedValues(&permitted));
    if (permitted.find(portName) == std::u16string::npos) return Variant::Bool(false);
    Write(Node(port, {kRs232, u"Comm Port"}), Variant::String(portName));
    return Variant::Bool(true);
}

}  // namespace

void AddConnectionSettingsMembers(HandlerTable& t) {
    t[kvrport::kSettingsRCMethod] = Setting({u"General.Remote Control"}, [](const Variant& v) {
        return FromTable(v, {u"RS232", u"GPIB", u"TCP/IP", u"GUI"});
    });
    t[kvrport::kSettingsCommPort].method = SettingsCommPort;
    t[kvrport::kSettingsBaudRate] = Setting({kRs232, u"Baud Rate"}, AsGiven);
    t[kvrport::kSettingsDataBits] = Setting({kRs232, u"Data Bits"}, AsGiven);
    t[kvrport::kSettingsParity] = Setting({kRs232, u"Parity"}, AsGiven);
    t[kvrport::kSettingsStopBits] = Setting({kRs232, u"Stop Bits"}, AsGiven);
    t[kvrport::kSettingsHandshaking] = Setting({kRs232, u"Handshaking"}, [](const Variant& v) {
        return FromTable(v, {u"NO", u"XON/XOFF", u"HARDWARE"});
    });
    t[kvrport::kSettingsBoard] = Setting({kGpib, u"Board"}, AsGiven);
    t[kvrport::kSettingsPrimaryAddress] = Setting({kGpib, u"Primary Address"}, AsGiven);
    t[kvrport::kSettingsRemoteHost] = Setting({kTcpIp, u"Remote Host"}, AsGiven);
    t[kvrport::kSettingsRemotePort] = Setting({kTcpIp, u"Remote Port"}, AsGiven);
    t[kvrport::kSettingsShowCommands] = Setting({kGui, u"Show Commands"}, [](const Variant& v) {
        return std::optional<Variant>(Variant::String(v.AsBool() ? u"Yes" : u"No"));
    });
    t[kvrport::kSettingsXPosition] = Setting({kGui, u"InputBox X Position"}, AsGiven);
    t[kvrport::kSettingsYPosition] = Setting({kGui, u"InputBox Y Position"}, AsGiven);
}

}  // namespace tarvos::kvrlib
