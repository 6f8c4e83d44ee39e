// Whether a serial port is there and free, without reading or writing it: COMn is /dev/ttyS(n-1).
#pragma once

#include <string>

namespace tarvos {

// 0 free, 1 in use (busy, access denied or locked by another program), -1 missing or other.
int ProbeSerialPort(const std::string& device);
std::string SerialDeviceOf(int comPort);  // COM1 -> /dev/ttyS0

}  // namespace tarvos
