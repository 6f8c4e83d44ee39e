// The diagram's own two sections of the settings file ("Diagram Elements" and "Diagram
// Settings"), read when the view is made and written when it goes; and the print scale that the
// preparation of a screen, a preview or a printed page sets.
#pragma once

#include <filesystem>
#include <optional>

#include "diagram/canvas.h"
#include "diagram/view_state.h"
#include "platform/result.h"

namespace tarvos {

// Each of the ten keys as a leading integer (0 without a number), its default when the file,
// section or key is missing; no file path gives every default. Values are taken as they stand.
DiagramSettings LoadDiagramSettings(const std::optional<std::filesystem::path>& file);
// Writes the ten keys as decimal text; every other line of the file stays as it was.
Status SaveDiagramSettings(const std::filesystem::path& file, const DiagramSettings& settings);

enum class PaintTarget { Screen, Preview, Printer };
// Screen 1; printer and preview (which draws the printer's page): the largest factor by which
// the client area fits the page.
double PrintScaleFor(PaintTarget target, const Rect& page, const Rect& client);

}  // namespace tarvos
