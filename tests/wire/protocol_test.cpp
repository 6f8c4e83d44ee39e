// The line protocol's texts: the member-to-command table a lab edits (each bad line named by
// its number), the expansion of a command's arguments, and values as they travel on the line.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "simdriver/driver_members.h"
#include "wire/command_table.h"
#include "wire/value_text.h"

namespace tarvos::wire {
namespace {

using automation::Variant;

TEST(CommandTable, AGoodTableGivesEachMemberItsCommandAndTheTimeout) {
    const Result<CommandTable> table = CommandTable::Parse(
        "# a lab's receiver\n"
        "timeout 750\n"
        "\n"
        "Mode        get  int32  :SYST:MODE?   # the mode\n"
        "mode        put  none   :SYST:MODE {0};*OPC?\n"
        "Identity    get  string *IDN?\n"
        "Reset       call none   *RST\n");
    ASSERT_TRUE(table) << table.error().message;
    EXPECT_EQ(table.value().ReplyTimeout(), std::chrono::milliseconds(750));
    EXPECT_EQ(table.value().Entries().size(), 4u);
    // Member names compare as automation names do: without regard to case.
    const CommandEntry* put = table.value().Find("MODE", CallKind::Put);
    ASSERT_NE(put, nullptr);
    EXPECT_EQ(put->command, ":SYST:MODE {0};*OPC?");
    EXPECT_EQ(table.value().Find("Mode", CallKind::Get)->type, ReplyType::Int32);
    EXPECT_EQ(table.value().Find("Identity", CallKind::Put), nullptr);
    EXPECT_EQ(table.value().FindByHeader(":syst:mode?")->kind, CallKind::Get);
}

TEST(CommandTable, EachKindOfBadLineIsRefusedNamingItsLine) {
    const struct {
        const char* line;
        const char* why;
    } cases[] = {
        {"Mode fetch int32 :MODE?", "the kind must be get, put or call"},
        {"Mode get integer :MODE?", "the reply type must be"},
        {"Mode get int32", "no command for Mode"},
        {"Identity get string *IDN?", "Identity get is given twice"},
        {"Mode get int32 :MODE", "needs a query"},
        {"timeout 0", "timeout needs milliseconds"},
        {"timeout 2s", "timeout needs milliseconds"},
        {"timeout 600001", "timeout needs milliseconds"},
    };
    for (const auto& c : cases) {
        const std::string text = "# header\nIdentity get string *IDN?\n\n" + std::string(c.line) + "\n";
        const Result<CommandTable> table = CommandTable::Parse(text);
        ASSERT_FALSE(table) << c.line;
        EXPECT_EQ(table.error().message.rfind("line 4: ", 0), 0u) << table.error().message;
        EXPECT_NE(table.error().message.find(c.why), std::string::npos) << table.error().message;
    }
}

TEST(CommandTable, AFileThatDoesNotLoadNamesItselfAndTheLine) {
    const Result<CommandTable> missing = CommandTable::Load("/nonexistent/commands.txt");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("/nonexistent/commands.txt"), std::string::npos);
}

TEST(CommandTable, TheBuiltInTableCarriesEveryMemberOfTheSimulatedDriversOnce) {
    const Result<CommandTable> parsed = CommandTable::Parse(BuiltInTableText());
    ASSERT_TRUE(parsed) << parsed.error().message;
    const CommandTable& table = CommandTable::BuiltIn();
    for (const sim::DriverMember& m : sim::DriverMembers()) {
        // A picture is a byte array filled in place: it does not travel on a text line.
        if (m.name == "ScreenShot") continue;
        EXPECT_EQ(!m.get, table.Find(m.name, CallKind::Get) == nullptr) << m.name;
        EXPECT_EQ(!m.put, table.Find(m.name, CallKind::Put) == nullptr) << m.name;
        EXPECT_EQ(!m.method, table.Find(m.name, CallKind::Call) == nullptr) << m.name;
    }
    // The instrument finds the member by the command's header: two entries with one header
    // would run the wrong member.
    std::set<std::string> headers;
    for (const CommandEntry& e : table.Entries()) {
        std::string header(HeaderOf(e.command));
        for (char& c : header) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(headers.insert(header).second) << e.member << " " << e.command;
    }
}

TEST(ExpandCommand, ArgumentsGoWhereTheCommandSays) {
    const struct {
        const char* command;
        std::vector<std::string> args;
        const char* expanded;
    } cases[] = {
        {":RF {0};*OPC?", {"474000000"}, ":RF 474000000;*OPC?"},
        {":RANG {1},{0}", {"1", "2"}, ":RANG 2,1"},
        {":MEAS:BER? {*}", {}, ":MEAS:BER?"},  // an empty {*} leaves no blank behind
        {":CARR {*};*OPC?", {"0", "6816"}, ":CARR 0,6816;*OPC?"},
        {":TEXT \"{x}\"", {}, ":TEXT \"{x}\""},  // braces that name no argument stay
    };
    for (const auto& c : cases) {
        const Result<std::string> text = ExpandCommand(c.command, c.args);
        ASSERT_TRUE(text) << c.command;
        EXPECT_EQ(text.value(), c.expanded);
    }
    EXPECT_FALSE(ExpandCommand(":RANG {0},{1}", {"1"}));
}

TEST(ValueText, ValuesComeBackAsTheyWentOut) {
    const struct {
        Variant value;
        ReplyType type;
    } cases[] = {
        {Variant::Int16(-32768), ReplyType::Int16},
        {Variant::Int32(2147483647), ReplyType::Int32},
        {Variant::Double(6.875e6), ReplyType::Real},
        {Variant::Double(2.3456789012345e-7), ReplyType::Real},
        {Variant::Bool(true), ReplyType::Bool},
        {Variant::Utf8("KVR \"T1\"; 64-QAM, 8 MHz"), ReplyType::String},
    };
    for (const auto& c : cases) {
        const Result<std::string> text = ValueText(c.value);
        ASSERT_TRUE(text);
        const Result<Variant> back = ParseReply(text.value(), c.type);
        ASSERT_TRUE(back) << text.value();
        EXPECT_TRUE(back.value() == c.value) << text.value();
        // What the instrument receives as an argument is the same value.
        const Result<Variant> argument = ParseArgument(text.value());
        ASSERT_TRUE(argument) << text.value();
        if (c.type == ReplyType::String) {
            EXPECT_EQ(argument.value().ToUtf8().value, c.value.ToUtf8().value);
        } else if (c.type != ReplyType::Bool) {
            EXPECT_EQ(argument.value().ToReal().value, c.value.ToReal().value);
        }
    }
    // A quoted string with ';' stays one field of a reply.
    EXPECT_EQ(SplitOutsideQuotes("\"a;b\";1", ';'), (std::vector<std::string>{"\"a;b\"", "1"}));
    EXPECT_FALSE(ValueText(Variant::Double(std::nan(""))));
}

TEST(ValueText, AReplyDamagedOnTheLineIsNeverTakenForAnotherValue) {
    const struct {
        const char* reply;
        ReplyType type;
    } cases[] = {
        {"12x", ReplyType::Int32},       {"1.5", ReplyType::Int32},  {"40000", ReplyType::Int16},
        {"", ReplyType::Real},           {"2.0E-4.", ReplyType::Real}, {"inf", ReplyType::Real},
        {"2", ReplyType::Bool},          {"\"open", ReplyType::String}, {"\"a\"b\"", ReplyType::String},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParseReply(c.reply, c.type)) << c.reply;
    EXPECT_FALSE(IsCleanLine(std::string("1.2\x80") + "5"));
    EXPECT_TRUE(IsCleanLine("ERR -113,\"Undefined header\""));
}

}  // namespace
}  // namespace tarvos::wire
