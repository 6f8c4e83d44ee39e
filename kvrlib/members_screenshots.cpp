// Screen pictures of the instrument per view, the picture with header, and the hardcopy. Each
// view is prepared (mode switch, settings, acquisition), pictured with ScreenShot(7), and the
// settings changed for it are restored afterwards.
#include "kvrlib/kvrport.h"
#include "kvrlib/pcx_encoding.h"
#include "kvrlib/procedures.h"

namespace tarvos::kvrlib {

using automation::Variant;
namespace ids = kvrport;

namespace {

constexpr std::int16_t kHardcopy = 1;
constexpr std::int16_t kWithHeader = 6;
constexpr std::int16_t kView = 7;

struct Shot {
    Variant answer;  // as the driver gives it: only the hardcopy reads it as a Boolean
    automation::ByteArray picture;
};

// ScreenShot(kind, data): the driver fills the by-reference byte array.
Shot TakeScreenShot(KVRPort& port, std::int16_t kind) {
    std::vector<Variant> args{Variant::Int16(kind), Variant::Bytes({})};
    Shot shot;
    shot.answer = port.Driver().CallByRef("ScreenShot", args);
    if (args[1].Type() == automation::VarType::Bytes) shot.picture = args[1].AsBytes();
    return shot;
}

// The encoded picture of the current view; the driver's Boolean is not tested, an empty or
// missing array fails the member instead.
Variant EncodedPicture(KVRPort& port, std::int16_t kind) {
    const Shot shot = TakeScreenShot(port, kind);
    if (shot.picture.empty()) FailStep();
    return Variant::String(EncodePcxBytes(shot.picture));
}

void SwitchAndSettle(KVRPort& port, ModeEntry entry) {
    if (SwitchTo(port, entry)) WaitSeconds(3);
}

using Prepared = std::function<Variant(KVRPort&)>;

MemberHandlers Picture(Prepared steps) {
    MemberHandlers h;
    h.get = [steps](KVRPort& port, std::vector<Variant>&) { return steps(port); };
    return h;
}

}  // namespace

void AddScreenshotMembers(HandlerTable& t) {
    t[ids::kConstellationDiagramPcx] = Picture([](KVRPort& port) {
        SwitchTo(port, constellationMode);
        OwnPut(port, ids::kMeasureCdSymbolCount, Variant::Int32(10000));
        WaitSeconds(3);
        return EncodedPicture(port, kView);
    });
    t[ids::kEyeMonitoringPcx] = Picture([](KVRPort& port) {
        SwitchTo(port, eyeDiagramMode);
        OwnPut(port, ids::kMeasureEmInterval, Variant::Int16(1));
        WaitSeconds(42);
        return EncodedPicture(port, kView);
    });
    t[ids::kSpectrumPcx] = Picture([](KVRPort& port) {
        SwitchTo(port, spectrumMode);
        WaitForSpectrumAverage(port);
        return EncodedPicture(port, kView);
    });
    t[ids::kAmplitudePhaseResponsePcx] = Picture([](KVRPort& port) {
        const bool atsc = port.driverKind == driverATSC;
        Variant loop;
        if (atsc) {
            loop = OwnGet(port, ids::kSpecFuncLoopBandwidth);
            OwnPut(port, ids::kSpecFuncLoopBandwidth, Variant::Int32(0));
        }
        const Variant equalizer = OwnGet(port, ids::kSpecFuncEqualizer);
        OwnPut(port, ids::kSpecFuncEqualizer, Variant::Int32(1));
        SwitchAndSettle(port, amplPhaseMode);
        const Variant picture = EncodedPicture(port, kView);
        OwnPut(port, ids::kSpecFuncEqualizer, equalizer);
        if (atsc) OwnPut(port, ids::kSpecFuncLoopBandwidth, loop);
        return picture;
    });
    t[ids::kPhaseJitterPcx] = Picture([](KVRPort& port) {
        const Variant equalizer = OwnGet(port, ids::kSpecFuncEqualizer);
        const bool change = LongOf(equalizer) != 1;
        if (change) OwnPut(port, ids::kSpecFuncEqualizer, Variant::Int32(1));
        SwitchTo(port, phaseJitterMode);
        WaitForSpectrumAverage(port);
        const Variant picture = EncodedPicture(port, kView);
        if (change) OwnPut(port, ids::kSpecFuncEqualizer, equalizer);
        return picture;
    });
    t[ids::kCcdfRfPcx] = Picture([](KVRPort& port) {
        SwitchTo(port, ccdfRfMode);
        WaitForCrestFactor(port);
        return EncodedPicture(port, kView);
    });
    t[ids::kCcdfEnvPcx] = Picture([](KVRPort& port) {
        SwitchTo(port, ccdfEnvMode);
        WaitForCrestFactor(port);
        return EncodedPicture(port, kView);
    });
    t[ids::kEchoPatternPcx] = Picture([](KVRPort& port) {
        const Variant equalizer = OwnGet(port, ids::kSpecFuncEqualizer);
        OwnPut(port, ids::kSpecFuncEqualizer, Variant::Int32(1));
        SwitchAndSettle(port, echoPatternMode);
        const Variant picture = EncodedPicture(port, kView);
        OwnPut(port, ids::kSpecFuncEqualizer, equalizer);
        return picture;
    });
    t[ids::kImpulseResponsePcx] = Picture([](KVRPort& port) {
        SwitchAndSettle(port, impulseResponseMode);
        return EncodedPicture(port, kView);
    });
    t[ids::kMerFPcx] = Picture([](KVRPort& port) {
        SwitchAndSettle(port, merFreqMode);
        return EncodedPicture(port, kView);
    });
    t[ids::kPcxWithHeader] = Picture([](KVRPort& port) { return EncodedPicture(port, kWithHeader); });
    t[ids::kHardcopy] = Picture([](KVRPort& port) { return Variant::Bool(BoolOf(TakeScreenShot(port, kHardcopy).answer)); });
}

}  // namespace tarvos::kvrlib
