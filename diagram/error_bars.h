// Where a measured sample's error bar lies: its confidence interval as a vertical bar on the
// logarithmic BER axis, cut off at the plot's edges like the curves.
#pragma once

#include <optional>

#include "diagram/view_state.h"
#include "document/confidence.h"

namespace tarvos {

// Device pixels. A bound inside the BER range ends the bar with a cap; a bound beyond the
// plot (a zero-error count's lower bound 0 lies infinitely far down the axis) leaves the bar
// open at the plot's edge, so an open end reads "further than shown".
struct ErrorBar {
    int x = 0;
    int top = 0;
    int bottom = 0;
    bool topCap = false;
    bool bottomCap = false;
    bool operator==(const ErrorBar&) const = default;
};

// The bar of a sample at `snr` with `interval`; none without an interval, outside the S/N
// range, or when the whole interval lies above or below the BER range.
std::optional<ErrorBar> MapErrorBar(const DiagramGeometry& geometry, double snr,
                                    const BerInterval& interval);

}  // namespace tarvos
