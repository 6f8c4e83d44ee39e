// The measurement dialog's field checks, zero tolerance list and run controls.
#include "measurement/dialog_rules.h"

#include <gtest/gtest.h>

namespace tarvos {
namespace {

void SetMode(C_KVR_DiaDoc& doc, int mode, int saw) {
    ReceiverSettings rs = doc.Receiver();
    rs.mode = mode;
    rs.sawBandwidth = saw;
    doc.SetReceiver(rs);
}

TEST(DialogRules, StartFieldIsClampedToTheGeneratorAndBelowTheStop) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = doc.Receiver();
    rs.sawBandwidth = 0;  // mode 4 without SAW filter: offset 0
    doc.SetReceiver(rs);
    EXPECT_EQ(StartFieldLeft(doc, "3"), 12);
    EXPECT_EQ(SnrFieldText(StartFieldLeft(doc, "3")), "12.");
    EXPECT_DOUBLE_EQ(StartFieldLeft(doc, "40"), 34.999);  // above the stop
    EXPECT_EQ(StartFieldLeft(doc, ""), 20);                 // no number keeps the start
    EXPECT_EQ(StartFieldLeft(doc, "abc"), 20);
    EXPECT_DOUBLE_EQ(StartFieldLeft(doc, "21.123456789"), 21.1235);
    rs.mode = 13;
    rs.sawBandwidth = 8;
    doc.SetReceiver(rs);
    EXPECT_DOUBLE_EQ(StartFieldLeft(doc, "1"), 4.8847);  // 5 dB plus the DVB-T offset, four decimals
}

TEST(DialogRules, StopFieldIsClampedAboveTheStartAndToTheGenerator) {
    C_KVR_DiaDoc doc;
    SetMode(doc, 4, 0);
    EXPECT_DOUBLE_EQ(StopFieldLeft(doc, "10"), 20.001);
    EXPECT_EQ(StopFieldLeft(doc, "80"), 62);
    EXPECT_EQ(StopFieldLeft(doc, "0"), 35);
}

TEST(DialogRules, SamplesFieldKeepsOneToAThousand) {
    EXPECT_EQ(SamplesFieldLeft(""), 1);
    EXPECT_EQ(SamplesFieldLeft("5000"), 1000);
    EXPECT_EQ(SamplesFieldLeft("-3"), 1);
    EXPECT_EQ(SamplesFieldLeft("25x"), 25);
    EXPECT_EQ(SamplesFieldLeft("12345"), 1000);  // at most four characters are read: 1234
}

TEST(DialogRules, ZeroToleranceListPerMode) {
    EXPECT_EQ(ZeroToleranceEntries(4), (std::vector<std::string>{"0.1 E-7", "0.1 E-8", "0.1 E-9"}));
    EXPECT_EQ(ZeroToleranceEntries(13).size(), 9u);
    EXPECT_EQ(ZeroToleranceEntries(13).back(), "0.1 E-15");
    EXPECT_EQ(ShownResolution(4, 14), 10);  // shown as "0.1 E-9"
    EXPECT_EQ(ShownResolution(13, 14), 14);
    EXPECT_EQ(ShownResolution(6, 3), 16);
}

TEST(DialogRules, RunControlsAndButtons) {
    EXPECT_TRUE(RunControlStateFor(RunControls::Idle).settingsEnabled);
    EXPECT_FALSE(RunControlStateFor(RunControls::Idle).runButtonsEnabled);
    EXPECT_FALSE(RunControlStateFor(RunControls::Running).startEnabled);
    EXPECT_TRUE(RunControlStateFor(RunControls::Running).runButtonsEnabled);
    C_KVR_DiaDoc doc;
    EXPECT_EQ(PressPauseContinue(doc), "Continue &Measurement");
    EXPECT_EQ(doc.paused.load(), 1);
    EXPECT_EQ(PressCancel(doc), "Continue &Measurement");  // idle: Cancel does nothing
    EXPECT_EQ(doc.cancelRequested.load(), 0);
    doc.measuring = 1;
    EXPECT_EQ(PressCancel(doc), "Pause &Measurement");
    EXPECT_EQ(doc.cancelRequested.load(), 1);
    EXPECT_EQ(doc.paused.load(), 0);
    EXPECT_EQ(PressPauseContinue(doc), "Continue &Measurement");
    EXPECT_EQ(PressPauseContinue(doc), "Pause &Measurement");
}

}  // namespace
}  // namespace tarvos
