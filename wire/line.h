// The wire driver's connection to its instrument: a command line out, a reply line back within
// a time limit. Serial devices (termios settings, exclusive use), TCP and GPIB (linux-gpib,
// loaded when present) each open one.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarvos::wire {

// The longest reply line taken: more without a line feed is not an instrument talking.
inline constexpr std::size_t kLongestReply = 1 << 16;

class Line {
public:
    virtual ~Line() = default;
    // Sends `text` followed by LF, within `timeout` (a line held by handshake counts as hung).
    virtual Status Send(std::string_view text, std::chrono::milliseconds timeout) = 0;
    // The next reply line, without its LF. Fails when none is complete within `timeout`, when
    // the instrument closed the line, or on an I/O error.
    virtual Result<std::string> Receive(std::chrono::milliseconds timeout) = 0;
    // Drops whatever arrived unasked: the late reply to a command that timed out must not be
    // taken for the reply to the next. Fails when the instrument has closed the line meanwhile,
    // so that the caller opens it again before sending into a line nobody reads.
    virtual Status Discard() = 0;
};

struct SerialSettings {
    std::string device;
    int baudRate = 19200;
    int dataBits = 8;
    char parity = 'N';            // N, E or O
    int stopBits = 1;
    std::string handshake = "NO";  // NO, XON/XOFF or HARDWARE
};

// Opens the device for this process alone (TIOCEXCL and a lock other programs see) with the
// settings in raw mode; fails with the reason (missing, in use, no permission, a setting the
// device does not take).
Result<std::unique_ptr<Line>> OpenSerialLine(const SerialSettings& settings);
Result<std::unique_ptr<Line>> OpenTcpLine(const std::string& host, int port, std::chrono::milliseconds timeout);
// Through linux-gpib's libgpib.so.0 when it is installed; a clear failure when it is not.
Result<std::unique_ptr<Line>> OpenGpibLine(int board, int primaryAddress, std::chrono::milliseconds timeout);

}  // namespace tarvos::wire
