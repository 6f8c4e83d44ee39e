// Whether a serial port is there, usable by this user and free, learned without opening it:
// opening a tty raises DTR and RTS and closing it drops them again, which resets many
// instruments. COM numbers name devices through SerialDeviceOf.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tarvos {

enum class SerialPortState { Free, InUse, NoPermission, Missing };

// The state's word for people and for JSON: "free", "in use", "no permission", "missing".
const char* SerialPortStateName(SerialPortState state);

// In use means locked by another program (a lock on the device, or a UUCP lock file of a live
// process) or held open by another process this user can see.
SerialPortState ExamineSerialPort(const std::string& device);

// 0 free, 1 in use, -1 missing or other. A device this user may not open is not in use: the
// connection goes on and reports its own failure.
int ProbeSerialPort(const std::string& device);

// The device of a COM number in the map in force for this process (serial_ports.h): COM1 to
// COM4 are /dev/ttyS0 to /dev/ttyS3 unless the settings file's [Serial Ports] section maps them
// elsewhere; higher numbers come from that section or from the USB and ACM devices present.
// None when no device is behind the number. This is the call that turns the "COMn" of a port
// setting into the path to open.
std::optional<std::string> SerialDeviceOf(int comPort);

// How this user gets access to a device marked NoPermission, in one sentence.
std::string SerialPermissionFix(const std::string& device);

// Whether the kernel's lock table (the text of /proc/locks) lists a granted lock on the file
// with this device and inode number.
bool LockTableHolds(const std::string& lockTable, dev_t device, ino_t inode);

}  // namespace tarvos
