#include "instrument/port_fields.h"

#include <algorithm>
#include <iterator>

#include "platform/number_text.h"

namespace tarvos {
namespace {

// The index of `value` in `choices`, or `fallback` when it is not there.
template <class Choices, class T>
int IndexOr(const Choices& choices, const T& value, int fallback) {
    const auto it = std::find(std::begin(choices), std::end(choices), value);
    return it == std::end(choices) ? fallback : static_cast<int>(it - std::begin(choices));
}

}  // namespace

PortLayout LayoutOf(int rcMethod) {
    switch (rcMethod) {
        case rcRS232: return PortLayout::Serial;
        case rcGPIB: return PortLayout::Gpib;
        case rcTCPIP: return PortLayout::Network;
        default: return PortLayout::None;
    }
}

// An unlisted baud rate falls back to the slowest, which every receiver supports; an unknown
// handshake to hardware, the receiver's default.
int BaudRateEntry(int baudRate) { return IndexOr(kBaudRateChoices, baudRate, 0); }
int DataBitsEntry(int dataBits) { return IndexOr(kDataBitChoices, dataBits, 1); }
int ParityEntry(const std::string& parity) {
    for (std::size_t i = 0; i < kParityChoices.size(); ++i)
        if (parity == kParityChoices[i]) return static_cast<int>(i);
    return 0;
}
int StopBitsEntry(int stopBits) { return IndexOr(kStopBitChoices, stopBits, 0); }
int HandshakeEntry(int handshake) { return IndexOr(kHandshakeChoices, handshake, 2); }

void CorrectShownPortFields(PortSettings& port) {
    switch (LayoutOf(port.rcMethod)) {
        case PortLayout::Serial:
            port.comPort = std::clamp(port.comPort, 1, kMaxComPort);
            port.baudRate = kBaudRateChoices[static_cast<std::size_t>(BaudRateEntry(port.baudRate))];
            port.dataBits = kDataBitChoices[static_cast<std::size_t>(DataBitsEntry(port.dataBits))];
            port.parity = kParityChoices[static_cast<std::size_t>(ParityEntry(port.parity))];
            port.stopBits = kStopBitChoices[static_cast<std::size_t>(StopBitsEntry(port.stopBits))];
            port.handshake = kHandshakeChoices[static_cast<std::size_t>(HandshakeEntry(port.handshake))];
            break;
        case PortLayout::Gpib:
            port.board = std::clamp(port.board, 0, kMaxBoard);
            port.primaryAddress = std::clamp(port.primaryAddress, 0, kMaxPrimaryAddress);
            break;
        case PortLayout::Network:
            // Every four octets are an address; only the port number can be out of range.
            port.remotePort = std::clamp(port.remotePort, 0, kMaxRemotePort);
            break;
        case PortLayout::None:
            break;
    }
}

int ComPortFromText(std::string_view text) {
    return std::clamp(ParseLeadingInt(text.substr(0, kComPortTextLength)), 1, kMaxComPort);
}

int RemotePortFromText(std::string_view text) {
    return std::clamp(ParseLeadingInt(text.substr(0, kRemotePortTextLength)), 0, kMaxRemotePort);
}

}  // namespace tarvos
