// Private-profile INI files with the semantics settings files have always had on the desktop:
// case-insensitive section and key names, the first match wins, a write replaces one value and
// leaves every other line exactly as it was, and creates the file, section or key on demand.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace tarvos {

// Size of the value buffer of the classic profile reader: at most 259 characters are taken.
inline constexpr std::size_t kProfileBufferSize = 260;

// An INI text held line by line, so that edits are surgical. Line endings of an existing text
// (LF or CR LF) are kept; new lines use the text's style.
class IniFile {
public:
    IniFile() = default;
    static IniFile Parse(std::string_view text);
    // A missing or unreadable file reads as an empty one.
    static IniFile Load(const std::filesystem::path& path);
    // For a read-modify-write: a missing file is an empty text, but a file that exists and
    // cannot be read is an error, so that saving never replaces what could not be seen.
    static Result<IniFile> LoadForUpdate(const std::filesystem::path& path);

    // The value of the first matching key of the first matching section: white space around
    // it trimmed and one pair of enclosing quotes (" or ') removed. None when absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // As the profile reader: the value, or `fallback` when absent, cut to bufferSize - 1 characters.
    std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                          std::size_t bufferSize = kProfileBufferSize) const;
    // The leading integer of the value, 0 when it has none, `fallback` when absent.
    int GetInt(std::string_view section, std::string_view key, int fallback) const;

    // Replaces the value of an existing key (its line keeps the key's own spelling), or adds
    // the key after the section's last entry, or adds the section at the end of the text.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Section names in file order (each name once, as first spelled).
    std::vector<std::string> Sections() const;
    // Key names of the first matching section in file order (each name once, as first spelled),
    // so that Get reads the value of each.
    std::vector<std::string> Keys(std::string_view section) const;
    // Removes the first matching section with its lines, and a blank line before it; false
    // when there is none.
    bool RemoveSection(std::string_view section);

    std::string Text() const;
    // Writes the text atomically.
    Status Save(const std::filesystem::path& path) const;

private:
    std::vector<std::string> lines_;  // split at LF; the CR of a CR LF ending stays on its line
    std::string newline_ = "\n";
    bool finalNewline_ = true;
};

// One-shot forms of the classic profile functions, each reading the file afresh.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t bufferSize = kProfileBufferSize);
int ReadProfileInt(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, int fallback);
Status WriteProfileString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view value);

}  // namespace tarvos
