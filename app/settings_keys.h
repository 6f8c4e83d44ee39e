// The one table of the settings file's keys: section, key name, default text, and the field
// it holds, in the order the program writes them. Loading, saving and every listing of the
// settings walk this table, so a key can never be read under one name and written under another.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

#include "document/settings_persistence.h"

namespace tarvos {

inline constexpr const char* kMeasurementSection = "Measurement";
inline constexpr const char* kPortSection = "Port Settings";
inline constexpr const char* kReceiverSection = "KVR Settings";
// Our own options, in a section of their own that older readers of the file never look at.
inline constexpr const char* kUnattendedSection = "Unattended Runs";

using RemoteHost = std::array<std::uint8_t, 4>;

struct SettingsKey {
    const char* section;      // as in the file
    const char* name;         // as in the file
    const char* defaultText;  // what a missing key reads as
    const char* group;        // the settings group's name: options, port, receiver
    const char* field;        // the field's name in its group
};

// Calls visit(key, field) for every key in file order. `Settings` is StoredSettings or
// const StoredSettings; a field is an int, a double, the parity text, the remote host or the
// instrument-error policy.
template <class Settings, class Visit>
void ForEachSettingsKey(Settings& s, Visit&& visit) {
    static_assert(std::is_same_v<std::remove_const_t<Settings>, StoredSettings>);
    const char* m = kMeasurementSection;
    auto& o = s.options;
    visit(SettingsKey{m, "Samples", "20", "options", "samples"}, o.samples);
    visit(SettingsKey{m, "Resolution", "10", "options", "resolution"}, o.resolution);
    visit(SettingsKey{m, "Zero Exit", "1", "options", "zeroExit"}, o.zeroExit);
    visit(SettingsKey{m, "Find BER", "1", "options", "findEnd"}, o.findEnd);
    visit(SettingsKey{m, "Treshold", "2.0E-4", "options", "threshold"}, o.threshold);
    visit(SettingsKey{m, "Manual Mode", "1", "options", "manualMode"}, o.manualMode);
    const char* p = kPortSection;
    auto& port = s.port;
    visit(SettingsKey{p, "RC Method", "0", "port", "rcMethod"}, port.rcMethod);
    visit(SettingsKey{p, "COM Port", "1", "port", "comPort"}, port.comPort);
    visit(SettingsKey{p, "Baudrate", "19200", "port", "baudRate"}, port.baudRate);
    visit(SettingsKey{p, "Databits", "8", "port", "dataBits"}, port.dataBits);
    visit(SettingsKey{p, "Parity", "N", "port", "parity"}, port.parity);
    visit(SettingsKey{p, "Stopbits", "1", "port", "stopBits"}, port.stopBits);
    visit(SettingsKey{p, "Handshake", "2", "port", "handshake"}, port.handshake);
    visit(SettingsKey{p, "Board", "0", "port", "board"}, port.board);
    visit(SettingsKey{p, "Primary Address", "0", "port", "primaryAddress"}, port.primaryAddress);
    visit(SettingsKey{p, "Remote Host", "000.000.000.000", "port", "remoteHost"}, port.remoteHost);
    visit(SettingsKey{p, "Remote Port", "1000", "port", "remotePort"}, port.remotePort);
    const char* k = kReceiverSection;
    auto& r = s.receiver;
    visit(SettingsKey{k, "Band Width", "8", "receiver", "sawBandwidth"}, r.sawBandwidth);
    visit(SettingsKey{k, "Channel Band Width", "8", "receiver", "channelBandwidth"}, r.channelBandwidth);
    visit(SettingsKey{k, "Frequency", "100", "receiver", "frequency"}, r.frequency);
    visit(SettingsKey{k, "Input", "128", "receiver", "input"}, r.input);
    visit(SettingsKey{k, "Measure BER", "1", "receiver", "berPoint"}, r.berPoint);
    visit(SettingsKey{k, "Mode", "4", "receiver", "mode"}, r.mode);
    visit(SettingsKey{k, "QAM Order", "64", "receiver", "qamOrder"}, r.qamOrder);
    visit(SettingsKey{k, "Roll-Off Factor", "15", "receiver", "rollOff"}, r.rollOff);
    visit(SettingsKey{k, "Symbol Rate", "6.9", "receiver", "symbolRate"}, r.symbolRate);
    visit(SettingsKey{k, "SNR Begin", "20", "receiver", "snrBegin"}, r.snrBegin);
    visit(SettingsKey{k, "SNR End", "35", "receiver", "snrEnd"}, r.snrEnd);
    visit(SettingsKey{kUnattendedSection, "On Instrument Error", "ask", "options", "onInstrumentError"},
          o.onInstrumentError);
}

}  // namespace tarvos
