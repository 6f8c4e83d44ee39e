// tarvos port: the type information of KVRPort as the library reports it, calls in all three
// forms through the real module, and the mistakes a user can make.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/port_call.h"
#include "cli_fixture.h"

namespace tarvos::testing {
namespace {

using PortCommand = CliTest;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(PortCommand, ListShowsEveryMemberSortedByIdThenTheEnumerations) {
    const RunResult r = RunRaw({"port", "--list"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 160u);
    EXPECT_EQ(lines[158], "enum RCMethods rcRS232=0 rcGPIB=1 rcTCPIP=2 rcGUI=3");
    EXPECT_EQ(lines[159], "enum Drivers driverQAM=2 driverDVBT=4 driverATSC=5 driverJ83AC=6 driverJ83B=7");
    lines.resize(158);
    EXPECT_EQ(lines.front(), "0x60030085 SelectDriver method none Driver:Long");
    EXPECT_EQ(lines.back(), "0x6803009F MeasureOfdmStartCarrier put Integer");
    const char* expected[] = {
        "0x6003008B SettingsParity method Boolean strParity:string",
        "0x6003009C AbortOperation method none",
        "0x68030000 MerFPcx get string",
        "0x6803000A StatusOfdmCodeRateMode put enum",
        "0x6803001D MeasureEmInterval get/put Integer",
        "0x6803002A Prefix get VARIANT",
        "0x6803002C EchoPatternDelay get double intNumber:Integer&",
        "0x68030070 MeasureQAMOrder get/put enum/Long",
        "0x68030074 MeasureCNR get/put double",
        "0x68030083 OnLine get/put Boolean",
        "0x68030084 Identity get string",
        "0x6803009D MeasureFftMode get enum",
    };
    for (const char* line : expected)
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_LT(lines[i - 1].substr(0, 10), lines[i].substr(0, 10));
}

TEST_F(PortCommand, CallsWithoutAnInstrumentAnswerTheFailureValues) {
    const RunResult r = RunRaw({"port", "Identity", "AvailableOptions", "MeasureBERBeforeRS", "MeasureCNR",
                                "MeasureEmInterval", "OnLine", "Prefix", "SettingsCommPort(1)",
                                "SettingsParity(\"E\")", "MeasureCNR=25.5", "SelectDriver(99)", "MeasureReset"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Identity = \"\"\n"
              "AvailableOptions = \"Error\"\n"
              "MeasureBERBeforeRS = -1\n"
              "MeasureCNR = 0\n"
              "MeasureEmInterval = 0\n"
              "OnLine = false\n"
              "Prefix = 0\n"
              "SettingsCommPort = false\n"
              "SettingsParity = false\n");
}

TEST_F(PortCommand, MistakesEndWithStatusOne) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"port", "NoSuchMember"}, {"port", "SelectDriver(\"x\")"},
          {"port", "MeasureCNR=abc"}, {"port", "Identity=1"}, {"port", "SettingsParity(\"E\""},
          {"port", "SelectDriver(1,2)"}, {"port"}, {"port", "--time-scale", "-1", "Identity"}}) {
        const RunResult r = RunRaw(args);
        EXPECT_EQ(r.exitCode, 1) << args.back() << ": " << r.out;
        EXPECT_FALSE(r.err.empty()) << args.back();
    }
    // Output of the calls before the failing one is kept.
    const RunResult partial = RunRaw({"port", "OnLine", "Bogus"});
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_EQ(partial.out, "OnLine = false\n");
}

TEST(PortCall, ParsesTheThreeFormsAndTheirValues) {
    using automation::Variant;
    auto put = cli::ParsePortCall("MeasureRF = 474000000");
    ASSERT_TRUE(put.ok());
    EXPECT_EQ(put.value().form, cli::PortCall::Form::Put);
    EXPECT_EQ(put.value().values.at(0), Variant::Int32(474000000));
    auto args = cli::ParsePortCall("F(1.5, true, \"a,\\\"b\", -3, 1e3)");
    ASSERT_TRUE(args.ok());
    ASSERT_EQ(args.value().values.size(), 5u);
    EXPECT_EQ(args.value().values[0], Variant::Double(1.5));
    EXPECT_EQ(args.value().values[1], Variant::Bool(true));
    EXPECT_EQ(args.value().values[2], Variant::Utf8("a,\"b"));
    EXPECT_EQ(args.value().values[3], Variant::Int32(-3));
    EXPECT_EQ(args.value().values[4], Variant::Double(1000));
    EXPECT_EQ(cli::ParsePortCall("Initialize()").value().values.size(), 0u);
    EXPECT_EQ(cli::ParsePortCall("Identity").value().form, cli::PortCall::Form::Plain);
    EXPECT_EQ(cli::ParsePortValue("3000000000").value(), Variant::Double(3e9));  // beyond Long
    for (const char* bad : {"", "=1", "A B", "F(1", "X=", "X=tru", "F(\"x)"})
        EXPECT_FALSE(cli::ParsePortCall(bad).ok()) << bad;
}

TEST(PortCall, ValuesPrintSoThatTheyReadBackExactly) {
    using automation::Variant;
    EXPECT_EQ(cli::PortValueText(Variant::Double(0.1)), "0.1");
    EXPECT_EQ(cli::PortValueText(Variant::Double(1.0 / 3)), "0.3333333333333333");
    EXPECT_EQ(cli::PortValueText(Variant::Bool(true)), "true");
    EXPECT_EQ(cli::PortValueText(Variant::Utf8("a\"b\\c\n")), "\"a\\\"b\\\\c\\n\"");
    EXPECT_EQ(cli::PortValueText(Variant::Int16(-1)), "-1");
}

}  // namespace
}  // namespace tarvos::testing
