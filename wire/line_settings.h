// Serial line settings as termios holds them: the driver makes them from its port settings and
// kvr-instrument compares its own with those of the program at the other end of its line.
#pragma once

#include <termios.h>

#include <string>

#include "platform/result.h"

namespace tarvos::wire {

// Raw mode (no echo, no line editing, no character translation) with these settings; fails
// for a baud rate, size, parity, stop bits or handshake the line does not have.
Status MakeTermios(int baudRate, int dataBits, char parity, int stopBits, const std::string& handshake, termios* out);

// Whether two settings agree on what decides if characters arrive intact: baud rate, character
// size, parity and stop bits.
bool SameLineSettings(const termios& a, const termios& b);

// Bits on the line per character: start bit, data bits, parity bit, stop bits.
int BitsPerCharacter(const termios& t);
// The baud rate of the settings; 0 when unknown.
int BaudRateOf(const termios& t);

}  // namespace tarvos::wire
