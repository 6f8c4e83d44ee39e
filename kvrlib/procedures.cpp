#include "kvrlib/procedures.h"

#include "kvrlib/service_objects.h"

namespace tarvos::kvrlib {

using automation::InvokeKind;
using automation::Variant;

void WaitSeconds(float seconds) { Check(Operations().Wait(&seconds)); }

bool SwitchTo(KVRPort& port, ModeEntry entry) {
    const std::int16_t wanted = port.modeTable[entry];
    if (LongOf(port.Driver().Get("MeasureMode")) == wanted) return false;
    port.Driver().Put("MeasureMode", Variant::Int16(wanted));
    return true;
}

void ApplyCcdfRule(KVRPort& port) {
    const std::int32_t mode = LongOf(port.Driver().Get("MeasureMode"));
    const ModeTable& t = port.modeTable;
    if (mode != t[ccdfRfMode] && mode != t[ccdfEnvMode] && mode != t[crestFactorMode])
        port.Driver().Put("MeasureMode", Variant::Int16(t[ccdfEnvMode]));
}

void WaitForAcquisition(const std::function<double()>& progress, const std::function<bool(double)>& complete) {
    int counter = 0;
    double checkpoint = progress();
    WaitSeconds(1);
    for (int waits = 0; waits < kMaxAcquisitionWaits; ++waits) {
        if (complete(progress())) return;
        WaitSeconds(1);
        if (++counter < 3) continue;
        counter = 0;
        const double now = progress();
        if (now == checkpoint) FailStep(HResult::Fail);  // stalled
        checkpoint = now;
    }
    FailStep(HResult::Fail);
}

void WaitForSpectrumAverage(KVRPort& port) {
    WaitForAcquisition([&] { return DoubleOf(OwnGet(port, kvrport::kMeasureFdSpectrumAverage)); },
                       [&](double p) { return p == DoubleOf(OwnGet(port, kvrport::kMeasureFdSpectrumAverageCount)); });
}

void WaitForCrestFactor(KVRPort& port) {
    WaitForAcquisition([&] { return DoubleOf(OwnGet(port, kvrport::kMeasureTdCrestFactorAqu)); },
                       [](double p) { return p == 100; });
}

Variant OwnGet(KVRPort& port, automation::DispId id) { return port.Own(id, InvokeKind::PropertyGet); }

void OwnPut(KVRPort& port, automation::DispId id, Variant value) {
    port.Own(id, InvokeKind::PropertyPut, {std::move(value)});
}

}  // namespace tarvos::kvrlib
