// Members that forward to one driver member by name, and those whose driver member (or fixed
// answer) depends on the driver family.
#include "kvrlib/kvrport.h"
#include "kvrlib/procedures.h"
#include "kvrlib/service_objects.h"

namespace tarvos::kvrlib {

using automation::Variant;
namespace ids = kvrport;

namespace {

// Get reads `getName`, put writes `putName` (the same member unless given).
MemberHandlers Plain(const char* getName, const char* putName = nullptr, bool putInReadingFrame = false) {
    MemberHandlers h;
    const char* put = putName != nullptr ? putName : getName;
    h.get = [getName](KVRPort& port, std::vector<Variant>&) { return port.Driver().Get(getName); };
    h.put = [put](KVRPort& port, const Variant& v, Frame& frame) { frame.Step([&] { port.Driver().Put(put, v); }); };
    h.putInReadingFrame = putInReadingFrame;
    return h;
}

MemberHandlers DriverMethod(const char* name) {
    MemberHandlers h;
    h.method = [name](KVRPort& port, std::vector<Variant>&, Frame& frame) {
        frame.Step([&] { port.Driver().Call(name); });
        return Variant();
    };
    return h;
}

MemberHandlers OperationMethod(HResult (OperationControl::*operation)() noexcept) {
    MemberHandlers h;
    h.method = [operation](KVRPort&, std::vector<Variant>&, Frame& frame) {
        frame.Step([&] { Check((Operations().*operation)()); });
        return Variant();
    };
    return h;
}

bool IsJ83(std::int32_t kind) { return kind == driverJ83AC || kind == driverJ83B; }

void AddPlainForwarders(HandlerTable& t) {
    t[ids::kMeasureAttenuation] = Plain("InputAttenuationValue", "InputAttenuation", true);
    t[ids::kMeasureAttenuation_Demod] = Plain("InputAttenuation_Demod", nullptr, true);
    t[ids::kMeasureAttenuationValue_Demod] = Plain("InputAttenuationValue_Demod", nullptr, true);
    t[ids::kMeasureAttenuationMode_Receiver] = Plain("InputAttenuationMode_Receiver", nullptr, true);
    // The automatic code exactly: rounding first would take 255.4 (or 254.6) for automatic.
    t[ids::kMeasureAttenuationAuto].get = [](KVRPort& port, std::vector<Variant>&) {
        return Variant::Bool(DoubleOf(port.Driver().Get("InputAttenuation")) == 255);
    };
    const std::pair<automation::DispId, const char*> renamed[] = {
        {ids::kMeasureCNR, "MeasureCdAddNoiseCn"},
        {ids::kMeasureNoiseGeneratorMode, "MeasureCdAddNoise"},
        {ids::kMeasureSymbolRate, "StatusSymbolRate"},
        {ids::kMeasureFilterBW, "StatusSawFilterBW"},
        {ids::kMeasureInputPort, "InputPort"},
        {ids::kSpecFuncFrLoopBandwidth, "SpecFuncLoopBandwidth"},
        {ids::kSpecFuncBrLoopBandwidth, "SpecFuncLoopBaudBandwidth"},
        {ids::kSpecFuncAutomaticGainControl, "SpecFuncLoopAgc"},
        {ids::kSpecFuncEqualizerAdaption, "SpecFuncEqualizerAdaptation"},
        {ids::kSpecFuncSidebandPos, "SpecFuncFreqSidePos"},
        {ids::kSpecFuncRfFixed, "SpecFuncFreqRfFixed"},
        {ids::kMeasureCdSymbolCount, "MeasureCdGateCount"},
        {ids::kMeasureEmInterval, "MeasureTdEmInterval"},
    };
    for (const auto& [id, driverName] : renamed) t[id] = Plain(driverName);
    for (const automation::DispId id :
         {ids::kMeasureTsBitrate, ids::kMeasureFdSpectrumDetector, ids::kMeasureFdSpectrumAverageCount,
          ids::kMeasureFdSpectrumAverage, ids::kMeasureFftMode, ids::kMeasureOfdmStartCarrier,
          ids::kMeasureOfdmStopCarrier, ids::kMeasureRfLevel, ids::kMeasureMpegTsUnSync, ids::kReferenceLocked,
          ids::kStateSignal, ids::kSpecFuncLoopBandwidth, ids::kSpecFuncEqualizerMode, ids::kSpecFuncSystOptims,
          ids::kSpecFuncRolloffFactor, ids::kSpecFuncMpegDataOutputIqPosition, ids::kSetup10MhzRef,
          ids::kSetupLevelUnit, ids::kMeasureMode, ids::kStatusRejFilter, ids::kStatusRejFilterNotchWidth,
          ids::kStatusRejFilterNotchFreq, ids::kStatusOfdmCodeRateMode, ids::kMeasureTdEchoPatRange,
          ids::kMeasureTdEchoPatNumValues, ids::kMeasureTdEchoPatScale, ids::kMeasureFdDetector,
          ids::kPrefix, ids::kPostfix}) {
        t[id] = Plain(FindMember(id)->name);
    }
    // Puts only; their gets are acquisition reads.
    for (const automation::DispId id : {ids::kMeasureTdCcdfCrestFactorMargin, ids::kMeasureTdCcdfCrestFactorMax,
                                        ids::kMeasureTdCcdfCrestFactorCurrent}) {
        t[id].put = Plain(FindMember(id)->name).put;
    }
    t[ids::kSpecFuncEqualizer].get = Plain("SpecFuncEqualizer").get;
    // A failed read changes nothing on the instrument: it answers 0 and leaves the input as it is.
    t[ids::kMeasureMinBERIntegration] = Plain("SpecFuncMinBerIntegration");
    // The drivers' echo members take no argument (they answer for the echo the instrument
    // shows): the echo number is accepted and left as it is.
    for (const automation::DispId id : {ids::kEchoPatternAtten, ids::kEchoPatternDelay}) {
        const char* name = FindMember(id)->name;
        t[id].get = [name](KVRPort& port, std::vector<Variant>&) { return port.Driver().Get(name); };
    }
    t[ids::kMeasureReset] = DriverMethod("Reset");
    t[ids::kMeasureResetBer] = DriverMethod("MeasureResetBer");
    t[ids::kMeasureTdEchoPattern] = DriverMethod("MeasureTdEchoPattern");
    t[ids::kPauseOperation] = OperationMethod(&OperationControl::Pause);
    t[ids::kResumeOperation] = OperationMethod(&OperationControl::Resume);
    t[ids::kAbortOperation] = OperationMethod(&OperationControl::Abort);
}

void AddFamilyMembers(HandlerTable& t) {
    auto rfName = [](std::int32_t kind) -> const char* {
        if (kind == driverATSC) return "RfCenterFrequency";
        return (kind == driverQAM || kind == driverDVBT || IsJ83(kind)) ? "RF" : nullptr;
    };
    t[ids::kMeasureRF].get = [rfName](KVRPort& port, std::vector<Variant>&) {
        const char* name = rfName(port.driverKind);
        return name != nullptr ? port.Driver().Get(name) : Variant::Double(0);
    };
    t[ids::kMeasureRF].put = [rfName](KVRPort& port, const Variant& v, Frame& frame) {
        if (const char* name = rfName(port.driverKind)) frame.Step([&] { port.Driver().Put(name, v); });
        frame.Step([] { WaitSeconds(2); });
    };
    t[ids::kMeasureQAMOrder].get = [](KVRPort& port, std::vector<Variant>&) {
        if (port.driverKind == driverATSC) return Variant::Int32(0);
        if (port.driverKind != driverDVBT) return port.Driver().Get("StatusOrderOfQam");
        const std::int32_t order = LongOf(port.Driver().Get("MeasureOrderOfQamTps"));
        return Variant::Int32(order == -1 ? 4 : order);  // an unreadable TPS order counts as 4
    };
    t[ids::kMeasureQAMOrder].put = [](KVRPort& port, const Variant& v, Frame& frame) {
        if (port.driverKind != driverDVBT && port.driverKind != driverATSC)
            frame.Step([&] { port.Driver().Put("StatusOrderOfQam", v); });
    };
    t[ids::kMeasureChannelBW].get = [](KVRPort& port, std::vector<Variant>&) {
        return port.driverKind == driverDVBT ? port.Driver().Get("StatusChannelBW") : Variant::Int32(0);
    };
    t[ids::kMeasureChannelBW].put = [](KVRPort& port, const Variant& v, Frame& frame) {
        if (port.driverKind == driverDVBT) frame.Step([&] { port.Driver().Put("StatusChannelBW", v); });
    };
    t[ids::kMeasureRollOff].get = [](KVRPort& port, std::vector<Variant>&) {
        switch (port.driverKind) {
            case driverQAM: return port.Driver().Get("SpecFuncRolloffFactor");
            case driverDVBT: return Variant::Int32(0);
            case driverATSC: return Variant::Int32(115);
            default: return port.Driver().Get("StatusRolloffFactor");
        }
    };
    t[ids::kMeasureRollOff].put = [](KVRPort& port, const Variant& v, Frame& frame) {
        if (port.driverKind == driverDVBT || port.driverKind == driverATSC) return;
        const char* name = port.driverKind == driverQAM ? "SpecFuncRolloffFactor" : "StatusRolloffFactor";
        frame.Step([&] { port.Driver().Put(name, v); });
    };
    t[ids::kMeasureBitrate].get = [](KVRPort& port, std::vector<Variant>&) {
        return port.driverKind == driverDVBT ? port.Driver().Get("MeasureTsBitrate") : Variant::Double(0);
    };
    t[ids::kMeasureFrameSync].get = [](KVRPort& port, std::vector<Variant>&) {
        const char* unsync = port.driverKind == driverQAM ? "MeasureFrameUnSync" : "MeasureMpegTsUnSync";
        return Variant::Int32(BoolOf(port.Driver().Get(unsync)) ? 0 : 1);
    };
    t[ids::kMeasureCarrierLoopOutOfLock].get = [](KVRPort& port, std::vector<Variant>&) {
        return port.Driver().Get(port.driverKind == driverQAM ? "MeasureCarrierUnSync" : "MeasureCarrierLoopOutOfLock");
    };
}

}  // namespace

void AddForwardingMembers(HandlerTable& table) {
    AddPlainForwarders(table);
    AddFamilyMembers(table);
}

}  // namespace tarvos::kvrlib
