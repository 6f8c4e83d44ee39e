// The simulated instrument's configuration: physics, interface parameters of the simulated
// receiver (a connection succeeds only with matching settings) and fault switches. Read from
// the INI file named by KVR_SIM_CONFIG, else $XDG_CONFIG_HOME/kvr-tarvos/simulator.ini, else
// defaults.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvos::sim {

struct InterfaceConfig {  // section "Interface"
    int comPort = 1;                       // "COM Port"
    int baudRate = 19200;                  // "Baudrate"
    int dataBits = 8;                      // "Databits"
    std::string parity = "N";              // "Parity"
    int stopBits = 1;                      // "Stopbits"
    std::string handshake = "HARDWARE";    // "Handshake": NO, XON/XOFF or HARDWARE
    int board = 0;                         // "Board"
    int primaryAddress = 0;                // "Primary Address"
    std::string remoteHost = "127.0.0.1";  // "Remote Host"
    int remotePort = 1000;                 // "Remote Port"
};

struct FaultConfig {  // section "Faults"
    bool refuseConnection = false;          // "Refuse Connection": every OnLine = true fails
    std::vector<double> syncLostAtCnr;      // "Sync Lost At": C/N values (dB, +-0.05) without sync
    double syncLossRate = 0;                // "Sync Loss Rate": chance that a sync read reports no sync
    int failingSyncReads = 0;               // "Failing Sync Reads": the next N sync reads raise errors
    int negativeBerReads = 0;               // "Negative BER Reads": the next N BER reads answer -1
    std::vector<std::string> failingMembers;  // "Failing Members": names whose every call raises an error
    bool stallAcquisitions = false;         // "Stall Acquisitions": acquisition progress never moves
    double callLatencyMs = 0;               // "Call Latency": clock time each driver call takes (ms)
    long disconnectAfterCalls = 0;          // "Disconnect After Calls": the link drops after N calls (0: never)
};

struct SimConfig {
    double implementationLoss = 1.0;         // "Simulator"/"Implementation Loss" (dB, every mode)
    std::map<int, double> lossPerMode;       // "Implementation Loss Mode <n>" overrides for mode n
    std::uint64_t seed = 0;                  // "Seed": 0 draws a seed from the system
    double signalSnr = 40.0;                 // "Signal SNR": S/N with the noise generator off (dB)
    std::filesystem::path stateFile;         // "State File"; default beside the configuration
    std::string installedHardware = "Demodulator,KVR-G1,KVR-G3,KVR-G7,KVR-L3,KVR-L4,KVR-L5";  // "Installed Hardware"
    int counterMax = 10;                     // "BER Intervals": counting intervals per BER measurement
    double acquisitionSeconds = 4.0;         // "Acquisition Time": seconds a spectrum/CCDF/jitter acquisition takes
    InterfaceConfig iface;
    FaultConfig faults;

    double LossFor(int mode) const;
};

// The configuration file in use: KVR_SIM_CONFIG, else the user's simulator.ini.
std::filesystem::path ConfigFilePath();
// Reads the file (a missing file gives the defaults); the state file defaults to
// "simulator-state.ini" in the folder of the configuration file.
SimConfig LoadSimConfig(const std::filesystem::path& file);
SimConfig LoadSimConfig();

}  // namespace tarvos::sim
