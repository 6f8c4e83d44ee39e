#include "platform/program_path.h"

#include <unistd.h>

#include <string>

namespace tarvos {
namespace {

constexpr std::size_t kFirstBufferSize = 256;
constexpr std::size_t kMaxBufferSize = std::size_t{64} << 10;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithExe(const std::string& name) {
    constexpr std::string_view kExe = ".exe";
    if (name.size() < kExe.size()) return false;
    const std::size_t start = name.size() - kExe.size();
    for (std::size_t i = 0; i < kExe.size(); ++i) {
        if (LowerAscii(name[start + i]) != kExe[i]) return false;
    }
    return true;
}

}  // namespace

// readlink does not say how long the link is; a result that fills the buffer may have been
// cut, so the buffer grows until the text fits.
std::optional<std::filesystem::path> RunningProgramPath() {
    for (std::size_t size = kFirstBufferSize; size <= kMaxBufferSize; size *= 2) {
        std::string buffer(size, '\0');
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0) return std::nullopt;
        if (static_cast<std::size_t>(length) < size) {
            buffer.resize(static_cast<std::size_t>(length));
            return std::filesystem::path(buffer);
        }
    }
    return std::nullopt;
}

std::filesystem::path SettingsFileForProgram(const std::filesystem::path& programFile) {
    std::string name = programFile.string();
    if (EndsWithExe(name)) {
        name.replace(name.size() - 4, 4, ".ini");
    } else {
        name += ".ini";
    }
    return name;
}

}  // namespace tarvos
