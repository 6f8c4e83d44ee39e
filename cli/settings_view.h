// The three settings groups as "tarvos settings" shows them: as text with the settings file's
// own section and key names and encodings, or as JSON.
#pragma once

#include <string>

#include "app/settings_store.h"

namespace tarvos::cli {

// A first line naming the settings file, then one "Section/Key = value" line per key in the
// order the file is written.
std::string SettingsText(const SettingsLocation& where, const StoredSettings& settings);

// {"file", "options", "port", "receiver"}; the remote host as an array of four numbers.
std::string SettingsJson(const SettingsLocation& where, const StoredSettings& settings);

}  // namespace tarvos::cli
