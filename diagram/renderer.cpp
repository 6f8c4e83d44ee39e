#include "diagram/renderer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "diagram/error_bars.h"
#include "diagram/interaction.h"
#include "diagram/pixel.h"
#include "platform/number_text.h"

namespace tarvos {
namespace {

// Selects a pen only when it differs from the one in use, so a recorded repaint reads as
// the sequence of drawing roles.
class Painter {
public:
    explicit Painter(Canvas& canvas) : canvas_(canvas) {}

    void Pen(PenRole pen) {
        if (current_ != pen) canvas_.SetPen(pen);
        current_ = pen;
    }
    void MoveTo(int x, int y) { canvas_.MoveTo(Point{x, y}); }
    void LineTo(int x, int y) { canvas_.LineTo(Point{x, y}); }
    void Line(int x1, int y1, int x2, int y2) {
        MoveTo(x1, y1);
        LineTo(x2, y2);
    }
    void Rectangle(Rect r) { canvas_.Rectangle(r); }
    void FillWhite(Rect r) { canvas_.FillWhite(r); }
    void Text(int x, int y, const std::string& text) { canvas_.Text(Point{x, y}, text); }

    // Symbols with the current pen; both leave the position at their centre.
    void Diamond(int x, int y, int d) {
        MoveTo(x, y - d);
        LineTo(x - d, y);
        LineTo(x, y + d);
        LineTo(x + d, y);
        LineTo(x, y - d);
        MoveTo(x, y);
    }
    void Cross(int x, int y, int d) {
        MoveTo(x + d, y + d);
        LineTo(x - d, y - d);
        MoveTo(x + d, y - d);
        LineTo(x - d, y + d);
        MoveTo(x, y);
    }

private:
    Canvas& canvas_;
    std::optional<PenRole> current_;
};

struct BoxLayout {
    Rect rect;
    int infoOffset = 0;
    bool legend = false;
    bool info = false;
};

// A generous average width of the diagram font's characters, in screen pixels.
constexpr int kLegendCharWidth = 8;

// A row under the legend's key while measurements are compared: a file's pen and its END.
struct LegendRow {
    PenRole pen;
    std::string text;
};

// Width of the legend column in screen pixels: the key's 180, wider when a row needs it.
int LegendColumnWidth(const std::vector<LegendRow>& rows) {
    int width = 180;
    for (const LegendRow& row : rows) {
        width = std::max(width, 30 + static_cast<int>(row.text.size()) * kLegendCharWidth);
    }
    return width;
}

// One row per file while comparing, the document's own first, so that the legend tells which
// pen is which file; none for the document alone, whose legend stays as it always was.
std::vector<LegendRow> ComparisonRows(const ViewState& view, const std::string& title,
                                      const EndResult& end, double threshold) {
    std::vector<LegendRow> rows;
    if (view.overlays.empty()) return rows;
    rows.push_back({PenRole::Measured, end.valid != 0 ? title + ": END " + EndNumber(end.EndDb()) + " dB"
                                                      : title + ": no END"});
    for (std::size_t i = 0; i < view.overlays.size(); ++i) {
        rows.push_back({OverlayPen(i), OverlayLegendText(view.overlays[i], threshold)});
    }
    return rows;
}

BoxLayout LayoutBox(const DiagramSettings& settings, const DiagramGeometry& g, int mode,
                    const std::vector<LegendRow>& rows) {
    BoxLayout box;
    box.legend = settings.showLegend != 0;
    box.info = settings.showInfoText != 0;
    if (!box.legend && !box.info) return box;
    const int s = g.scaleFactor;
    const bool points = settings.showSamplePoints != 0;
    int width = 0;
    int height = 0;
    const int legendWidth = LegendColumnWidth(rows);
    // A row of 20 pixels under the key for each compared file.
    const int legendRows = (points ? 5 : 3) + static_cast<int>(rows.size());
    const int legendHeight = (legendRows * 20 + 5) * s;
    if (box.legend && box.info) {
        width = (legendWidth + 220) * s;
        height = std::max((!points && mode == kModeAtsc) ? 85 * s : 105 * s, legendHeight);
        box.infoOffset = (legendWidth + 10) * s;
    } else if (box.legend) {
        width = legendWidth * s;
        height = std::max(points ? 105 * s : 65 * s, legendHeight);
    } else {
        width = 220 * s;
        height = mode == kModeAtsc ? 85 * s : 105 * s;
        box.infoOffset = 10 * s;
    }
    const int ox = settings.boxOffsetX * s;
    const int oy = settings.boxOffsetY * s;
    const bool right = settings.boxCorner == 2 || settings.boxCorner == 4;
    const bool bottom = settings.boxCorner == 3 || settings.boxCorner == 4;
    const int x = right ? g.plot.right - ox - width : g.plot.left + ox;
    const int y = bottom ? g.plot.bottom - oy - height : g.plot.top + oy;
    box.rect = Rect{x, y, x + width, y + height};
    return box;
}

void DrawComparisonRows(Painter& p, int s, int x, int firstRowY, const std::vector<LegendRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = firstRowY + static_cast<int>(i) * 20 * s;
        p.Pen(rows[i].pen);
        p.Line(x + 4 * s, y + 8 * s, x + 16 * s, y + 8 * s);
        p.Text(x + 25 * s, y, rows[i].text);
    }
}

void DrawLegendBox(Painter& p, ViewState& view, const DiagramSettings& settings,
                   const ReceiverSettings& receiver, const std::vector<LegendRow>& rows) {
    const DiagramGeometry& g = view.geometry;
    const int s = g.scaleFactor;
    const BoxLayout box = LayoutBox(settings, g, receiver.mode, rows);
    view.boxRect = box.rect;
    const int x = box.rect.left;
    const int y = box.rect.top;
    p.Pen(PenRole::Grid);
    p.Rectangle(box.rect);
    if (box.legend && box.info) {
        const int divider = x + box.infoOffset - 10 * s;
        p.Line(divider, y, divider, box.rect.bottom);
    }

    if (box.legend) {
        const int textX = x + 25 * s;
        const int symbolX = x + 10 * s;
        p.Pen(PenRole::Theory);
        p.Line(x + 4 * s, y + 11 * s, x + 16 * s, y + 11 * s);
        p.Text(textX, y + 3 * s, "Theoretical curve");
        p.Pen(PenRole::Measured);
        p.Line(x + 4 * s, y + 31 * s, x + 16 * s, y + 31 * s);
        p.Text(textX, y + 23 * s, "Measured curve");
        p.Pen(PenRole::Marker);
        p.Diamond(symbolX, y + 51 * s, 5 * s);
        p.Text(textX, y + 43 * s, "Preliminary value");
        if (settings.showSamplePoints != 0) {
            p.Pen(PenRole::Measured);
            p.Diamond(symbolX, y + 71 * s, 5 * s);
            p.Text(textX, y + 63 * s, "BER Result > 0");
            p.Cross(symbolX, y + 91 * s, 5 * s);
            p.Text(textX, y + 83 * s, "BER Result = 0");
        }
        const int keyRows = settings.showSamplePoints != 0 ? 5 : 3;
        DrawComparisonRows(p, s, x, y + (3 + 20 * keyRows) * s, rows);
    }
    if (box.info) {
        int row = 0;
        for (const std::string& line : InfoLines(receiver)) {
            p.Text(x + box.infoOffset, y + (3 + 20 * row) * s, line);
            ++row;
        }
    }
}

void DrawSnrAxis(Painter& p, const DiagramGeometry& g, const DiagramSettings& settings) {
    const int s = g.scaleFactor;
    for (const Tick& tick : LinearTicks(g, settings.maxGridSpacing, g.snrMin, g.snrMax)) {
        p.Pen(PenRole::Grid);
        p.Line(tick.x, g.plot.top, tick.x, g.plot.bottom - s);
        if (!tick.labelled) continue;
        if (tick.labelFits) p.Text(tick.x - tick.halfWidth, g.plot.bottom + 5 * s, tick.label);
        p.Pen(PenRole::Frame);
        p.Line(tick.x, g.plot.bottom, tick.x, g.plot.bottom + 2 * s);
    }
    p.Text(g.client.right - 30 * s, g.plot.bottom + 5 * s, "S/N");
}

void DrawCnAxis(Painter& p, const DiagramGeometry& g, const DiagramSettings& settings) {
    const int s = g.scaleFactor;
    const int axisY = g.plot.bottom + 27 * s;
    for (const Tick& tick : LinearTicks(g, settings.maxGridSpacing, g.snrMin - g.cnOffset,
                                        g.snrMax - g.cnOffset)) {
        p.Pen(PenRole::Grid);
        p.Line(tick.x, g.plot.bottom + 22 * s, tick.x, axisY);
        if (!tick.labelled) continue;
        if (tick.labelFits) p.Text(tick.x - tick.halfWidth, g.plot.bottom + 32 * s, tick.label);
        p.Pen(PenRole::Frame);
        p.Line(tick.x, axisY, tick.x, g.plot.bottom + 29 * s);
    }
    p.Text(g.client.right - 30 * s, g.plot.bottom + 32 * s, "C/N");
}

void DrawBerAxis(Painter& p, DiagramGeometry& g) {
    const int s = g.scaleFactor;
    g.pixelsPerDecade = PixelsPerDecade(g);
    for (const GridLine& line : DecadeGrid(g)) {
        if (line.y > g.plot.top && line.y < g.plot.bottom) {
            p.Pen(PenRole::Grid);
            p.Line(g.plot.left, line.y, g.plot.right - s, line.y);
        }
        if (!line.labelled) continue;
        p.Text(6 * s, line.y - 8 * s, line.label);
        p.Pen(PenRole::Frame);
        p.Line(g.plot.left, line.y, g.plot.left - 3 * s, line.y);
        p.MoveTo(13 * s, line.y);
        p.LineTo(14 * s, line.y);
        p.LineTo(13 * s, line.y);
    }
    // The axis title's corner stays clear of the topmost label.
    p.FillWhite(Rect{0, 0, 45 * s, 23 * s});
    p.Text(15 * s, 5 * s, "BER");
}

void DrawCurve(Painter& p, const DiagramGeometry& g, const SampleList& list, PenRole pen,
               PenRole linkPen, bool symbols, bool showSamplePoints) {
    const int d = 5 * g.scaleFactor;
    // Zero BERs sit just below the frame, unscaled, as on screen.
    const int zeroY = g.plot.bottom + 2;
    auto it = list.begin();
    MappedPoint point;
    for (; it != list.end(); ++it) {
        point = MapPoint(g, it->snr, it->ber);
        if (point.valid) break;
    }
    if (it == list.end()) return;

    p.Pen(pen);
    bool previousOnZero = point.y == 0;
    if (previousOnZero) {
        point.y = zeroY;
        if (showSamplePoints) p.Cross(point.x, point.y, d);
    } else if (symbols) {
        p.Diamond(point.x, point.y, d);
    }
    p.MoveTo(point.x, point.y);

    for (++it; it != list.end(); ++it) {
        point = MapPoint(g, it->snr, it->ber);
        if (!point.valid) break;  // the curve ends where it leaves the diagram
        if (point.y == 0) {
            point.y = zeroY;
            p.Pen(linkPen);
            p.LineTo(point.x, point.y);
            p.Pen(pen);
            if (showSamplePoints) p.Cross(point.x, point.y, d);
            previousOnZero = true;
            continue;
        }
        if (previousOnZero) {
            p.Pen(linkPen);
            p.LineTo(point.x, point.y);
            p.Pen(pen);
        } else {
            p.LineTo(point.x, point.y);
        }
        if (symbols) p.Diamond(point.x, point.y, d);
        previousOnZero = false;
    }
}

// A bar per sample with an interval, in the curve's pen; the list and the intervals are in
// step (the intervals come from the records aligned with the samples).
void DrawErrorBars(Painter& p, const DiagramGeometry& g, const SampleList& list,
                   const std::vector<BerInterval>& intervals, PenRole pen) {
    const int cap = 4 * g.scaleFactor;  // half the cap's width, a little inside the diamond's
    std::size_t i = 0;
    for (auto it = list.begin(); it != list.end() && i < intervals.size(); ++it, ++i) {
        const std::optional<ErrorBar> bar = MapErrorBar(g, it->snr, intervals[i]);
        if (!bar) continue;
        p.Pen(pen);
        p.Line(bar->x, bar->top, bar->x, bar->bottom);
        if (bar->topCap) p.Line(bar->x - cap, bar->top, bar->x + cap, bar->top);
        if (bar->bottomCap) p.Line(bar->x - cap, bar->bottom, bar->x + cap, bar->bottom);
    }
}

// y of a BER alone (0 outside the BER range), for an END end whose S/N lies off the plot.
int BerY(const DiagramGeometry& g, double ber) {
    if (!(ber > 0.0) || ber < g.berMin || ber > g.berMax) return 0;
    return g.plot.bottom - TruncPixel(std::log10(ber / g.berMin) * g.pixelsPerDecade);
}

struct EndPoint {
    int x = 0;
    int y = 0;
    bool head = false;
};

// An END end: at its point, or pinned to the plot edge on the side its S/N lies (no head).
EndPoint MapEndPoint(const DiagramGeometry& g, double snr, double ber) {
    EndPoint e;
    e.y = BerY(g, ber);
    if (snr < g.snrMin) {
        e.x = g.plot.left;
    } else if (!(snr <= g.snrMax)) {
        e.x = g.plot.right;
    } else {
        e.x = MapPoint(g, snr, ber).x;
        e.head = true;
    }
    return e;
}

void DrawEnd(Painter& p, const DiagramGeometry& g, const EndResult& end) {
    const int s = g.scaleFactor;
    const EndPoint a = MapEndPoint(g, end.theorySnr, end.theoryBer);
    const EndPoint b = MapEndPoint(g, end.measuredSnr, end.measuredBer);
    if (a.y == 0 || b.y == 0) return;
    p.Pen(PenRole::Frame);
    const int w = std::abs(b.x - a.x);
    // Too close for arrow heads: short vertical strokes mark the two ends instead.
    if (a.head) {
        if (w < 50) {
            p.MoveTo(a.x, a.y);
            p.LineTo(a.x, a.y + 3 * s);
            p.LineTo(a.x, a.y - 4 * s);
        } else {
            p.MoveTo(a.x + 15 * s, a.y + 4 * s);
            p.LineTo(a.x, a.y - s);
            p.LineTo(a.x, a.y);
            p.LineTo(a.x + 15 * s, a.y - 5 * s);
        }
    }
    if (b.head) {
        if (w < 50) {
            p.MoveTo(b.x, b.y);
            p.LineTo(b.x, b.y + 3 * s);
            p.LineTo(b.x, b.y - 4 * s);
        } else {
            p.Line(b.x - 15 * s, b.y + 4 * s, b.x, b.y - s);
            p.Line(b.x, b.y, b.x - 15 * s, b.y - 5 * s);
        }
    }
    p.Line(a.x, a.y, b.x, b.y);
    int x = (a.x + b.x) / 2 - 48 * s;
    if (x > g.plot.right - 105 * s) x = g.plot.right - 105 * s;
    if (x < g.plot.left + 5 * s) x = g.plot.left + 5 * s;
    p.Text(x, a.y + 8 * s, EndLabel(end.EndDb()));
}

MarkerPlacement PlaceMarker(Painter& p, ViewState& view, double snr, double ber) {
    const DiagramGeometry& g = view.geometry;
    MarkerState& marker = view.marker;
    if (!(snr >= g.snrMin && snr <= g.snrMax)) return MarkerPlacement::No;
    marker.snr = snr;
    marker.ber = ber;
    const int s = g.scaleFactor;
    const MappedPoint point = MapPoint(g, snr, ber);
    const int x = point.x;
    if (point.valid && point.y != 0) {
        p.Pen(PenRole::Marker);
        p.Diamond(x, point.y, 5 * s);
        marker.pos = Point{x, point.y};
        return MarkerPlacement::Norm;
    }
    if (!point.valid && ber > g.berMax) {
        const int top = g.plot.top;
        p.Pen(PenRole::Marker);
        p.MoveTo(x - 6 * s, top + 7 * s);
        p.LineTo(x, top + s);
        p.LineTo(x + 6 * s, top + 7 * s);
        p.Pen(PenRole::MarkerShaft);
        p.Line(x, top + s, x, top + 22 * s);
        p.Pen(PenRole::Marker);
        p.Diamond(x, top + 25 * s, 5 * s);
        marker.pos = Point{x, top + 14 * s};
        return MarkerPlacement::High;
    }
    const int bottom = g.plot.bottom;
    p.Pen(PenRole::Marker);
    p.MoveTo(x - 6 * s, bottom - 8 * s);
    p.LineTo(x, bottom - 2 * s);
    p.LineTo(x + 6 * s, bottom - 8 * s);
    p.Pen(PenRole::MarkerShaft);
    p.Line(x, bottom - 2 * s, x, bottom - 23 * s);
    p.Pen(PenRole::Marker);
    p.Diamond(x, bottom - 26 * s, 5 * s);
    marker.pos = Point{x, bottom - 15 * s};
    return MarkerPlacement::Low;
}

// A drag in progress survives the repaint: its outline or brackets are drawn again, inverting.
void DrawDragFeedback(Painter& p, Canvas& canvas, const ViewState& view) {
    std::vector<std::vector<Point>> figures = DragOutline(view);
    for (auto& bracket : SelectionFeedback(view)) figures.push_back(std::move(bracket));
    if (figures.empty()) return;
    canvas.SetInvert(true);
    p.Pen(PenRole::Grid);
    for (const auto& figure : figures) {
        p.MoveTo(figure.front().x, figure.front().y);
        for (std::size_t i = 1; i < figure.size(); ++i) p.LineTo(figure[i].x, figure[i].y);
    }
    canvas.SetInvert(false);
}

void RepaintView(Canvas& canvas, ViewState& view, const C_KVR_DiaDoc& doc, int clientWidth,
                 int clientHeight, bool onPaper) {
    DiagramGeometry& g = view.geometry;
    const int s = ScaleFactorFor(onPaper, g.printScale);
    canvas.Begin(s, onPaper);
    const DiagramSettings settings = Sanitized(view.settings);
    if (!ComputeLayout(g, settings, clientWidth, clientHeight, s, doc.SnrOffset())) return;
    const ReceiverSettings& receiver = doc.Receiver();
    const double threshold = doc.ThresholdBer();
    const std::string title = doc.Title();

    doc.WithCurves([&](const DocumentCurves& curves) {
        Painter p(canvas);
        p.Pen(PenRole::Frame);
        p.Rectangle(Rect{g.plot.left, g.plot.top, g.plot.right + s, g.plot.bottom + s});
        if (settings.showCnAxis != 0) {
            p.Line(g.plot.left - s, g.plot.bottom + 27 * s, g.plot.right, g.plot.bottom + 27 * s);
            DrawCnAxis(p, g, settings);
        }
        DrawSnrAxis(p, g, settings);
        DrawBerAxis(p, g);
        const bool points = settings.showSamplePoints != 0;
        DrawCurve(p, g, curves.theory, PenRole::Theory, PenRole::ZeroLink, false, points);
        DrawCurve(p, g, curves.measured, PenRole::Measured, PenRole::ZeroLink, points, points);
        const bool bars = settings.showErrorBars != 0;
        if (bars) {
            DrawErrorBars(p, g, curves.measured,
                          view.measuredIntervals.Update(curves.records.points, curves.measured.Count()),
                          PenRole::Measured);
        }
        for (std::size_t i = 0; i < view.overlays.size(); ++i) {
            OverlayCurve& overlay = view.overlays[i];
            DrawCurve(p, g, overlay.measured, OverlayPen(i), OverlayLinkPen(i), points, points);
            if (bars) {
                DrawErrorBars(p, g, overlay.measured,
                              overlay.intervals.Update(overlay.points, overlay.measured.Count()),
                              OverlayPen(i));
            }
        }
        if (curves.end.valid != 0 && settings.showEndValue != 0) DrawEnd(p, g, curves.end);
        if (!onPaper && view.marker.shown != 0) {
            PlaceMarker(p, view, view.marker.snr, view.marker.ber);
        }
        if (settings.showLegend != 0 || settings.showInfoText != 0) {
            DrawLegendBox(p, view, settings, receiver,
                          ComparisonRows(view, title, curves.end, threshold));
        } else {
            view.boxRect = Rect{};
        }
        if (!onPaper) DrawDragFeedback(p, canvas, view);
    });
}

// Up to ten significant digits in the shortest of fixed and exponent form (exponent only below
// 1e-4 and from 1e10 on, far outside any receiver's range), and a whole number with ".0".
std::string FormatMhz(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 10);
    std::string text(buffer.data(), result.ptr);
    if (text.find_first_not_of("-0123456789") == std::string::npos) text += ".0";
    return text;
}

}  // namespace

void Repaint(Canvas& canvas, ViewState& view, const C_KVR_DiaDoc& doc, int clientWidth,
             int clientHeight, bool onPaper) {
    if (onPaper) {
        // The page is laid out on a copy: the window's geometry, box position and marker
        // stay those of the screen, which the mouse and the marker keep working with.
        ViewState page = view;
        RepaintView(canvas, page, doc, clientWidth, clientHeight, true);
        return;
    }
    RepaintView(canvas, view, doc, clientWidth, clientHeight, false);
}

MarkerPlacement ShowMarker(Canvas& canvas, ViewState& view, double snr, double ber) {
    view.marker.shown = 1;
    Painter p(canvas);
    return PlaceMarker(p, view, snr, ber);
}

void RepaintWithMarkerOnTop(Canvas& canvas, ViewState& view, const C_KVR_DiaDoc& doc,
                            int clientWidth, int clientHeight) {
    Repaint(canvas, view, doc, clientWidth, clientHeight, false);
    if (view.marker.shown == 0) return;
    Painter p(canvas);
    PlaceMarker(p, view, view.marker.snr, view.marker.ber);
}

Rect HideMarker(ViewState& view) {
    view.marker.shown = 0;
    const Point pos = view.marker.pos;
    return Rect{pos.x - 7, pos.y - 17, pos.x + 7, pos.y + 17};
}

std::string EndNumber(double endDb) {
    // Hundredths of a dB; adding 0 turns a rounded -0 into 0.
    const double value = std::round(endDb * 100.0) / 100.0 + 0.0;
    int intDigits = 1;
    for (double m = std::fabs(value); m >= 10.0 && intDigits < 400; m /= 10.0) ++intDigits;
    // Six significant digits at most, but always one digit after the point.
    const int decimals = std::clamp(6 - intDigits, 1, 2);
    std::string text = FormatFixed(value, decimals);
    if (decimals == 2 && text.back() == '0') text.pop_back();
    return text;
}

std::string EndLabel(double endDb) { return " END = " + EndNumber(endDb) + " dB "; }

std::vector<std::string> InfoLines(const ReceiverSettings& receiver) {
    std::vector<std::string> lines;
    switch (receiver.mode) {
        case 4: lines.emplace_back("Mode: QAM Receiver"); break;
        case 5: lines.emplace_back("Mode: QAM Analyzer"); break;
        case 6: lines.emplace_back("Mode: DVB-C / J.83/A"); break;
        case 7: lines.emplace_back("Mode: DVB-C / J.83/B"); break;
        case 8: lines.emplace_back("Mode: DVB-C / J.83/C"); break;
        case kModeDvbt: lines.emplace_back("Mode: DVB-T / OFDM"); break;
        case kModeAtsc: lines.emplace_back("Mode: ATSC / 8VSB"); break;
        default: lines.emplace_back("Mode: undefined"); break;
    }
    switch (receiver.berPoint) {
        case 0: lines.emplace_back("BER before Viterbi"); break;
        case 1: lines.emplace_back("BER before Reed-Solomon"); break;
        case 2: lines.emplace_back("BER after Reed-Solomon"); break;
        default: lines.emplace_back("BER (undefined)"); break;
    }
    if (receiver.mode != kModeAtsc) {
        lines.push_back("Order of QAM: " +
                        (receiver.qamOrder == 0 ? std::string("Auto") : std::to_string(receiver.qamOrder)));
    }
    if (receiver.input == kInputIf) {
        lines.emplace_back("Frequency (IF): 36.0 MHz");
    } else if (receiver.frequency > 0.0) {
        lines.push_back("Frequency: " + FormatMhz(receiver.frequency) + " MHz");
    } else {
        lines.emplace_back("Frequency: undefined");
    }
    if (receiver.mode == kModeDvbt) {
        const int bw = receiver.channelBandwidth;
        lines.push_back(bw >= 6 && bw <= 8 ? "Channel Bandwidth: " + std::to_string(bw) + ".0 MHz"
                                           : std::string("Channel Bandwidth: undefined"));
    } else if (receiver.symbolRate > 0.0) {
        lines.push_back("Symbol Rate: " + FormatMhz(receiver.symbolRate) + " MSymb/s");
    } else {
        lines.emplace_back("Symbol Rate: undefined");
    }
    return lines;
}

Rect LegendBox(const ViewState& view, int mode) {
    return LayoutBox(Sanitized(view.settings), view.geometry, mode, {}).rect;
}

}  // namespace tarvos
