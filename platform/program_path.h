// Where the running program lies, and the settings file that belongs to a program file.
#pragma once

#include <filesystem>
#include <optional>

namespace tarvos {

// Full path of the running program file; none when the system does not tell it.
std::optional<std::filesystem::path> RunningProgramPath();

// The settings file of a program file: its path with a final ".exe" (any letter case)
// replaced by ".ini", or with ".ini" appended when the name has no ".exe".
std::filesystem::path SettingsFileForProgram(const std::filesystem::path& programFile);

}  // namespace tarvos
