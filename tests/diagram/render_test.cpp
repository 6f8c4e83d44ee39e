// The repaint through a recording canvas: order, axes, curves with their zero-BER line, END,
// legend box and marker.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "diagram/renderer.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/theory.h"
#include "recording_canvas.h"

namespace tarvos {
namespace {

using testing::Line;
using testing::Pt;
using Calls = std::vector<std::string>;
using Canvas = testing::RecordingCanvas;

constexpr std::size_t npos = Canvas::npos;

Calls Diamond(int x, int y) {
    return {"move " + Pt(x, y - 5), Line(x, y - 5, x - 5, y), Line(x - 5, y, x, y + 5),
            Line(x, y + 5, x + 5, y), Line(x + 5, y, x, y - 5), "move " + Pt(x, y)};
}
Calls Cross(int x, int y) {
    return {"move " + Pt(x + 5, y + 5), Line(x + 5, y + 5, x - 5, y - 5), "move " + Pt(x + 5, y - 5),
            Line(x + 5, y - 5, x - 5, y + 5), "move " + Pt(x, y)};
}
// END's mark for ends closer than 50 pixels.
Calls Stroke(int x, int y) { return {"move " + Pt(x, y), Line(x, y, x, y + 3), Line(x, y + 3, x, y - 4)}; }
Calls Join(std::initializer_list<Calls> parts) {
    Calls out;
    for (const Calls& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A mode 7 document (no theoretical curve) over S/N 10..30 and its view with BER 1e-7..0.1:
// on a 555 x 400 client S/N 20 is x 300 and 1e-4 is y 178 (57.5 pixels a decade).
struct Fixture {
    std::unique_ptr<C_KVR_DiaDoc> doc = std::make_unique<C_KVR_DiaDoc>();
    ViewState view;

    explicit Fixture(const std::vector<MeasurementSample>& measured, bool box = false, int mode = 7) {
        ReceiverSettings rs;
        rs.mode = mode, rs.snrBegin = 10, rs.snrEnd = 30;
        SampleList list;
        for (const MeasurementSample& s : measured) list.AppendSample(s.snr, s.ber);
        doc->ReplaceMeasurement(rs, std::move(list));
        view.settings.showLegend = view.settings.showInfoText = box ? 1 : 0;
        InitialUpdate(view, *doc);
        view.geometry.berMin = 1e-7, view.geometry.berMax = 0.1;
    }
    Canvas Paint(int width = 555, int height = 400, bool onPaper = false) {
        Canvas canvas;
        Repaint(canvas, view, *doc, width, height, onPaper);
        return canvas;
    }
};

TEST(RepaintTest, OrderSizeAndPaper) {
    Fixture f({{12, 1e-2}, {20, 1e-4}}, true);
    Canvas c = f.Paint(600);
    EXPECT_EQ(c.From(0, 5), (Calls{"begin 1 screen", "pen Frame", "rect 50,5,596,351",
                                   "move 49,377", Line(49, 377, 595, 377)}));
    const std::size_t cn = c.Find("text 570,382 C/N"), sn = c.Find("text 570,355 S/N");
    const std::size_t ber = c.Find("text 15,5 BER"), curve = c.Find("pen Measured");
    EXPECT_TRUE(cn < sn && sn < ber && ber < curve && curve < c.Find("rect 70,225,470,330"));
    EXPECT_EQ(c.calls[ber - 1], "fill 0,0,45,23");

    EXPECT_EQ(f.Paint(104, 105).calls, Calls{"begin 1 screen"});  // plot 49 wide
    EXPECT_EQ(f.Paint(105, 104).calls.size(), 1u);
    EXPECT_TRUE(f.Paint(105, 105).Has("rect 50,5,101,56"));

    // Paper: scaled by the whole print scale, no marker, the screen's view left as it was.
    f.view.geometry.printScale = 2.6;
    f.Paint(600);
    Canvas marker;
    ASSERT_EQ(ShowMarker(marker, f.view, 25, 1e-3), MarkerPlacement::Norm);
    const ViewState screen = f.view;
    c = f.Paint(600, 400, true);
    EXPECT_EQ(c.From(0, 3), (Calls{"begin 2 paper", "pen Frame", "rect 100,10,1192,702"}));
    EXPECT_TRUE(c.Has("text 30,10 BER"));
    EXPECT_FALSE(c.Has(Line(917, 230, 907, 240)));  // where the marker's diamond would be
    EXPECT_EQ(f.view.geometry.plot, screen.geometry.plot);
    EXPECT_EQ(f.view.boxRect, screen.boxRect);
}

TEST(AxesTest, SnrCnAndBerAxes) {
    Fixture f({});
    const Canvas c = f.Paint();
    std::size_t i = c.Find(Line(50, 5, 50, 349));  // S/N 10: grid, label, tick
    ASSERT_NE(i, npos);
    EXPECT_EQ(c.PenAt(i), "Grid");
    EXPECT_EQ(c.From(i + 1, 4),
              (Calls{"text 43,355 10", "pen Frame", "move 50,350", Line(50, 350, 50, 352)}));
    EXPECT_TRUE(c.Has(Line(550, 350, 550, 352)));  // 30: tick, but no room for its label
    EXPECT_FALSE(c.Has("text 543,355 30"));
    EXPECT_TRUE(c.Has("text 525,355 S/N"));

    const DiagramGeometry& g = f.view.geometry;
    const Tick cn = LinearTicks(g, 60, 10 - g.cnOffset, 30 - g.cnOffset)[0];
    EXPECT_EQ(cn.x, MapPoint(g, cn.value + g.cnOffset, 1e-3).x);
    i = c.Find(Line(cn.x, 372, cn.x, 377));
    ASSERT_NE(i, npos);
    EXPECT_EQ(c.calls[i + 1], "text " + Pt(cn.x - cn.halfWidth, 382) + " " + cn.label);
    EXPECT_TRUE(c.Has(Line(cn.x, 377, cn.x, 379)));

    EXPECT_FALSE(c.Has(Line(50, 350, 549, 350)));  // no grid line on the frame
    i = c.Find("text 6,342 1 E-7");
    ASSERT_NE(i, npos);
    EXPECT_EQ(c.PenAt(i + 2), "Frame");
    EXPECT_TRUE(c.Has(Line(50, 350, 47, 350)) && c.Has(Line(13, 350, 14, 350)) &&
                c.Has(Line(14, 350, 13, 350)));
    EXPECT_EQ(c.PenAt(c.Find(Line(50, 333, 549, 333))), "Grid");  // 2e-7
    EXPECT_TRUE(c.Has("text 6,170 1 E-4"));
}

TEST(CurveTest, ZeroBersLinkDashedToTheZeroLine) {
    Fixture f({{20, 1e-4}, {22, 0}, {24, 0}});
    Canvas c = f.Paint();
    std::size_t i = c.Find("pen Measured");
    ASSERT_NE(i, npos);
    const Calls expected = Join({Diamond(300, 178),
                                 {"move 300,178", "pen ZeroLink", Line(300, 178, 350, 352), "pen Measured"},
                                 Cross(350, 352), {"pen ZeroLink", Line(350, 352, 400, 352), "pen Measured"},
                                 Cross(400, 352)});
    EXPECT_EQ(c.From(i + 1, 100), expected);

    f = Fixture({{20, 0}, {22, 1e-4}, {24, 1e-5}});
    f.view.settings.showSamplePoints = 0;
    c = f.Paint();
    i = c.Find("pen Measured");
    EXPECT_EQ(c.From(i + 1, 100), (Calls{"move 300,352", "pen ZeroLink", Line(300, 352, 350, 178),
                                         "pen Measured", Line(350, 178, 400, 235)}));
}

TEST(CurveTest, SkipsToTheFirstPointInsideAndEndsWhereItLeaves) {
    Fixture f({{5, 1e-2}, {12, 1e-2}, {16, 1e-3}, {20, 1e-9}, {24, 1e-5}});
    f.view.settings.showSamplePoints = 0;
    Canvas c = f.Paint();
    EXPECT_EQ(c.From(c.Find("pen Measured") + 1, 100), (Calls{"move 100,63", Line(100, 63, 200, 120)}));
    f = Fixture({{5, 1e-2}, {35, 1e-3}});
    EXPECT_FALSE(f.Paint().Has("pen Measured"));
}

// A 64-QAM document (theory and END) over 20..35 dB whose measured curve crosses the threshold
// `endDb` right of theory; `left`/`right` zoom relative to the theoretical S/N.
struct EndFixture : Fixture {
    double theory = 0;
    explicit EndFixture(double endDb) : Fixture({}, false, 4) {
        ReceiverSettings rs = doc->Receiver();
        rs.snrBegin = 20, rs.snrEnd = 35;
        const double threshold = doc->ThresholdBer();
        doc->SetReceiver(rs);
        theory = doc->TheoreticalSnrAtBer(threshold);
        SampleList measured;
        measured.AppendSample(theory + endDb - 0.5, threshold * 10);
        measured.AppendSample(theory + endDb + 0.5, threshold / 10);
        doc->ReplaceMeasurement(rs, std::move(measured));
        InitialUpdate(view, *doc);
    }
    Canvas Zoomed(double left, double right) {
        DiagramGeometry& g = view.geometry;
        g.snrMin = theory + left, g.snrMax = theory + right, g.snrSpan = right - left;
        return Paint(600);
    }
    MappedPoint Map(bool measured) {
        const EndResult e = doc->End();
        return measured ? MapPoint(view.geometry, e.measuredSnr, e.measuredBer)
                        : MapPoint(view.geometry, e.theorySnr, e.theoryBer);
    }
};

TEST(EndTest, Labels) {
    EXPECT_EQ(EndLabel(1.0), " END = 1.0 dB ");
    EXPECT_EQ(EndLabel(-0.372), " END = -0.37 dB ");
    EXPECT_EQ(EndLabel(0.05), " END = 0.05 dB ");
    EXPECT_EQ(EndLabel(2.999), " END = 3.0 dB ");
    EXPECT_EQ(EndLabel(-0.004), " END = 0.0 dB ");
    EXPECT_EQ(EndLabel(1234.567), " END = 1234.57 dB ");
    EXPECT_EQ(EndLabel(123456.78), " END = 123456.8 dB ");  // six digits, yet one decimal
    EndFixture f(-0.372);
    EXPECT_EQ(f.doc->End().valid, 1);
    const Canvas c = f.Paint(600);
    const int x = (f.Map(true).x + f.Map(false).x) / 2 - 48;
    EXPECT_TRUE(c.Has("text " + Pt(x, f.Map(false).y + 8) + "  END = -0.37 dB "));
}

TEST(EndTest, ArrowHeadsStrokesAndTheLabel) {
    EndFixture f(3.0);
    Canvas c = f.Zoomed(-5, 10);
    const MappedPoint a = f.Map(false), b = f.Map(true);
    const int xa = a.x, xb = b.x, y = a.y;
    ASSERT_GE(xb - xa, 50);
    const std::size_t i = c.Find("move " + Pt(xa + 15, y + 4));
    ASSERT_NE(i, npos);
    EXPECT_EQ(c.PenAt(i), "Frame");
    EXPECT_EQ(c.From(i + 1, 10),
              (Calls{Line(xa + 15, y + 4, xa, y - 1), Line(xa, y - 1, xa, y), Line(xa, y, xa + 15, y - 5),
                     "move " + Pt(xb - 15, y + 4), Line(xb - 15, y + 4, xb, y - 1), "move " + Pt(xb, y),
                     Line(xb, y, xb - 15, y - 5), "move " + Pt(xa, y), Line(xa, y, xb, y),
                     "text " + Pt((xa + xb) / 2 - 48, y + 8) + "  END = 3.0 dB "}));

    // B pinned to the right edge (595); A 50 pixels from it keeps its arrow, 49 get a stroke.
    c = f.Zoomed(-9.9, 1);  // 9.9 / 10.9 * 545 = 495
    ASSERT_EQ(f.Map(false).x, 545);
    EXPECT_TRUE(c.Has(Line(560, y + 4, 545, y - 1)) && c.Has(Line(545, y, 595, y)));
    EXPECT_FALSE(c.Has(Line(595, y, 595, y + 3)) || c.Has("move " + Pt(580, y + 4)));
    c = f.Zoomed(-10.2, 1);  // 496.3
    ASSERT_EQ(f.Map(false).x, 546);
    EXPECT_EQ(c.From(c.Find("move " + Pt(546, y)), 3), Stroke(546, y));
    EXPECT_TRUE(c.Has("text " + Pt(490, y + 8) + "  END = 3.0 dB "));  // kept 105 left of the edge
}

TEST(EndTest, ZoomPinsTheTheoryEndLeftAndCloseEndsGetStrokes) {
    EndFixture f(3.0);
    Canvas c = f.Zoomed(0.5, 8);
    const int y = f.Map(true).y, xb = f.Map(true).x;
    EXPECT_TRUE(c.Has(Line(50, y, xb, y)));
    EXPECT_FALSE(c.Has("move " + Pt(65, y + 4)) || c.Has(Line(50, y, 50, y + 3)));
    EXPECT_TRUE(c.Has(Line(xb - 15, y + 4, xb, y - 1)));

    c = f.Zoomed(2.9, 10);  // both ends close to the left edge: the label stays inside
    EXPECT_TRUE(c.Has("text " + Pt(55, y + 8) + "  END = 3.0 dB "));

    EndFixture close(1.1);  // 40 pixels apart: strokes at both ends
    c = close.Paint(600);
    const MappedPoint a = close.Map(false), b = close.Map(true);
    ASSERT_EQ(b.x - a.x, 40);
    const std::size_t i = c.Find("move " + Pt(a.x, a.y));
    EXPECT_EQ(c.From(i, 8),
              Join({Stroke(a.x, a.y), Stroke(b.x, b.y), {"move " + Pt(a.x, a.y), Line(a.x, a.y, b.x, b.y)}}));

    close.view.geometry.berMax = close.doc->ThresholdBer() / 2;  // threshold off the BER axis
    EXPECT_EQ(close.Paint(600).Find(Line(a.x, a.y, b.x, b.y)), npos);
}

TEST(LegendBoxTest, ExtentCornerRowsAndInfo) {
    ViewState v;
    ASSERT_TRUE(ComputeLayout(v.geometry, v.settings, 600, 400, 1, 0));
    EXPECT_EQ(LegendBox(v, 14), (Rect{70, 225, 470, 330}));
    v.settings.showSamplePoints = 0;
    EXPECT_EQ(LegendBox(v, 14), (Rect{70, 245, 470, 330}));  // 400 x 85
    EXPECT_EQ(LegendBox(v, 13), (Rect{70, 225, 470, 330}));
    v.settings.showInfoText = 0;
    EXPECT_EQ(LegendBox(v, 4), (Rect{70, 265, 250, 330}));  // legend only, no points: 180 x 65
    v.settings.showInfoText = 1, v.settings.showLegend = 0;
    EXPECT_EQ(LegendBox(v, 14), (Rect{70, 245, 290, 330}));  // info only: 220 x 85
    v.settings.boxCorner = 2, v.settings.boxOffsetX = 10, v.settings.boxOffsetY = 30;
    EXPECT_EQ(LegendBox(v, 4), (Rect{365, 35, 585, 140}));
    v.settings.boxCorner = 4;
    EXPECT_EQ(LegendBox(v, 4), (Rect{365, 215, 585, 320}));

    Fixture f({}, true, 4);
    Canvas c = f.Paint(600);
    const std::size_t i = c.Find("rect 70,225,470,330");
    ASSERT_NE(i, npos);
    EXPECT_EQ(c.PenAt(i), "Grid");
    EXPECT_EQ(c.From(i + 1, 100),
              Join({{"move 250,225", Line(250, 225, 250, 330), "pen Theory", "move 74,236",
                     Line(74, 236, 86, 236), "text 95,228 Theoretical curve", "pen Measured",
                     "move 74,256", Line(74, 256, 86, 256), "text 95,248 Measured curve", "pen Marker"},
                    Diamond(80, 276), {"text 95,268 Preliminary value", "pen Measured"}, Diamond(80, 296),
                    {"text 95,288 BER Result > 0"}, Cross(80, 316),
                    {"text 95,308 BER Result = 0", "text 260,228 Mode: QAM Receiver",
                     "text 260,248 BER before Reed-Solomon", "text 260,268 Order of QAM: 64",
                     "text 260,288 Frequency (IF): 36.0 MHz", "text 260,308 Symbol Rate: 6.9 MSymb/s"}}));

    f.view.settings.showLegend = f.view.settings.showInfoText = 0;
    f.Paint(600);
    EXPECT_EQ(f.view.boxRect, Rect{});
}

TEST(LegendBoxTest, AtscWithoutPointsShowsFourInfoLines) {
    Fixture f({}, true, 14);
    f.view.settings.showSamplePoints = 0;
    const Canvas c = f.Paint(600);
    EXPECT_EQ(f.view.boxRect, (Rect{70, 245, 470, 330}));
    const std::size_t info = c.Find("text 260,248 Mode: ATSC / 8VSB");
    ASSERT_NE(info, npos);
    EXPECT_EQ(c.calls[info - 1], "text 95,288 Preliminary value");  // no sample point rows
    EXPECT_EQ(c.From(info, 5),
              (Calls{"text 260,248 Mode: ATSC / 8VSB", "text 260,268 BER before Reed-Solomon",
                     "text 260,288 Frequency (IF): 36.0 MHz", "text 260,308 Symbol Rate: 6.9 MSymb/s"}));
}

TEST(InfoLinesTest, ReceiverTexts) {
    ReceiverSettings rs;
    rs.mode = 6, rs.berPoint = 0, rs.qamOrder = 0, rs.input = 75, rs.frequency = 474, rs.symbolRate = 6.875;
    EXPECT_EQ(InfoLines(rs), (Calls{"Mode: DVB-C / J.83/A", "BER before Viterbi", "Order of QAM: Auto",
                                    "Frequency: 474.0 MHz", "Symbol Rate: 6.875 MSymb/s"}));
    rs.mode = 13, rs.berPoint = 2, rs.frequency = 0, rs.channelBandwidth = 5;
    EXPECT_EQ(InfoLines(rs), (Calls{"Mode: DVB-T / OFDM", "BER after Reed-Solomon", "Order of QAM: Auto",
                                    "Frequency: undefined", "Channel Bandwidth: undefined"}));
    rs.channelBandwidth = 7;
    EXPECT_EQ(InfoLines(rs)[4], "Channel Bandwidth: 7.0 MHz");
    rs.mode = 9, rs.berPoint = 3, rs.input = kInputIf, rs.symbolRate = 0;
    EXPECT_EQ(InfoLines(rs), (Calls{"Mode: undefined", "BER (undefined)", "Order of QAM: Auto",
                                    "Frequency (IF): 36.0 MHz", "Symbol Rate: undefined"}));
    rs.mode = 5, rs.qamOrder = 256;
    EXPECT_EQ(InfoLines(rs)[2], "Order of QAM: 256");
}

TEST(InfoLinesTest, FrequencyAndSymbolRateWithUpToTenSignificantDigits) {
    // Values from a hand-made file, too: never the settings file's exponent form (5.e-002).
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {Case{0.05, "0.05"}, Case{474, "474.0"}, Case{6.9, "6.9"}, Case{0.0001, "0.0001"},
                          Case{123456.789012, "123456.789"}, Case{1234567890, "1234567890.0"},
                          Case{12345678901, "1.23456789e+10"}}) {
        ReceiverSettings rs;
        rs.mode = 6, rs.input = 75, rs.frequency = c.value, rs.symbolRate = c.value;
        const std::vector<std::string> lines = InfoLines(rs);
        EXPECT_EQ(lines[3], std::string("Frequency: ") + c.text + " MHz");
        EXPECT_EQ(lines[4], std::string("Symbol Rate: ") + c.text + " MSymb/s");
    }
}

TEST(MarkerTest, PlacementsAndHide) {
    Fixture f({});
    f.Paint();
    Canvas c;
    EXPECT_EQ(ShowMarker(c, f.view, 20, 1e-4), MarkerPlacement::Norm);
    EXPECT_EQ(c.calls, Join({{"pen Marker"}, Diamond(300, 178)}));
    EXPECT_EQ(HideMarker(f.view), (Rect{293, 161, 307, 195}));
    EXPECT_EQ(f.view.marker.shown, 0);

    c = Canvas();
    EXPECT_EQ(ShowMarker(c, f.view, 20, 0.5), MarkerPlacement::High);
    EXPECT_EQ(c.calls, Join({{"pen Marker", "move 294,12", Line(294, 12, 300, 6), Line(300, 6, 306, 12),
                              "pen MarkerShaft", "move 300,6", Line(300, 6, 300, 27), "pen Marker"},
                             Diamond(300, 30)}));
    EXPECT_EQ(f.view.marker.pos, (Point{300, 19}));

    c = Canvas();
    EXPECT_EQ(ShowMarker(c, f.view, 20, 0), MarkerPlacement::Low);
    EXPECT_EQ(c.calls, Join({{"pen Marker", "move 294,342", Line(294, 342, 300, 348),
                              Line(300, 348, 306, 342),
                              "pen MarkerShaft", "move 300,348", Line(300, 348, 300, 327), "pen Marker"},
                             Diamond(300, 324)}));
    EXPECT_EQ(f.view.marker.pos, (Point{300, 335}));
    EXPECT_EQ(ShowMarker(c, f.view, 24, 1e-9), MarkerPlacement::Low);
}

TEST(MarkerTest, ItsOwnRepaintEndsWithTheMarkerOverTheLegendBox) {
    Fixture f({}, true);
    f.Paint();
    Canvas placed;
    ASSERT_EQ(ShowMarker(placed, f.view, 20, 1e-6), MarkerPlacement::Norm);  // (300, 293): in the box
    Canvas c;
    RepaintWithMarkerOnTop(c, f.view, *f.doc, 555, 400);
    const std::size_t box = c.Find("rect 70,225,470,330");
    ASSERT_NE(box, npos);
    const Calls marker = Join({{"pen Marker"}, Diamond(300, 293)});
    ASSERT_GT(c.calls.size(), box + marker.size());
    EXPECT_EQ(c.From(c.calls.size() - marker.size(), marker.size()), marker);

    HideMarker(f.view);  // hidden: the plain repaint order, the box on top
    c = Canvas();
    RepaintWithMarkerOnTop(c, f.view, *f.doc, 555, 400);
    EXPECT_FALSE(c.Has(Line(300, 288, 295, 293)));
}

TEST(MarkerTest, OutsideNothingAndRepaintShowsTheLastPointInRange) {
    Fixture f({});
    f.Paint();
    Canvas c;
    ASSERT_EQ(ShowMarker(c, f.view, 20, 1e-4), MarkerPlacement::Norm);
    c = Canvas();
    EXPECT_EQ(ShowMarker(c, f.view, 31, 1e-3), MarkerPlacement::No);
    EXPECT_TRUE(c.calls.empty());
    c = f.Paint();
    EXPECT_EQ(c.From(c.Find("pen Marker") + 1, 6), Diamond(300, 178));

    f.view.geometry.berMax = 1e-5;  // placed again with the current range: now above it
    EXPECT_TRUE(f.Paint().Has(Line(300, 6, 300, 27)));
    EXPECT_EQ(f.view.marker.pos, (Point{300, 19}));
    HideMarker(f.view);
    EXPECT_FALSE(f.Paint().Has("pen Marker"));
}

// Two files compared with a mode 7 document: a mode 7 one without theory (so no END) that ends
// on a zero BER, and a 64-QAM one crossing the threshold 1.5 dB right of its own theory.
TEST(ComparisonTest, OverlaysDrawAfterTheMeasuredCurveInTheirOwnPensWithARowPerFile) {
    Fixture f({{12, 1e-2}, {20, 1e-4}}, true);
    OverlayCurve a{"a.tvd", {}, {}, {}, {}};
    a.receiver.mode = 7;
    a.measured.AppendSample(20, 1e-4);
    a.measured.AppendSample(22, 0);
    OverlayCurve b{"b.tvd", {}, {}, {}, {}};
    b.receiver.mode = 4;
    const double threshold = f.doc->ThresholdBer();
    const double theory = TheoreticalSnrAtBer(b.receiver, threshold, HighestReachableSnr(b.receiver));
    ASSERT_TRUE(theory > 11 && theory < 27) << theory;
    b.measured.AppendSample(theory + 1, threshold * 10);
    b.measured.AppendSample(theory + 2, threshold / 10);
    f.view.overlays = {a, b};
    Canvas c = f.Paint();

    const std::size_t own = c.Find("pen Measured"), first = c.Find("pen Overlay1");
    const std::size_t second = c.Find("pen Overlay2"), box = c.Find("rect 70,165,470,330");
    ASSERT_TRUE(own < first && first < second && second < box) << own << " " << first << " " << second;
    EXPECT_EQ(c.From(first + 1, 15), Join({Diamond(300, 178),
                                            {"move 300,178", "pen OverlayLink1",
                                             Line(300, 178, 350, 352), "pen Overlay1"},
                                            Cross(350, 352)}));
    // Three rows under the key, the box 60 pixels higher for them.
    const std::size_t rows = c.Find("text 95,248 BER Result = 0");
    ASSERT_NE(rows, npos);
    EXPECT_EQ(c.PenAt(rows + 1), "Measured");  // the document's own row
    EXPECT_EQ(c.From(rows + 1, 11),
              (Calls{"move 74,276", Line(74, 276, 86, 276), "text 95,268 Untitled: no END",
                     "pen Overlay1", "move 74,296", Line(74, 296, 86, 296), "text 95,288 a.tvd: no END",
                     "pen Overlay2", "move 74,316", Line(74, 316, 86, 316),
                     "text 95,308 b.tvd: END 1.5 dB"}));
    EXPECT_EQ(f.view.boxRect, (Rect{70, 165, 470, 330}));

    f.view.overlays.clear();
    c = f.Paint();
    EXPECT_TRUE(c.Has("rect 70,225,470,330"));
    EXPECT_FALSE(c.Has("pen Overlay1"));
}

TEST(ComparisonTest, TheBerRangeTakesTheOverlaysIn) {
    Fixture f({{20, 1e-4}});
    OverlayCurve low{"low.tvd", {}, {}, {}, {}};
    low.measured.AppendSample(25, 1e-9);
    low.measured.AppendSample(40, 1e-12);  // beyond the S/N range
    f.view.overlays = {low};
    ResetSnrRange(f.view, *f.doc);
    EXPECT_EQ(f.view.geometry.berMin, DecadeFloor(1e-9, false));
    f.view.overlays.clear();
    ResetSnrRange(f.view, *f.doc);
    EXPECT_EQ(f.view.geometry.berMin, DecadeFloor(1e-4, false));
}

TEST(ComparisonTest, OverlaysLoadWithTheDocumentReader) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarvos-overlay-test";
    std::filesystem::create_directories(folder);
    ReceiverSettings rs;
    rs.mode = 6;
    SampleList samples;
    samples.AppendSample(21, 1e-3);
    const std::string name(60, 'x');
    struct Case {
        std::string file;
        std::string bytes;
        std::string error;  // empty: loads
    } cases[] = {{name + ".tvd", SerializeDocument(rs, samples), ""},
                 {"short.tvd", "abc", kUnexpectedFileFormat}};
    for (const Case& k : cases) {
        std::ofstream(folder / k.file, std::ios::binary) << k.bytes;
        const Result<OverlayCurve> loaded = LoadOverlay(folder / k.file);
        ASSERT_EQ(loaded.ok(), k.error.empty()) << k.file;
        if (!loaded.ok()) {
            EXPECT_EQ(loaded.error().message, k.error);
            continue;
        }
        EXPECT_EQ(loaded.value().receiver.mode, 6);
        EXPECT_EQ(loaded.value().measured.Count(), 1u);
        // A long name is cut in the middle to keep the legend box narrow.
        EXPECT_EQ(loaded.value().name, std::string(18, 'x') + "..." + std::string(14, 'x') + ".tvd");
    }
    EXPECT_FALSE(LoadOverlay(folder / "missing.tvd").ok());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvos
