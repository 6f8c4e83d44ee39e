// What the mouse does with the diagram, without the window: the hit tests and cursors, the
// legend box drag that snaps to the nearest plot corner, the range selection that zooms the S/N
// axis, and the right click that restores the measure range. The window forwards its mouse
// events here and repaints when told; the feedback figures are drawn by the renderer.
#pragma once

#include <vector>

#include "diagram/view_state.h"
#include "document/dia_doc.h"

namespace tarvos {

// Inclusive on all four edges. The box counts only while legend or info text is shown.
bool InBox(const ViewState& view, Point p);
bool InPlot(const DiagramGeometry& geometry, Point p);

enum class CursorShape { Arrow, Cross, Move };
CursorShape CursorFor(const ViewState& view, Point p);

// The plot corner nearest to a box at `box` (ties to the lower number), the box's offsets from
// it, and the connector line from the box corner to the plot corner.
struct CornerChoice {
    int corner = 1;
    int offsetX = 0;
    int offsetY = 0;
    Point boxCorner;
    Point plotCorner;
};
CornerChoice NearestCorner(const DiagramGeometry& geometry, const Rect& box);

// A point kept inside `confine` (right and bottom exclusive), as a confined pointer would be.
Point Confined(const Rect& confine, Point p);

// What the window has to do after an event.
enum class MouseResult {
    Nothing,
    Feedback,  // the drag outline or the brackets changed: repaint
    Redraw,    // the diagram changed (box moved, zoomed, range reset): repaint everything now
};

MouseResult LeftButtonDown(ViewState& view, Point p);
MouseResult MouseMove(ViewState& view, Point p);
MouseResult LeftButtonUp(ViewState& view, C_KVR_DiaDoc& doc, Point p);
MouseResult RightButtonDown(ViewState& view, Point p);
MouseResult RightButtonUp(ViewState& view, C_KVR_DiaDoc& doc, Point p);
// Whether the window holds the mouse (a drag is in progress).
bool MouseCaptured(const ViewState& view);

// The feedback figures as polylines in window pixels: the drag outline with its connector line,
// and the selection brackets for the left end a and the right end b.
std::vector<std::vector<Point>> DragOutline(const ViewState& view);
std::vector<std::vector<Point>> SelectionBrackets(const DiagramGeometry& geometry, int a, int b);
// The brackets of the selection in progress, if any.
std::vector<std::vector<Point>> SelectionFeedback(const ViewState& view);

}  // namespace tarvos
