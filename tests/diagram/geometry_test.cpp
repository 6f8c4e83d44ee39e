// Layout, BER range, point mapping and the axis grids of the diagram view.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "diagram/view_state.h"
#include "document/dia_doc.h"

namespace tarvos {
namespace {

// S/N 10..30 on a 500-pixel plot (client 5 pixels wider), BER 1e-7..0.1 over 345 pixels.
DiagramGeometry Geometry() {
    DiagramGeometry g;
    EXPECT_TRUE(ComputeLayout(g, DiagramSettings{}, 555, 400, 1, 0.0));
    g.snrMin = 10, g.snrMax = 30, g.snrSpan = 20, g.berMin = 1e-7, g.berMax = 0.1;
    g.pixelsPerDecade = PixelsPerDecade(g);
    return g;
}

SampleList List(const std::vector<MeasurementSample>& samples) {
    SampleList list;
    for (const MeasurementSample& s : samples) list.AppendSample(s.snr, s.ber);
    return list;
}

TEST(LayoutTest, SettingsScaleAndPlotRectangle) {
    DiagramSettings raw;
    raw.maxGridSpacing = 1, raw.boxCorner = 0, raw.boxOffsetX = -400;
    EXPECT_EQ(Sanitized(raw).maxGridSpacing, 2);
    EXPECT_EQ(Sanitized(raw).boxCorner, 3);
    EXPECT_EQ(Sanitized(raw).boxOffsetX, -400);
    raw.maxGridSpacing = 2001, raw.boxCorner = 4;
    EXPECT_EQ(Sanitized(raw).maxGridSpacing, 2000);
    EXPECT_EQ(Sanitized(raw).boxCorner, 4);

    EXPECT_EQ(ScaleFactorFor(false, 4.7), 1);
    EXPECT_EQ(ScaleFactorFor(true, 4.7), 4);
    EXPECT_EQ(ScaleFactorFor(true, 0.5), 1);

    DiagramGeometry g;
    DiagramSettings settings;
    ASSERT_TRUE(ComputeLayout(g, settings, 600, 400, 1, 0.75));
    EXPECT_EQ(g.plot, (Rect{50, 5, 595, 350}));
    EXPECT_EQ(g.plotWidth * 1000 + g.plotHeight, 545345);
    EXPECT_DOUBLE_EQ(g.cnOffset, 0.75);
    settings.showCnAxis = 0;
    ASSERT_TRUE(ComputeLayout(g, settings, 600, 400, 3, 0));
    EXPECT_EQ(g.client, (Rect{0, 0, 1800, 1200}));
    EXPECT_EQ(g.plot, (Rect{150, 15, 1785, 1131}));
}

TEST(LayoutTest, TooSmallBelowFiftyDevicePixels) {
    DiagramGeometry g;
    const DiagramSettings settings;
    EXPECT_TRUE(ComputeLayout(g, settings, 105, 105, 1, 0));
    EXPECT_FALSE(ComputeLayout(g, settings, 104, 105, 1, 0));
    EXPECT_FALSE(ComputeLayout(g, settings, 105, 104, 1, 0));
    EXPECT_TRUE(ComputeLayout(g, settings, 80, 80, 2, 0));  // 50 device pixels, not 50 * s
    EXPECT_FALSE(ComputeLayout(g, settings, 79, 80, 2, 0));
}

TEST(BerRangeTest, DecadeFloorByRepeatedDivision) {
    EXPECT_NEAR(DecadeFloor(3.7e-5, false), 1e-5, 1e-18);
    EXPECT_NEAR(DecadeFloor(3.7e-5, true), 1e-4, 1e-17);
    EXPECT_EQ(DecadeFloor(5, false), 1.0);
    EXPECT_EQ(DecadeFloor(5, true), 10.0);
    EXPECT_EQ(DecadeFloor(0.1, false), 0.1);
    EXPECT_EQ(DecadeFloor(1, false), 1.0);
    // The binary 0.01, 0.001 ... lie just below the products and fall one decade low.
    EXPECT_NEAR(DecadeFloor(0.001, false), 1e-4, 1e-16);
    EXPECT_NEAR(DecadeFloor(1e-16, false), 1e-17, 1e-29);
    EXPECT_LE(DecadeFloor(0, false), 1e-319);  // bounded for 0 and below
    EXPECT_LE(DecadeFloor(-5, false), 1e-319);
}

TEST(BerRangeTest, BothCurvesInsideTheSnrRangeInWholeDecades) {
    DocumentCurves curves;
    curves.measured = List({{18, 0.5}, {20, 3e-2}, {28, 4e-7}, {29, 0}, {40, 1e-12}});
    curves.zeroBerExponent = 7;
    DiagramGeometry g = Geometry();
    g.snrMin = 20;
    UpdateBerRange(g, curves);
    EXPECT_NEAR(g.berMin, 1e-7, 1e-19);
    EXPECT_NEAR(g.berMax, 0.1, 1e-15);

    curves.zeroBerExponent = 16;  // the zero at 29 dB must not count
    curves.theory = List({{25, 2e-3}, {22, 5e-9}, {35, 1e-14}});  // unsorted, one beyond
    UpdateBerRange(g, curves);
    EXPECT_NEAR(g.berMin, 1e-9, 1e-21);
    EXPECT_NEAR(g.berMax, 0.1, 1e-15);
}

TEST(BerRangeTest, WalkRunsFromTheFirstSampleInsideToTheFirstBeyondSnrMax) {
    // Lists out of S/N order (a hand-made file): samples after one beyond snrMax do not count,
    // samples below snrMin after the first one inside do.
    struct Case {
        std::vector<MeasurementSample> measured;
        double lo, hi;  // the BERs the walk meets
    };
    const Case cases[] = {
        {{{5, 1e-2}, {25, 1e-3}, {40, 1e-9}, {26, 1e-12}}, 1e-3, 1e-3},
        {{{25, 1e-3}, {5, 1e-8}, {26, 1e-4}}, 1e-8, 1e-3},
    };
    for (const Case& c : cases) {
        DocumentCurves curves;
        curves.measured = List(c.measured);
        DiagramGeometry g = Geometry();
        UpdateBerRange(g, curves);
        EXPECT_EQ(g.berMin, DecadeFloor(c.lo, false)) << c.lo;
        EXPECT_EQ(g.berMax, DecadeFloor(c.hi, true)) << c.hi;
    }
}

TEST(BerRangeTest, ZeroBerExponentSetsTheFloor) {
    DocumentCurves curves;
    curves.measured = List({{20, 0}, {22, 0}});
    DiagramGeometry g = Geometry();
    UpdateBerRange(g, curves);
    EXPECT_EQ(g.berMin, 1e-16);
    EXPECT_EQ(g.berMax, 0.1);
    curves.zeroBerExponent = 12;
    UpdateBerRange(g, curves);
    EXPECT_DOUBLE_EQ(g.berMin, 1e-12);

    curves.measured = List({{20, 1e-3}, {25, 3e-13}});
    curves.zeroBerExponent = 10;
    UpdateBerRange(g, curves);
    EXPECT_DOUBLE_EQ(g.berMin, 1e-10);
    EXPECT_NEAR(g.berMax, 1e-3, 1e-15);  // 1e-3 falls to 1e-4, one decade up
    curves.zeroBerExponent = 0;          // floor 1 above the top: the range opens upward
    UpdateBerRange(g, curves);
    EXPECT_EQ(g.berMin, 1.0);
    EXPECT_EQ(g.berMax, 10.0);
}

TEST(BerRangeTest, ResetTakesTheDocumentsMeasureRange) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs;
    rs.mode = 7, rs.snrBegin = 20, rs.snrEnd = 32;  // J.83/B: no theoretical curve
    doc.ReplaceMeasurement(rs, List({{20, 3e-2}, {24, 1e-4}, {28, 4e-7}, {32, 0}}));
    doc.SetZeroBerExponent(8);
    ViewState view;
    view.geometry.zoomed = 1;
    ResetSnrRange(view, doc);
    const DiagramGeometry& g = view.geometry;
    EXPECT_EQ(g.snrMin * 10000 + g.snrMax * 100 + g.snrSpan, 203212);
    EXPECT_EQ(g.zoomed, 0);
    EXPECT_NEAR(g.berMin, 1e-7, 1e-19);
    EXPECT_NEAR(g.berMax, 0.1, 1e-15);
}

TEST(MapPointTest, EdgesZeroAndJustBeyond) {
    const DiagramGeometry g = Geometry();
    MappedPoint p = MapPoint(g, 30, 0.1);
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.x, g.plot.right);
    EXPECT_EQ(p.y, g.plot.top);
    p = MapPoint(g, 20, 1e-4);
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 178);  // 350 - trunc(3 * 57.5)
    p = MapPoint(g, 20, 0);
    EXPECT_TRUE(p.valid && p.y == 0);
    p = MapPoint(g, 30 + 1e-9, 1e-3);
    EXPECT_FALSE(p.valid);
    EXPECT_EQ(p.x, 0);
    EXPECT_FALSE(MapPoint(g, 10 - 1e-9, 1e-3).valid);
    p = MapPoint(g, 20, 0.1 * (1 + 1e-9));
    EXPECT_FALSE(p.valid);
    EXPECT_EQ(p.y, 0);
    EXPECT_FALSE(MapPoint(g, 20, 1e-7 * (1 - 1e-9)).valid);
}

TEST(LinearTicksTest, TwoDecibelsAllLabelledAtSixtyPixels) {
    const std::vector<Tick> ticks = LinearTicks(Geometry(), 60, 10, 30);
    ASSERT_EQ(ticks.size(), 11u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i].x, 50 + 50 * static_cast<int>(i));
        EXPECT_EQ(ticks[i].label, std::to_string(10 + 2 * i));
        EXPECT_TRUE(ticks[i].labelled);
        EXPECT_EQ(ticks[i].halfWidth, 7);
    }
    EXPECT_TRUE(ticks[9].labelFits);    // 500 + 7 < 555 - 35
    EXPECT_FALSE(ticks[10].labelFits);  // 550 + 7
}

TEST(LinearTicksTest, FinerStepsDecimalsLabelSpacingAndShiftedAxis) {
    const DiagramGeometry g = Geometry();
    std::vector<Tick> ticks = LinearTicks(g, 20, 10, 30);  // step 0.5, 12 pixels apart
    ASSERT_EQ(ticks.size(), 41u);
    EXPECT_EQ(ticks[1].x, 62);
    std::vector<std::string> labels;
    for (const Tick& t : ticks) {
        if (t.labelled) labels.push_back(t.label);
    }
    ASSERT_EQ(labels.size(), 11u);  // every fourth
    EXPECT_EQ(labels[0] + labels[1] + labels[2], "10.012.014.0");
    EXPECT_TRUE(ticks[4].labelled && !ticks[3].labelled && !ticks[5].labelled);

    DiagramGeometry narrow = g;
    narrow.snrMax = 10.2, narrow.snrSpan = 0.2;
    ticks = LinearTicks(narrow, 60, 10, 10.2);  // step 0.02
    EXPECT_EQ(ticks[1].label, "10.02");
    EXPECT_EQ(ticks[1].x, 100);

    ticks = LinearTicks(g, 60, 9.5, 29.5);  // the C/N axis 0.5 dB below S/N
    EXPECT_EQ(ticks[0].value, 10);
    EXPECT_EQ(ticks[0].x, 62);
    ticks = LinearTicks(g, 60, -4.5, 15.5);  // negative values read like positive ones
    EXPECT_EQ(ticks[0].label + ticks[1].label + ticks[2].label, "-4-20");
}

TEST(LinearTicksTest, ATickAtMinusZeroReadsZero) {
    // The first tick of an axis starting just below zero is trunc(lo / step) * step = -0.0.
    struct Case {
        int maxGridSpacing;
        double lo;
        const char* label;
    };
    for (const Case& c : {Case{60, -0.5, "0"}, Case{20, -0.3, "0.0"}}) {
        const std::vector<Tick> ticks = LinearTicks(Geometry(), c.maxGridSpacing, c.lo, c.lo + 20);
        ASSERT_FALSE(ticks.empty());
        EXPECT_EQ(ticks[0].value, 0.0);
        EXPECT_EQ(ticks[0].label, c.label) << c.lo;
        EXPECT_EQ(ticks[0].halfWidth, static_cast<int>(std::string(c.label).size()) * 7 / 2);
    }
}

TEST(DecadeGridTest, LinesAndLabelsByRoomPerDecade) {
    DiagramGeometry g = Geometry();
    g.berMin = 1e-4, g.berMax = 0.1, g.pixelsPerDecade = 40;  // nine lines a decade
    std::vector<GridLine> lines = DecadeGrid(g);
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[1].y, 338);  // 2e-4: 350 - trunc(log10(2) * 40)
    EXPECT_EQ(lines[9].y, 310);
    EXPECT_EQ(lines[0].label + lines[9].label + lines[18].label, "1 E-41 E-31 E-2");
    EXPECT_FALSE(lines[1].labelled || lines[10].labelled);

    g.berMin = 1e-6, g.berMax = 1e-2, g.pixelsPerDecade = 20;  // 1, 2, 5
    lines = DecadeGrid(g);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_NEAR(lines[2].value, 5e-6, 1e-18);
    EXPECT_TRUE(lines[3].labelled);
    g.pixelsPerDecade = 19.9;  // every second decade
    lines = DecadeGrid(g);
    EXPECT_FALSE(lines[3].labelled);
    EXPECT_EQ(lines[6].label, "1 E-4");

    g.berMin = 1e-16, g.scaleFactor = 2, g.pixelsPerDecade = 15;  // under 10 * s: one line,
    lines = DecadeGrid(g);                                        // every third label
    EXPECT_NEAR(lines[1].value, 1e-15, 1e-27);
    EXPECT_EQ(lines[0].label, "1 E-16");
    EXPECT_FALSE(lines[2].labelled);
    EXPECT_EQ(lines[3].label, "1 E-13");
}

TEST(GridWalksTest, AbsurdRangesEnd) {
    DiagramGeometry g = Geometry();
    g.snrMax = 1e300, g.snrSpan = 1e300;
    EXPECT_EQ(LinearTicks(g, 60, 0, 1e300).size(), 10000u);
    g.snrSpan = 0;
    EXPECT_TRUE(LinearTicks(g, 60, 0, 0).empty());
    g.berMin = 5e-324, g.berMax = 1e308, g.pixelsPerDecade = 40;
    EXPECT_GT(DecadeGrid(g).size(), 5000u);
    g.berMin = 0;
    EXPECT_TRUE(DecadeGrid(g).empty());
}

}  // namespace
}  // namespace tarvos
