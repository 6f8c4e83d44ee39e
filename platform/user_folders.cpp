#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace tarvos {
namespace {

// The rules ignore a relative value: it would depend on the folder the program starts in.
std::optional<std::filesystem::path> AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> HomeFolder() {
    if (auto home = AbsoluteVariable("HOME")) return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) return std::nullopt;
    if (found->pw_dir == nullptr || found->pw_dir[0] != '/') return std::nullopt;
    return std::filesystem::path(found->pw_dir);
}

std::optional<std::filesystem::path> UserFolder(const char* variable, const char* underHome) {
    if (auto folder = AbsoluteVariable(variable)) return folder;
    if (auto home = HomeFolder()) return *home / underHome;
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> UserConfigFolder() { return UserFolder("XDG_CONFIG_HOME", ".config"); }

std::optional<std::filesystem::path> UserStateFolder() { return UserFolder("XDG_STATE_HOME", ".local/state"); }

bool MayCreateFilesIn(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? "." : folder;
    std::error_code error;
    return std::filesystem::is_directory(where, error) && ::access(where.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path WritableFolderOr(const std::filesystem::path& wanted,
                                       const std::optional<std::filesystem::path>& fallback) {
    std::error_code error;
    if (std::filesystem::is_directory(wanted, error)) {
        if (MayCreateFilesIn(wanted)) return wanted;
    } else if (!std::filesystem::exists(wanted, error) && std::filesystem::create_directory(wanted, error)) {
        return wanted;
    }
    if (!fallback) return wanted;
    std::filesystem::create_directories(*fallback, error);
    return MayCreateFilesIn(*fallback) ? *fallback : wanted;
}

}  // namespace tarvos
