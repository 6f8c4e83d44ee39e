// The program's settings file: the sections "Measurement", "Port Settings" and "KVR Settings"
// that the document loads when it is created and writes back when it is closed.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/settings_keys.h"
#include "document/settings_persistence.h"

namespace tarvos {

// The window program's name: every program of the suite shares its settings file.
inline constexpr const char* kWindowProgramName = "kvr-tarvos";

struct SettingsLocation {
    std::optional<std::filesystem::path> programPath;
    std::optional<std::filesystem::path> settingsFile;  // none: defaults, nothing written
};

// The settings file: `explicitFile` (--settings) when given; otherwise the file that belongs to
// the running program, or to `programName` in the running program's folder when one is named.
// When the file beside the program can be neither written nor created (an installed program),
// its user's own file takes its place (see SettingsFileOrFallback).
SettingsLocation LocateSettingsFile(const std::optional<std::filesystem::path>& explicitFile,
                                    std::string_view programName = {});

// `besideProgram` when this user may write it or create it; otherwise
// `userConfigFolder`/kvr-tarvos/kvr-tarvos.ini, which starts as a copy of the file beside the
// program when it does not exist yet. `besideProgram` when the user's file cannot be made either.
std::filesystem::path SettingsFileOrFallback(const std::filesystem::path& besideProgram,
                                             const std::optional<std::filesystem::path>& userConfigFolder);

// Reads the three sections and our own; a missing file or key gives the default, a value without
// a number 0, a policy that is no known word "ask".
StoredSettings LoadSettings(const std::optional<std::filesystem::path>& file);
// Writes every key of the three sections in order; other sections and keys stay as they are.
// A file that exists but cannot be read is left alone and reported.
Status SaveSettings(const std::filesystem::path& file, const StoredSettings& settings);

// Four octets from "a.b.c.d" (each the low 8 bits of its leading integer); all 0 when a "."
// is missing; written back as four zero-padded three-digit octets.
RemoteHost ParseRemoteHost(std::string_view text);
std::string FormatRemoteHost(const RemoteHost& host);

// A field's text as the settings file holds it: integers in decimal, doubles by the number
// rule (100., 2.e-004), the parity as it is, the remote host as 010.000.000.001.
std::string SettingsValueText(int value);
std::string SettingsValueText(double value);
std::string SettingsValueText(const std::string& value);
std::string SettingsValueText(const RemoteHost& value);
std::string SettingsValueText(InstrumentErrorPolicy value);

// "ask", "retry" or "cancel"; none for any other text (letter case does not matter).
std::optional<InstrumentErrorPolicy> ParseInstrumentErrorPolicy(std::string_view text);

// The document's store backed by the settings file.
class IniSettingsStore : public SettingsPersistence {
public:
    explicit IniSettingsStore(SettingsLocation location) : location_(std::move(location)) {}
    StoredSettings Load() override { return LoadSettings(location_.settingsFile); }
    Status Save(const StoredSettings& settings) override;
    const SettingsLocation& Location() const { return location_; }

private:
    SettingsLocation location_;
};

}  // namespace tarvos
