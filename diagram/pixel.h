// Double-to-pixel conversion shared by the diagram's geometry and renderer.
#pragma once

#include <cmath>

namespace tarvos {

// Truncation toward zero, as every pixel position of the diagram takes it. The nudge of a
// billionth of a pixel keeps an exact edge (snrMax, berMax) from landing one pixel short
// through rounding in the division; non-finite and huge values are pinned so the conversion
// stays defined.
inline int TruncPixel(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = 1e9;
    if (v > kLimit) return static_cast<int>(kLimit);
    if (v < -kLimit) return -static_cast<int>(kLimit);
    return static_cast<int>(v >= 0.0 ? v + 1e-9 : v - 1e-9);
}

}  // namespace tarvos
