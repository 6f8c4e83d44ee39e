#include "cli/settings_view.h"

#include <filesystem>
#include <system_error>
#include <type_traits>

#include "cli/json_text.h"
#include "cli/settings_option.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

struct SettingsKey {
    const char* section;  // as in the file
    const char* name;     // as in the file
    const char* group;    // JSON object
    const char* field;    // JSON key
};

// Calls visit(key, value) for every key in the order SaveSettings writes them; value is an
// int, a double, the parity text or the remote host.
template <class Visit>
void ForEachSettingsKey(const StoredSettings& s, Visit&& visit) {
    const char* m = kMeasurementSection;
    const MeasurementOptions& o = s.options;
    visit(SettingsKey{m, "Samples", "options", "samples"}, o.samples);
    visit(SettingsKey{m, "Resolution", "options", "resolution"}, o.resolution);
    visit(SettingsKey{m, "Zero Exit", "options", "zeroExit"}, o.zeroExit);
    visit(SettingsKey{m, "Find BER", "options", "findEnd"}, o.findEnd);
    visit(SettingsKey{m, "Treshold", "options", "threshold"}, o.threshold);
    visit(SettingsKey{m, "Manual Mode", "options", "manualMode"}, o.manualMode);
    const char* p = kPortSection;
    const PortSettings& port = s.port;
    visit(SettingsKey{p, "RC Method", "port", "rcMethod"}, port.rcMethod);
    visit(SettingsKey{p, "COM Port", "port", "comPort"}, port.comPort);
    visit(SettingsKey{p, "Baudrate", "port", "baudRate"}, port.baudRate);
    visit(SettingsKey{p, "Databits", "port", "dataBits"}, port.dataBits);
    visit(SettingsKey{p, "Parity", "port", "parity"}, port.parity);
    visit(SettingsKey{p, "Stopbits", "port", "stopBits"}, port.stopBits);
    visit(SettingsKey{p, "Handshake", "port", "handshake"}, port.handshake);
    visit(SettingsKey{p, "Board", "port", "board"}, port.board);
    visit(SettingsKey{p, "Primary Address", "port", "primaryAddress"}, port.primaryAddress);
    visit(SettingsKey{p, "Remote Host", "port", "remoteHost"}, port.remoteHost);
    visit(SettingsKey{p, "Remote Port", "port", "remotePort"}, port.remotePort);
    const char* k = kReceiverSection;
    const ReceiverSettings& r = s.receiver;
    visit(SettingsKey{k, "Band Width", "receiver", "sawBandwidth"}, r.sawBandwidth);
    visit(SettingsKey{k, "Channel Band Width", "receiver", "channelBandwidth"}, r.channelBandwidth);
    visit(SettingsKey{k, "Frequency", "receiver", "frequency"}, r.frequency);
    visit(SettingsKey{k, "Input", "receiver", "input"}, r.input);
    visit(SettingsKey{k, "Measure BER", "receiver", "berPoint"}, r.berPoint);
    visit(SettingsKey{k, "Mode", "receiver", "mode"}, r.mode);
    visit(SettingsKey{k, "QAM Order", "receiver", "qamOrder"}, r.qamOrder);
    visit(SettingsKey{k, "Roll-Off Factor", "receiver", "rollOff"}, r.rollOff);
    visit(SettingsKey{k, "Symbol Rate", "receiver", "symbolRate"}, r.symbolRate);
    visit(SettingsKey{k, "SNR Begin", "receiver", "snrBegin"}, r.snrBegin);
    visit(SettingsKey{k, "SNR End", "receiver", "snrEnd"}, r.snrEnd);
}

using RemoteHost = std::array<std::uint8_t, 4>;

// The value as the settings file encodes it.
template <class T>
std::string FileText(const T& value) {
    if constexpr (std::is_same_v<T, double>) return FormatNumber(value);
    else if constexpr (std::is_same_v<T, std::string>) return value;
    else if constexpr (std::is_same_v<T, RemoteHost>) return FormatRemoteHost(value);
    else return std::to_string(value);
}

template <class T>
Json JsonValue(const T& value) {
    if constexpr (std::is_same_v<T, double>) return JsonNumber(value);
    else if constexpr (std::is_same_v<T, RemoteHost>)
        return Json::array({value[0], value[1], value[2], value[3]});
    else return value;
}

std::string FileLine(const SettingsLocation& where) {
    if (!where.settingsFile)
        return "settings file: none (the program's folder is unknown; defaults apply)\n";
    std::string line = "settings file: " + where.settingsFile->string();
    std::error_code error;
    if (const std::optional<Error> problem = SettingsReadProblem(where))
        return line + " (cannot be read: " + problem->message + "; defaults apply)\n";
    if (!std::filesystem::exists(*where.settingsFile, error))
        return line + " (not present; defaults apply)\n";
    return line + "\n";
}

}  // namespace

std::string SettingsText(const SettingsLocation& where, const StoredSettings& settings) {
    std::string text = FileLine(where);
    ForEachSettingsKey(settings, [&](const SettingsKey& key, const auto& value) {
        text += std::string(key.section) + "/" + key.name + " = " + FileText(value) + "\n";
    });
    return text;
}

std::string SettingsJson(const SettingsLocation& where, const StoredSettings& settings) {
    Json out = Json::object();
    out["file"] = where.settingsFile ? Json(where.settingsFile->string()) : Json(nullptr);
    out["options"] = Json::object();
    out["port"] = Json::object();
    out["receiver"] = Json::object();
    ForEachSettingsKey(settings, [&](const SettingsKey& key, const auto& value) {
        out[key.group][key.field] = JsonValue(value);
    });
    return JsonText(out);
}

}  // namespace tarvos::cli
