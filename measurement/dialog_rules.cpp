#include "measurement/dialog_rules.h"

#include <algorithm>
#include <cmath>

#include "platform/number_text.h"

namespace tarvos {
namespace {

constexpr int kLowestResolution = 8;

double FourDecimals(double v) { return std::trunc(v * 10000 + 0.5) * 0.0001; }

// The leading number of at most `chars` characters of the field; 0 when there is none.
double FieldNumber(std::string_view text, std::size_t chars) { return ParseLeadingNumber(text.substr(0, chars)); }

}  // namespace

std::vector<std::string> ZeroToleranceEntries(int mode) {
    std::vector<std::string> entries;
    for (int n = kLowestResolution; n <= LargestResolution(mode); ++n)
        entries.push_back("0.1 E-" + std::to_string(n - 1));
    return entries;
}

int LargestResolution(int mode) { return (mode == 4 || mode == 5) ? 10 : 16; }

int ShownResolution(int mode, int resolution) {
    const int largest = LargestResolution(mode);
    return (resolution < kLowestResolution || resolution > largest) ? largest : resolution;
}

std::string SnrFieldText(double snr) { return FormatNumber(snr, 10); }

double StartFieldLeft(const C_KVR_DiaDoc& doc, std::string_view text) {
    const ReceiverSettings& rs = doc.Receiver();
    double v = FieldNumber(text, 9);
    const double lo = doc.MinGeneratorCnr() + doc.SnrOffset();
    const double hi = rs.snrEnd - 0.001;
    if (v == 0) v = rs.snrBegin;
    if (v < lo) v = lo;
    if (v > hi) v = hi;  // the upper bound wins when the two cross
    return FourDecimals(v);
}

double StopFieldLeft(const C_KVR_DiaDoc& doc, std::string_view text) {
    const ReceiverSettings& rs = doc.Receiver();
    double v = FieldNumber(text, 9);
    const double lo = rs.snrBegin + 0.001;
    const double hi = doc.MaxGeneratorCnr() + doc.SnrOffset();
    if (v == 0) v = rs.snrEnd;
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    return FourDecimals(v);
}

int SamplesFieldLeft(std::string_view text) {
    const int a = ParseLeadingInt(text.substr(0, 4));
    return std::clamp(a, 1, 1000);
}

RunControlState RunControlStateFor(RunControls controls) {
    RunControlState s;
    const bool idle = controls == RunControls::Idle;
    s.settingsEnabled = idle;
    s.startEnabled = idle;
    s.runButtonsEnabled = !idle;
    return s;
}

std::string PressPauseContinue(C_KVR_DiaDoc& doc) {
    if (doc.paused) {
        doc.paused = 0;
        return "Pause &Measurement";
    }
    doc.paused = 1;
    return "Continue &Measurement";
}

std::string PressCancel(C_KVR_DiaDoc& doc) {
    if (doc.measuring) {
        doc.cancelRequested = 1;
        doc.paused = 0;
    }
    return doc.paused ? "Continue &Measurement" : "Pause &Measurement";
}

}  // namespace tarvos
