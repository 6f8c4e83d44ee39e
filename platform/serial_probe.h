// Whether a serial port is there and free, without reading or writing it: COMn is /dev/ttyS(n-1).
#pragma once

#include <sys/types.h>

#include <string>

namespace tarvos {

// 0 free, 1 in use (busy, access denied or locked by another program), -1 missing or other.
int ProbeSerialPort(const std::string& device);
std::string SerialDeviceOf(int comPort);  // COM1 -> /dev/ttyS0

// Whether the kernel's lock table (the text of /proc/locks) lists a granted lock on the file
// with this device and inode number.
bool LockTableHolds(const std::string& lockTable, dev_t device, ino_t inode);

}  // namespace tarvos
