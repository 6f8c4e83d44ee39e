// The text table: its exact columns and line breaks, the theoretical column, and the proposed
// file name.
#include "document/text_export.h"

#include <gtest/gtest.h>

#include <set>

#include "document/dia_doc.h"
#include "document/theory.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

TEST(TextExport, HeaderAloneWithoutSamples) {
    C_KVR_DiaDoc doc;
    EXPECT_EQ(FormatTextExport(doc), "Nr.    SNR             CNR      Theoretical_BER      Measured_BER");
}

TEST(TextExport, AFieldThatFillsItsColumnIsStillFollowedByASpace) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = doc.Receiver();
    rs.mode = 7;  // no theory; offset 10 log10(3.85 / 4)
    doc.SetReceiver(rs);
    doc.AppendSample(20, 1e-3);
    doc.AppendSample(25.5, 0);
    EXPECT_EQ(FormatTextExport(doc),
              "Nr.    SNR             CNR      Theoretical_BER      Measured_BER\r\n"
              "1      20.             20.16599262 0.                   1.e-003\r\n"
              "2      25.5            25.66599262 0.                   0.");
    // A field exactly as wide as its column.
    C_KVR_DiaDoc wide;
    wide.SetReceiver(doc.Receiver());
    wide.AppendSample(-1.23456789e10, 0.5);
    const std::string text = FormatTextExport(wide);
    EXPECT_EQ(text.substr(text.find("\r\n") + 2, 25), "1      -1.23456789e+010 -");
}

TEST(TextExport, TheoryColumnSwitchesToTheExtrapolationBelowTheFloor) {
    C_KVR_DiaDoc doc;  // 64-QAM, knee 30 dB
    const ReceiverSettings rs = doc.Receiver();
    doc.AppendSample(22, 1e-3);
    doc.AppendSample(34, 1e-9);
    const std::string text = FormatTextExport(doc);
    const std::size_t second = text.rfind("\r\n");
    const std::string line1 = text.substr(text.find("\r\n") + 2, second - text.find("\r\n") - 2);
    const std::string line2 = text.substr(second + 2);
    EXPECT_NE(line1.find(FormatNumber(TheoreticalBer(rs, 22)) + " "), std::string::npos) << line1;
    ASSERT_LE(TheoreticalBer(rs, 34), 1e-13);
    const std::string extrapolated = FormatNumber(ExtrapolatedBer(rs, 34));
    const std::string ending = extrapolated + std::string(21 - extrapolated.size(), ' ') + "1.e-009";
    EXPECT_EQ(line2.substr(line2.size() - ending.size()), ending) << line2;
}

TEST(TextExport, SavedFileHoldsTheTableByteForByte) {
    testing::TempDir dir;
    C_KVR_DiaDoc doc;
    doc.AppendSample(21, 2e-4);
    ASSERT_TRUE(SaveTextExport(doc, dir / "t.txt").ok());
    EXPECT_EQ(ReadWholeFile(dir / "t.txt").value(), FormatTextExport(doc));
}

TEST(TextFileName, UnsavedDocumentsProbeMeasNames) {
    const std::set<std::string> existing = {"Meas1.txt", "Meas2.txt"};
    auto exists = [&](const std::string& n) { return existing.count(n) > 0; };
    EXPECT_EQ(ProposeTextFileName("Untitled", exists), "Meas3.txt");
    EXPECT_EQ(ProposeTextFileName("Untitled", [](const std::string&) { return false; }), "Meas1.txt");
}

TEST(TextFileName, SavedDocumentsTakeTheTitleUpToItsFirstDot) {
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(ProposeTextFileName("result.tvd", none), "result.txt");
    EXPECT_EQ(ProposeTextFileName("a.b.tvd", none), "a.txt");
    EXPECT_EQ(ProposeTextFileName(".tvd", none), "Untitled.txt");
    EXPECT_EQ(ProposeTextFileName("noext", none), "Untitled.txt");
}

}  // namespace
}  // namespace tarvos
