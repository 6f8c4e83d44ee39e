// The port settings dialog's rules without its widgets: which stored values each method corrects
// when it shows them, and how the typed fields are read.
#include "instrument/port_fields.h"

#include <gtest/gtest.h>

namespace tarvos {
namespace {

PortSettings Unshowable(int method) {
    PortSettings p;
    p.rcMethod = method;
    p.comPort = 150;
    p.baudRate = 38400;
    p.dataBits = 5;
    p.parity = "X";
    p.stopBits = 3;
    p.handshake = 5;
    p.board = 7;
    p.primaryAddress = -2;
    p.remotePort = 1234567;
    return p;
}

TEST(PortFields, SerialMethodCorrectsOnlyTheSerialParameters) {
    PortSettings p = Unshowable(rcRS232);
    CorrectShownPortFields(p);
    EXPECT_EQ(p.comPort, 99);
    EXPECT_EQ(p.baudRate, 1200);
    EXPECT_EQ(p.dataBits, 8);
    EXPECT_EQ(p.parity, "N");
    EXPECT_EQ(p.stopBits, 1);
    EXPECT_EQ(p.handshake, 2);
    EXPECT_EQ(p.board, 7);  // not shown, so kept
    EXPECT_EQ(p.remotePort, 1234567);

    p.comPort = 0;
    p.parity = "O";
    p.baudRate = 4800;
    CorrectShownPortFields(p);
    EXPECT_EQ(p.comPort, 1);
    EXPECT_EQ(p.parity, "O");
    EXPECT_EQ(p.baudRate, 4800);
}

TEST(PortFields, GpibAndNetworkCorrectTheirOwnAndUnknownMethodsNothing) {
    PortSettings gpib = Unshowable(rcGPIB);
    CorrectShownPortFields(gpib);
    EXPECT_EQ(gpib.board, 3);
    EXPECT_EQ(gpib.primaryAddress, 0);
    EXPECT_EQ(gpib.baudRate, 38400);

    PortSettings net = Unshowable(rcTCPIP);
    CorrectShownPortFields(net);
    EXPECT_EQ(net.remotePort, 999999);
    EXPECT_EQ(net.board, 7);

    PortSettings other = Unshowable(rcGUI);
    CorrectShownPortFields(other);
    EXPECT_EQ(other, Unshowable(rcGUI));
    EXPECT_EQ(LayoutOf(-1), PortLayout::None);
}

TEST(PortFields, TypedNumbersAreReadFromTheFieldsLengthOnly) {
    EXPECT_EQ(ComPortFromText("12"), 12);
    EXPECT_EQ(ComPortFromText("7x"), 7);
    EXPECT_EQ(ComPortFromText("123"), 12);  // the field takes two characters
    EXPECT_EQ(ComPortFromText(""), 1);
    EXPECT_EQ(ComPortFromText("-5"), 1);
    EXPECT_EQ(RemotePortFromText("8080"), 8080);
    EXPECT_EQ(RemotePortFromText("1234567"), 123456);
    EXPECT_EQ(RemotePortFromText("port"), 0);
    EXPECT_EQ(RemotePortFromText("-1"), 0);
}

}  // namespace
}  // namespace tarvos
