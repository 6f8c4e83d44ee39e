// Measurements compared with the document on view: other files' measured curves drawn over the
// diagram, read-only. They belong to the view, never to the document or its file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "diagram/interval_cache.h"
#include "document/end_result.h"
#include "document/receiver_settings.h"
#include "document/sample_list.h"
#include "platform/result.h"

namespace tarvos {

struct OverlayCurve {
    std::string name;            // the file's name, for the legend
    ReceiverSettings receiver;   // its own modulation: the theory its END is taken against
    SampleList measured;
    // The file's point records (empty, or one per measured sample) for its error bars.
    std::vector<PointRecord> points;
    IntervalCache intervals;  // computed on the first repaint that shows its error bars
};

// Reads a measurement file as File Open does, without touching any settings; on failure the
// reader's message.
Result<OverlayCurve> LoadOverlay(const std::filesystem::path& path);

// END of the overlay at `threshold` by the document's rules: its measured S/N at the threshold
// against its own receiver's theoretical S/N there.
EndResult OverlayEnd(const OverlayCurve& overlay, double threshold);

// The overlay's legend row: "name: END 1.02 dB" or "name: no END".
std::string OverlayLegendText(const OverlayCurve& overlay, double threshold);

}  // namespace tarvos
