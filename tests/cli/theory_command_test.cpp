// "tarvos theory": the curve and figures of the document's theory, and strict option reading.
#include <cmath>

#include "cli_fixture.h"
#include "document/dia_doc.h"
#include "document/theory.h"
#include "platform/number_text.h"

namespace tarvos::testing {
namespace {

// The defaults are the 64-QAM receiver measured before Reed-Solomon; the options name it anyway
// so that the settings file cannot change it.
constexpr ReceiverSettings kQam64{};

std::vector<std::string> WithQam64(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--mode", "4", "--ber-point", "1", "--qam", "64", "--rolloff", "15",
                                   "--saw", "8", "--symbol-rate", "6.9", "--snr-begin", "20", "--snr-end", "35"});
    return args;
}

using TheoryCommand = CliTest;

TEST_F(TheoryCommand, Qam64JsonHasTheKneeOffsetAndTheLibrarysCurve) {
    const nlohmann::json j = RunJson(WithQam64({"theory", "--json", "--threshold", "2e-4", "--to", "+33.25"}));
    EXPECT_EQ(j["knee"], 30.0);
    EXPECT_EQ(j["bitsPerSymbol"], 6);
    EXPECT_NEAR(j["offset"].get<double>(), 10 * std::log10(3.85 * 0.25 * 8 / 6.9), 1e-12);
    EXPECT_EQ(j["maxGeneratorCnr"], 62.0);
    EXPECT_EQ(j["berLimit"], 0.004);
    const double atThreshold = j["snrAtThreshold"].get<double>();
    EXPECT_GT(atThreshold, 20.0);
    EXPECT_LT(atThreshold, 30.0);
    EXPECT_NEAR(TheoreticalBer(kQam64, atThreshold) / 2e-4, 1.0, 1e-3);

    SampleList expected;
    BuildTheoreticalCurve(kQam64, 20, 33.25, C_KVR_DiaDoc::kTheorySteps, expected);
    const nlohmann::json& curve = j["curve"];
    ASSERT_EQ(curve.size(), expected.Count());
    ASSERT_GT(curve.size(), 1u);
    std::size_t i = 0;
    for (const MeasurementSample& s : expected) {  // every number read back to the same bits
        EXPECT_EQ(curve[i][0].get<double>(), s.snr) << i;
        EXPECT_EQ(curve[i][1].get<double>(), s.ber) << i;
        // Where the formula hands over to the parabola the library repeats the point.
        if (i > 0) {
            EXPECT_LE(curve[i][1].get<double>(), curve[i - 1][1].get<double>()) << i;
        }
        ++i;
    }
    EXPECT_LT(curve.back()[1].get<double>(), curve.front()[1].get<double>());
}

TEST_F(TheoryCommand, ReceiverAndThresholdComeFromTheSettingsFileUnlessGiven) {
    WriteBytes(SettingsPath(), "[Measurement]\nTreshold=1e-6\n[KVR Settings]\nMode=7\n");
    const nlohmann::json mode7 = RunJson({"theory", "--json"});
    EXPECT_TRUE(mode7["curve"].empty());
    EXPECT_EQ(mode7["knee"], 0.0);
    EXPECT_EQ(mode7["threshold"], 1e-6);

    C_KVR_DiaDoc doc;
    doc.SetReceiver(kQam64);
    EXPECT_EQ(RunJson({"theory", "--json", "--mode", "4"})["snrAtThreshold"], doc.TheoreticalSnrAtBer(1e-6));
}

TEST_F(TheoryCommand, TextIsTheCurveOrOnlyTheRequestedPoints) {
    const RunResult curve = Run(WithQam64({"theory", "--from", "20", "--to", "21"}));
    EXPECT_EQ(curve.out.rfind(FormatNumber(20) + "\t" + FormatNumber(TheoreticalBer(kQam64, 20)) + "\n", 0), 0u);

    const RunResult at = Run(WithQam64({"theory", "--at", "31", "--at", "-3", "20"}));
    ASSERT_EQ(at.exitCode, 0) << at.err;
    std::string expected;
    for (double snr : {31.0, -3.0, 20.0}) {
        expected += FormatNumber(snr) + "\t" + FormatNumber(TheoreticalBer(kQam64, snr)) + "\t" +
                    FormatNumber(ExtrapolatedBer(kQam64, snr)) + "\n";
    }
    EXPECT_EQ(at.out, expected);

    const nlohmann::json j = RunJson(WithQam64({"theory", "--json", "--at", "31"}));
    ASSERT_EQ(j["at"].size(), 1u);
    EXPECT_EQ(j["at"][0], nlohmann::json::array({31.0, TheoreticalBer(kQam64, 31), ExtrapolatedBer(kQam64, 31)}));
}

TEST_F(TheoryCommand, RejectsUnreadableNumbersNamingTheOption) {
    const std::vector<std::vector<std::string>> bad = {
        {"--mode", "4.5"}, {"--qam", "abc"}, {"--rolloff", "99999999999"}, {"--frequency", "1,5"},
        {"--symbol-rate", "inf"}, {"--snr-begin", "nan"}, {"--snr-end", "35 "}, {"--from", "12dB"},
        {"--to", " 30"}, {"--at", "1e999"}, {"--from", "+-3"}, {"--threshold", "0"}, {"--threshold", "-1e-4"}};
    for (const std::vector<std::string>& option : bad) {
        const RunResult r = Run({"theory", option[0], option[1]});
        EXPECT_EQ(r.exitCode, 1) << option[0] << " " << option[1];
        EXPECT_NE(r.err.find(option[0]), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    const RunResult reversed = Run({"theory", "--from", "30", "--to", "20"});
    EXPECT_EQ(reversed.exitCode, 1);
    EXPECT_NE(reversed.err.find("S/N range"), std::string::npos) << reversed.err;
}

TEST_F(TheoryCommand, CommandLineMistakesExitWithOneHelpAndVersionWithZero) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"bogus"}, {"theory", "--bogus"}, {"info"}, {"theory", "extra"}}) {
        EXPECT_EQ(RunRaw(args).exitCode, 1) << ::testing::PrintToString(args);
    }
    const RunResult help = RunRaw({"theory", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--at"), std::string::npos);
    EXPECT_EQ(RunRaw({"--version"}).out, "tarvos 1.1\n");
}

}  // namespace
}  // namespace tarvos::testing
