// The main frame's guards, the timer's requests and the measure range fit.
#include "app/frame_rules.h"

#include <gtest/gtest.h>

namespace tarvos {
namespace {

TEST(FrameRules, GuardsRefuseOnlyDuringAMeasurement) {
    C_KVR_DiaDoc doc;
    EXPECT_FALSE(GuardMessage(GuardedCommand::KvrSettings, doc).has_value());
    doc.measuring = 1;
    EXPECT_EQ(GuardMessage(GuardedCommand::KvrSettings, doc),
              "Can't change KVR settings\nwhile measurement is in progress.\nExit measurement and try again.");
    EXPECT_EQ(GuardMessage(GuardedCommand::PortSettings, doc),
              "Can't change port settings\nwhile measurement is in progress.\nExit measurement and try again.");
    EXPECT_EQ(GuardMessage(GuardedCommand::FileNew, doc), "Can't open new document.\nPlease cancel measurement\nand try again.");
    EXPECT_EQ(GuardMessage(GuardedCommand::FileOpen, doc), "Can't open document.\nPlease cancel measurement\nand try again.");
}

TEST(FrameRules, EachRequestIsServedOnceAndPortSettingsFirst) {
    FrameRequests requests;
    EXPECT_FALSE(requests.NextOnTimer().has_value());
    requests.RequestReceiverSettings();
    requests.RequestPortSettings();
    EXPECT_EQ(requests.NextOnTimer(), GuardedCommand::PortSettings);
    EXPECT_EQ(requests.NextOnTimer(), GuardedCommand::KvrSettings);
    EXPECT_FALSE(requests.NextOnTimer().has_value());
}

TEST(FrameRules, MeasureRangeFitsTheGenerator) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = doc.Receiver();
    rs.sawBandwidth = 0;  // offset 0 in mode 4
    rs.snrBegin = 10;
    rs.snrEnd = 70;
    doc.SetReceiver(rs);
    FitMeasureRange(doc);
    EXPECT_EQ(doc.Receiver().snrBegin, 12);
    EXPECT_EQ(doc.Receiver().snrEnd, 62);
    rs.snrBegin = 65;  // above the highest S/N
    rs.snrEnd = 5;
    doc.SetReceiver(rs);
    FitMeasureRange(doc);
    EXPECT_DOUBLE_EQ(doc.Receiver().snrBegin, 61.999);
    EXPECT_DOUBLE_EQ(doc.Receiver().snrEnd, 12.001);
    rs = doc.Receiver();
    rs.mode = 13;
    rs.snrBegin = 1;
    rs.snrEnd = 30;
    doc.SetReceiver(rs);
    FitMeasureRange(doc);
    EXPECT_DOUBLE_EQ(doc.Receiver().snrBegin, 4.8847);  // 5 dB + the DVB-T offset, to 0.0001 dB
}

}  // namespace
}  // namespace tarvos
