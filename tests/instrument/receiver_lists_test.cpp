// The drop-down tables as lookups, the field rules of frequency and symbol rate, and what a
// change of mode does to the listed values.
#include "instrument/receiver_lists.h"

#include <gtest/gtest.h>

namespace tarvos {
namespace {

TEST(ReceiverLists, LookupsFindOnlyWhatTheModeOffers) {
    EXPECT_EQ(FindEntry(ModeList(), 7), 6u);
    EXPECT_EQ(FindEntry(ModeList(), 0), std::nullopt);
    EXPECT_EQ(FindEntry(QamOrderList(4), 0), 0u);  // Auto in the QAM modes only
    EXPECT_EQ(FindEntry(QamOrderList(6), 0), std::nullopt);
    EXPECT_EQ(FindEntry(SawFilterList(4), 7), std::nullopt);
    EXPECT_EQ(FindEntry(RollOffList(6), 20), std::nullopt);
    EXPECT_EQ(FindEntry(BerPointList(13), 0), 0u);
    EXPECT_EQ(ListedOrFirst(SawFilterList(13), 2), 6);
    EXPECT_EQ(ListedOrFirst(QamOrderList(14), 256), 256);  // an empty list keeps the value
    EXPECT_FALSE(QamOrderList(14).enabled);
    EXPECT_FALSE(RollOffList(13).enabled);
    EXPECT_FALSE(RollOffList(14).enabled);
}

TEST(ReceiverLists, FieldRulesClampRoundAndLimitToTheMode) {
    EXPECT_DOUBLE_EQ(FrequencyFromText("20", 4), 48);
    EXPECT_DOUBLE_EQ(FrequencyFromText("5000", 4), 862);
    EXPECT_DOUBLE_EQ(FrequencyFromText("5000", 6), 1000);
    EXPECT_DOUBLE_EQ(FrequencyFromText("", 6), 3);
    EXPECT_DOUBLE_EQ(FrequencyFromText("474.123456789 MHz", 4), 474.1234568);
    EXPECT_DOUBLE_EQ(FrequencyFromText("00000000000000500", 6), 3);  // 14 characters are read
    EXPECT_DOUBLE_EQ(SymbolRateFromText("6.9004", 4, 1), 6.9);
    EXPECT_DOUBLE_EQ(SymbolRateFromText("6.9004", 6, 1), 6.9004);
    EXPECT_DOUBLE_EQ(SymbolRateFromText("7.5", 6, 1), 6.999);
    EXPECT_DOUBLE_EQ(SymbolRateFromText("1", 14, 1), 2);
    EXPECT_DOUBLE_EQ(SymbolRateFromText("3", 13, 6.9), 6.9);
}

TEST(ReceiverLists, FieldsShowTheirValuesOrTheirFixedText) {
    ReceiverSettings rs;
    rs.input = 2;
    rs.frequency = 474;
    EXPECT_EQ(FrequencyField(rs), (FieldView{"474.", true}));
    EXPECT_EQ(SymbolRateField(rs), (FieldView{"6.9", true}));
    rs.input = kInputIf;
    rs.mode = kModeDvbt;
    EXPECT_EQ(FrequencyField(rs), (FieldView{"36.0", false}));
    EXPECT_EQ(SymbolRateField(rs), (FieldView{"", false}));
}

TEST(ReceiverLists, ModeChangeReplacesUnlistedValuesWithTheFirstEntry) {
    ReceiverSettings rs;
    rs.qamOrder = 256;
    rs.rollOff = 25;
    rs.mode = kModeDvbt;
    ApplyModeToLists(rs);
    EXPECT_EQ(rs.qamOrder, 4);
    EXPECT_EQ(rs.rollOff, 25);  // DVB-T has no roll-off to choose

    rs.qamOrder = 256;
    rs.mode = kModeAtsc;
    ApplyModeToLists(rs);
    EXPECT_EQ(rs.rollOff, 115);
    EXPECT_EQ(rs.qamOrder, 256);

    rs.mode = 9;  // no receiver mode: the first one, and its lists
    rs.berPoint = 2;
    ApplyModeToLists(rs);
    EXPECT_EQ(rs.mode, 4);
    EXPECT_EQ(rs.rollOff, 12);
    EXPECT_EQ(rs.berPoint, 1);
}

}  // namespace
}  // namespace tarvos
