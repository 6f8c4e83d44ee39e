// The --settings option, accepted before the command and after it, and the settings file it
// selects: without it the window program's own file, so both programs share one file.
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/settings_store.h"
#include "platform/result.h"

namespace tarvos::cli {

void AddSettingsOption(CLI::App& app, std::optional<std::string>& file);

// The file given after the command wins over the one given before it.
SettingsLocation LocateSettings(const std::optional<std::string>& beforeCommand,
                                const std::optional<std::string>& afterCommand);

// Why the settings file cannot be read although it is there (a folder, no permission); none
// when it reads or is absent. Such a file loads as defaults, and saving would replace it.
std::optional<Error> SettingsReadProblem(const SettingsLocation& where);

}  // namespace tarvos::cli
