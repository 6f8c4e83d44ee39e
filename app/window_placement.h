// Where the main window opens: the size and place it had at the last end, kept in a section of
// its own in the settings file ("Window"), or the default size at the screen's top left corner;
// in either case shrunk and moved so that the whole window with its frame lies on one screen.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/ini_file.h"

namespace tarvos {

inline constexpr const char* kWindowSection = "Window";

// A rectangle in the screen's logical pixels.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// What the window manager's frame adds around the window's client area.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The client area of the window when not maximised, and whether it was maximised.
struct WindowPlacement {
    WindowRect normal;
    bool maximized = false;
    bool operator==(const WindowPlacement&) const = default;
};

// The screen (by index; `screens` holds their available areas, the primary first) that shows
// the largest part of `window`; the primary when none shows any of it.
std::size_t ScreenFor(const WindowRect& window, const std::vector<WindowRect>& screens);

// `window` made no larger than `screen` with its frame around it, then moved the least way so
// that window and frame lie inside `screen`.
WindowRect FitIntoScreen(const WindowRect& window, const WindowRect& screen, const FrameMargins& frame);

// The window's client area at start-up: the stored one fitted into the screen that shows most
// of it, or `defaultWidth` x `defaultHeight` at the top left of the primary screen, fitted into it.
// `screens` as for ScreenFor; with no screen known the stored or default area as it is.
WindowRect StartPlacement(const std::optional<WindowRect>& stored, int defaultWidth, int defaultHeight,
                          const std::vector<WindowRect>& screens, const FrameMargins& frame);

// X, Y, Width, Height and Maximized of the section; none when it gives no positive size.
std::optional<WindowPlacement> ReadWindowPlacement(const IniFile& ini);
void WriteWindowPlacement(IniFile& ini, const WindowPlacement& placement);

}  // namespace tarvos
