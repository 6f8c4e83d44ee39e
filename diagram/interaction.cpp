#include "diagram/interaction.h"

#include <algorithm>
#include <cmath>

namespace tarvos {

namespace {

bool Inside(const Rect& r, Point p) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom; }

Rect Moved(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// The selection's ends, left first, by the direction the mouse went.
bool SelectionEnds(const DragState& drag, int* left, int* right) {
    if (drag.zoomDirection == 1) {
        *left = drag.dragStart.x;
        *right = drag.dragCurrent.x;
        return true;
    }
    if (drag.zoomDirection == 2) {
        *left = drag.dragCurrent.x;
        *right = drag.dragStart.x;
        return true;
    }
    return false;
}

MouseResult DropBox(ViewState& view, Point p) {
    DragState& drag = view.drag;
    const DiagramGeometry& g = view.geometry;
    drag.boxDragActive = 0;
    const Rect& r = drag.dragRect;
    const bool outside = r.top < g.plot.top || r.bottom > g.plot.bottom || r.left < g.plot.left || r.right > g.plot.right;
    const bool atPress = p == drag.dragStart;
    drag.outlineDrawn = 0;
    if (atPress || outside) return MouseResult::Feedback;  // the outline goes, nothing else
    view.settings.boxOffsetX = drag.pendingOffsetX;
    view.settings.boxOffsetY = drag.pendingOffsetY;
    view.settings.boxCorner = drag.pendingCorner;
    return MouseResult::Redraw;
}

MouseResult Zoom(ViewState& view, C_KVR_DiaDoc& doc) {
    DragState& drag = view.drag;
    DiagramGeometry& g = view.geometry;
    drag.zoomDragActive = 0;
    int lx = 0, rx = 0;
    const bool moved = SelectionEnds(drag, &lx, &rx);
    drag.zoomDirection = 0;
    if (!moved || drag.dragCurrent.x == drag.dragStart.x || g.plotWidth <= 0) return MouseResult::Feedback;
    const double newMin = g.snrMin + (lx - g.plot.left) * g.snrSpan / g.plotWidth;
    // The pointer stops one pixel short of the right frame line: that pixel means the very end.
    const double newMax = rx == g.plot.right - 1 ? g.snrMax : g.snrMin + (rx - g.plot.left) * g.snrSpan / g.plotWidth;
    if (!(newMax - newMin >= 0.001)) return MouseResult::Feedback;
    g.snrMin = newMin;
    g.snrMax = newMax;
    g.snrSpan = newMax - newMin;
    doc.BuildTheoreticalCurve(g.snrMin, g.snrMax);
    UpdateBerRange(g, doc, view.overlays);
    g.zoomed = 1;
    return MouseResult::Redraw;
}

}  // namespace

bool InBox(const ViewState& view, Point p) {
    const bool shown = view.settings.showLegend != 0 || view.settings.showInfoText != 0;
    return shown && Inside(view.boxRect, p);
}

bool InPlot(const DiagramGeometry& geometry, Point p) { return Inside(geometry.plot, p); }

CursorShape CursorFor(const ViewState& view, Point p) {
    if ((InBox(view, p) || view.drag.boxDragActive) && !view.drag.zoomDragActive) return CursorShape::Move;
    if (InPlot(view.geometry, p)) return CursorShape::Cross;
    return CursorShape::Arrow;
}

CornerChoice NearestCorner(const DiagramGeometry& g, const Rect& box) {
    const double L = box.left, T = box.top, R = box.right, B = box.bottom;
    const double dTL = std::hypot(L - g.plot.left, T - g.plot.top);
    const double dTR = std::hypot(g.plot.right - R, T - g.plot.top);
    const double dBL = std::hypot(L - g.plot.left, g.plot.bottom - B);
    const double dBR = std::hypot(g.plot.right - R, g.plot.bottom - B);
    CornerChoice c;
    if (dTL <= dTR && dTL <= dBL && dTL <= dBR) c.corner = 1;
    else if (dTR <= dBL && dTR <= dBR) c.corner = 2;
    else if (dBL <= dBR) c.corner = 3;
    else c.corner = 4;
    const bool right = c.corner == 2 || c.corner == 4;
    const bool bottom = c.corner == 3 || c.corner == 4;
    c.offsetX = right ? g.plot.right - box.right : box.left - g.plot.left;
    c.offsetY = bottom ? g.plot.bottom - box.bottom : box.top - g.plot.top;
    c.boxCorner = Point{right ? box.right : box.left, bottom ? box.bottom : box.top};
    c.plotCorner = Point{right ? g.plot.right : g.plot.left, bottom ? g.plot.bottom : g.plot.top};
    return c;
}

Point Confined(const Rect& confine, Point p) {
    // An empty area (a box as large as the plot) holds the pointer at its first corner.
    const int right = std::max(confine.left, confine.right - 1);
    const int bottom = std::max(confine.top, confine.bottom - 1);
    return Point{std::clamp(p.x, confine.left, right), std::clamp(p.y, confine.top, bottom)};
}

bool MouseCaptured(const ViewState& view) { return view.drag.boxDragActive || view.drag.zoomDragActive; }

MouseResult LeftButtonDown(ViewState& view, Point p) {
    DragState& drag = view.drag;
    const DiagramGeometry& g = view.geometry;
    if (MouseCaptured(view)) return MouseResult::Nothing;
    if (InBox(view, p)) {
        drag.dragRect = view.boxRect;
        drag.dragStart = p;
        drag.pendingOffsetX = view.settings.boxOffsetX;
        drag.pendingOffsetY = view.settings.boxOffsetY;
        drag.pendingCorner = view.settings.boxCorner;
        drag.boxDragActive = 1;
        drag.outlineDrawn = 0;
        // Only so far that the box stays strictly inside the frame.
        const Rect& b = view.boxRect;
        drag.confine = Rect{g.plot.left - b.left + p.x + 1, g.plot.top - b.top + p.y + 1,
                            g.plot.right - b.right + p.x, g.plot.bottom - b.bottom + p.y};
        return MouseResult::Nothing;
    }
    if (InPlot(g, p)) {
        drag.dragStart = drag.dragCurrent = p;
        drag.zoomDragActive = 1;
        drag.zoomDirection = 0;
        drag.confine = g.plot;
        return MouseResult::Nothing;
    }
    return MouseResult::Nothing;
}

MouseResult MouseMove(ViewState& view, Point p) {
    DragState& drag = view.drag;
    if (drag.boxDragActive) {
        p = Confined(drag.confine, p);
        drag.outlineDrawn = 1;
        drag.dragRect = Moved(view.boxRect, p.x - drag.dragStart.x, p.y - drag.dragStart.y);
        const CornerChoice c = NearestCorner(view.geometry, drag.dragRect);
        drag.pendingCorner = c.corner;
        drag.pendingOffsetX = c.offsetX;
        drag.pendingOffsetY = c.offsetY;
        return MouseResult::Feedback;
    }
    if (drag.zoomDragActive) {
        p = Confined(drag.confine, p);
        drag.dragCurrent = p;
        drag.zoomDirection = drag.dragStart.x < p.x ? 1 : 2;
        return MouseResult::Feedback;
    }
    return MouseResult::Nothing;
}

MouseResult LeftButtonUp(ViewState& view, C_KVR_DiaDoc& doc, Point p) {
    if (view.drag.boxDragActive) return DropBox(view, Confined(view.drag.confine, p));
    if (view.drag.zoomDragActive) return Zoom(view, doc);
    return MouseResult::Nothing;
}

MouseResult RightButtonDown(ViewState& view, Point p) {
    if (InPlot(view.geometry, p) && view.geometry.zoomed) view.drag.rightPressPending = 1;
    return MouseResult::Nothing;
}

MouseResult RightButtonUp(ViewState& view, C_KVR_DiaDoc& doc, Point p) {
    const bool reset = InPlot(view.geometry, p) && view.drag.rightPressPending;
    view.drag.rightPressPending = 0;
    if (!reset) return MouseResult::Nothing;
    ResetSnrRange(view, doc);
    return MouseResult::Redraw;
}

std::vector<std::vector<Point>> DragOutline(const ViewState& view) {
    const DragState& drag = view.drag;
    if (!drag.boxDragActive || !drag.outlineDrawn) return {};
    const Rect& r = drag.dragRect;
    const CornerChoice c = NearestCorner(view.geometry, r);
    return {{Point{r.left, r.top}, Point{r.right, r.top}, Point{r.right, r.bottom}, Point{r.left, r.bottom},
             Point{r.left, r.top}},
            {c.boxCorner, c.plotCorner}};
}

std::vector<std::vector<Point>> SelectionBrackets(const DiagramGeometry& g, int a, int b) {
    const int top = g.plot.top, bottom = g.plot.bottom;
    return {{Point{a, top + 15}, Point{a + 10, top + 5}, Point{a, top + 5}, Point{a, bottom - 5},
             Point{a + 10, bottom - 5}, Point{a, bottom - 15}},
            {Point{b, top + 15}, Point{b - 10, top + 5}, Point{b, top + 5}, Point{b, bottom - 5},
             Point{b - 10, bottom - 5}, Point{b, bottom - 15}}};
}

std::vector<std::vector<Point>> SelectionFeedback(const ViewState& view) {
    int a = 0, b = 0;
    if (!view.drag.zoomDragActive || !SelectionEnds(view.drag, &a, &b)) return {};
    return SelectionBrackets(view.geometry, a, b);
}

}  // namespace tarvos
