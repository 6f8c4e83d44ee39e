// Measurement reads that first switch the driver's view, wait for an acquisition, or change
// other settings and restore them; the settings puts with waits; and the BER text figures.
#include <string>

#include "kvrlib/ber_text.h"
#include "kvrlib/kvrport.h"
#include "kvrlib/procedures.h"

namespace tarvos::kvrlib {

using automation::DispId;
using automation::Variant;
namespace ids = kvrport;

namespace {

using Getter = std::function<Variant(KVRPort&, std::vector<Variant>&)>;

// Switches to `entry`, then reads `member` (none: a family without that figure reads 0 without
// a driver call; with no driver at all the read fails like every other).
Getter SwitchedRead(ModeEntry entry, const char* member) {
    return [entry, member](KVRPort& port, std::vector<Variant>&) {
        if (member == nullptr) {
            if (port.driverObject.IsEmpty()) FailStep(HResult::Pointer);
            return Variant::Double(0);
        }
        SwitchTo(port, entry);
        return port.Driver().Get(member);
    };
}

ModeEntry AnalysisEntry(const KVRPort& port) { return port.driverKind == driverQAM ? qamAnalysisMode : analysisMode; }

void AddBerReads(HandlerTable& t) {
    t[ids::kMeasureBERBeforeVit].get = [](KVRPort& port, std::vector<Variant>& a) {
        return SwitchedRead(berMode, port.driverKind == driverDVBT ? "MeasureBERBeforeVit" : nullptr)(port, a);
    };
    t[ids::kMeasureBERBeforeRS].get = [](KVRPort& port, std::vector<Variant>& a) {
        return SwitchedRead(berMode, port.driverKind == driverQAM ? "MeasureBER" : "MeasureBERBeforeRS")(port, a);
    };
    t[ids::kMeasureBERAfterRS].get = [](KVRPort& port, std::vector<Variant>& a) {
        return SwitchedRead(berMode, port.driverKind == driverQAM ? nullptr : "MeasureBERAfterRS")(port, a);
    };
    for (const DispId id : {ids::kMeasureFrequencyOffset, ids::kMeasureSymbolRateOffset, ids::kMeasureBitrateOffset,
                            ids::kMeasurePacketErrRatio, ids::kMeasurePacketErrPerSec, ids::kMeasureSegErrRatio,
                            ids::kMeasureSegErrPerSec}) {
        t[id].get = SwitchedRead(berMode, FindMember(id)->name);
    }
    t[ids::kMeasurePilotFrequencyOffset].get = SwitchedRead(berMode, "MeasurePilotFreqOffset");
    t[ids::kMeasureBERExponent].get = [](KVRPort& port, std::vector<Variant>&) {
        const auto exponent = BerExponentOf(StringOf(port.Driver().Get("ResponseString")));
        if (!exponent) FailStep();
        return Variant::Int32(*exponent);
    };
    for (const bool maximum : {false, true}) {
        t[maximum ? ids::kMeasureBERCounterMax : ids::kMeasureBERCounter].get =
            [maximum](KVRPort& port, std::vector<Variant>&) {
                const auto count = BerCountOf(StringOf(port.Driver().Get("Postfix")), maximum);
                if (!count) FailStep();
                return Variant::Int32(*count);
            };
    }
}

void AddAnalysisReads(HandlerTable& t) {
    for (const DispId id :
         {ids::kMeasureQamMerRmsDb, ids::kMeasureQamMerRmsPct, ids::kMeasureQamEvmRms, ids::kMeasureQamEvmPeak,
          ids::kMeasureVsbMerRmsDb, ids::kMeasureVsbMerRmsPct, ids::kMeasureVsbMerPeakPct, ids::kMeasureVsbEvmRms,
          ids::kMeasureVsbEvmPeak, ids::kMeasureOfdmMerRmsDb, ids::kMeasureOfdmMerRmsPct, ids::kMeasureOfdmMerPeakPct,
          ids::kMeasureQamCarrierSuppression, ids::kMeasureQamPhaseJitter, ids::kMeasureVsbPhaseJitter,
          ids::kMeasureOfdmPhaseJitter, ids::kMeasureQamIqAmplImbalance, ids::kMeasureQamSignalToNoiseRatio,
          ids::kMeasureVsbSignalToNoiseRatio, ids::kMeasureOfdmSignalToNoiseRatio, ids::kMeasureQamMerMaxPct,
          ids::kMeasureQamIqQuadError}) {
        std::string name = FindMember(id)->name;
        if (id == ids::kMeasureQamMerMaxPct) name = "MeasureQamMerPeakPct";
        t[id].get = [id, name](KVRPort& port, std::vector<Variant>&) {
            SwitchTo(port, AnalysisEntry(port));
            const bool qamQuad = id == ids::kMeasureQamIqQuadError && port.driverKind == driverQAM;
            return port.Driver().Get(qamQuad ? "MeasureQamIqPhaseError" : name);
        };
    }
    for (const DispId id : {ids::kMeasureVsbPvAmplErr, ids::kMeasureVsbPvSigPilotRatio}) {
        const char* name = FindMember(id)->name;
        t[id].get = [name](KVRPort& port, std::vector<Variant>&) {
            if (SwitchTo(port, pilotValueMode)) WaitSeconds(5);
            return port.Driver().Get(name);
        };
    }
}

void AddCrestFactorReads(HandlerTable& t) {
    t[ids::kMeasureTdCrestFactorAqu].get = [](KVRPort& port, std::vector<Variant>&) {
        ApplyCcdfRule(port);
        return port.Driver().Get("MeasureTdCrestFactorAqu");
    };
    for (const DispId id : {ids::kMeasureTdCcdfCrestFactorMargin, ids::kMeasureTdCcdfCrestFactorMax,
                            ids::kMeasureTdCcdfCrestFactorCurrent, ids::kMeasureTdCcdfPaprDelta}) {
        const char* name = FindMember(id)->name;
        t[id].get = [name](KVRPort& port, std::vector<Variant>&) {
            ApplyCcdfRule(port);
            WaitForCrestFactor(port);
            return Variant::Double(DoubleOf(port.Driver().Get(name)));
        };
    }
}

void AddSpectrumMembers(HandlerTable& t) {
    for (const DispId id : {ids::kMeasureFdSpectrumStartFreq, ids::kMeasureFdSpectrumStopFreq}) {
        const char* name = FindMember(id)->name;
        t[id].get = SwitchedRead(spectrumMode, name);
        t[id].put = [name](KVRPort& port, const Variant& v, Frame& frame) {
            frame.Step([&] { port.Driver().Put(name, v); });
            frame.Step([] { WaitSeconds(1); });
        };
    }
    for (const DispId id : {ids::kMeasureFdSpectrumShoulderLower, ids::kMeasureFdSpectrumShoulderUpper}) {
        const char* name = FindMember(id)->name;
        t[id].get = [name](KVRPort& port, std::vector<Variant>&) {
            const std::int32_t filter = LongOf(OwnGet(port, ids::kMeasureFilterBW));
            if (filter != 8) OwnPut(port, ids::kMeasureFilterBW, Variant::Int32(8));
            SwitchTo(port, spectrumMode);
            const double start = DoubleOf(OwnGet(port, ids::kMeasureFdSpectrumStartFreq));
            if (start != -4000000) OwnPut(port, ids::kMeasureFdSpectrumStartFreq, Variant::Double(-4000000));
            const double stop = DoubleOf(OwnGet(port, ids::kMeasureFdSpectrumStopFreq));
            if (stop != 4000000) OwnPut(port, ids::kMeasureFdSpectrumStopFreq, Variant::Double(4000000));
            WaitForSpectrumAverage(port);
            const Variant result = port.Driver().Get(name);
            if (start != -4000000) OwnPut(port, ids::kMeasureFdSpectrumStartFreq, Variant::Double(start));
            if (stop != 4000000) OwnPut(port, ids::kMeasureFdSpectrumStopFreq, Variant::Double(stop));
            port.Driver().Put("MeasureMode", Variant::Int32(0));
            if (filter != 8) OwnPut(port, ids::kMeasureFilterBW, Variant::Int32(filter));
            return result;
        };
    }
}

void AddJitterReads(HandlerTable& t) {
    struct Jitter {
        DispId id;
        ModeEntry entry;
        const char* method;
        const char* frequency;
        const char* value;
    };
    const Jitter reads[] = {
        {ids::kMeasureFdAmplitudeJitter, amplJitterMode, "MeasureFdJitterAmplitude", "AmplitudeJitterFreq",
         "AmplitudeJitterValue"},
        {ids::kMeasureFdPhaseJitter, phaseJitterMode, "MeasureFdJitterPhase", "PhaseJitterFreq", "PhaseJitterValue"},
    };
    for (const Jitter& j : reads) {
        t[j.id].get = [j](KVRPort& port, std::vector<Variant>&) {
            SwitchTo(port, j.entry);
            WaitForSpectrumAverage(port);
            port.Driver().Call(j.method);
            for (std::int16_t i = 1; i <= 7; ++i) {
                if (DoubleOf(port.Driver().Get(j.frequency, {Variant::Int16(i)})) == 20000)
                    return port.Driver().Get(j.value, {Variant::Int16(i)});
            }
            return Variant::Double(0);
        };
    }
}

void AddSingleCarrierReads(HandlerTable& t) {
    const std::pair<DispId, const char*> reads[] = {
        {ids::kMeasureOfdmCarrierSuppression, "MeasureOfdmCarrierSuppression"},
        {ids::kMeasureOfdmIqQuadError, "MeasureOfdmIqPhaseError"},
        {ids::kMeasureOfdmIqAmplImbalance, "MeasureOfdmIqAmplImbalance"},
    };
    for (const auto& [id, member] : reads) {
        const char* name = member;
        t[id].get = [name](KVRPort& port, std::vector<Variant>&) {
            SwitchTo(port, AnalysisEntry(port));
            const std::int16_t start = IntegerOf(port.Driver().Get("MeasureOfdmStartCarrier"));
            const std::int16_t stop = IntegerOf(port.Driver().Get("MeasureOfdmStopCarrier"));
            const std::int32_t fft = LongOf(port.Driver().Get("MeasureFftMode"));
            if (fft == 0 || fft == 1) {
                const std::int16_t carrier = fft == 0 ? 852 : 3408;
                port.Driver().Call("MeasureOfdmCarrierRange", {Variant::Int16(carrier), Variant::Int16(carrier)});
            }
            WaitSeconds(3);
            // An averaging that never completes is given up rather than blocking the caller forever.
            int waits = 0;
            while (DoubleOf(port.Driver().Get("MeasureOfdmAverage")) < 100) {
                if (++waits > kMaxAcquisitionWaits) FailStep();
                WaitSeconds(1);
            }
            const double result = DoubleOf(port.Driver().Get(name));
            port.Driver().Call("MeasureOfdmCarrierRange", {Variant::Int16(start), Variant::Int16(stop)});
            WaitSeconds(5);
            return Variant::Double(result);
        };
    }
}

void AddResponseReads(HandlerTable& t) {
    const std::pair<DispId, ModeEntry> reads[] = {
        {ids::kMeasureFdPhaseResponse, amplPhaseMode},
        {ids::kMeasureFdGroupDelayResponse, amplGroupDelayMode},
        {ids::kMeasureFdAmplitudeResponse, amplPhaseMode},
    };
    for (const auto& [id, entry] : reads) {
        const char* name = FindMember(id)->name;
        const bool keepEither = id == ids::kMeasureFdAmplitudeResponse;
        const ModeEntry mode = entry;
        t[id].get = [name, keepEither, mode](KVRPort& port, std::vector<Variant>&) {
            if (keepEither) {
                const std::int32_t current = LongOf(port.Driver().Get("MeasureMode"));
                if (current != port.modeTable[amplPhaseMode] && current != port.modeTable[amplGroupDelayMode])
                    SwitchTo(port, mode);
            } else {
                SwitchTo(port, mode);
            }
            if (port.driverKind != driverDVBT) return Variant::Double(0);
            port.Driver().Get(name);
            const Variant equalizer = port.Driver().Get("SpecFuncEqualizer");
            port.Driver().Put("SpecFuncEqualizer", Variant::Int32(1));
            WaitSeconds(5);
            const Variant result = port.Driver().Get(name);
            port.Driver().Put("SpecFuncEqualizer", equalizer);
            return result;
        };
    }
}

void AddEqualizerPut(HandlerTable& t) {
    t[ids::kSpecFuncEqualizer].put = [](KVRPort& port, const Variant& v, Frame& frame) {
        Variant mode;
        frame.Step([&] { mode = OwnGet(port, ids::kMeasureMode); });
        frame.Step([&] {
            if (LongOf(mode) != port.modeTable[berMode])
                OwnPut(port, ids::kMeasureMode, Variant::Int32(port.modeTable[berMode]));
        });
        frame.Step([&] { port.Driver().Put("SpecFuncEqualizer", v); });
        frame.Step([] { WaitSeconds(1); });
        frame.Step([&] { OwnPut(port, ids::kMeasureMode, mode); });
        frame.Step([] { WaitSeconds(1); });
    };
}

}  // namespace

void AddMeasurementReadMembers(HandlerTable& table) {
    AddBerReads(table);
    AddAnalysisReads(table);
    AddCrestFactorReads(table);
    AddSpectrumMembers(table);
    AddJitterReads(table);
    AddSingleCarrierReads(table);
    AddResponseReads(table);
    AddEqualizerPut(table);
}

}  // namespace tarvos::kvrlib
