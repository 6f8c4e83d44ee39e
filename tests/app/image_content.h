// How much there is to see in an image: the measure by which the icon tests and the window
// smoke test tell a drawn picture from an empty or flat one.
#pragma once

#include <QImage>

namespace tarvos::testing {

struct ImageContent {
    int distinctColours = 0;
    // Share (0 to 1) of the pixels whose colour differs from the most frequent one.
    double foregroundShare = 0.0;
};

// Colours compare with their alpha, so a transparent pixel differs from an opaque one.
ImageContent MeasureContent(const QImage& image);

// A screen with a program's window on it: several colours, and more than a speck of them.
bool LooksDrawn(const ImageContent& content, int minColours, double minForegroundShare);

}  // namespace tarvos::testing
