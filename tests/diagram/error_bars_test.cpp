// Error bars: where a sample's interval lands on the plot, what a repaint draws with and without
// the switch, and intervals computed once per changed record rather than per repaint.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "diagram/error_bars.h"
#include "diagram/interval_cache.h"
#include "diagram/renderer.h"
#include "document/confidence.h"
#include "document/dia_doc.h"
#include "recording_canvas.h"

namespace tarvos {
namespace {

using testing::Line;
using testing::Pt;
using Calls = std::vector<std::string>;

// S/N 10..30 dB over plot x 50..550, BER 1e-7..0.1 over y 350..5.
DiagramGeometry Geometry() {
    DiagramGeometry g;
    g.snrMin = 10, g.snrMax = 30, g.snrSpan = 20;
    g.berMin = 1e-7, g.berMax = 0.1;
    g.plot = Rect{50, 5, 550, 350};
    g.plotWidth = 500, g.plotHeight = 345;
    g.pixelsPerDecade = 57.5;
    return g;
}

BerInterval Interval(double lower, double upper) { return BerInterval{lower, upper, true, lower == 0.0}; }

TEST(ErrorBarTest, BoundsMapOrOpenAtThePlotEdge) {
    const DiagramGeometry g = Geometry();
    const auto y = [&g](double ber) { return MapPoint(g, 20, ber).y; };
    struct Case {
        const char* what;
        double snr;
        BerInterval interval;
        std::optional<ErrorBar> bar;
    };
    const Case cases[] = {
        {"inside", 20, Interval(1e-5, 1e-3), ErrorBar{300, y(1e-3), y(1e-5), true, true}},
        {"upper above the range", 20, Interval(1e-3, 0.5), ErrorBar{300, 5, y(1e-3), false, true}},
        {"zero errors", 20, Interval(0, 1e-5), ErrorBar{300, y(1e-5), 350, true, false}},
        {"both beyond", 20, Interval(1e-9, 0.5), ErrorBar{300, 5, 350, false, false}},
        {"no counts", 20, BerInterval{}, std::nullopt},
        {"S/N outside", 30.5, Interval(1e-5, 1e-3), std::nullopt},
        {"all below the range", 20, Interval(1e-9, 5e-8), std::nullopt},
        {"all above the range", 20, Interval(0.2, 0.3), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MapErrorBar(g, c.snr, c.interval), c.bar) << c.what;
}

// A mode 7 document (no theory, no END) on a 555 x 400 client without legend box, so the
// measured curve and its bars are the last things a repaint draws.
struct Scene {
    std::unique_ptr<C_KVR_DiaDoc> doc = std::make_unique<C_KVR_DiaDoc>();
    ViewState view;

    explicit Scene(bool withRecords) {
        ReceiverSettings rs;
        rs.mode = 7, rs.snrBegin = 10, rs.snrEnd = 30;
        SampleList list;
        list.AppendSample(20, 1e-4);
        list.AppendSample(22, 0);
        list.AppendSample(24, 1e-5);
        MeasurementRecords records;
        if (withRecords) {
            PointRecord counted;
            counted.errors = 100, counted.bits = 1e6;
            PointRecord zero;
            zero.bits = 1e6;
            records.points = {counted, zero, PointRecord{}};  // the last without counts
        }
        doc->ReplaceMeasurement(rs, std::move(list), std::move(records));
        view.settings.showLegend = view.settings.showInfoText = 0;
        InitialUpdate(view, *doc);
        view.geometry.berMin = 1e-7, view.geometry.berMax = 0.1;
    }
    testing::RecordingCanvas Paint(bool onPaper = false) {
        testing::RecordingCanvas canvas;
        Repaint(canvas, view, *doc, 555, 400, onPaper);
        return canvas;
    }
};

// What a repaint draws for a bar: the bar, then a cap 4 pixels to each side at each capped end.
Calls Drawn(const ErrorBar& b, int cap = 4) {
    Calls calls{"move " + Pt(b.x, b.top), Line(b.x, b.top, b.x, b.bottom)};
    for (const auto& [capped, y] : {std::pair{b.topCap, b.top}, std::pair{b.bottomCap, b.bottom}})
        if (capped) calls.insert(calls.end(), {"move " + Pt(b.x - cap, y), Line(b.x - cap, y, b.x + cap, y)});
    return calls;
}

Calls Tail(const Calls& calls, std::size_t n) { return Calls(calls.end() - static_cast<std::ptrdiff_t>(n), calls.end()); }

TEST(ErrorBarTest, RepaintDrawsBarsOnlyWhenSwitchedOn) {
    Scene plain(false);
    Scene counted(true);
    // Off by default: counts or not, the page is the same.
    EXPECT_EQ(counted.Paint().calls, plain.Paint().calls);

    counted.view.settings.showErrorBars = 1;
    const testing::RecordingCanvas canvas = counted.Paint();
    const DiagramGeometry& g = counted.view.geometry;
    const ErrorBar zero = MapErrorBar(g, 22, ClopperPearson(0, 1e6)).value();
    EXPECT_TRUE(zero.bottom == 350 && !zero.bottomCap);  // open at the plot's bottom
    Calls expected = Drawn(MapErrorBar(g, 20, ClopperPearson(100, 1e6)).value());
    const Calls zeroCalls = Drawn(zero);
    expected.insert(expected.end(), zeroCalls.begin(), zeroCalls.end());
    // The last calls of the page: nothing for the sample without counts.
    ASSERT_GE(canvas.calls.size(), expected.size());
    EXPECT_EQ(Tail(canvas.calls, expected.size()), expected);
    EXPECT_EQ(canvas.PenAt(canvas.calls.size() - 1), "Measured");

    // The printed page draws them too, caps scaled with the page.
    counted.view.geometry.printScale = 2;
    const Calls paper = counted.Paint(true).calls;
    int x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    ASSERT_EQ(std::sscanf(paper.back().c_str(), "line %d,%d-%d,%d", &x1, &y1, &x2, &y2), 4);
    EXPECT_TRUE(x2 - x1 == 16 && y1 == y2) << paper.back();

    // A compared file with counts gets its bars in its own pen, after the document's page.
    OverlayCurve overlay;
    overlay.measured.AppendSample(20, 1e-4);
    overlay.points = {counted.doc->Records().points[0]};
    counted.view.overlays.push_back(std::move(overlay));
    const testing::RecordingCanvas compared = counted.Paint();
    const Calls bar = Drawn(MapErrorBar(g, 20, ClopperPearson(100, 1e6)).value());
    EXPECT_EQ(Tail(compared.calls, bar.size()), bar);
    EXPECT_EQ(compared.PenAt(compared.calls.size() - bar.size()), "Overlay1");
    EXPECT_EQ(compared.From(0, canvas.calls.size()), canvas.calls);
}

TEST(IntervalCacheTest, ComputesOnlyChangedRecords) {
    PointRecord a;
    a.errors = 10, a.bits = 1e6;
    PointRecord b = a;
    b.errors = 20;
    IntervalCache cache;
    std::vector<PointRecord> points{a, PointRecord{}};
    EXPECT_EQ(cache.Update(points, 2), SampleIntervals(points, 2));
    EXPECT_EQ(cache.Computed(), 1u);  // a record without counts has nothing to compute
    cache.Update(points, 2);
    EXPECT_EQ(cache.Computed(), 1u);  // a repaint of the same records

    points.push_back(b);
    EXPECT_EQ(cache.Update(points, 3), SampleIntervals(points, 3));
    EXPECT_EQ(cache.Computed(), 2u);
    points[0] = b;
    EXPECT_EQ(cache.Update(points, 3)[0], ClopperPearson(20, 1e6));
    EXPECT_EQ(cache.Computed(), 3u);

    // Records out of step with the samples give no intervals, and none later computed from them.
    EXPECT_EQ(cache.Update(points, 4), std::vector<BerInterval>(4));
    EXPECT_EQ(cache.Update(points, 3), SampleIntervals(points, 3));
}

}  // namespace
}  // namespace tarvos
