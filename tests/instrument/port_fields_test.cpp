// The port settings dialog's rules without its widgets: which stored values each method corrects
// when it shows them, and how the typed fields are read.
#include "instrument/port_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

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

// A label that takes `width` characters, each letter counting one however many bytes it takes.
bool FitsIn(std::string_view text, std::size_t width) {
    const auto letters = std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return static_cast<std::size_t>(letters) <= width;
}

TEST(PortFields, LongDevicePathsLoseTheirFoldersFirstThenTheMiddleOfTheName) {
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0";
    const struct {
        std::string path;
        std::size_t width;
        std::string shown;
    } cases[] = {
        {"/dev/ttyUSB10", 13, "/dev/ttyUSB10"},
        {"/dev/ttyUSB10", 12, "\u2026/ttyUSB10"},
        {byId, 56, "\u2026/by-id/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0"},
        {byId, 50, "\u2026/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0"},
        {byId, 20, "\u2026/usb-FTDI\u2026f00-port0"},
        {"/opt/lab/\u00e9t\u00e9\u00e9t\u00e9-adapter", 8, "\u2026/\u00e9t\u2026ter"},
        {"no-folders-at-all", 9, "no-f\u2026-all"},
        {byId, 2, "\u2026"},
    };
    for (const auto& c : cases) {
        const std::string shown = ElideDevicePath(c.path, [&](std::string_view t) { return FitsIn(t, c.width); });
        EXPECT_EQ(shown, c.shown) << c.path << " in " << c.width;
        EXPECT_TRUE(FitsIn(shown, c.width)) << shown;
    }
}

}  // namespace
}  // namespace tarvos
