#include "app/settings_store.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/settings_keys.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/program_path.h"
#include "platform/user_folders.h"

namespace tarvos {
namespace {

// Integer keys take the leading integer of their text, doubles the leading number, the parity
// its text (at most 259 characters) and the remote host its four octets.
void ReadKey(const IniFile& ini, const SettingsKey& key, int& value) {
    value = ini.GetInt(key.section, key.name, ParseLeadingInt(key.defaultText));
}
void ReadKey(const IniFile& ini, const SettingsKey& key, double& value) {
    value = ParseLeadingNumber(ini.GetString(key.section, key.name, key.defaultText));
}
void ReadKey(const IniFile& ini, const SettingsKey& key, std::string& value) {
    value = ini.GetString(key.section, key.name, key.defaultText);
}
void ReadKey(const IniFile& ini, const SettingsKey& key, RemoteHost& value) {
    value = ParseRemoteHost(ini.GetString(key.section, key.name, key.defaultText));
}
// A word this program does not know (a newer program's, a typo) asks the user: no run is ever
// retried or cancelled behind the user's back by mistake.
void ReadKey(const IniFile& ini, const SettingsKey& key, InstrumentErrorPolicy& value) {
    value = ParseInstrumentErrorPolicy(ini.GetString(key.section, key.name, key.defaultText))
                .value_or(InstrumentErrorPolicy::Ask);
}

constexpr std::array<std::pair<InstrumentErrorPolicy, const char*>, 3> kPolicyWords{{
    {InstrumentErrorPolicy::Ask, "ask"},
    {InstrumentErrorPolicy::Retry, "retry"},
    {InstrumentErrorPolicy::Cancel, "cancel"},
}};

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
        where.settingsFile = SettingsFileOrFallback(SettingsFileForProgram(program), UserConfigFolder());
    }
    return where;
}

std::filesystem::path SettingsFileOrFallback(const std::filesystem::path& besideProgram,
                                             const std::optional<std::filesystem::path>& userConfigFolder) {
    std::error_code error;
    const bool exists = std::filesystem::exists(besideProgram, error);
    if (exists ? UserMayWrite(besideProgram) || !std::filesystem::is_regular_file(besideProgram, error)
               : MayCreateFilesIn(besideProgram.parent_path()))
        return besideProgram;
    if (!userConfigFolder) return besideProgram;
    const std::filesystem::path own =
        *userConfigFolder / kWindowProgramName / (std::string(kWindowProgramName) + ".ini");
    if (std::filesystem::exists(own, error)) return own;
    std::filesystem::create_directories(own.parent_path(), error);
    if (!MayCreateFilesIn(own.parent_path())) return besideProgram;
    // Seeded with the whole file, so that the view's sections and foreign keys come along.
    Result<IniFile> seed = IniFile::LoadForUpdate(besideProgram);
    if (seed && exists && !seed.value().Save(own)) return besideProgram;
    return own;
}

StoredSettings LoadSettings(const std::optional<std::filesystem::path>& file) {
    StoredSettings settings;  // every default, as with no settings file
    if (!file) return settings;
    const IniFile ini = IniFile::Load(*file);
    ForEachSettingsKey(settings, [&](const SettingsKey& key, auto& value) { ReadKey(ini, key, value); });
    return settings;
}

Status SaveSettings(const std::filesystem::path& file, const StoredSettings& settings) {
    // One atomic replacement of the whole file instead of a write per key: the same result,
    // and a crash can no longer leave half of the keys written.
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return ini.error();
    ForEachSettingsKey(settings, [&](const SettingsKey& key, const auto& value) {
        ini.value().Set(key.section, key.name, SettingsValueText(value));
    });
    return ini.value().Save(file);
}

RemoteHost ParseRemoteHost(std::string_view text) {
    RemoteHost host{};
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

std::string FormatRemoteHost(const RemoteHost& host) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u.%03u", unsigned{host[0]},
                  unsigned{host[1]}, unsigned{host[2]}, unsigned{host[3]});
    return text;
}

std::string SettingsValueText(int value) { return std::to_string(value); }
std::string SettingsValueText(double value) { return FormatNumber(value); }
std::string SettingsValueText(const std::string& value) { return value; }
std::string SettingsValueText(const RemoteHost& value) { return FormatRemoteHost(value); }

std::string SettingsValueText(InstrumentErrorPolicy value) {
    for (const auto& [policy, word] : kPolicyWords)
        if (policy == value) return word;
    return "ask";
}

std::optional<InstrumentErrorPolicy> ParseInstrumentErrorPolicy(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    for (const auto& [policy, word] : kPolicyWords) {
        const std::string_view w(word);
        if (text.size() == w.size() &&
            std::equal(text.begin(), text.end(), w.begin(), [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            return policy;
    }
    return std::nullopt;
}

Status IniSettingsStore::Save(const StoredSettings& settings) {
    if (!location_.settingsFile) return {};  // no settings file: nothing is written
    return SaveSettings(*location_.settingsFile, settings);
}

}  // namespace tarvos
