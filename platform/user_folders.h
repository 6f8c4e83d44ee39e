// The per-user folders of the XDG base directory rules, and the choice between a folder beside
// the program (where an installed program's user cannot write) and such a per-user folder.
#pragma once

#include <filesystem>
#include <optional>

namespace tarvos {

// $XDG_CONFIG_HOME, else ~/.config; none when neither it nor a home folder is known.
std::optional<std::filesystem::path> UserConfigFolder();
// $XDG_STATE_HOME, else ~/.local/state; none when neither it nor a home folder is known.
std::optional<std::filesystem::path> UserStateFolder();

// Whether this user may create files in `folder` (a folder that exists).
bool MayCreateFilesIn(const std::filesystem::path& folder);

// `wanted` when it is a folder this user may write in, or can be made one (its parent must
// exist); otherwise `fallback`, made with its parents when missing. `wanted` when neither works,
// so that the caller's own failure handling sees the folder it expects.
std::filesystem::path WritableFolderOr(const std::filesystem::path& wanted,
                                       const std::optional<std::filesystem::path>& fallback);

}  // namespace tarvos
