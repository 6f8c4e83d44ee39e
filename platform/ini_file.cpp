#include "platform/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/number_text.h"

namespace tarvos {
namespace {

// Settings files are small; anything beyond this is not one and is not worth the memory.
constexpr std::size_t kMaxIniBytes = std::size_t{16} << 20;

constexpr std::string_view kSpace = " \t\r\n\v\f";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

// The section name of a "[Name]" line, none for every other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

// The key of a "key=value" line (as spelled, white space trimmed), none for other lines.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = Trim(trimmed.substr(0, equals));
    if (key.empty()) return std::nullopt;
    return key;
}

std::string_view RawValue(std::string_view line) {
    return line.substr(line.find('=') + 1);
}

std::string_view WithoutQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Names that would be read back as something else ("a]b" ends the header early, "k=x" splits
// the key, a key starting with ';' or '[' turns into a comment or a header) cannot be written.
bool WritableNames(std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    return key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

// A value with a line break would inject lines of its own into the file (even a whole section),
// so breaks are dropped from written values.
std::string WithoutLineBreaks(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n') out.push_back(c);
    }
    return out;
}

bool EndsWithCarriageReturn(std::string_view line) { return !line.empty() && line.back() == '\r'; }

// Where one section's lines lie: its header and the index one past its last line.
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (!name || !SameName(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end])) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, const SectionRange& range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto name = KeyName(lines[i]);
        if (name && SameName(*name, key)) return i;
    }
    return std::nullopt;
}

std::size_t AfterLastKey(const std::vector<std::string>& lines, const SectionRange& range) {
    std::size_t after = range.header + 1;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (KeyName(lines[i])) after = i + 1;
    }
    return after;
}

// Adds lines (given without line ends) at `at`. When they go after the unterminated last line
// of a text, that line gets the text's line end and the last added line goes without one, so
// the text keeps both its style and its missing final break.
void InsertLines(std::vector<std::string>& lines, std::size_t at, std::vector<std::string> added,
                 std::string_view lineEnd, bool finalNewline) {
    const bool unterminatedTail = at == lines.size() && !finalNewline;
    if (unterminatedTail && !lines.empty()) lines.back() += lineEnd;
    for (std::size_t i = 0; i < added.size(); ++i) {
        if (!(unterminatedTail && i + 1 == added.size())) added[i] += lineEnd;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::make_move_iterator(added.begin()),
                 std::make_move_iterator(added.end()));
}

}  // namespace

// Lines are split at LF only and a CR before it stays the line's last character. That keeps
// every text, even one with mixed line endings or a stray CR, exactly as it was, and lets a
// rewritten line keep its own ending.
IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
        ini.newline_ = "\r\n";
    }
    ini.finalNewline_ = text.empty() || text.back() == '\n';
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ini.lines_.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return ini;
}

IniFile IniFile::Load(const std::filesystem::path& path) {
    auto bytes = ReadWholeFile(path, kMaxIniBytes);
    return bytes ? Parse(bytes.value()) : IniFile{};
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const auto range = FindSection(lines_, section);
    if (!range) return std::nullopt;
    const auto line = FindKey(lines_, *range, key);
    if (!line) return std::nullopt;
    return std::string(WithoutQuotes(Trim(RawValue(lines_[*line]))));
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback, std::size_t bufferSize) const {
    std::string value = Get(section, key).value_or(std::string(fallback));
    const std::size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
    if (value.size() > limit) value.resize(limit);
    return value;
}

int IniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
    const auto value = Get(section, key);
    return value ? ParseLeadingInt(*value) : fallback;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!WritableNames(section, key)) return;
    section = Trim(section);
    key = Trim(key);
    const std::string entry = std::string(key) + "=" + WithoutLineBreaks(value);
    const std::string_view lineEnd = newline_ == "\r\n" ? "\r" : "";
    const auto range = FindSection(lines_, section);
    if (!range) {
        if (lines_.empty()) finalNewline_ = true;
        std::vector<std::string> added;
        if (!lines_.empty() && !IsBlank(lines_.back())) added.emplace_back();
        added.push_back("[" + std::string(section) + "]");
        added.push_back(entry);
        InsertLines(lines_, lines_.size(), std::move(added), lineEnd, finalNewline_);
    } else if (const auto line = FindKey(lines_, *range, key)) {
        std::string& text = lines_[*line];
        const std::string_view ownEnd = EndsWithCarriageReturn(text) ? "\r" : "";
        text = std::string(*KeyName(text)) + entry.substr(key.size()) + std::string(ownEnd);
    } else {
        InsertLines(lines_, AfterLastKey(lines_, *range), {entry}, lineEnd, finalNewline_);
    }
}

std::string IniFile::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i];
        if (i + 1 < lines_.size() || finalNewline_) text += '\n';
    }
    return text;
}

Status IniFile::Save(const std::filesystem::path& path) const { return WriteFileAtomically(path, Text()); }

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback, std::size_t bufferSize) {
    return IniFile::Load(file).GetString(section, key, fallback, bufferSize);
}

int ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int fallback) {
    return IniFile::Load(file).GetInt(section, key, fallback);
}

// Unlike a read, a write must not take an unreadable file for an empty one: saving would
// replace the whole file by a single value. Only a missing file starts empty.
std::vector<std::string> IniFile::Sections() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_) {
        const auto name = SectionName(line);
        if (!name) continue;
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& n) { return SameName(n, *name); });
        if (!seen) names.emplace_back(*name);
    }
    return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> names;
    const auto range = FindSection(lines_, section);
    if (!range) return names;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto name = KeyName(lines_[i]);
        if (!name) continue;
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& n) { return SameName(n, *name); });
        if (!seen) names.emplace_back(*name);
    }
    return names;
}

bool IniFile::RemoveSection(std::string_view section) {
    const auto range = FindSection(lines_, section);
    if (!range) return false;
    std::size_t first = range->header;
    if (first > 0 && IsBlank(lines_[first - 1])) --first;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return true;
}

Result<IniFile> IniFile::LoadForUpdate(const std::filesystem::path& path) {
    auto bytes = ReadWholeFile(path, kMaxIniBytes);
    if (bytes) return Parse(bytes.value());
    if (bytes.error().systemError == ENOENT) return IniFile{};
    return Error{"the file cannot be read: " + bytes.error().message, bytes.error().systemError};
}

Status WriteProfileString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view value) {
    if (!WritableNames(section, key)) {
        return Error{file.string() + ": section or key name cannot be written to a settings file", EINVAL};
    }
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return ini.error();
    ini.value().Set(section, key, value);
    return ini.value().Save(file);
}

}  // namespace tarvos
