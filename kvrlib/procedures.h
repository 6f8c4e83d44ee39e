// The small procedures the measurement members share: waits through the driver side's
// OperationControl, switching the driver's measurement view, the CCDF rule, the acquisition
// wait with its stall check, and calls of the object's own members.
#pragma once

#include <functional>

#include "kvrlib/kvrport.h"

namespace tarvos::kvrlib {

// Every wait of the library goes through OperationControl Wait, never a sleep of its own.
void WaitSeconds(float seconds);

// Makes the driver's MeasureMode the mode table's entry (written as a 16-bit integer) unless it
// already is; true when it had to switch.
bool SwitchTo(KVRPort& port, ModeEntry entry);
// The crest factor views (CCDF RF, CCDF envelope, crest factor) are kept; any other view is
// switched to the CCDF envelope.
void ApplyCcdfRule(KVRPort& port);

// Longest an acquisition or an averaging may take: a progress that keeps moving without ever
// completing is given up after this many one-second waits.
inline constexpr int kMaxAcquisitionWaits = 600;

// Waits until `complete(progress())`. Every third one-second wait the progress is compared
// with the last checkpoint: if it has not moved, the acquisition has stalled and the step fails.
void WaitForAcquisition(const std::function<double()>& progress, const std::function<bool(double)>& complete);
// The acquisition of the spectrum averaging: the average count reached.
void WaitForSpectrumAverage(KVRPort& port);
// The acquisition of the crest factor: progress 100.
void WaitForCrestFactor(KVRPort& port);

// This object's own members, each in its own frame (a failure inside gives its failure value).
automation::Variant OwnGet(KVRPort& port, automation::DispId id);
void OwnPut(KVRPort& port, automation::DispId id, automation::Variant value);

}  // namespace tarvos::kvrlib
