// The measurement members, call by call: mode switches, family-dependent members, waits,
// acquisitions with their stall check, save-and-restore procedures and what a failure in the
// middle leaves undone, and the screen pictures.
#include <gtest/gtest.h>

#include <algorithm>

#include "kvrlib/procedures.h"
#include "tests/kvrlib/kvrport_fixture.h"

namespace tarvos::kvrlib {
namespace {

class MeasurementTest : public KvrPortTest {
protected:
    automation::ComPtr<FakeDriver> Driver(int kind, std::int32_t mode) {
        auto driver = Select(kind);
        driver->properties["MeasureMode"] = Variant::Int32(mode);
        Fakes().calls.clear();
        return driver;
    }
    // Only what changes the instrument or takes time: puts, methods and waits.
    static Calls Actions() {
        Calls actions;
        for (const std::string& c : Fakes().calls)
            if (c.starts_with("Put ") || c.starts_with("Call ") || c.starts_with("Wait")) actions.push_back(c);
        return actions;
    }
    static long Waits() {
        return std::count_if(Fakes().calls.begin(), Fakes().calls.end(), [](const std::string& c) { return c.starts_with("Wait"); });
    }
};

TEST_F(MeasurementTest, BerReadsSwitchToTheBerViewOnlyWhenNeeded) {
    auto d = Driver(driverQAM, 5);
    d->properties["MeasureBER"] = Variant::Double(2e-4);
    EXPECT_EQ(Get(kvrport::kMeasureBERBeforeRS), Variant::Double(2e-4));
    EXPECT_EQ(Fakes().calls, (Calls{"Get MeasureMode", "Put MeasureMode=0", "Get MeasureBER"}));
    EXPECT_EQ(d->properties["MeasureMode"].Type(), automation::VarType::Int16);
    Fakes().calls.clear();
    Get(kvrport::kMeasureBERBeforeRS);
    EXPECT_EQ(Fakes().calls, (Calls{"Get MeasureMode", "Get MeasureBER"}));
    Fakes().calls.clear();
    EXPECT_EQ(Get(kvrport::kMeasureBERAfterRS), Variant::Double(0));  // QAM has none: no call at all
    EXPECT_EQ(Get(kvrport::kMeasureBERBeforeVit), Variant::Double(0));
    EXPECT_TRUE(Fakes().calls.empty());
    Fakes().failing = {"MeasureBER"};
    EXPECT_EQ(Get(kvrport::kMeasureBERBeforeRS), Variant::Double(-1));
}

TEST_F(MeasurementTest, BerFiguresFromTheResponseTexts) {
    auto d = Driver(driverDVBT, 0);
    d->properties["ResponseString"] = Variant::Utf8("2.0E-04 (3/15000)");
    d->properties["Postfix"] = Variant::Utf8(" (3/15000) ");
    EXPECT_EQ(Get(kvrport::kMeasureBERExponent), Variant::Int32(4));
    EXPECT_EQ(Get(kvrport::kMeasureBERCounter), Variant::Int32(3));
    EXPECT_EQ(Get(kvrport::kMeasureBERCounterMax), Variant::Int32(15000));
    EXPECT_EQ(Get(kvrport::kPostfix), Variant::Utf8(" (3/15000) "));  // passed through as it comes
    d->properties["ResponseString"] = Variant::Utf8("2.0E-04");
    EXPECT_EQ(Get(kvrport::kMeasureBERExponent), Variant::Int32(0));
}

TEST_F(MeasurementTest, FamilyDependentMembers) {
    auto dvbt = Driver(driverDVBT, 0);
    dvbt->properties["MeasureOrderOfQamTps"] = Variant::Int32(-1);
    EXPECT_EQ(Get(kvrport::kMeasureQAMOrder), Variant::Int32(4));
    dvbt->properties["MeasureMpegTsUnSync"] = Variant::Bool(true);
    EXPECT_EQ(Get(kvrport::kMeasureFrameSync), Variant::Int32(0));
    dvbt->properties["MeasureTsBitrate"] = Variant::Double(19.9);
    EXPECT_EQ(Get(kvrport::kMeasureBitrate), Variant::Double(19.9));

    auto atsc = Driver(driverATSC, 0);
    EXPECT_EQ(Get(kvrport::kMeasureRollOff), Variant::Int32(115));
    EXPECT_EQ(Get(kvrport::kMeasureQAMOrder), Variant::Int32(0));
    EXPECT_TRUE(Fakes().calls.empty());
    Put(kvrport::kMeasureRF, Variant::Double(474e6));
    Put(kvrport::kMeasureQAMOrder, Variant::Int32(64));  // ATSC has no QAM order to write
    EXPECT_EQ(Fakes().calls, (Calls{"Put RfCenterFrequency=4.74e+08", "Wait 2.000000"}));

    auto qam = Driver(driverQAM, 0);
    qam->properties["MeasureFrameUnSync"] = Variant::Bool(false);
    EXPECT_EQ(Get(kvrport::kMeasureFrameSync), Variant::Int32(1));
    qam->properties["InputAttenuation"] = Variant::Int32(255);
    EXPECT_EQ(Get(kvrport::kMeasureAttenuationAuto), Variant::Bool(true));
    qam->properties["InputAttenuation"] = Variant::Int32(254);
    EXPECT_EQ(Get(kvrport::kMeasureAttenuationAuto), Variant::Bool(false));
    Fakes().calls.clear();
    Put(kvrport::kMeasureRollOff, Variant::Int32(13));
    Put(kvrport::kMeasureCNR, Variant::Double(25.5));
    Put(kvrport::kMeasureChannelBW, Variant::Int32(8));  // only DVB-T has one
    EXPECT_EQ(Fakes().calls, (Calls{"Put SpecFuncRolloffFactor=13", "Put MeasureCdAddNoiseCn=25.5"}));
}

TEST_F(MeasurementTest, AttenuationIsAutomaticExactlyAtTheCode255) {
    auto d = Driver(driverQAM, 0);
    const std::pair<Variant, bool> cases[] = {{Variant::Int32(255), true},     {Variant::Double(255), true},
                                              {Variant::Double(255.4), false}, {Variant::Double(254.6), false},
                                              {Variant::Int32(254), false}};
    for (const auto& [value, automatic] : cases) {
        d->properties["InputAttenuation"] = value;
        EXPECT_EQ(Get(kvrport::kMeasureAttenuationAuto), Variant::Bool(automatic)) << value.ToUtf8().value;
    }
}

TEST_F(MeasurementTest, EchoReadsCallTheDriverWithoutArgumentAndKeepTheEchoNumber) {
    auto d = Driver(driverATSC, 0);
    d->properties["EchoPatternDelay"] = Variant::Double(1.5);
    d->properties["EchoPatternAtten"] = Variant::Double(26);
    for (const auto& [id, value] : {std::pair{kvrport::kEchoPatternDelay, 1.5}, {kvrport::kEchoPatternAtten, 26.0}}) {
        std::vector<Variant> args{Variant::Int16(2)};
        Variant result;
        EXPECT_EQ(port->Invoke(id, InvokeKind::PropertyGet, args, &result), HResult::Ok);
        EXPECT_EQ(result, Variant::Double(value));
        EXPECT_EQ(args.at(0), Variant::Int16(2));
    }
    EXPECT_EQ(Fakes().calls, (Calls{"Get EchoPatternDelay", "Get EchoPatternAtten"}));
}

TEST_F(MeasurementTest, CrestFactorReadWaitsForTheAcquisition) {
    auto d = Driver(driverDVBT, 5);  // not a crest factor view: CCDF envelope (19) is chosen
    d->sequences["MeasureTdCrestFactorAqu"] = {Variant::Int16(10), Variant::Int16(50), Variant::Int16(100)};
    d->properties["MeasureTdCcdfCrestFactorMax"] = Variant::Double(9.5);
    EXPECT_EQ(Get(kvrport::kMeasureTdCcdfCrestFactorMax), Variant::Double(9.5));
    EXPECT_EQ(Fakes().calls,
              (Calls{"Get MeasureMode", "Put MeasureMode=19", "Get MeasureMode", "Get MeasureTdCrestFactorAqu",
                     "Wait 1.000000", "Get MeasureMode", "Get MeasureTdCrestFactorAqu", "Wait 1.000000",
                     "Get MeasureMode", "Get MeasureTdCrestFactorAqu", "Get MeasureTdCcdfCrestFactorMax"}));
}

TEST_F(MeasurementTest, AStalledAcquisitionFailsAfterThreeFurtherSeconds) {
    auto d = Driver(driverDVBT, 13);  // CCDF RF view: kept
    d->properties["MeasureTdCrestFactorAqu"] = Variant::Int16(40);
    d->properties["MeasureTdCcdfPaprDelta"] = Variant::Double(1.5);
    EXPECT_EQ(Get(kvrport::kMeasureTdCcdfPaprDelta), Variant::Double(0));
    EXPECT_EQ(Waits(), 4);
    EXPECT_EQ(std::count(Fakes().calls.begin(), Fakes().calls.end(), "Get MeasureTdCcdfPaprDelta"), 0);
    // Progress that keeps moving without completing is given up too.
    std::vector<Variant> moving;
    for (int i = 0; i < 2 * kMaxAcquisitionWaits; ++i) moving.push_back(Variant::Int16(static_cast<std::int16_t>(i % 99)));
    d->sequences["MeasureTdCrestFactorAqu"] = moving;
    Fakes().calls.clear();
    EXPECT_EQ(Get(kvrport::kMeasureTdCcdfPaprDelta), Variant::Double(0));
    EXPECT_EQ(Waits(), kMaxAcquisitionWaits + 1);
}

TEST_F(MeasurementTest, SpectrumShoulderSetsUpMeasuresAndRestores) {
    auto d = Driver(driverJ83AC, 0);
    d->properties["StatusSawFilterBW"] = Variant::Int32(6);
    d->properties["MeasureFdSpectrumStartFreq"] = Variant::Double(-2e6);
    d->properties["MeasureFdSpectrumStopFreq"] = Variant::Double(2e6);
    d->sequences["MeasureFdSpectrumAverage"] = {Variant::Int16(1), Variant::Int16(4)};
    d->properties["MeasureFdSpectrumAverageCount"] = Variant::Int16(4);
    d->properties["MeasureFdSpectrumShoulderLower"] = Variant::Double(-45.5);
    EXPECT_EQ(Get(kvrport::kMeasureFdSpectrumShoulderLower), Variant::Double(-45.5));
    EXPECT_EQ(Actions(), (Calls{"Put StatusSawFilterBW=8", "Put MeasureMode=3", "Put MeasureFdSpectrumStartFreq=-4e+06",
                                "Wait 1.000000", "Put MeasureFdSpectrumStopFreq=4e+06", "Wait 1.000000", "Wait 1.000000",
                                "Put MeasureFdSpectrumStartFreq=-2e+06", "Wait 1.000000",
                                "Put MeasureFdSpectrumStopFreq=2e+06", "Wait 1.000000", "Put MeasureMode=0",
                                "Put StatusSawFilterBW=6"}));
    // A failing read leaves the changed filter, view and span as they are.
    auto again = Driver(driverJ83AC, 0);
    again->properties["StatusSawFilterBW"] = Variant::Int32(6);
    again->properties["MeasureFdSpectrumAverage"] = Variant::Int16(2);
    again->properties["MeasureFdSpectrumAverageCount"] = Variant::Int16(2);
    Fakes().failing = {"MeasureFdSpectrumShoulderUpper"};
    EXPECT_EQ(Get(kvrport::kMeasureFdSpectrumShoulderUpper), Variant::Double(0));
    EXPECT_EQ(Fakes().calls.back(), "Get MeasureFdSpectrumShoulderUpper");
    EXPECT_EQ(again->properties["StatusSawFilterBW"], Variant::Int32(8));
}

TEST_F(MeasurementTest, JitterReadTakesTheValueAt20kHz) {
    auto d = Driver(driverATSC, 17);
    d->properties["MeasureFdSpectrumAverage"] = Variant::Int16(8);
    d->properties["MeasureFdSpectrumAverageCount"] = Variant::Int16(8);
    d->properties["AmplitudeJitterFreq(1)"] = Variant::Int32(10000);
    d->properties["AmplitudeJitterFreq(2)"] = Variant::Int32(20000);
    d->properties["AmplitudeJitterValue(2)"] = Variant::Double(1.5);
    EXPECT_EQ(Get(kvrport::kMeasureFdAmplitudeJitter), Variant::Double(1.5));
    EXPECT_EQ(Actions(), (Calls{"Wait 1.000000", "Call MeasureFdJitterAmplitude"}));
    d->properties["AmplitudeJitterFreq(2)"] = Variant::Int32(5000);
    EXPECT_EQ(Get(kvrport::kMeasureFdAmplitudeJitter), Variant::Double(0));
}

TEST_F(MeasurementTest, OfdmSingleCarrierReadNarrowsAndRestoresTheCarrierRange) {
    auto d = Driver(driverDVBT, 18);
    d->properties["MeasureOfdmStartCarrier"] = Variant::Int16(0);
    d->properties["MeasureOfdmStopCarrier"] = Variant::Int16(6816);
    d->properties["MeasureFftMode"] = Variant::Int32(1);
    d->sequences["MeasureOfdmAverage"] = {Variant::Int16(50), Variant::Int16(100)};
    d->properties["MeasureOfdmIqPhaseError"] = Variant::Double(0.25);
    EXPECT_EQ(Get(kvrport::kMeasureOfdmIqQuadError), Variant::Double(0.25));
    EXPECT_EQ(Fakes().calls,
              (Calls{"Get MeasureMode", "Get MeasureOfdmStartCarrier", "Get MeasureOfdmStopCarrier", "Get MeasureFftMode",
                     "Call MeasureOfdmCarrierRange(3408,3408)", "Wait 3.000000", "Get MeasureOfdmAverage",
                     "Wait 1.000000", "Get MeasureOfdmAverage", "Get MeasureOfdmIqPhaseError",
                     "Call MeasureOfdmCarrierRange(0,6816)", "Wait 5.000000"}));
    // An averaging that never completes ends with the failure value instead of blocking for ever.
    d->sequences.clear();
    d->properties["MeasureOfdmAverage"] = Variant::Int16(99);
    Fakes().calls.clear();
    EXPECT_EQ(Get(kvrport::kMeasureOfdmCarrierSuppression), Variant::Double(-1));
    EXPECT_EQ(Waits(), 1 + kMaxAcquisitionWaits);
    EXPECT_EQ(std::count(Fakes().calls.begin(), Fakes().calls.end(), "Call MeasureOfdmCarrierRange(0,6816)"), 0);
}

TEST_F(MeasurementTest, ResponseReadsMeasureTwiceAroundTheEqualizerOnDvbtOnly) {
    auto d = Driver(driverDVBT, 7);  // amplitude/group delay view: kept for the amplitude response
    d->properties["SpecFuncEqualizer"] = Variant::Int32(0);
    d->sequences["MeasureFdAmplitudeResponse"] = {Variant::Double(1), Variant::Double(2)};
    EXPECT_EQ(Get(kvrport::kMeasureFdAmplitudeResponse), Variant::Double(2));
    EXPECT_EQ(Fakes().calls, (Calls{"Get MeasureMode", "Get MeasureFdAmplitudeResponse", "Get SpecFuncEqualizer",
                                    "Put SpecFuncEqualizer=1", "Wait 5.000000", "Get MeasureFdAmplitudeResponse",
                                    "Put SpecFuncEqualizer=0"}));
    // QAM writes no amplitude/phase entry: the DVB-T value selected before stays in the table.
    Driver(driverQAM, 3);
    EXPECT_EQ(Get(kvrport::kMeasureFdPhaseResponse), Variant::Double(0));
    EXPECT_EQ(Fakes().calls, (Calls{"Get MeasureMode", "Put MeasureMode=6"}));
}

TEST_F(MeasurementTest, EqualizerPutWritesInTheBerViewAndGoesBack) {
    auto d = Driver(driverQAM, 2);
    Put(kvrport::kSpecFuncEqualizer, Variant::Int32(1));
    EXPECT_EQ(Actions(), (Calls{"Put MeasureMode=0", "Put SpecFuncEqualizer=1", "Wait 1.000000", "Put MeasureMode=2",
                                "Wait 1.000000"}));
    // A refused write is skipped; the view still goes back.
    d->properties["MeasureMode"] = Variant::Int32(2);
    Fakes().calls.clear();
    Fakes().failing = {"SpecFuncEqualizer"};
    Put(kvrport::kSpecFuncEqualizer, Variant::Int32(0));
    EXPECT_EQ(Actions(), (Calls{"Put MeasureMode=0", "Put SpecFuncEqualizer=0", "Wait 1.000000", "Put MeasureMode=2",
                                "Wait 1.000000"}));
}

TEST_F(MeasurementTest, SpanPutsAndPlainForwardersOfMethodsAndOperations) {
    Driver(driverJ83B, 0);
    Put(kvrport::kMeasureFdSpectrumStopFreq, Variant::Double(3e6));
    Invoke(kvrport::kMeasureReset, InvokeKind::Method, {});
    Invoke(kvrport::kPauseOperation, InvokeKind::Method, {});
    EXPECT_EQ(Fakes().calls, (Calls{"Put MeasureFdSpectrumStopFreq=3e+06", "Wait 1.000000", "Call Reset", "Pause"}));
}

TEST_F(MeasurementTest, ScreenPicturesPrepareTheViewAndEncodeTheBytes) {
    auto d = Driver(driverQAM, 0);
    d->methods["ScreenShot"] = [](std::vector<Variant>& args) {
        args[1] = Variant::Bytes({0x41, 0x00, 0x42});
        return Variant::Bool(false);  // the answer is not tested for pictures
    };
    EXPECT_EQ(Get(kvrport::kConstellationDiagramPcx), Variant::String(u"AAABB"));
    EXPECT_EQ(Actions(), (Calls{"Put MeasureMode=2", "Put MeasureCdGateCount=10000", "Wait 3.000000",
                                "Call ScreenShot(7,<Byte()>)"}));
    Fakes().calls.clear();
    EXPECT_EQ(Get(kvrport::kPcxWithHeader), Variant::String(u"AAABB"));
    EXPECT_EQ(Fakes().calls, (Calls{"Call ScreenShot(6,<Byte()>)"}));
    Variant kind;
    d->methods["ScreenShot"] = [&kind](std::vector<Variant>& args) {
        kind = args[0];
        return Variant::Bool(true);  // a hardcopy delivers no picture
    };
    EXPECT_EQ(Get(kvrport::kHardcopy), Variant::Bool(true));
    EXPECT_EQ(kind, Variant::Int16(1));
    EXPECT_EQ(Get(kvrport::kMerFPcx), Variant::String(u""));  // an empty picture fails the member
}

TEST_F(MeasurementTest, OnlyTheHardcopyReadsTheScreenShotAnswer) {
    auto d = Driver(driverDVBT, 14);
    Variant answer;
    d->methods["ScreenShot"] = [&answer](std::vector<Variant>& args) {
        if (args[0] == Variant::Int16(7)) args[1] = Variant::Bytes({0x41});
        return answer;
    };
    for (const Variant& a : {Variant::Utf8("OK"), Variant(), Variant::Bool(false)}) {
        answer = a;
        EXPECT_EQ(Get(kvrport::kImpulseResponsePcx), Variant::String(u"AA")) << a.ToUtf8().value;
    }
    answer = Variant::Utf8("OK");  // not a Boolean: the hardcopy is not known to be made
    EXPECT_EQ(Get(kvrport::kHardcopy), Variant::Bool(false));
}

TEST_F(MeasurementTest, AmplitudePhasePictureRestoresEqualizerThenLoopBandwidth) {
    auto d = Driver(driverATSC, 1);
    d->properties["SpecFuncLoopBandwidth"] = Variant::Int32(3);
    d->properties["SpecFuncEqualizer"] = Variant::Int32(0);
    d->methods["ScreenShot"] = [](std::vector<Variant>& args) {
        args[1] = Variant::Bytes(automation::ByteArray(100000, 0x20));
        return Variant::Bool(true);
    };
    EXPECT_EQ(Get(kvrport::kAmplitudePhaseResponsePcx).AsString().size(), 100000u);  // encoded whole
    EXPECT_EQ(Actions(),
              (Calls{"Put SpecFuncLoopBandwidth=0", "Put MeasureMode=0", "Put SpecFuncEqualizer=1", "Wait 1.000000",
                     "Put MeasureMode=1", "Wait 1.000000", "Put MeasureMode=7", "Wait 3.000000",
                     "Call ScreenShot(7,<Byte()>)", "Put MeasureMode=0", "Put SpecFuncEqualizer=0", "Wait 1.000000",
                     "Put MeasureMode=7", "Wait 1.000000", "Put SpecFuncLoopBandwidth=3"}));
    // Without a picture the restore steps are skipped.
    Fakes().calls.clear();
    d->methods.clear();
    EXPECT_EQ(Get(kvrport::kAmplitudePhaseResponsePcx), Variant::String(u""));
    EXPECT_EQ(Actions().back(), "Call ScreenShot(7,<Byte()>)");
}

TEST_F(MeasurementTest, EyePictureWaitsFortyTwoSeconds) {
    auto d = Driver(driverJ83AC, 0);
    d->methods["ScreenShot"] = [](std::vector<Variant>& args) {
        args[1] = Variant::Bytes({1});
        return Variant::Bool(true);
    };
    EXPECT_EQ(Get(kvrport::kEyeMonitoringPcx), Variant::String(u"\u0001"));
    EXPECT_EQ(Actions(), (Calls{"Put MeasureMode=11", "Put MeasureTdEmInterval=1", "Wait 42.000000",
                                "Call ScreenShot(7,<Byte()>)"}));
}

}  // namespace
}  // namespace tarvos::kvrlib
