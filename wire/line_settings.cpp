#include "wire/line_settings.h"

#include <cctype>
#include <utility>

namespace tarvos::wire {
namespace {

constexpr std::pair<int, speed_t> kSpeeds[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

constexpr tcflag_t kCompared = CSIZE | PARENB | PARODD | CSTOPB;

}  // namespace

Status MakeTermios(int baudRate, int dataBits, char parity, int stopBits, const std::string& handshake, termios* out) {
    termios t{};
    ::cfmakeraw(&t);
    speed_t speed = 0;
    for (const auto& [rate, code] : kSpeeds)
        if (rate == baudRate) speed = code;
    if (speed == 0) return Error{"no such baud rate: " + std::to_string(baudRate)};
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    switch (dataBits) {
        case 5: t.c_cflag |= CS5; break;
        case 6: t.c_cflag |= CS6; break;
        case 7: t.c_cflag |= CS7; break;
        case 8: t.c_cflag |= CS8; break;
        default: return Error{"no such number of data bits: " + std::to_string(dataBits)};
    }
    switch (std::toupper(static_cast<unsigned char>(parity))) {
        case 'N': break;
        case 'E': t.c_cflag |= PARENB; break;
        case 'O': t.c_cflag |= PARENB | PARODD; break;
        default: return Error{std::string("no such parity: ") + parity};
    }
    // A character with a parity error is marked (0xFF 0x00 before it) instead of passed on as
    // another character: the reply then reads as damaged, never as a different value.
    if (t.c_cflag & PARENB) t.c_iflag |= INPCK | PARMRK;
    if (stopBits == 2) t.c_cflag |= CSTOPB;
    else if (stopBits != 1) return Error{"no such number of stop bits: " + std::to_string(stopBits)};
    if (handshake == "HARDWARE") t.c_cflag |= CRTSCTS;
    else if (handshake == "XON/XOFF") {
        t.c_iflag |= IXON | IXOFF;
        // Settings made from nothing have NUL as both flow control characters.
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    else if (handshake != "NO") return Error{"no such handshake: " + handshake};
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    *out = t;
    return {};
}

bool SameLineSettings(const termios& a, const termios& b) {
    return ::cfgetospeed(&a) == ::cfgetospeed(&b) && ::cfgetispeed(&a) == ::cfgetispeed(&b) &&
           (a.c_cflag & kCompared) == (b.c_cflag & kCompared);
}

int BitsPerCharacter(const termios& t) {
    int data = 8;
    switch (t.c_cflag & CSIZE) {
        case CS5: data = 5; break;
        case CS6: data = 6; break;
        case CS7: data = 7; break;
        default: data = 8; break;
    }
    return 1 + data + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
}

int BaudRateOf(const termios& t) {
    const speed_t speed = ::cfgetospeed(&t);
    for (const auto& [rate, code] : kSpeeds)
        if (code == speed) return rate;
    return 0;
}

}  // namespace tarvos::wire
