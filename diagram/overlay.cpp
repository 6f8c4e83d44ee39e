#include "diagram/overlay.h"

#include <utility>

#include "diagram/renderer.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/theory.h"

namespace tarvos {
namespace {

// Long names are cut in the middle so the legend box keeps a sane width; both ends of a file
// name usually tell the files apart.
constexpr std::size_t kMaxNameChars = 40;

std::string ShortName(const std::string& name) {
    if (name.size() <= kMaxNameChars) return name;
    const std::size_t keep = (kMaxNameChars - 3) / 2;
    return name.substr(0, keep) + "..." + name.substr(name.size() - keep);
}

}  // namespace

Result<OverlayCurve> LoadOverlay(const std::filesystem::path& path) {
    // A document without a settings store: reading it never writes the settings file.
    C_KVR_DiaDoc doc;
    if (Status opened = OpenDocument(doc, path); !opened.ok()) return opened.error();
    OverlayCurve overlay;
    overlay.name = ShortName(path.filename().string());
    overlay.receiver = doc.Receiver();
    doc.WithCurves([&overlay](const DocumentCurves& curves) {
        overlay.measured = curves.measured;
        overlay.points = curves.records.points;
    });
    return overlay;
}

EndResult OverlayEnd(const OverlayCurve& overlay, double threshold) {
    EndResult end;
    end.theorySnr = TheoreticalSnrAtBer(overlay.receiver, threshold,
                                        HighestReachableSnr(overlay.receiver));
    end.theoryBer = threshold;
    const double measured = overlay.measured.MeasuredSnrAtBer(threshold);
    if (measured != 0 && end.theorySnr != 0) {
        end.measuredSnr = measured;
        end.measuredBer = threshold;
        end.valid = 1;
    }
    return end;
}

std::string OverlayLegendText(const OverlayCurve& overlay, double threshold) {
    const EndResult end = OverlayEnd(overlay, threshold);
    if (end.valid == 0) return overlay.name + ": no END";
    return overlay.name + ": END " + EndNumber(end.EndDb()) + " dB";
}

}  // namespace tarvos
