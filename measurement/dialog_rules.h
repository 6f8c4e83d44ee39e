// What the measurement dialog does with its fields, list and buttons, without the widgets: the
// checks of the start, stop and samples fields, the zero tolerance list per mode, the run
// control states and the button actions on the document's run flags.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/dia_doc.h"
#include "measurement/run_ui.h"

namespace tarvos {

// "0.1 E-7" .. : entry k stands for the resolution k + 8. Modes 4 and 5 offer three entries.
std::vector<std::string> ZeroToleranceEntries(int mode);
int LargestResolution(int mode);
// The stored resolution as the list shows it: outside 8 .. the mode's largest n, the largest n.
int ShownResolution(int mode, int resolution);

// The S/N fields' text: ten significant digits, trailing zeros dropped, the point kept (20.).
std::string SnrFieldText(double snr);
// The start field left with `text`: the new snrBegin (clamped to the generator's lowest S/N and
// below the stop, four decimals; no number keeps the old value).
double StartFieldLeft(const C_KVR_DiaDoc& doc, std::string_view text);
// The stop field likewise: above the start, up to the generator's highest S/N.
double StopFieldLeft(const C_KVR_DiaDoc& doc, std::string_view text);
// The samples field left: 1 .. 1000, unreadable text giving 1.
int SamplesFieldLeft(std::string_view text);

// What the run controls look like in a state.
struct RunControlState {
    bool settingsEnabled = true;  // zero tolerance list, samples, start and stop fields
    bool startEnabled = true;
    bool runButtonsEnabled = false;  // Pause/Continue, Cancel, Skip, Accept
    std::string pauseText = "Pause &Measurement";
};
RunControlState RunControlStateFor(RunControls controls);

// Pause/Continue: toggles the paused flag; returns the button's new text.
std::string PressPauseContinue(C_KVR_DiaDoc& doc);
// Cancel: only during a run: cancel requested, paused cleared; returns the Pause/Continue text.
std::string PressCancel(C_KVR_DiaDoc& doc);

}  // namespace tarvos
