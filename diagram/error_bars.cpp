#include "diagram/error_bars.h"

namespace tarvos {

std::optional<ErrorBar> MapErrorBar(const DiagramGeometry& g, double snr,
                                    const BerInterval& interval) {
    if (!interval.valid || !(snr >= g.snrMin && snr <= g.snrMax)) return std::nullopt;
    if (!(interval.upper >= g.berMin) || !(interval.lower <= g.berMax)) return std::nullopt;
    ErrorBar bar;
    bar.x = MapPoint(g, snr, g.berMax).x;
    bar.topCap = interval.upper <= g.berMax;
    bar.top = bar.topCap ? MapPoint(g, snr, interval.upper).y : g.plot.top;
    bar.bottomCap = interval.lower >= g.berMin;
    bar.bottom = bar.bottomCap ? MapPoint(g, snr, interval.lower).y : g.plot.bottom;
    return bar;
}

}  // namespace tarvos
