// The choices and field rules of the port settings dialog: which parameters each remote-control
// method shows, how a stored value the dialog cannot show is corrected, and how the typed fields
// are read.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "document/port_settings.h"
#include "platform/serial_ports.h"

namespace tarvos {

// The list values in display order; a list's entry index is the position here.
inline constexpr std::array<int, 5> kBaudRateChoices{1200, 2400, 4800, 9600, 19200};
inline constexpr std::array<int, 2> kDataBitChoices{7, 8};
inline constexpr std::array<const char*, 3> kParityChoices{"N", "E", "O"};
inline constexpr std::array<int, 2> kStopBitChoices{1, 2};
inline constexpr std::array<int, 3> kHandshakeChoices{0, 1, 2};
inline constexpr int kComPortEntries = 4;  // COM1 .. COM4 are listed; others are typed
inline constexpr int kMaxComPort = 99;
inline constexpr int kMaxBoard = 3;
inline constexpr int kMaxPrimaryAddress = 30;
inline constexpr int kMaxRemotePort = 999999;
inline constexpr std::size_t kComPortTextLength = 2;
inline constexpr std::size_t kRemotePortTextLength = 6;

// The parameter group a method shows; None for a method the dialog does not know, which leaves
// the dialog's parameter area as it was.
enum class PortLayout { Serial, Gpib, Network, None };
PortLayout LayoutOf(int rcMethod);

// Corrects, in place, the values of the parameters the method shows to what their controls can
// show (the values of the hidden parameters are kept as they are).
void CorrectShownPortFields(PortSettings& port);

// The entry index of a value in its list, after correction.
int BaudRateEntry(int baudRate);
int DataBitsEntry(int dataBits);
int ParityEntry(const std::string& parity);
int StopBitsEntry(int stopBits);
int HandshakeEntry(int handshake);

// The COM port or remote port a typed text gives: the number at its start (none gives 0), only
// the characters the field takes counted, limited as the field shows it.
int ComPortFromText(std::string_view text);
int RemotePortFromText(std::string_view text);

// What is shown beside the COM port: the device the number names, "no device" when nothing is
// behind it; with the map's source for the tool tip ("COM5: /dev/ttyUSB0, detected").
std::string ComPortDeviceText(const SerialPortMap& ports, int comPort);
std::string ComPortDeviceDetail(const SerialPortMap& ports, int comPort);

// A device path shortened until `fits` takes it, keeping what tells adapters apart: the leading
// folders go first ("…/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0"), then the middle of the
// file name ("…/usb-FTDI_FT…-if00-port0"); "…" alone when nothing else fits. Never splits a
// UTF-8 character.
std::string ElideDevicePath(std::string_view path, const std::function<bool(std::string_view)>& fits);

}  // namespace tarvos
