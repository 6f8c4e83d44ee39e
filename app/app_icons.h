// The program's pictures: the toolbar buttons, the program icon and the measurement dialog's
// icon, all drawn in code so that no image files have to travel with the program.
#pragma once

#include <QIcon>

namespace tarvos {

// The toolbar's buttons, in their order from left to right.
enum class ToolbarButton {
    New,
    Open,
    Save,
    SaveAsText,
    Print,
    PortSettings,
    KvrSettings,
    Advanced,
    DiagramElements,
    Measurement
};

// Every toolbar button picture is this size (plus a twice as large one for dense screens).
inline constexpr int kToolbarIconWidth = 20;
inline constexpr int kToolbarIconHeight = 15;

QIcon ToolbarIcon(ToolbarButton button);

// A small BER diagram: axes and the falling "waterfall" curves; 16, 32, 48, 64 and 128 pixels.
QIcon ProgramIcon();

// The measurement dialog's icon: the diagram with a start mark; 16, 32 and 48 pixels.
QIcon MeasurementDialogIcon();

}  // namespace tarvos
