// File > Properties' rows and comment rule.
#include "app/properties_rows.h"

#include <gtest/gtest.h>

namespace tarvos {
namespace {

std::string Value(const std::vector<PropertyRow>& rows, const std::string& label) {
    for (const PropertyRow& r : rows)
        if (r.first == label) return r.second;
    return "(no row)";
}

TEST(PropertyRows, SayWhatTheMeasurementRestsOn) {
    EndResult end;
    EXPECT_EQ(Value(PropertyRows({}, 5, end, {}), "Run").rfind("no run records", 0), 0u);
    MeasurementRecords r;
    r.run.startUtcMs = 1765207222125;
    r.run.instrument.serialNumber = "100734";
    r.run.thresholdBer = 2e-4;
    r.points = {{20, 3, 1e8, 8, 10, 10, 1, PointEnding::Complete}, {}};
    end = {20.0, 2e-4, 21.25, 2e-4, 1};
    const auto rows = PropertyRows(r, 2, end, {1.2, 1.31, true});
    EXPECT_EQ(Value(rows, "Started (UTC)"), "2025-12-08T15:20:22.125Z");
    EXPECT_EQ(Value(rows, "Ended (UTC)"), "not ended");
    EXPECT_EQ(Value(rows, "Serial number"), "100734");
    EXPECT_EQ(Value(rows, "Firmware"), "not known");
    EXPECT_EQ(Value(rows, "Threshold BER"), "2.e-004");
    EXPECT_EQ(Value(rows, "Samples"), "2, 1 with error counts (1.e+008 bits)");
    EXPECT_EQ(Value(rows, "END"), "1.25 dB (95 % interval 1.20 to 1.31 dB)");
}

TEST(PropertyRows, CommentKeepsLinesAndWholeCharacters) {
    EXPECT_EQ(NormalizedComment("a\r\nb\rc\nd"), "a\nb\nc\nd");
    // A two-byte character across the limit is dropped whole, never cut in half.
    const std::string cut = NormalizedComment(std::string(kMaxCommentBytes - 1, 'x') + "\xC3\xA9" + "tail");
    EXPECT_EQ(cut, std::string(kMaxCommentBytes - 1, 'x'));
}

}  // namespace
}  // namespace tarvos
