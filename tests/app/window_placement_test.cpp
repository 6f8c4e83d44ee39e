// The main window's place at start-up: the fit into the screen, the choice of the screen, the
// default place, and its settings section.
#include "app/window_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarvos {
namespace {

constexpr FrameMargins kFrame{4, 30, 4, 4};

TEST(WindowPlacement, TheWindowWithItsFrameIsFittedIntoTheScreen) {
    struct Case {
        const char* name;
        WindowRect window;
        WindowRect screen;
        WindowRect expected;
    };
    const std::vector<Case> cases{
        {"already inside", {100, 100, 820, 680}, {0, 0, 1920, 1050}, {100, 100, 820, 680}},
        // 1366 x 768 pixels at a scale factor of 2, less a panel.
        {"larger than the screen", {100, 100, 820, 680}, {0, 0, 683, 360}, {4, 30, 675, 326}},
        {"past the right and bottom", {1500, 900, 820, 680}, {0, 0, 1920, 1050}, {1096, 366, 820, 680}},
        {"above and left of it", {-500, -20, 400, 300}, {0, 27, 1920, 1023}, {4, 57, 400, 300}},
        {"on a second screen", {1800, 10, 400, 300}, {1920, 0, 1280, 1024}, {1924, 30, 400, 300}},
        {"far out and huge", {INT_MAX - 5, INT_MIN + 5, INT_MAX, INT_MAX}, {0, 0, 800, 600}, {4, 30, 792, 566}},
        {"no size", {10, 40, 0, -5}, {0, 0, 800, 600}, {10, 40, 1, 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(FitIntoScreen(c.window, c.screen, kFrame), c.expected) << c.name;
}

TEST(WindowPlacement, TheScreenShowingMostOfTheWindowElseThePrimary) {
    const std::vector<WindowRect> screens{{0, 0, 1920, 1050}, {1920, 0, 1280, 1024}, {-1024, 0, 1024, 768}};
    EXPECT_EQ(ScreenFor({100, 100, 800, 600}, screens), 0u);
    EXPECT_EQ(ScreenFor({1700, 100, 800, 600}, screens), 1u);  // 580 of 800 pixels on the second
    EXPECT_EQ(ScreenFor({-900, 100, 800, 600}, screens), 2u);
    EXPECT_EQ(ScreenFor({5000, 5000, 800, 600}, screens), 0u);  // a screen that is gone
}

TEST(WindowPlacement, StartsWhereItWasOrTopLeftAndAlwaysOnAScreen) {
    const std::vector<WindowRect> screens{{0, 0, 1920, 1050}, {1920, 0, 1280, 1024}};
    EXPECT_EQ(StartPlacement(std::nullopt, 820, 680, screens, kFrame), (WindowRect{4, 30, 820, 680}));
    EXPECT_EQ(StartPlacement(std::nullopt, 820, 680, {{0, 0, 683, 360}}, kFrame), (WindowRect{4, 30, 675, 326}));
    EXPECT_EQ(StartPlacement(WindowRect{2000, 50, 900, 700}, 820, 680, screens, kFrame), (WindowRect{2000, 50, 900, 700}));
    // Stored on a screen that is gone: brought to the primary one.
    EXPECT_EQ(StartPlacement(WindowRect{4000, 50, 900, 700}, 820, 680, screens, kFrame), (WindowRect{1016, 50, 900, 700}));
    EXPECT_EQ(StartPlacement(std::nullopt, 820, 680, {}, kFrame), (WindowRect{0, 0, 820, 680}));
}

TEST(WindowPlacement, ItsSectionReadsBackAndNeedsAPositiveSize) {
    IniFile ini = IniFile::Parse("[Measurement]\nSamples=33\n");
    const WindowPlacement placement{{-8, 40, 900, 700}, true};
    WriteWindowPlacement(ini, placement);
    EXPECT_EQ(ini.Text(), "[Measurement]\nSamples=33\n\n[Window]\nX=-8\nY=40\nWidth=900\nHeight=700\nMaximized=1\n");
    EXPECT_EQ(ReadWindowPlacement(ini), placement);
    for (const char* text : {"", "[Window]\nX=1\nY=1\n", "[Window]\nWidth=0\nHeight=500\n", "[Window]\nWidth=abc\nHeight=500\n",
                             "[Window]\nWidth=800\nHeight=-1\n"}) {
        EXPECT_FALSE(ReadWindowPlacement(IniFile::Parse(text)).has_value()) << text;
    }
}

}  // namespace
}  // namespace tarvos
