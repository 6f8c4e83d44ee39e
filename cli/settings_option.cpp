#include "cli/settings_option.h"

#include <cerrno>
#include <filesystem>

#include "platform/atomic_file.h"

namespace tarvos::cli {

void AddSettingsOption(CLI::App& app, std::optional<std::string>& file) {
    app.add_option("--settings", file,
                   "Settings file to use instead of kvr-tarvos.ini beside this program")
        ->type_name("FILE")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the settings file name is empty") : std::string();
        });
}

SettingsLocation LocateSettings(const std::optional<std::string>& beforeCommand,
                                const std::optional<std::string>& afterCommand) {
    const std::optional<std::string>& chosen = afterCommand ? afterCommand : beforeCommand;
    if (chosen) return LocateSettingsFile(std::filesystem::path(*chosen));
    return LocateSettingsFile(std::nullopt, kWindowProgramName);
}

std::optional<Error> SettingsReadProblem(const SettingsLocation& where) {
    if (!where.settingsFile) return std::nullopt;
    Result<std::string> read = ReadWholeFile(*where.settingsFile);
    if (read.ok()) return std::nullopt;
    const int error = read.error().systemError;
    if (error == ENOENT || error == ENOTDIR) return std::nullopt;
    return read.error();
}

}  // namespace tarvos::cli
