// Options of the sweep. Kept only in the settings file, never in a measurement document.
#pragma once

namespace tarvos {

// What the run does when the instrument stops answering: show the Retry/Cancel message and wait
// for the user, retry the point a few times and then cancel, or cancel at once.
enum class InstrumentErrorPolicy { Ask, Retry, Cancel };
// The retry policy's limit: a dead instrument would otherwise be retried for ever. The count
// belongs to one measured point (one C/N), whatever polls of it succeed between the failures.
inline constexpr int kMaxRetriesPerPoint = 3;

struct MeasurementOptions {
    int samples = 20;          // number of C/N steps
    int resolution = 10;       // zero tolerance exponent n: a BER below 10^-n counts as 0
    int zeroExit = 1;          // end the sweep when a BER of 0 is measured
    int findEnd = 1;           // refine the END crossing
    double threshold = 2.0e-4; // BER at which END is taken
    int manualMode = 1;        // manual input attenuation; stored and persisted only
    InstrumentErrorPolicy onInstrumentError = InstrumentErrorPolicy::Ask;  // for unattended runs

    bool operator==(const MeasurementOptions&) const = default;
};

}  // namespace tarvos
