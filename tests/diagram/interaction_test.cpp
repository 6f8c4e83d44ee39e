// The mouse on the diagram without a window: hit tests and cursors, the legend box drag with its
// nearest-corner rule and pointer limits, the range selection and its zoom, the right-click reset,
// and the feedback figures a repaint draws again.
#include "diagram/interaction.h"

#include <gtest/gtest.h>

#include "diagram/renderer.h"
#include "tests/diagram/recording_canvas.h"

namespace tarvos {
namespace {

using testing::RecordingCanvas;

class InteractionTest : public ::testing::Test {
protected:
    // A 500-pixel plot from x 60 to 560 and y 20 to 420 showing 10..30 dB, the box 150 x 80 at
    // 20/20 from the bottom-left corner.
    void SetUp() override {
        ReceiverSettings rs;
        rs.sawBandwidth = 0;
        rs.snrBegin = 10;
        rs.snrEnd = 30;
        doc.SetReceiver(rs);
        InitialUpdate(view, doc);
        DiagramGeometry& g = view.geometry;
        g.plot = Rect{60, 20, 560, 420};
        g.plotWidth = 500;
        g.plotHeight = 400;
        view.boxRect = Rect{80, 320, 230, 400};
    }

    void Drag(Point from, Point to) {
        LeftButtonDown(view, from);
        MouseMove(view, to);
    }

    C_KVR_DiaDoc doc;
    ViewState view;
};

TEST_F(InteractionTest, HitTestsAreInclusiveAndTheBoxNeedsSomethingShown) {
    EXPECT_TRUE(InPlot(view.geometry, Point{60, 20}));
    EXPECT_TRUE(InPlot(view.geometry, Point{560, 420}));
    EXPECT_FALSE(InPlot(view.geometry, Point{561, 100}));
    EXPECT_TRUE(InBox(view, Point{230, 400}));
    EXPECT_EQ(CursorFor(view, Point{100, 350}), CursorShape::Move);
    EXPECT_EQ(CursorFor(view, Point{300, 100}), CursorShape::Cross);
    EXPECT_EQ(CursorFor(view, Point{10, 10}), CursorShape::Arrow);
    view.settings.showLegend = 0;
    view.settings.showInfoText = 0;
    EXPECT_FALSE(InBox(view, Point{100, 350}));
    // A press there starts a selection instead of a drag.
    LeftButtonDown(view, Point{100, 350});
    EXPECT_EQ(view.drag.zoomDragActive, 1);
    EXPECT_EQ(view.drag.boxDragActive, 0);
}

TEST_F(InteractionTest, NearestCornerWithTiesToTheLowerNumber) {
    // Top-right corner of the box 30 left of and 12 below the plot's.
    const CornerChoice topRight = NearestCorner(view.geometry, Rect{380, 32, 530, 112});
    EXPECT_EQ(topRight.corner, 2);
    EXPECT_EQ(topRight.offsetX, 30);
    EXPECT_EQ(topRight.offsetY, 12);
    EXPECT_EQ(topRight.boxCorner, (Point{530, 32}));
    EXPECT_EQ(topRight.plotCorner, (Point{560, 20}));
    // Equally far from top left and bottom left, farther from the right: corner 1.
    const CornerChoice tie = NearestCorner(view.geometry, Rect{70, 180, 220, 260});
    EXPECT_EQ(tie.corner, 1);
    EXPECT_EQ(tie.offsetY, 160);
    const CornerChoice bottomRight = NearestCorner(view.geometry, Rect{410, 330, 560, 410});
    EXPECT_EQ(bottomRight.corner, 4);
    EXPECT_EQ(bottomRight.offsetX, 0);
    EXPECT_EQ(bottomRight.offsetY, 10);
}

TEST_F(InteractionTest, ABoxDropStoresTheNearestCornerAndItsOffsets) {
    // Grabbed at (100, 340); the box's top-right corner goes to (530, 32).
    Drag(Point{100, 340}, Point{400, 52});
    EXPECT_EQ(view.drag.outlineDrawn, 1);
    EXPECT_EQ(view.drag.dragRect, (Rect{380, 32, 530, 112}));
    EXPECT_EQ(LeftButtonUp(view, doc, Point{400, 52}), MouseResult::Redraw);
    EXPECT_EQ(view.settings.boxCorner, 2);
    EXPECT_EQ(view.settings.boxOffsetX, 30);
    EXPECT_EQ(view.settings.boxOffsetY, 12);
    EXPECT_FALSE(MouseCaptured(view));
    EXPECT_EQ(view.drag.outlineDrawn, 0);
}

TEST_F(InteractionTest, ReleasingAtThePressPointKeepsTheBoxWhereItWas) {
    Drag(Point{100, 340}, Point{300, 200});
    MouseMove(view, Point{100, 340});
    EXPECT_EQ(LeftButtonUp(view, doc, Point{100, 340}), MouseResult::Feedback);
    EXPECT_EQ(view.settings.boxCorner, 3);
    EXPECT_EQ(view.settings.boxOffsetX, 20);
    EXPECT_EQ(view.settings.boxOffsetY, 20);
}

TEST_F(InteractionTest, TheDraggedBoxStaysStrictlyInsideTheFrame) {
    // Far beyond the top-left and the bottom-right: the pointer is held back.
    Drag(Point{100, 340}, Point{-500, -500});
    EXPECT_EQ(view.drag.dragRect, (Rect{61, 21, 211, 101}));
    MouseMove(view, Point{5000, 5000});
    EXPECT_EQ(view.drag.dragRect, (Rect{409, 339, 559, 419}));
    EXPECT_EQ(LeftButtonUp(view, doc, Point{5000, 5000}), MouseResult::Redraw);
    EXPECT_EQ(view.settings.boxCorner, 4);
    EXPECT_EQ(view.settings.boxOffsetX, 1);
    EXPECT_EQ(view.settings.boxOffsetY, 1);
}

TEST_F(InteractionTest, SelectionsZoomTheSnrAxis) {
    // The whole width: the pointer stops at plotRight - 1, which stands for the very end.
    Drag(Point{60, 200}, Point{900, 200});
    EXPECT_EQ(view.drag.dragCurrent.x, 559);
    EXPECT_EQ(LeftButtonUp(view, doc, Point{900, 200}), MouseResult::Redraw);
    EXPECT_EQ(view.geometry.snrMin, 10.0);
    EXPECT_EQ(view.geometry.snrMax, 30.0);

    // 20 pixels from right to left: 0.8 dB, the theory rebuilt over it.
    InitialUpdate(view, doc);
    Drag(Point{320, 200}, Point{300, 200});
    EXPECT_EQ(view.drag.zoomDirection, 2);
    EXPECT_EQ(LeftButtonUp(view, doc, Point{300, 200}), MouseResult::Redraw);
    EXPECT_DOUBLE_EQ(view.geometry.snrMin, 19.6);
    EXPECT_DOUBLE_EQ(view.geometry.snrMax, 20.4);
    EXPECT_EQ(view.geometry.zoomed, 1);
    const auto theory = doc.TheoreticalSamples();
    ASSERT_FALSE(theory.empty());
    EXPECT_NEAR(theory.front().snr, 19.6, 1e-9);
    EXPECT_NEAR(theory.back().snr, 20.4, 1e-9);
}

TEST_F(InteractionTest, SelectionsWithoutWidthChangeNothing) {
    LeftButtonDown(view, Point{300, 200});
    EXPECT_EQ(LeftButtonUp(view, doc, Point{300, 200}), MouseResult::Feedback);  // never moved
    Drag(Point{300, 200}, Point{310, 100});
    MouseMove(view, Point{300, 100});
    EXPECT_EQ(LeftButtonUp(view, doc, Point{300, 100}), MouseResult::Feedback);
    EXPECT_EQ(view.geometry.snrMin, 10.0);
    EXPECT_EQ(view.geometry.snrMax, 30.0);
    EXPECT_EQ(view.geometry.zoomed, 0);
}

TEST_F(InteractionTest, RightClickInsideAZoomedPlotRestoresTheMeasureRange) {
    doc.AppendSample(15, 1e-3);
    doc.AppendSample(25, 1e-5);
    Drag(Point{320, 200}, Point{300, 200});
    LeftButtonUp(view, doc, Point{300, 200});
    ASSERT_EQ(view.geometry.zoomed, 1);

    // Pressed inside, released outside: nothing.
    RightButtonDown(view, Point{200, 200});
    EXPECT_EQ(RightButtonUp(view, doc, Point{10, 10}), MouseResult::Nothing);
    EXPECT_EQ(view.geometry.zoomed, 1);
    // Pressed outside, released inside: nothing either.
    RightButtonDown(view, Point{10, 10});
    EXPECT_EQ(RightButtonUp(view, doc, Point{200, 200}), MouseResult::Nothing);

    RightButtonDown(view, Point{200, 200});
    EXPECT_EQ(RightButtonUp(view, doc, Point{210, 250}), MouseResult::Redraw);
    EXPECT_EQ(view.geometry.snrMin, 10.0);
    EXPECT_EQ(view.geometry.snrMax, 30.0);
    EXPECT_EQ(view.geometry.zoomed, 0);
    EXPECT_NEAR(doc.TheoreticalSamples().back().snr, 30.0, 1e-9);
    EXPECT_EQ(doc.End().valid, 1);  // END taken again over the restored range

    // An unzoomed diagram ignores right clicks.
    RightButtonDown(view, Point{200, 200});
    EXPECT_EQ(RightButtonUp(view, doc, Point{200, 200}), MouseResult::Nothing);
}

TEST_F(InteractionTest, ARepaintDrawsTheFeedbackAgainInverted) {
    RecordingCanvas canvas;
    Drag(Point{320, 200}, Point{300, 200});
    const auto brackets = SelectionFeedback(view);
    ASSERT_EQ(brackets.size(), 2u);
    EXPECT_EQ(brackets[0].front(), (Point{300, 35}));
    EXPECT_EQ(brackets[1][1], (Point{310, 25}));

    Repaint(canvas, view, doc, 800, 600, false);
    const std::size_t on = canvas.Find("invert on");
    ASSERT_NE(on, RecordingCanvas::npos);
    EXPECT_EQ(canvas.PenAt(on + 3), "Grid");
    EXPECT_EQ(canvas.calls.back(), "invert off");

    // Paper never shows it.
    RecordingCanvas paper;
    Repaint(paper, view, doc, 800, 600, true);
    EXPECT_FALSE(paper.Has("invert on"));
}

TEST_F(InteractionTest, TheDragOutlineHasItsConnectorToTheChosenCorner) {
    EXPECT_TRUE(DragOutline(view).empty());
    Drag(Point{100, 340}, Point{400, 52});
    const auto figures = DragOutline(view);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].size(), 5u);
    EXPECT_EQ(figures[1], (std::vector<Point>{Point{530, 32}, Point{560, 20}}));
}

}  // namespace
}  // namespace tarvos
