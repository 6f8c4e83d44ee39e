// The main window's own sections of the settings file: its size and place ("Window") and the
// recent files ("Recent Files"), read when the window is made and written when it goes. The
// document's and the diagram's sections are never touched.
#pragma once

#include <filesystem>
#include <optional>

#include "app/recent_files.h"
#include "app/window_placement.h"
#include "platform/result.h"

namespace tarvos {

struct FrameSettings {
    std::optional<WindowPlacement> placement;  // none: never stored, or the window never shown
    RecentFiles recent;
};

// No file, or a missing or unreadable one: nothing stored.
FrameSettings LoadFrameSettings(const std::optional<std::filesystem::path>& file);
// Writes the two sections (the window's only when a placement is given) in one atomic write,
// and nothing at all when the file would not change. A file that exists but cannot be read is
// left alone and reported.
Status SaveFrameSettings(const std::filesystem::path& file, const FrameSettings& settings);

}  // namespace tarvos
