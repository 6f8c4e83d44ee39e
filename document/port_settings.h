// How the program reaches the instrument: the remote-control method and its parameters.
// Kept only in the settings file, never in a measurement document.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarvos {

enum RcMethod : int { rcRS232 = 0, rcGPIB = 1, rcTCPIP = 2, rcGUI = 3 };

struct PortSettings {
    int rcMethod = rcRS232;
    int handshake = 2;        // 0 none, 1 XOn/XOff, 2 hardware
    int comPort = 1;
    int baudRate = 19200;
    int dataBits = 8;
    std::string parity = "N"; // "N", "E", "O"; passed on unchanged
    int stopBits = 1;
    int board = 0;            // GPIB board
    int primaryAddress = 0;   // GPIB primary address
    std::array<std::uint8_t, 4> remoteHost{0, 0, 0, 0};
    int remotePort = 1000;
    bool showCommands = false;  // rcGUI only; never stored

    bool operator==(const PortSettings&) const = default;
};

}  // namespace tarvos
