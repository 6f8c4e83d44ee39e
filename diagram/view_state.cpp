#include "diagram/view_state.h"

#include "platform/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "diagram/pixel.h"

namespace tarvos {
namespace {

// Iteration caps: the grid and tick walks must end even for ranges no sane view holds.
constexpr int kMaxTicks = 10000;
constexpr int kMaxStepHalvings = 10000;
constexpr int kMaxGridLines = 10000;
constexpr int kMaxDecadeSteps = 400;
constexpr double kSmallestDecade = 1e-320;

// Tick label: the value rounded to 1/10000 (so an accumulated 11.9999999 reads 12), with
// `decimals` digits after the point, or the integer part for 0. Rounded half away from zero so
// that negative C/N values read like positive ones.
std::string TickLabel(double t, int decimals) {
    const double v = std::round(t * 10000.0) * 0.0001;
    std::string text;
    if (decimals == 0) {
        text = FormatFixed(std::trunc(v), 0);
    } else {
        // At most six significant digits: fewer decimals for large values.
        int intDigits = 1;
        for (double m = std::fabs(v); m >= 10.0 && intDigits < 400; m /= 10.0) ++intDigits;
        const int shown = std::clamp(6 - intDigits, 0, decimals);
        text = FormatFixed(v, shown);
    }
    // A tick a hair below zero (an accumulated step, or trunc of a small negative) is zero.
    if (text.starts_with('-') && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text;
}

int DecimalsFor(double step) {
    if (step >= 1.0) return 0;
    if (step >= 0.1) return 1;
    if (step >= 0.01) return 2;
    if (step >= 0.001) return 3;
    return 4;
}

// Smallest and largest BER of a curve from its first sample inside snrMin..snrMax up to the
// last one before a sample beyond snrMax. The walk relies on the lists' S/N order; a list out of
// order (a hand-made file may hold one) is taken as the walk meets it.
void WidenBerRange(const SampleList& list, const DiagramGeometry& g, bool positiveOnly,
                   bool& found, double& lo, double& hi) {
    bool inside = false;
    for (const MeasurementSample& sample : list) {
        if (!inside) {
            if (!(sample.snr >= g.snrMin && sample.snr <= g.snrMax)) continue;
            inside = true;
        } else if (!(sample.snr <= g.snrMax)) {
            break;
        }
        if (positiveOnly && !(sample.ber > 0.0)) continue;
        if (!found) {
            lo = hi = sample.ber;
            found = true;
        } else {
            lo = std::min(lo, sample.ber);
            hi = std::max(hi, sample.ber);
        }
    }
}

}  // namespace

DiagramSettings Sanitized(DiagramSettings settings) {
    settings.maxGridSpacing = std::clamp(settings.maxGridSpacing, 2, 2000);
    if (settings.boxCorner < 1 || settings.boxCorner > 4) settings.boxCorner = 3;
    return settings;
}

int ScaleFactorFor(bool onPaper, double printScale) {
    if (!onPaper || !(printScale >= 1.0)) return 1;
    // Beyond this a page would overflow the int coordinates anyway.
    return static_cast<int>(std::min(printScale, 10000.0));
}

bool ComputeLayout(DiagramGeometry& g, const DiagramSettings& settings, int clientWidth,
                   int clientHeight, int s, double snrOffset) {
    g.scaleFactor = s;
    g.cnOffset = snrOffset;
    g.client = Rect{0, 0, clientWidth * s, clientHeight * s};
    g.plot.left = 50 * s;
    g.plot.top = 5 * s;
    g.plot.right = g.client.right - 5 * s;
    g.plot.bottom = g.client.bottom - (settings.showCnAxis != 0 ? 50 * s : 23 * s);
    g.plotWidth = g.plot.right - g.plot.left;
    g.plotHeight = g.plot.bottom - g.plot.top;
    return g.plotWidth >= 50 && g.plotHeight >= 50;
}

double DecadeFloor(double x, bool up) {
    double r = 1.0;
    for (int i = 0; r > x && r > kSmallestDecade && i < kMaxDecadeSteps; ++i) r *= 0.1;
    return up ? r * 10.0 : r;
}

void UpdateBerRange(DiagramGeometry& g, const DocumentCurves& curves,
                    const std::vector<OverlayCurve>& overlays) {
    bool found = false;
    double lo = 0.0;
    double hi = 0.0;
    WidenBerRange(curves.theory, g, false, found, lo, hi);
    WidenBerRange(curves.measured, g, true, found, lo, hi);
    for (const OverlayCurve& overlay : overlays) WidenBerRange(overlay.measured, g, true, found, lo, hi);
    if (found) {
        g.berMin = DecadeFloor(lo, false);
        g.berMax = DecadeFloor(hi, true);
    } else {
        g.berMin = 1e-16;
        g.berMax = 0.1;
    }
    // Nothing below the BER a zero count stands for: the curve's zeros sit on their own line.
    const double floor = 1.0 / std::pow(10.0, curves.zeroBerExponent);
    if (g.berMin < floor) g.berMin = floor;
    if (g.berMin >= g.berMax) g.berMax = g.berMin * 10.0;
}

void UpdateBerRange(DiagramGeometry& g, const C_KVR_DiaDoc& doc,
                    const std::vector<OverlayCurve>& overlays) {
    doc.WithCurves([&](const DocumentCurves& curves) { UpdateBerRange(g, curves, overlays); });
}

double PixelsPerDecade(const DiagramGeometry& g) {
    return g.plotHeight / std::log10(g.berMax / g.berMin);
}

MappedPoint MapPoint(const DiagramGeometry& g, double snr, double ber) {
    MappedPoint p;
    if (snr >= g.snrMin && snr <= g.snrMax && g.snrSpan > 0.0) {
        p.x = g.plot.left + TruncPixel((snr - g.snrMin) * g.plotWidth / g.snrSpan);
        p.valid = true;
    }
    if (ber == 0.0) {
        p.y = 0;
    } else if (ber >= g.berMin && ber <= g.berMax && g.berMin > 0.0) {
        p.y = g.plot.bottom - TruncPixel(std::log10(ber / g.berMin) * g.pixelsPerDecade);
    } else {
        p.y = 0;
        p.valid = false;
    }
    return p;
}

std::vector<Tick> LinearTicks(const DiagramGeometry& g, int maxGridSpacing, double lo, double hi) {
    std::vector<Tick> ticks;
    if (!(g.snrSpan > 0.0) || g.plotWidth <= 0 || !std::isfinite(lo) || !std::isfinite(hi)) {
        return ticks;
    }
    const int s = g.scaleFactor;
    const double target = g.snrSpan / g.plotWidth * maxGridSpacing * s;
    static constexpr double kFactors[] = {0.5, 0.4, 0.5};
    double step = 100.0;
    for (int i = 0; step > target && i < kMaxStepHalvings; ++i) step *= kFactors[i % 3];
    if (!(step > 0.0)) return ticks;

    const int spacing = std::max(1, TruncPixel(step / g.snrSpan * g.plotWidth));
    const int decimals = DecimalsFor(step);
    double first = std::trunc(lo / step) * step;
    if (first < lo) first += step;
    const int charWidth = 7 * s;
    const int labelPad = 10 * s;
    const int labelEvery = ((decimals + 2 + (hi >= 10.0 ? 1 : 0)) * charWidth + labelPad) / spacing + 1;
    const int labelLimit = g.client.right - 35 * s;

    double t = first;
    for (int i = 0; t <= hi && i < kMaxTicks; ++i, t += step) {
        Tick tick;
        tick.value = t;
        tick.x = g.plot.left + TruncPixel((t - lo) / g.snrSpan * g.plotWidth);
        tick.labelled = i % labelEvery == 0;
        tick.label = TickLabel(t, decimals);
        tick.halfWidth = static_cast<int>(tick.label.size()) * charWidth / 2;
        tick.labelFits = tick.x + tick.halfWidth < labelLimit;
        ticks.push_back(std::move(tick));
    }
    return ticks;
}

std::vector<GridLine> DecadeGrid(const DiagramGeometry& g) {
    std::vector<GridLine> lines;
    if (!(g.berMin > 0.0) || !std::isfinite(g.berMax)) return lines;
    const int s = g.scaleFactor;
    const double p = g.pixelsPerDecade;
    // Lines per decade and how many decades share one label, by the room a decade has.
    const int perDecade = p < 10 * s ? 1 : (p < 35 * s ? 3 : 9);
    const int labelEvery = p < 10 * s ? 3 : (p < 20 * s ? 2 : 1);
    static constexpr double kOneTwoFive[] = {2.0, 2.5, 2.0};

    double v = g.berMin;
    double decadeStart = v;
    int decade = 0;
    int inDecade = 0;
    for (int i = 0; v < g.berMax && i < kMaxGridLines; ++i) {
        GridLine line;
        line.value = v;
        line.y = g.plot.bottom - TruncPixel(std::log10(v / g.berMin) * p);
        line.labelled = inDecade == 0 && decade % labelEvery == 0;
        if (line.labelled) {
            line.label = "1 E" + std::to_string(static_cast<int>(std::trunc(std::log10(v) - 0.1)));
        }
        lines.push_back(std::move(line));

        if (perDecade == 1) {
            v *= 10.0;
        } else if (perDecade == 3) {
            v *= kOneTwoFive[inDecade];
        } else {
            v += decadeStart;
        }
        if (++inDecade == perDecade) {
            inDecade = 0;
            ++decade;
            decadeStart = v;
        }
    }
    return lines;
}

void ResetSnrRange(ViewState& view, C_KVR_DiaDoc& doc) {
    DiagramGeometry& g = view.geometry;
    const ReceiverSettings& receiver = doc.Receiver();
    g.snrMin = receiver.snrBegin;
    g.snrMax = receiver.snrEnd;
    g.snrSpan = g.snrMax - g.snrMin;
    g.cnOffset = doc.SnrOffset();
    doc.BuildTheoreticalCurve(g.snrMin, g.snrMax);
    doc.UpdateEnd();
    UpdateBerRange(g, doc, view.overlays);
    g.zoomed = 0;
}

void InitialUpdate(ViewState& view, C_KVR_DiaDoc& doc) {
    // A marker belongs to the document it was placed on.
    view.marker = MarkerState{};
    ResetSnrRange(view, doc);
}

}  // namespace tarvos
