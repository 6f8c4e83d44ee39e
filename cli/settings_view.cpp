#include "cli/settings_view.h"

#include <filesystem>
#include <system_error>
#include <type_traits>

#include "app/settings_keys.h"
#include "app/settings_store.h"

#include "cli/json_text.h"
#include "cli/settings_option.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

template <class T>
Json JsonValue(const T& value) {
    if constexpr (std::is_same_v<T, double>) return JsonNumber(value);
    else if constexpr (std::is_same_v<T, RemoteHost>)
        return Json::array({value[0], value[1], value[2], value[3]});
    else if constexpr (std::is_same_v<T, InstrumentErrorPolicy>)
        return SettingsValueText(value);
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
        text += std::string(key.section) + "/" + key.name + " = " + SettingsValueText(value) + "\n";
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
