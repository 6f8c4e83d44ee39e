#include "app/window_placement.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace tarvos {

namespace {

// Sizes and places stored by hand may be anything: the sums below are taken in 64 bits.
using Wide = std::int64_t;

Wide Overlap(Wide aFrom, Wide aSize, Wide bFrom, Wide bSize) {
    return std::max<Wide>(0, std::min(aFrom + aSize, bFrom + bSize) - std::max(aFrom, bFrom));
}

// One axis: the size limited to the room less the frame, then the framed span moved into the room.
void FitAxis(int& from, int& size, int before, int after, int roomFrom, int roomSize) {
    const Wide room = std::max<Wide>(1, Wide{roomSize} - before - after);
    const Wide fitted = std::clamp<Wide>(size, 1, room);
    Wide outer = Wide{from} - before;
    outer = std::min(outer, Wide{roomFrom} + roomSize - (fitted + before + after));
    outer = std::max(outer, Wide{roomFrom});
    from = static_cast<int>(outer + before);
    size = static_cast<int>(fitted);
}

}  // namespace

std::size_t ScreenFor(const WindowRect& window, const std::vector<WindowRect>& screens) {
    std::size_t best = 0;
    Wide bestArea = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const WindowRect& s = screens[i];
        const Wide area = Overlap(window.x, window.width, s.x, s.width) * Overlap(window.y, window.height, s.y, s.height);
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

WindowRect FitIntoScreen(const WindowRect& window, const WindowRect& screen, const FrameMargins& frame) {
    WindowRect fitted = window;
    FitAxis(fitted.x, fitted.width, frame.left, frame.right, screen.x, screen.width);
    FitAxis(fitted.y, fitted.height, frame.top, frame.bottom, screen.y, screen.height);
    return fitted;
}

WindowRect StartPlacement(const std::optional<WindowRect>& stored, int defaultWidth, int defaultHeight,
                          const std::vector<WindowRect>& screens, const FrameMargins& frame) {
    if (stored) {
        if (screens.empty()) return *stored;
        return FitIntoScreen(*stored, screens[ScreenFor(*stored, screens)], frame);
    }
    // The top left corner, which leaves the room to its right for the measurement dialog.
    const WindowRect window{0, 0, defaultWidth, defaultHeight};
    if (screens.empty()) return window;
    return FitIntoScreen(window, screens.front(), frame);
}

std::optional<WindowPlacement> ReadWindowPlacement(const IniFile& ini) {
    WindowPlacement placement;
    placement.normal.width = ini.GetInt(kWindowSection, "Width", 0);
    placement.normal.height = ini.GetInt(kWindowSection, "Height", 0);
    if (placement.normal.width <= 0 || placement.normal.height <= 0) return std::nullopt;
    placement.normal.x = ini.GetInt(kWindowSection, "X", 0);
    placement.normal.y = ini.GetInt(kWindowSection, "Y", 0);
    placement.maximized = ini.GetInt(kWindowSection, "Maximized", 0) != 0;
    return placement;
}

void WriteWindowPlacement(IniFile& ini, const WindowPlacement& placement) {
    ini.Set(kWindowSection, "X", std::to_string(placement.normal.x));
    ini.Set(kWindowSection, "Y", std::to_string(placement.normal.y));
    ini.Set(kWindowSection, "Width", std::to_string(placement.normal.width));
    ini.Set(kWindowSection, "Height", std::to_string(placement.normal.height));
    ini.Set(kWindowSection, "Maximized", placement.maximized ? "1" : "0");
}

}  // namespace tarvos
