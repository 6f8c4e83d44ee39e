#include "app/settings_store.h"

#include <cstdio>

#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/program_path.h"

namespace tarvos {
namespace {

constexpr const char* kDefaultRemoteHost = "000.000.000.000";

double ReadDouble(const IniFile& ini, const char* section, const char* key, const char* fallback) {
    return ParseLeadingNumber(ini.GetString(section, key, fallback));
}

void ReadMeasurement(const IniFile& ini, MeasurementOptions& o) {
    const char* s = kMeasurementSection;
    o.samples = ini.GetInt(s, "Samples", 20);
    o.resolution = ini.GetInt(s, "Resolution", 10);
    o.zeroExit = ini.GetInt(s, "Zero Exit", 1);
    o.findEnd = ini.GetInt(s, "Find BER", 1);
    o.threshold = ReadDouble(ini, s, "Treshold", "2.0E-4");
    o.manualMode = ini.GetInt(s, "Manual Mode", 1);
}

void ReadPort(const IniFile& ini, PortSettings& p) {
    const char* s = kPortSection;
    p.rcMethod = ini.GetInt(s, "RC Method", 0);
    p.comPort = ini.GetInt(s, "COM Port", 1);
    p.baudRate = ini.GetInt(s, "Baudrate", 19200);
    p.dataBits = ini.GetInt(s, "Databits", 8);
    p.parity = ini.GetString(s, "Parity", "N");
    p.stopBits = ini.GetInt(s, "Stopbits", 1);
    p.handshake = ini.GetInt(s, "Handshake", 2);
    p.board = ini.GetInt(s, "Board", 0);
    p.primaryAddress = ini.GetInt(s, "Primary Address", 0);
    p.remoteHost = ParseRemoteHost(ini.GetString(s, "Remote Host", kDefaultRemoteHost));
    p.remotePort = ini.GetInt(s, "Remote Port", 1000);
}

void ReadReceiver(const IniFile& ini, ReceiverSettings& r) {
    const char* s = kReceiverSection;
    r.sawBandwidth = ini.GetInt(s, "Band Width", 8);
    r.channelBandwidth = ini.GetInt(s, "Channel Band Width", 8);
    r.frequency = ReadDouble(ini, s, "Frequency", "100");
    r.input = ini.GetInt(s, "Input", 128);
    r.berPoint = ini.GetInt(s, "Measure BER", 1);
    r.mode = ini.GetInt(s, "Mode", 4);
    r.qamOrder = ini.GetInt(s, "QAM Order", 64);
    r.rollOff = ini.GetInt(s, "Roll-Off Factor", 15);
    r.symbolRate = ReadDouble(ini, s, "Symbol Rate", "6.9");
    r.snrBegin = ReadDouble(ini, s, "SNR Begin", "20");
    r.snrEnd = ReadDouble(ini, s, "SNR End", "35");
}

void WriteMeasurement(IniFile& ini, const MeasurementOptions& o) {
    const char* s = kMeasurementSection;
    ini.Set(s, "Samples", std::to_string(o.samples));
    ini.Set(s, "Resolution", std::to_string(o.resolution));
    ini.Set(s, "Zero Exit", std::to_string(o.zeroExit));
    ini.Set(s, "Find BER", std::to_string(o.findEnd));
    ini.Set(s, "Treshold", FormatNumber(o.threshold));
    ini.Set(s, "Manual Mode", std::to_string(o.manualMode));
}

void WritePort(IniFile& ini, const PortSettings& p) {
    const char* s = kPortSection;
    ini.Set(s, "RC Method", std::to_string(p.rcMethod));
    ini.Set(s, "COM Port", std::to_string(p.comPort));
    ini.Set(s, "Baudrate", std::to_string(p.baudRate));
    ini.Set(s, "Databits", std::to_string(p.dataBits));
    ini.Set(s, "Parity", p.parity);
    ini.Set(s, "Stopbits", std::to_string(p.stopBits));
    ini.Set(s, "Handshake", std::to_string(p.handshake));
    ini.Set(s, "Board", std::to_string(p.board));
    ini.Set(s, "Primary Address", std::to_string(p.primaryAddress));
    ini.Set(s, "Remote Host", FormatRemoteHost(p.remoteHost));
    ini.Set(s, "Remote Port", std::to_string(p.remotePort));
}

void WriteReceiver(IniFile& ini, const ReceiverSettings& r) {
    const char* s = kReceiverSection;
    ini.Set(s, "Band Width", std::to_string(r.sawBandwidth));
    ini.Set(s, "Channel Band Width", std::to_string(r.channelBandwidth));
    ini.Set(s, "Frequency", FormatNumber(r.frequency));
    ini.Set(s, "Input", std::to_string(r.input));
    ini.Set(s, "Measure BER", std::to_string(r.berPoint));
    ini.Set(s, "Mode", std::to_string(r.mode));
    ini.Set(s, "QAM Order", std::to_string(r.qamOrder));
    ini.Set(s, "Roll-Off Factor", std::to_string(r.rollOff));
    ini.Set(s, "Symbol Rate", FormatNumber(r.symbolRate));
    ini.Set(s, "SNR Begin", FormatNumber(r.snrBegin));
    ini.Set(s, "SNR End", FormatNumber(r.snrEnd));
}

}  // namespace

SettingsLocation LocateSettingsFile(const std::optional<std::filesystem::path>& explicitFile,
                                    std::string_view programName) {
    SettingsLocation where;
    where.programPath = RunningProgramPath();
    if (explicitFile) {
        where.settingsFile = explicitFile;
    } else if (where.programPath) {
        std::filesystem::path program = *where.programPath;
        if (!programName.empty()) program.replace_filename(std::string(programName));
        where.settingsFile = SettingsFileForProgram(program);
    }
    return where;
}

StoredSettings LoadSettings(const std::optional<std::filesystem::path>& file) {
    StoredSettings settings;  // every default, as with no settings file
    if (!file) return settings;
    const IniFile ini = IniFile::Load(*file);
    ReadMeasurement(ini, settings.options);
    ReadPort(ini, settings.port);
    ReadReceiver(ini, settings.receiver);
    return settings;
}

Status SaveSettings(const std::filesystem::path& file, const StoredSettings& settings) {
    // One atomic replacement of the whole file instead of a write per key: the same result,
    // and a crash can no longer leave half of the keys written.
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return ini.error();
    WriteMeasurement(ini.value(), settings.options);
    WritePort(ini.value(), settings.port);
    WriteReceiver(ini.value(), settings.receiver);
    return ini.value().Save(file);
}

std::array<std::uint8_t, 4> ParseRemoteHost(std::string_view text) {
    std::array<std::uint8_t, 4> host{};
    std::size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            const std::size_t dot = text.find('.', at);
            if (dot == std::string_view::npos) return {0, 0, 0, 0};
            at = dot + 1;
        }
        host[octet] = static_cast<std::uint8_t>(ParseLeadingInt(text.substr(at)) & 0xFF);
    }
    return host;
}

std::string FormatRemoteHost(const std::array<std::uint8_t, 4>& host) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u.%03u", unsigned{host[0]},
                  unsigned{host[1]}, unsigned{host[2]}, unsigned{host[3]});
    return text;
}

Status IniSettingsStore::Save(const StoredSettings& settings) {
    if (!location_.settingsFile) return {};  // no settings file: nothing is written
    return SaveSettings(*location_.settingsFile, settings);
}

}  // namespace tarvos
