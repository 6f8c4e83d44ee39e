// Draws the BER diagram (axes, both curves, END, marker, legend box) on a Canvas from a view
// state and the document. Qt-free; the window, image export and printing share it.
#pragma once

#include <string>
#include <vector>

#include "diagram/canvas.h"
#include "diagram/view_state.h"
#include "document/dia_doc.h"
#include "document/receiver_settings.h"

namespace tarvos {

// The whole diagram for a client area of clientWidth x clientHeight screen pixels. Starts with
// canvas.Begin(s, onPaper) and reads the document under one lock for the whole repaint. On
// screen it stores the geometry and the box position in `view`; paper (s from
// geometry.printScale, no marker) is laid out on a copy, so the window's view stays as it was.
void Repaint(Canvas& canvas, ViewState& view, const C_KVR_DiaDoc& doc, int clientWidth,
             int clientHeight, bool onPaper);

// Where the marker went: at its point, as an arrow at the top or bottom edge, or nowhere.
enum class MarkerPlacement { Norm, High, Low, No };

// Shows the marker at (snr, ber) with the view's last screen geometry and draws it on
// `canvas` as it stands (no Begin: this draws into the window between repaints). An S/N
// outside the range draws nothing and keeps the previous point for later repaints.
MarkerPlacement ShowMarker(Canvas& canvas, ViewState& view, double snr, double ber);

// The window's repaint that ShowMarker asks for: the whole repaint order, then the marker once
// more, because ShowMarker draws straight into the window, over the legend box too.
void RepaintWithMarkerOnTop(Canvas& canvas, ViewState& view, const C_KVR_DiaDoc& doc,
                            int clientWidth, int clientHeight);

// Hides the marker; returns the rectangle the window must invalidate.
Rect HideMarker(ViewState& view);

// " END = 1.0 dB ".
std::string EndLabel(double endDb);
// The number of that label: "1.0", "1.02".
std::string EndNumber(double endDb);

// The info part of the legend box, top to bottom.
std::vector<std::string> InfoLines(const ReceiverSettings& receiver);

// Extent and position of the legend box for the view's settings, geometry and `mode`, without
// the rows of compared files (view.boxRect holds the box as last drawn); an empty rectangle when
// neither legend nor info text is shown.
Rect LegendBox(const ViewState& view, int mode);

}  // namespace tarvos
