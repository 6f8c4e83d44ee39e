// What the main frame decides without its window: the guards of the commands that must wait
// for the end of a measurement, the two requests the sweep leaves for the frame's timer, and the
// fit of the measure range to the noise generator after the receiver settings changed.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "document/dia_doc.h"

namespace tarvos {

enum class GuardedCommand { KvrSettings, PortSettings, FileNew, FileOpen };

// The refusal to show while a measurement runs, or none when the command may go on.
std::optional<std::string> GuardMessage(GuardedCommand command, const C_KVR_DiaDoc& doc);

// The requests of the sweep: set by the worker, served by the frame's 300 ms timer on the
// window thread, each exactly once.
class FrameRequests {
public:
    void RequestPortSettings() { port_ = 1; }
    void RequestReceiverSettings() { receiver_ = 1; }
    // The command the timer runs on this tick, clearing its request: port settings first.
    std::optional<GuardedCommand> NextOnTimer();
    // The command itself was chosen: its pending request is served by this run of it.
    void Clear(GuardedCommand command);

private:
    std::atomic<int> port_{0};
    std::atomic<int> receiver_{0};
};

// Whether a change of the receiver settings would give the measured samples another meaning
// (mode, QAM order, frequency, ...); the measure range alone does not.
bool RelabelsSamples(const ReceiverSettings& before, const ReceiverSettings& after);

// The measure range fitted to the generator's C/N range plus the offset, rounded to 0.0001 dB,
// as the KVR Settings command stores it after its dialog closes.
void FitMeasureRange(C_KVR_DiaDoc& doc);

}  // namespace tarvos
