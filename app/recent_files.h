// The File menu's list of recently used documents: most recent first, each file once, at most
// kMaxRecentFiles; kept in a section of its own in the settings file ("Recent Files", File1=...).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ini_file.h"

namespace tarvos {

inline constexpr std::size_t kMaxRecentFiles = 6;
inline constexpr const char* kRecentFilesSection = "Recent Files";

class RecentFiles {
public:
    // Puts the file first (as an absolute, normalised path): a file already listed moves to the
    // front, the oldest entry falls off beyond the limit. A path that a settings line cannot
    // hold (empty, too long, with a line break) is not listed: false.
    bool Add(const std::string& path);
    // False when the file was not listed.
    bool Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return entries_; }
    bool operator==(const RecentFiles&) const = default;

private:
    std::vector<std::string> entries_;
};

// File1 to File<kMaxRecentFiles> of the section; missing keys, empty values and repeats skipped.
RecentFiles ReadRecentFiles(const IniFile& ini);
// Replaces the whole section (none when the list is empty); every other line stays as it was.
void WriteRecentFiles(IniFile& ini, const RecentFiles& files);

// The menu items' texts in list order: "&1 result.tvd"; the whole path where two entries share
// a file name; "&" doubled so that it shows as itself.
std::vector<std::string> RecentMenuTexts(const std::vector<std::string>& entries);

// Told when a recent file chosen in the menu is gone and has left the list.
std::string RecentFileGoneMessage(const std::string& path);

}  // namespace tarvos
