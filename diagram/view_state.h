// The diagram view's state and geometry: settings, plot layout, BER range, the mapping of
// (S/N, BER) to device pixels and the axis grids. Qt-free; the renderer and the window share it.
#pragma once

#include <string>
#include <vector>

#include "diagram/canvas.h"
#include "diagram/interval_cache.h"
#include "diagram/overlay.h"
#include "document/dia_doc.h"

namespace tarvos {

// The diagram options as the settings file keeps them (flags are 0/1).
struct DiagramSettings {
    int showCnAxis = 1;
    int showLegend = 1;
    int showSamplePoints = 1;
    int showEndValue = 1;
    int showInfoText = 1;
    // The 95 % confidence interval of each measured BER with its counts as a vertical bar.
    // Off unless asked for: a page without it looks as it always did.
    int showErrorBars = 0;
    int maxGridSpacing = 60;  // pixels between S/N grid lines at most
    int boxOffsetX = 20;
    int boxOffsetY = 20;
    int boxCorner = 3;        // 1 top left, 2 top right, 3 bottom left, 4 bottom right
};

// maxGridSpacing clamped to 2..2000 and a boxCorner outside 1..4 taken as 3; everything else
// as it stands.
DiagramSettings Sanitized(DiagramSettings settings);

struct MappedPoint {
    int x = 0;
    int y = 0;
    bool valid = false;
};

// Positions in device pixels: screen pixels times scaleFactor (1 on screen).
struct DiagramGeometry {
    double cnOffset = 0.0;     // S/N - C/N of the receiver settings
    double printScale = 1.0;   // device pixels per screen pixel on paper
    int scaleFactor = 1;       // s of the current repaint
    double snrMin = 0.0;
    double snrMax = 0.0;
    double snrSpan = 0.0;
    double berMin = 1e-16;
    double berMax = 0.1;
    double pixelsPerDecade = 0.0;
    Rect client;
    Rect plot;
    int plotWidth = 0;
    int plotHeight = 0;
    int zoomed = 0;
};

struct MarkerState {
    int shown = 0;
    double snr = 0.0;
    double ber = 0.0;
    Point pos;  // centre of the drawn marker, for invalidating it
};

// The mouse's work on the diagram: a legend box drag or a range selection in progress, and a
// right press waiting for its release. Positions are window pixels.
struct DragState {
    int boxDragActive = 0;
    int outlineDrawn = 0;  // the drag outline is on the screen
    Rect dragRect;         // the box moved with the mouse
    int pendingOffsetX = 0;
    int pendingOffsetY = 0;
    int pendingCorner = 0;
    Point dragStart;
    Point dragCurrent;
    int zoomDragActive = 0;
    int zoomDirection = 0;  // 0 not moved yet, 1 right of dragStart, 2 left of or at it
    int rightPressPending = 0;
    Rect confine;           // where the pointer may go during a drag (right, bottom exclusive)
};

struct ViewState {
    DiagramSettings settings;
    DiagramGeometry geometry;
    MarkerState marker;
    Rect boxRect;  // where the legend box was last drawn
    DragState drag;
    // Measurements compared with the document, drawn over it in order; never saved with it.
    std::vector<OverlayCurve> overlays;
    // The intervals behind the measured curve's error bars, as of the last repaint that drew them.
    IntervalCache measuredIntervals;
};

// 1 on screen; on paper trunc(printScale), at least 1.
int ScaleFactorFor(bool onPaper, double printScale);

// Lays out the client and plot rectangles for a client area of `clientWidth` x `clientHeight`
// screen pixels at scale `s`; false when the plot is narrower or lower than 50 device pixels.
bool ComputeLayout(DiagramGeometry& geometry, const DiagramSettings& settings, int clientWidth,
                   int clientHeight, int s, double snrOffset);

// The power of ten at or below `x` by repeated multiplication with 0.1 (one decade higher with
// `up`); 1 for x >= 1. The products lie just above the binary 0.01, 0.001 ... 1e-16, so those
// come out one decade low (0.001 gives 1e-4); a range drawn from them still holds the value.
double DecadeFloor(double x, bool up);

// berMin/berMax from the samples of both curves inside snrMin..snrMax (each list walked from
// its first sample inside to its first beyond snrMax), in whole decades, never below
// 10^-zeroBerExponent. Compared measurements widen the range as the measured curve does.
void UpdateBerRange(DiagramGeometry& geometry, const DocumentCurves& curves,
                    const std::vector<OverlayCurve>& overlays = {});
// The same under the document's lock.
void UpdateBerRange(DiagramGeometry& geometry, const C_KVR_DiaDoc& doc,
                    const std::vector<OverlayCurve>& overlays = {});

double PixelsPerDecade(const DiagramGeometry& geometry);

// Device position of (snr, ber); BER 0 gives y 0 without invalidating the point.
MappedPoint MapPoint(const DiagramGeometry& geometry, double snr, double ber);

struct Tick {
    double value = 0.0;
    int x = 0;
    bool labelled = false;
    std::string label;
    int halfWidth = 0;
    bool labelFits = false;
};

// Ticks of a linear axis whose values lo..hi span the plot's width (the S/N axis with
// snrMin..snrMax, the C/N axis shifted by cnOffset).
std::vector<Tick> LinearTicks(const DiagramGeometry& geometry, int maxGridSpacing, double lo,
                              double hi);

struct GridLine {
    double value = 0.0;
    int y = 0;
    bool labelled = false;
    std::string label;
};

// Grid lines of the logarithmic BER axis from berMin up to berMax (uses pixelsPerDecade).
std::vector<GridLine> DecadeGrid(const DiagramGeometry& geometry);

// The view's first look at a document: no marker, the S/N range and curves as ResetSnrRange
// makes them.
void InitialUpdate(ViewState& view, C_KVR_DiaDoc& doc);

// S/N range back to the document's measure range: rebuilds the theoretical curve and END over
// it, recomputes the BER range and clears the zoom. The caller repaints.
void ResetSnrRange(ViewState& view, C_KVR_DiaDoc& doc);

}  // namespace tarvos
