#include "diagram/diagram_persistence.h"

#include <algorithm>
#include <string>

#include "platform/ini_file.h"

namespace tarvos {
namespace {

struct DiagramKey {
    const char* section;
    const char* name;
    int DiagramSettings::*field;
};

// In the order the keys are written.
constexpr DiagramKey kKeys[] = {
    {"Diagram Elements", "C/N Axis", &DiagramSettings::showCnAxis},
    {"Diagram Elements", "Legend", &DiagramSettings::showLegend},
    {"Diagram Elements", "Sample Points", &DiagramSettings::showSamplePoints},
    {"Diagram Elements", "END Value", &DiagramSettings::showEndValue},
    {"Diagram Elements", "Info Text", &DiagramSettings::showInfoText},
    {"Diagram Elements", "Error Bars", &DiagramSettings::showErrorBars},
    {"Diagram Settings", "Maximum Grid", &DiagramSettings::maxGridSpacing},
    {"Diagram Settings", "X-Offset", &DiagramSettings::boxOffsetX},
    {"Diagram Settings", "Y-Offset", &DiagramSettings::boxOffsetY},
    {"Diagram Settings", "Corner", &DiagramSettings::boxCorner},
};

}  // namespace

DiagramSettings LoadDiagramSettings(const std::optional<std::filesystem::path>& file) {
    DiagramSettings settings;
    if (!file) return settings;
    const IniFile ini = IniFile::Load(*file);
    for (const DiagramKey& k : kKeys) settings.*k.field = ini.GetInt(k.section, k.name, settings.*k.field);
    return settings;
}

Status SaveDiagramSettings(const std::filesystem::path& file, const DiagramSettings& settings) {
    Result<IniFile> ini = IniFile::LoadForUpdate(file);
    if (!ini) return ini.error();
    for (const DiagramKey& k : kKeys) ini.value().Set(k.section, k.name, std::to_string(settings.*k.field));
    return ini.value().Save(file);
}

double PrintScaleFor(PaintTarget target, const Rect& page, const Rect& client) {
    // The preview paints on the very printer the print goes to, so it gets the printed page's
    // scale: what the preview shows is what prints.
    if (target == PaintTarget::Screen) return 1.0;
    const double clientWidth = client.right - client.left;
    const double clientHeight = client.bottom - client.top;
    // A window of no size cannot be scaled: print it as the screen shows it.
    if (clientWidth <= 0 || clientHeight <= 0) return 1.0;
    return std::min((page.right - page.left) / clientWidth, (page.bottom - page.top) / clientHeight);
}

}  // namespace tarvos
