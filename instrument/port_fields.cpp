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

constexpr std::string_view kEllipsis = "\u2026";
// Device paths have a handful of folders; a path with more is shortened by its file name alone.
constexpr int kMaxFoldersTried = 16;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// `at` moved back to the start of the UTF-8 character it falls in.
std::size_t CharacterStart(std::string_view text, std::size_t at) {
    while (at > 0 && at < text.size() && IsContinuationByte(text[at])) --at;
    return at;
}

// The file name with only `kept` bytes of it left, from its start and its end, "…" between.
std::string WithoutMiddle(std::string_view name, std::size_t kept) {
    const std::size_t head = CharacterStart(name, kept / 2);
    std::size_t tailStart = name.size() - (kept - kept / 2);
    while (tailStart < name.size() && IsContinuationByte(name[tailStart])) ++tailStart;
    return std::string(name.substr(0, head)) + std::string(kEllipsis) + std::string(name.substr(tailStart));
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

std::string ComPortDeviceText(const SerialPortMap& ports, int comPort) {
    const SerialPortEntry* entry = ports.Find(comPort);
    return entry != nullptr ? entry->device : "no device";
}

std::string ComPortDeviceDetail(const SerialPortMap& ports, int comPort) {
    const SerialPortEntry* entry = ports.Find(comPort);
    const std::string name = "COM" + std::to_string(comPort) + ": ";
    if (entry == nullptr) return name + "no device; the settings file's [Serial Ports] section can name one";
    return name + entry->device + ", " + SerialPortSourceName(entry->source);
}

std::string ElideDevicePath(std::string_view path, const std::function<bool(std::string_view)>& fits) {
    if (fits(path)) return std::string(path);
    // The longest tail of whole folders that fits, trying the last few folders only.
    const std::size_t lastSlash = path.rfind('/');
    std::string longest;
    std::size_t slash = lastSlash;
    for (int folders = 0; slash != std::string_view::npos && slash > 0 && folders < kMaxFoldersTried; ++folders) {
        std::string tail = std::string(kEllipsis) + std::string(path.substr(slash));
        if (!fits(tail)) break;
        longest = std::move(tail);
        slash = path.rfind('/', slash - 1);
    }
    if (!longest.empty()) return longest;
    // The file name without its middle: the most bytes kept that fit, found by halving, since a
    // path given in the settings file can be long.
    const std::string prefix = lastSlash == std::string_view::npos ? "" : std::string(kEllipsis) + "/";
    const std::string_view name = lastSlash == std::string_view::npos ? path : path.substr(lastSlash + 1);
    std::size_t fitting = 0;
    std::size_t tooMany = name.size();
    while (tooMany - fitting > 1) {
        const std::size_t kept = fitting + (tooMany - fitting) / 2;
        if (fits(prefix + WithoutMiddle(name, kept))) fitting = kept;
        else tooMany = kept;
    }
    if (fitting > 0) return prefix + WithoutMiddle(name, fitting);
    return std::string(kEllipsis);
}

}  // namespace tarvos
