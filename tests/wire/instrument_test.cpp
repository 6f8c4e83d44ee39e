// kvr-instrument's side of the protocol: the session's answers to the common commands, to the
// table's commands and to what it does not know, and the line settings a client must match.
#include <gtest/gtest.h>

#include <chrono>

#include "local_instrument.h"
#include "wire/line.h"

namespace tarvos::wire {
namespace {

class InstrumentSessionTest : public ::testing::Test {
protected:
    testing::TempDir dir_;
    sim::SimReceiver receiver_{LocalConfig(dir_)};
    InstrumentSession session_{receiver_, CommandTable::BuiltIn()};
};

TEST_F(InstrumentSessionTest, CommonCommandsAnswerAsIeee4882Says) {
    const std::optional<std::string> identity = session_.Execute("*IDN?");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->rfind("KVR,", 0), 0u) << *identity;  // arbitrary ASCII, unquoted
    EXPECT_EQ(session_.Execute("*OPC?"), "1");
    // A setting answers nothing; joined to *OPC? it is confirmed.
    EXPECT_EQ(session_.Execute("*RST"), std::nullopt);
    EXPECT_EQ(session_.Execute("*RST;*OPC?"), "1");
}

TEST_F(InstrumentSessionTest, TableCommandsActOnTheReceiverAndFailuresAnswerErr) {
    EXPECT_EQ(session_.Execute(":MEAS:CD:ADD:NOIS:CN 23.5;*OPC?"), "1");
    EXPECT_EQ(session_.Execute(":MEAS:CD:ADD:NOIS:CN?;*OPC?"), "23.5;1");
    const struct {
        const char* message;
        const char* start;
    } failures[] = {
        {":NO:SUCH:THING?", "ERR -113,"},
        {":MEAS:CD:ADD:NOIS:CN 1,2;*OPC?", "ERR -109,"},
        {":MEAS:CD:ADD:NOIS:CN \"open", "ERR -104,"},
        // The units after a failed one are not executed.
        {":NO:SUCH;:MEAS:CD:ADD:NOIS:CN 30;*OPC?", "ERR -113,"},
    };
    for (const auto& f : failures) {
        const std::optional<std::string> reply = session_.Execute(f.message);
        ASSERT_TRUE(reply) << f.message;
        EXPECT_EQ(reply->rfind(f.start, 0), 0u) << f.message << " -> " << *reply;
    }
    EXPECT_EQ(session_.Execute(":MEAS:CD:ADD:NOIS:CN?"), "23.5");
}

TEST(InstrumentLine, AClientWithOtherLineSettingsGetsNoAnswer) {
    const LocalInstrument instrument({}, true);
    ASSERT_TRUE(instrument.Opened().ok()) << instrument.Opened().error().message;
    enum Outcome { Answered, Silent, Refused };
    // A pseudo-terminal keeps 8 data bits without parity only: other sizes and parities are
    // refused when the line is opened, as on a port that cannot do them.
    const struct {
        int baud, dataBits;
        char parity;
        int stopBits;
        Outcome outcome;
    } cases[] = {
        {19200, 8, 'N', 1, Answered}, {9600, 8, 'N', 1, Silent}, {115200, 8, 'N', 1, Silent},
        {19200, 8, 'N', 2, Silent},   {19200, 7, 'N', 1, Refused}, {19200, 8, 'E', 1, Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + " " + std::to_string(c.dataBits) + c.parity + std::to_string(c.stopBits));
        SerialSettings s;
        s.device = instrument.SlavePath();
        s.baudRate = c.baud;
        s.dataBits = c.dataBits;
        s.parity = c.parity;
        s.stopBits = c.stopBits;
        s.handshake = "NO";
        Result<std::unique_ptr<Line>> line = OpenSerialLine(s);
        ASSERT_EQ(!line, c.outcome == Refused);
        if (!line) continue;
        ASSERT_TRUE(line.value()->Send("*OPC?", std::chrono::milliseconds(500)).ok());
        const Result<std::string> reply = line.value()->Receive(std::chrono::milliseconds(300));
        EXPECT_EQ(reply.ok(), c.outcome == Answered);
        if (reply) {
            EXPECT_EQ(reply.value(), "1");
        }
    }
}

TEST(InstrumentLine, ASerialDeviceIsHeldForOneProgramOnly) {
    const LocalInstrument instrument({}, true);
    ASSERT_TRUE(instrument.Opened().ok());
    SerialSettings s;
    s.device = instrument.SlavePath();
    s.handshake = "XON/XOFF";
    Result<std::unique_ptr<Line>> first = OpenSerialLine(s);
    ASSERT_TRUE(first) << first.error().message;
    const Result<std::unique_ptr<Line>> second = OpenSerialLine(s);
    ASSERT_FALSE(second);
    EXPECT_NE(second.error().message.find("in use"), std::string::npos) << second.error().message;
    s.device = "/nonexistent/tty";
    EXPECT_FALSE(OpenSerialLine(s));
    s.device = instrument.SlavePath();
    s.baudRate = 12345;
    EXPECT_FALSE(OpenSerialLine(s));
}

}  // namespace
}  // namespace tarvos::wire
