// Screen pictures of the simulated receiver: an 8-bit PCX image of the receiver's 640x480 screen
// (run-length encoded, with a 256-colour palette) showing a drawing of the current view.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvos::sim {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // palette indices, row by row
};

// A drawing of the view `measureMode` (title bar, grid, a curve or point cloud that depends on
// the view, and the history of the last sweeps below it), `snrDb` setting how noisy it looks.
// Equal arguments give equal pictures.
Picture DrawView(int measureMode, double snrDb);
// The picture as a PCX file (version 5, 8 bits per pixel, one plane, palette at the end).
std::vector<std::uint8_t> EncodePcx(const Picture& picture);

}  // namespace tarvos::sim
