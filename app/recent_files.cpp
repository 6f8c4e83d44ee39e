#include "app/recent_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace tarvos {

namespace {

// Longer than any path the system opens.
constexpr std::size_t kMaxPathLength = 4096;

std::string FileKey(std::size_t number) { return "File" + std::to_string(number); }

std::string Normalised(const std::string& path) {
    std::filesystem::path p(path);
    if (p.is_relative()) {
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(p, ignored);
        if (!absolute.empty()) p = absolute;
    }
    return p.lexically_normal().string();
}

bool Storable(const std::string& path) {
    return !path.empty() && path.size() <= kMaxPathLength && path.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The settings file trims a value and takes off one pair of quotes: a path with white space at
// its end is written quoted, so that it reads back as it was.
std::string SettingsText(const std::string& path) {
    const bool padded = std::isspace(static_cast<unsigned char>(path.front())) ||
                        std::isspace(static_cast<unsigned char>(path.back()));
    return padded ? "\"" + path + "\"" : path;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        if (c == '&') out.push_back('&');
    }
    return out;
}

// "&1" to "&9", then "1&0" as the tenth; later entries have no mnemonic.
std::string Number(std::size_t number) {
    if (number < 10) return "&" + std::to_string(number);
    if (number == 10) return "1&0";
    return std::to_string(number);
}

}  // namespace

bool RecentFiles::Add(const std::string& path) {
    if (!Storable(path)) return false;
    const std::string file = Normalised(path);
    if (!Storable(file)) return false;
    std::erase(entries_, file);
    entries_.insert(entries_.begin(), file);
    if (entries_.size() > kMaxRecentFiles) entries_.resize(kMaxRecentFiles);
    return true;
}

bool RecentFiles::Remove(const std::string& path) {
    if (!Storable(path)) return false;
    return std::erase(entries_, Normalised(path)) > 0;
}

RecentFiles ReadRecentFiles(const IniFile& ini) {
    RecentFiles files;
    // The oldest first, so that File1 ends up in front and a repeat keeps its earlier place.
    for (std::size_t number = kMaxRecentFiles; number >= 1; --number) {
        const std::optional<std::string> path = ini.Get(kRecentFilesSection, FileKey(number));
        if (path) files.Add(*path);
    }
    return files;
}

void WriteRecentFiles(IniFile& ini, const RecentFiles& files) {
    // Bounded by the file's lines: each pass removes one section.
    while (ini.RemoveSection(kRecentFilesSection)) {
    }
    const std::vector<std::string>& entries = files.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) ini.Set(kRecentFilesSection, FileKey(i + 1), SettingsText(entries[i]));
}

std::vector<std::string> RecentMenuTexts(const std::vector<std::string>& entries) {
    std::vector<std::string> names;
    for (const std::string& entry : entries) names.push_back(std::filesystem::path(entry).filename().string());
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool shared = std::count(names.begin(), names.end(), names[i]) > 1 || names[i].empty();
        texts.push_back(Number(i + 1) + " " + Escaped(shared ? entries[i] : names[i]));
    }
    return texts;
}

std::string RecentFileGoneMessage(const std::string& path) {
    return path + " was not found.\nIt has been removed from the list of recent files.";
}

}  // namespace tarvos
