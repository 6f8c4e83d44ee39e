// The diagram's settings sections surviving a restart, and the print scale.
#include "diagram/diagram_persistence.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

TEST(DiagramPersistence, SettingsSurviveARestartAndLeaveTheRestOfTheFile) {
    testing::TempDir dir;
    const auto file = dir / "kvr-tarvos.ini";
    const std::string other = "[KVR Settings]\r\nMode=13\r\n";
    testing::WriteBytes(file, other);
    EXPECT_EQ(LoadDiagramSettings(file).maxGridSpacing, 60);  // missing keys: defaults
    DiagramSettings s;
    s.showCnAxis = 0;
    s.showInfoText = 0;
    s.maxGridSpacing = 25;
    s.boxOffsetX = 33;
    s.boxCorner = 2;
    ASSERT_TRUE(SaveDiagramSettings(file, s).ok());
    const DiagramSettings back = LoadDiagramSettings(file);
    EXPECT_EQ(back.showCnAxis, 0);
    EXPECT_EQ(back.showInfoText, 0);
    EXPECT_EQ(back.maxGridSpacing, 25);
    EXPECT_EQ(back.boxOffsetX, 33);
    EXPECT_EQ(back.boxCorner, 2);
    const std::string text = testing::ReadBytes(file);
    EXPECT_EQ(text.rfind(other, 0), 0u);
    EXPECT_NE(text.find("[Diagram Elements]\r\nC/N Axis=0\r\nLegend=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Diagram Settings]\r\nMaximum Grid=25\r\n"), std::string::npos) << text;
}

TEST(DiagramPersistence, ValuesAreTakenAsTheyStandAndNoPathGivesDefaults) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "s.ini", "[Diagram Settings]\nMaximum Grid=5000\nCorner=x\n");
    const DiagramSettings s = LoadDiagramSettings(dir / "s.ini");
    EXPECT_EQ(s.maxGridSpacing, 5000);  // clamped only where it is used
    EXPECT_EQ(s.boxCorner, 0);
    EXPECT_EQ(Sanitized(s).maxGridSpacing, 2000);
    EXPECT_EQ(LoadDiagramSettings(std::nullopt).boxCorner, 3);
}

TEST(DiagramPersistence, ErrorBarsAreOffUnlessTheFileSwitchesThemOn) {
    testing::TempDir dir;
    const auto file = dir / "kvr-tarvos.ini";
    // A file written before the switch existed.
    testing::WriteBytes(file, "[Diagram Elements]\r\nC/N Axis=1\r\nInfo Text=1\r\n");
    EXPECT_EQ(LoadDiagramSettings(file).showErrorBars, 0);
    DiagramSettings s;
    s.showErrorBars = 1;
    ASSERT_TRUE(SaveDiagramSettings(file, s).ok());
    EXPECT_EQ(LoadDiagramSettings(file).showErrorBars, 1);
    const std::string text = testing::ReadBytes(file);
    EXPECT_LT(text.find("END Value=1\r\nError Bars=1\r\n"), text.find("[Diagram Settings]")) << text;
}

TEST(PrintScale, ScreenPreviewAndPage) {
    const Rect client{0, 0, 800, 600};
    EXPECT_EQ(PrintScaleFor(PaintTarget::Screen, {}, client), 1.0);
    // The preview shows the printed page, not the window eight times enlarged.
    EXPECT_EQ(PrintScaleFor(PaintTarget::Preview, Rect{0, 0, 4800, 6600}, client), 6.0);
    EXPECT_EQ(PrintScaleFor(PaintTarget::Printer, Rect{0, 0, 4800, 6600}, client), 6.0);
    EXPECT_EQ(PrintScaleFor(PaintTarget::Printer, Rect{0, 0, 4800, 6600}, Rect{0, 0, 0, 0}), 1.0);
}

}  // namespace
}  // namespace tarvos
