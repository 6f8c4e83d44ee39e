#include "simdriver/driver_members.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <type_traits>

#include "simdriver/pcx_image.h"

namespace tarvos::sim {

using automation::Variant;

namespace {

using Getter = std::function<Variant(MemberCall&)>;
using Putter = std::function<void(MemberCall&, const Variant&)>;

[[noreturn]] void Fail(std::string why) { throw MemberFailure{std::move(why)}; }

std::int32_t Long(const Variant& v) {
    const auto c = v.ToInt32();
    if (!c.ok()) Fail("not a whole number");
    return c.value;
}

double Real(const Variant& v) {
    const auto c = v.ToReal();
    if (!c.ok() || !std::isfinite(c.value)) Fail("not a number");
    return c.value;
}

// A receiver setting held in the state, with a check of the values the receiver accepts.
template <class T>
DriverMember Setting(std::string name, unsigned families, T ReceiverState::*field, bool restarts,
                     std::function<bool(T)> accepts = nullptr) {
    DriverMember m{std::move(name), families, nullptr, nullptr, nullptr};
    m.get = [field](MemberCall& c) {
        if constexpr (std::is_same_v<T, double>) return Variant::Double(c.receiver.State().*field);
        else return Variant::Int32(c.receiver.State().*field);
    };
    m.put = [field, restarts, accepts](MemberCall& c, const Variant& v) {
        T value{};
        if constexpr (std::is_same_v<T, double>) value = Real(v);
        else value = Long(v);
        if (accepts && !accepts(value)) Fail("value out of range");
        c.receiver.Change([&](ReceiverState& s) { s.*field = value; }, restarts);
    };
    return m;
}

// Any other setting: kept as text in the state, read back as a number.
DriverMember Stored(std::string name, unsigned families, double initial, bool integer = true) {
    DriverMember m{name, families, nullptr, nullptr, nullptr};
    m.get = [name, initial, integer](MemberCall& c) {
        const auto& other = c.receiver.State().other;
        const auto it = other.find(name);
        const double v = it == other.end() ? initial : std::strtod(it->second.c_str(), nullptr);
        return integer ? Variant::Int32(static_cast<std::int32_t>(v)) : Variant::Double(v);
    };
    m.put = [name, integer](MemberCall& c, const Variant& v) {
        const std::string text = integer ? std::to_string(Long(v)) : Variant::Double(Real(v)).ToUtf8().value;
        c.receiver.Change([&](ReceiverState& s) { s.other[name] = text; }, false);
    };
    return m;
}

DriverMember Reading(std::string name, unsigned families, Getter get) {
    return DriverMember{std::move(name), families, std::move(get), nullptr, nullptr};
}

DriverMember Method(std::string name, unsigned families, Getter call) {
    return DriverMember{std::move(name), families, nullptr, nullptr, std::move(call)};
}

const char* ModelOf(Family f) {
    switch (f) {
        case kQam: return "KVR T1/T3";
        case kDvbt: return "KVR W1/W3";
        case kAtsc: return "KVR X1/X3";
        case kJ83ac: return "KVR Y1/Y3";
        case kJ83b: return "KVR Z1/Z3";
    }
    return "KVR";
}

std::string Now(const char* format) {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

double MerDb(const SimReceiver& r) { return std::min(r.Snr() - r.Loss(), 42.0); }

Variant Ber(MemberCall& c, BerPoint point) {
    if (c.receiver.TakeNegativeBerRead()) return Variant::Double(-1);
    return Variant::Double(c.receiver.ReadBer(point));
}

bool Unsync(MemberCall& c) {
    if (c.receiver.TakeFailingSyncRead()) Fail("sync read failed");
    return !c.receiver.FrameSync();
}

double Progress(MemberCall& c, double full) { return std::floor(c.receiver.AcquisitionProgress() * full); }

void AddIdentity(std::vector<DriverMember>& m) {
    m.push_back(Reading("Identity", kAllFamilies, [](MemberCall& c) {
        return Variant::Utf8(std::string("KVR,") + ModelOf(c.family) + " (simulated),100734,1.30");
    }));
    m.push_back(Reading("Manufacturer", kAllFamilies, [](MemberCall&) { return Variant::Utf8("KVR"); }));
    m.push_back(Reading("ModelNumber", kAllFamilies, [](MemberCall& c) { return Variant::Utf8(ModelOf(c.family)); }));
    m.push_back(Reading("SerialNumber", kAllFamilies, [](MemberCall&) { return Variant::Utf8("100734"); }));
    m.push_back(Reading("FirmwareVersion", kAllFamilies, [](MemberCall&) { return Variant::Utf8("1.30"); }));
    m.push_back(Reading("InstalledHardware", kAllFamilies,
                        [](MemberCall& c) { return Variant::Utf8(c.receiver.Config().installedHardware); }));
    m.push_back(Reading("SetupTime", kAllFamilies, [](MemberCall&) { return Variant::Utf8(Now("%H:%M:%S")); }));
    m.push_back(Reading("SetupDate", kAllFamilies, [](MemberCall&) { return Variant::Utf8(Now("%Y-%m-%d")); }));
    m.push_back(Setting<std::int32_t>("Mode", kAllFamilies, &ReceiverState::mode, true, [](std::int32_t v) {
        return (v >= 4 && v <= 8) || v == 13 || v == 14;
    }));
}

void AddReceiverSettings(std::vector<DriverMember>& m) {
    m.push_back(Setting<std::int32_t>("InputPort", kAllFamilies, &ReceiverState::input, true, [](std::int32_t v) {
        return v == 2 || v == 4 || v == 50 || v == 75 || v == 128;
    }));
    m.push_back(Setting<std::int32_t>("StatusSawFilterBW", kAllFamilies, &ReceiverState::sawBandwidth, true,
                                      [](std::int32_t v) { return v == 0 || v == 2 || v == 6 || v == 7 || v == 8; }));
    m.push_back(Setting<double>("StatusSymbolRate", kAllFamilies, &ReceiverState::symbolRate, true,
                                [](double v) { return v >= 100e3 && v <= 100e6; }));
    auto rf = [](double v) { return v >= 0 && v <= 4000e6; };
    m.push_back(Setting<double>("RF", kQam | kDvbt | kJ83, &ReceiverState::frequencyHz, true, rf));
    m.push_back(Setting<double>("RfCenterFrequency", kAtsc, &ReceiverState::frequencyHz, true, rf));
    auto order = [](std::int32_t v) { return v == 0 || v == 4 || v == 16 || v == 32 || v == 64 || v == 128 || v == 256; };
    m.push_back(Setting<std::int32_t>("StatusOrderOfQam", kQam | kJ83 | kAtsc, &ReceiverState::qamOrder, true, order));
    m.push_back(Reading("MeasureOrderOfQamTps", kDvbt, [](MemberCall& c) {
        // The order comes from the TPS, which cannot be read without sync.
        return Variant::Int32(c.receiver.FrameSync() ? c.receiver.State().qamOrder : -1);
    }));
    m.back().put = [](MemberCall& c, const Variant& v) {
        const std::int32_t o = Long(v);
        if (o != 4 && o != 16 && o != 64) Fail("no such DVB-T order");
        c.receiver.Change([&](ReceiverState& s) { s.qamOrder = o; }, true);
    };
    m.push_back(Setting<std::int32_t>("StatusChannelBW", kDvbt, &ReceiverState::channelBandwidth, true,
                                      [](std::int32_t v) { return v == 6 || v == 7 || v == 8; }));
    auto rollOff = [](std::int32_t v) { return v == 12 || v == 13 || v == 15 || v == 18 || v == 20 || v == 25 || v == 30 || v == 115; };
    m.push_back(Setting<std::int32_t>("SpecFuncRolloffFactor", kQam, &ReceiverState::rollOff, true, rollOff));
    m.push_back(Setting<std::int32_t>("StatusRolloffFactor", kJ83 | kAtsc | kDvbt, &ReceiverState::rollOff, true, rollOff));
    m.push_back(Setting<std::int32_t>("MeasureCdAddNoise", kAllFamilies, &ReceiverState::noiseGenerator, true,
                                      [](std::int32_t v) { return v == 0 || v == 1; }));
    m.push_back(Setting<double>("MeasureCdAddNoiseCn", kAllFamilies, &ReceiverState::cnr, true,
                                [](double v) { return v >= 0 && v <= 80; }));
    m.push_back(Setting<std::int32_t>("SpecFuncEqualizer", kAllFamilies, &ReceiverState::equalizer, false));
    m.push_back(Setting<std::int32_t>("MeasureFftMode", kDvbt, &ReceiverState::fftMode, false));
    m.push_back(Setting<std::int32_t>("InputAttenuationValue", kAllFamilies, &ReceiverState::attenuation, false));
    DriverMember attenuation{"InputAttenuation", kAllFamilies, nullptr, nullptr, nullptr};
    attenuation.get = [](MemberCall& c) {
        return Variant::Int32(c.receiver.State().attenuationAuto ? 255 : c.receiver.State().attenuation);
    };
    attenuation.put = [](MemberCall& c, const Variant& v) {
        const std::int32_t value = Long(v);
        if (value != 255 && (value < 0 || value > 60)) Fail("attenuation out of range");
        c.receiver.Change([&](ReceiverState& s) {
            s.attenuationAuto = value == 255;
            if (value != 255) s.attenuation = value;
        }, true);
    };
    m.push_back(attenuation);
    DriverMember view = Setting<std::int32_t>("MeasureMode", kAllFamilies, &ReceiverState::measureMode, false,
                                              [](std::int32_t v) { return v >= 0 && v <= 30; });
    const auto setView = view.put;
    view.put = [setView](MemberCall& c, const Variant& v) {
        setView(c, v);
        c.receiver.RestartAcquisition();  // a new view starts its acquisition
    };
    m.push_back(view);
    DriverMember integration = Stored("SpecFuncMinBerIntegration", kAllFamilies, 10);
    integration.get = [](MemberCall& c) { return Variant::Int32(c.receiver.Intervals()); };
    integration.put = [](MemberCall& c, const Variant& v) { c.receiver.SetIntervals(Long(v)); };
    m.push_back(integration);
    m.push_back(Method("MeasureResetBer", kAllFamilies, [](MemberCall& c) {
        c.receiver.RestartCount();
        return Variant();
    }));
    m.push_back(Method("Reset", kAllFamilies, [](MemberCall& c) {
        c.receiver.RestartCount();
        c.receiver.RestartAcquisition();
        return Variant();
    }));
}

void AddStoredSettings(std::vector<DriverMember>& m) {
    const std::pair<const char*, double> settings[] = {
        {"InputAttenuation_Demod", 0}, {"InputAttenuationValue_Demod", 0}, {"InputAttenuationMode_Receiver", 0},
        {"SpecFuncLoopBandwidth", 1}, {"SpecFuncLoopBaudBandwidth", 1}, {"SpecFuncLoopAgc", 1},
        {"SpecFuncEqualizerMode", 0}, {"SpecFuncEqualizerAdaptation", 1}, {"SpecFuncFreqSidePos", 0},
        {"SpecFuncFreqRfFixed", 0}, {"SpecFuncSystOptims", 0}, {"SpecFuncMpegDataOutputIqPosition", 0},
        {"Setup10MhzRef", 0}, {"SetupLevelUnit", 0}, {"StatusRejFilter", 0}, {"StatusRejFilterNotchWidth", 0},
        {"StatusOfdmCodeRateMode", 2}, {"MeasureTdEchoPatRange", 0}, {"MeasureTdEchoPatNumValues", 0},
        {"MeasureTdEchoPatScale", 0}, {"MeasureFdDetector", 0}, {"MeasureCdGateCount", 1000},
        {"MeasureTdEmInterval", 1}, {"MeasureFdSpectrumDetector", 0}, {"MeasureFdSpectrumAverageCount", 16},
        {"MeasureOfdmStartCarrier", 0}, {"MeasureOfdmStopCarrier", 6816}};
    for (const auto& [name, initial] : settings) m.push_back(Stored(name, kAllFamilies, initial));
    for (const auto& [name, initial] :
         {std::pair<const char*, double>{"StatusRejFilterNotchFreq", 0}, {"MeasureFdSpectrumStartFreq", -4e6},
          {"MeasureFdSpectrumStopFreq", 4e6}, {"MeasureTdCcdfCrestFactorMargin", 2.1},
          {"MeasureTdCcdfCrestFactorMax", 12.5}, {"MeasureTdCcdfCrestFactorCurrent", 10.2}}) {
        m.push_back(Stored(name, kAllFamilies, initial, false));
    }
    DriverMember bitrate{"MeasureTsBitrate", kAllFamilies, nullptr, nullptr, nullptr};
    bitrate.get = [](MemberCall& c) { return Variant::Double(TransportBitRate(c.receiver.State()) / 1e6); };
    bitrate.put = [](MemberCall&, const Variant& v) { Real(v); };  // fixed by the signal; accepted and ignored
    m.push_back(bitrate);
}

void AddBerMembers(std::vector<DriverMember>& m) {
    m.push_back(Reading("MeasureBER", kQam, [](MemberCall& c) { return Ber(c, BerPoint::BeforeRs); }));
    m.push_back(Reading("MeasureBERBeforeVit", kDvbt, [](MemberCall& c) { return Ber(c, BerPoint::BeforeViterbi); }));
    m.push_back(Reading("MeasureBERBeforeRS", kDvbt | kAtsc | kJ83, [](MemberCall& c) { return Ber(c, BerPoint::BeforeRs); }));
    m.push_back(Reading("MeasureBERAfterRS", kDvbt | kAtsc | kJ83, [](MemberCall& c) { return Ber(c, BerPoint::AfterRs); }));
    m.push_back(Reading("ResponseString", kAllFamilies,
                        [](MemberCall& c) { return Variant::String(c.receiver.ShownCounter().ResponseString()); }));
    m.push_back(Reading("Postfix", kAllFamilies,
                        [](MemberCall& c) { return Variant::String(c.receiver.ShownCounter().Postfix()); }));
    m.push_back(Reading("Prefix", kAllFamilies, [](MemberCall&) { return Variant::Utf8("BER"); }));
    m.push_back(Reading("MeasureFrameUnSync", kQam, [](MemberCall& c) { return Variant::Bool(Unsync(c)); }));
    m.push_back(Reading("MeasureMpegTsUnSync", kAllFamilies, [](MemberCall& c) { return Variant::Bool(Unsync(c)); }));
    auto unlocked = [](MemberCall& c) { return Variant::Bool(!c.receiver.CarrierLocked()); };
    m.push_back(Reading("MeasureCarrierUnSync", kQam, unlocked));
    m.push_back(Reading("MeasureCarrierLoopOutOfLock", kDvbt | kAtsc | kJ83, unlocked));
    auto packetErrors = [](const SimReceiver& r) {
        const double ber = BerAt(r.State(), r.Snr(), r.Loss(), BerPoint::AfterRs);
        return 1 - std::pow(1 - ber, 188.0 * 8);
    };
    m.push_back(Reading("MeasurePacketErrRatio", kAllFamilies, [packetErrors](MemberCall& c) {
        return Variant::Double(packetErrors(c.receiver));
    }));
    m.push_back(Reading("MeasurePacketErrPerSec", kAllFamilies, [packetErrors](MemberCall& c) {
        const double packets = TransportBitRate(c.receiver.State()) / (188.0 * 8);
        return Variant::Int32(static_cast<std::int32_t>(std::min(packetErrors(c.receiver) * packets, 1e9)));
    }));
    m.push_back(Reading("MeasureSegErrRatio", kAtsc, [packetErrors](MemberCall& c) { return Variant::Double(packetErrors(c.receiver)); }));
    m.push_back(Reading("MeasureSegErrPerSec", kAtsc, [packetErrors](MemberCall& c) {
        return Variant::Int32(static_cast<std::int32_t>(std::min(packetErrors(c.receiver) * 12000, 1e9)));
    }));
    m.push_back(Reading("MeasureFrequencyOffset", kAllFamilies, [](MemberCall&) { return Variant::Double(1234.5); }));
    m.push_back(Reading("MeasureSymbolRateOffset", kAllFamilies, [](MemberCall&) { return Variant::Double(0.8); }));
    m.push_back(Reading("MeasureBitrateOffset", kAllFamilies, [](MemberCall&) { return Variant::Double(1.2); }));
    m.push_back(Reading("MeasurePilotFreqOffset", kAtsc | kJ83, [](MemberCall&) { return Variant::Double(-310.0); }));
    m.push_back(Reading("MeasureRfLevel", kAllFamilies, [](MemberCall&) { return Variant::Double(62.5); }));
    m.push_back(Reading("StateSignal", kAllFamilies, [](MemberCall& c) { return Variant::Bool(c.receiver.CarrierLocked()); }));
    m.push_back(Reading("ReferenceLocked", kAllFamilies, [](MemberCall&) { return Variant::Bool(true); }));
}

void AddAnalysisMembers(std::vector<DriverMember>& m) {
    struct Family3 {
        const char* prefix;
        unsigned families;
    };
    for (const Family3& f : {Family3{"Qam", kQam | kJ83}, Family3{"Vsb", kAtsc}, Family3{"Ofdm", kDvbt}}) {
        const std::string p = std::string("Measure") + f.prefix;
        auto mer = [](MemberCall& c) { return MerDb(c.receiver); };
        m.push_back(Reading(p + "MerRmsDb", f.families, [mer](MemberCall& c) { return Variant::Double(mer(c)); }));
        m.push_back(Reading(p + "MerRmsPct", f.families, [mer](MemberCall& c) { return Variant::Double(100 * std::pow(10, -mer(c) / 20)); }));
        m.push_back(Reading(p + "MerPeakPct", f.families, [mer](MemberCall& c) { return Variant::Double(300 * std::pow(10, -mer(c) / 20)); }));
        m.push_back(Reading(p + "EvmRms", f.families, [mer](MemberCall& c) { return Variant::Double(100 * std::pow(10, -mer(c) / 20)); }));
        m.push_back(Reading(p + "EvmPeak", f.families, [mer](MemberCall& c) { return Variant::Double(300 * std::pow(10, -mer(c) / 20)); }));
        m.push_back(Reading(p + "SignalToNoiseRatio", f.families, [](MemberCall& c) { return Variant::Double(c.receiver.Snr()); }));
        m.push_back(Reading(p + "PhaseJitter", f.families, [](MemberCall&) { return Variant::Double(0.31); }));
        m.push_back(Reading(p + "CarrierSuppression", f.families, [](MemberCall&) { return Variant::Double(45.0); }));
        m.push_back(Reading(p + "IqAmplImbalance", f.families, [](MemberCall&) { return Variant::Double(0.2); }));
        m.push_back(Reading(p + "IqPhaseError", f.families, [](MemberCall&) { return Variant::Double(0.1); }));
        m.push_back(Reading(p + "IqQuadError", f.families, [](MemberCall&) { return Variant::Double(0.1); }));
    }
    m.push_back(Reading("MeasureVsbPvAmplErr", kAtsc | kJ83, [](MemberCall&) { return Variant::Double(0.4); }));
    m.push_back(Reading("MeasureVsbPvSigPilotRatio", kAtsc | kJ83, [](MemberCall&) { return Variant::Double(11.3); }));
    m.push_back(Reading("MeasureOfdmAverage", kDvbt, [](MemberCall& c) { return Variant::Int16(static_cast<std::int16_t>(Progress(c, 100))); }));
    m.push_back(Method("MeasureOfdmCarrierRange", kDvbt, [](MemberCall& c) {
        if (c.args.size() != 2) Fail("two carriers expected");
        const std::int32_t start = Long(c.args[0]), stop = Long(c.args[1]);
        if (start < 0 || stop < start || stop > 6816) Fail("carrier range out of bounds");
        c.receiver.Change([&](ReceiverState& s) {
            s.other["MeasureOfdmStartCarrier"] = std::to_string(start);
            s.other["MeasureOfdmStopCarrier"] = std::to_string(stop);
        }, false);
        c.receiver.RestartAcquisition();
        return Variant();
    }));
}

void AddAcquisitionMembers(std::vector<DriverMember>& m) {
    m.push_back(Reading("MeasureTdCrestFactorAqu", kAllFamilies,
                        [](MemberCall& c) { return Variant::Int16(static_cast<std::int16_t>(Progress(c, 100))); }));
    DriverMember average{"MeasureFdSpectrumAverage", kAllFamilies, nullptr, nullptr, nullptr};
    average.get = [](MemberCall& c) {
        const auto& other = c.receiver.State().other;
        const auto it = other.find("MeasureFdSpectrumAverageCount");
        const double count = it == other.end() ? 16 : std::strtod(it->second.c_str(), nullptr);
        return Variant::Int16(static_cast<std::int16_t>(Progress(c, count)));
    };
    m.push_back(average);
    m.push_back(Reading("MeasureTdCcdfPaprDelta", kAllFamilies, [](MemberCall&) { return Variant::Double(0.3); }));
    m.push_back(Reading("MeasureFdSpectrumShoulderLower", kAllFamilies,
                        [](MemberCall& c) { return Variant::Double(-std::min(c.receiver.Snr() + 8, 55.0)); }));
    m.push_back(Reading("MeasureFdSpectrumShoulderUpper", kAllFamilies,
                        [](MemberCall& c) { return Variant::Double(-std::min(c.receiver.Snr() + 7.5, 55.0)); }));
    const double frequencies[] = {1000, 5000, 10000, 20000, 50000, 100000, 200000};
    for (const char* kind : {"Amplitude", "Phase"}) {
        m.push_back(Method(std::string("MeasureFdJitter") + kind, kJ83 | kAtsc | kDvbt, [](MemberCall&) { return Variant(); }));
        m.push_back(Reading(std::string(kind) + "JitterFreq", kJ83 | kAtsc | kDvbt, [frequencies](MemberCall& c) {
            const std::int32_t i = c.args.empty() ? 0 : Long(c.args[0]);
            if (i < 1 || i > 7) Fail("no such table entry");
            return Variant::Double(frequencies[i - 1]);
        }));
        m.push_back(Reading(std::string(kind) + "JitterValue", kJ83 | kAtsc | kDvbt, [](MemberCall& c) {
            const std::int32_t i = c.args.empty() ? 0 : Long(c.args[0]);
            if (i < 1 || i > 7) Fail("no such table entry");
            return Variant::Double(0.05 * i);
        }));
    }
    for (const char* name : {"MeasureFdAmplitudeResponse", "MeasureFdPhaseResponse", "MeasureFdGroupDelayResponse"})
        m.push_back(Reading(name, kAllFamilies, [](MemberCall&) { return Variant::Double(0.7); }));
    // The main echo of the channel, the one the echo pattern view marks; like every driver's
    // echo members they take no argument.
    for (const char* name : {"EchoPatternAtten", "EchoPatternDelay"}) {
        const bool delay = std::string(name) == "EchoPatternDelay";
        m.push_back(Reading(name, kAllFamilies, [delay, name](MemberCall& c) {
            if (!c.args.empty()) Fail(std::string(name) + " takes no argument");
            return Variant::Double(delay ? 1.5 : 26.0);
        }));
    }
    m.push_back(Method("MeasureTdEchoPattern", kAllFamilies, [](MemberCall& c) {
        c.receiver.RestartAcquisition();
        return Variant();
    }));
    m.push_back(Method("ScreenShot", kAllFamilies, [](MemberCall& c) {
        if (c.args.size() != 2) Fail("ScreenShot takes a kind and a byte array");
        const std::int32_t kind = Long(c.args[0]);
        if (kind != 1 && kind != 6 && kind != 7) Fail("no such picture kind");
        if (kind != 1) c.args[1] = Variant::Bytes(EncodePcx(DrawView(c.receiver.State().measureMode, c.receiver.Snr())));
        return Variant::Bool(true);
    }));
}

}  // namespace

const std::vector<DriverMember>& DriverMembers() {
    static const std::vector<DriverMember> members = [] {
        std::vector<DriverMember> m;
        AddIdentity(m);
        AddReceiverSettings(m);
        AddStoredSettings(m);
        AddBerMembers(m);
        AddAnalysisMembers(m);
        AddAcquisitionMembers(m);
        return m;
    }();
    return members;
}

}  // namespace tarvos::sim
