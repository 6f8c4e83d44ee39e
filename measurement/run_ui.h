// Everything the sweep engine shows or asks while it runs, as one interface: the measurement
// dialog's controls and texts, the diagram's marker and repaints, message boxes (which block the
// worker until answered) and the main frame's two request flags. The window program carries each
// call to the window thread in order; the command line prints; tests record.
#pragma once

#include <string>

#include "measurement/run_progress.h"

namespace tarvos {

enum class RunControls { Idle, Running };
enum class MessageButtons { Ok, RetryCancel };
enum class MessageAnswer { Ok, Retry, Cancel };

class RunUi {
public:
    virtual ~RunUi() = default;

    virtual void SetRunControls(RunControls controls) = 0;
    // Skip Sample and Accept Sample are disabled while the END crossing is refined.
    virtual void EnableSkipAccept(bool enabled) = 0;
    virtual void ResponseLine(const std::string& text) = 0;
    // The remaining-time text and the progress bar (0 .. counterMax at counter); hidden when !show.
    virtual void ShowRemainingTime(bool show, const std::string& text, int counter, int counterMax) = 0;

    virtual void ShowMarker(double snr, double ber) = 0;
    virtual void HideMarker() = 0;
    // The diagram recomputes its BER range from the curves (after a stored sample).
    virtual void UpdateBerRange() = 0;
    virtual void RepaintNow() = 0;   // erase and redraw at once
    virtual void Invalidate() = 0;   // redraw when the window gets to it

    virtual MessageAnswer Message(const std::string& text, MessageButtons buttons) = 0;
    // The run's instrument-error policy answered the no-response message in the user's place,
    // without showing it: Retry for the `retries`-th time at this point, or Cancel after
    // `retries` retries (0 with the cancel policy). A window with nothing to show ignores it.
    virtual void InstrumentErrorAnswered(MessageAnswer /*answer*/, int /*retries*/) {}
    // The run is over: its last call, after its last message.
    virtual void RunEnded() {}

    // The main frame opens the port or receiver settings dialog on these requests.
    virtual void RequestPortSettings() = 0;
    virtual void RequestReceiverSettings() = 0;

    // Where the run stands (steps, polls, pauses, the refinement, its end), for a status line or
    // a script; a window that shows only the dialog has no use for it.
    virtual void Progress(const RunEvent& event) { static_cast<void>(event); }
};

}  // namespace tarvos
