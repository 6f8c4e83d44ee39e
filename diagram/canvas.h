// What the diagram is drawn on: lines, rectangles filled white and text with seven pens chosen
// by role. The renderer draws only through this interface; the window, images and paper use a
// QPainter canvas, the tests a recording one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvos {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Pens of the diagram (screen widths; on paper times the scale factor):
// Grid solid 1 (150,150,150); Frame solid 2 black; Measured solid 2 (200,0,0);
// ZeroLink dashed 1 (200,0,0); Theory solid 2 (0,150,0); MarkerShaft solid 1 (0,0,200);
// Marker solid 2 (0,0,200).
// Compared measurements take the overlay pens in turn: solid 2 for the curve, dashed 1 in the
// same colour for its links to zero BERs.
enum class PenRole {
    Grid, Frame, Measured, ZeroLink, Theory, MarkerShaft, Marker,
    Overlay1, Overlay2, Overlay3, Overlay4, Overlay5, Overlay6,
    OverlayLink1, OverlayLink2, OverlayLink3, OverlayLink4, OverlayLink5, OverlayLink6
};

inline constexpr int kOverlayPens = 6;

// The pens of the overlay at `index` (from 0); the palette repeats after kOverlayPens.
inline PenRole OverlayPen(std::size_t index) {
    return static_cast<PenRole>(static_cast<int>(PenRole::Overlay1) +
                                static_cast<int>(index % kOverlayPens));
}
inline PenRole OverlayLinkPen(std::size_t index) {
    return static_cast<PenRole>(static_cast<int>(PenRole::OverlayLink1) +
                                static_cast<int>(index % kOverlayPens));
}

class Canvas {
public:
    virtual ~Canvas() = default;

    // The start of a repaint: scale factor s (1 on screen) and whether this is paper.
    virtual void Begin(int scale, bool onPaper) = 0;
    virtual void SetPen(PenRole pen) = 0;
    virtual void MoveTo(Point p) = 0;
    // A line from the current position to `p` with the current pen; `p` becomes the position.
    virtual void LineTo(Point p) = 0;
    // Outline with the current pen, filled white.
    virtual void Rectangle(Rect r) = 0;
    // White, without outline.
    virtual void FillWhite(Rect r) = 0;
    // Black text on an opaque white cell, the cell's top-left corner at `topLeft`.
    virtual void Text(Point topLeft, const std::string& text) = 0;
    // Feedback figures (drag outlines) are drawn inverting, so drawing them twice removes them.
    virtual void SetInvert(bool invert) = 0;
};

}  // namespace tarvos
