// The receiver settings a measurement belongs to: what the instrument was set to, in the
// instrument's own codes (frequency in MHz, symbol rate in MSymb/s, S/N in dB).
#pragma once

#include <cstdint>

namespace tarvos {

struct ReceiverSettings {
    std::int32_t mode = 4;               // 4, 5 QAM; 6, 8 J.83/A,C; 7 J.83/B; 13 DVB-T; 14 ATSC
    std::int32_t input = 128;            // 2, 50, 75 receiver; 4 demodulator; 128 IF input
    std::int32_t qamOrder = 64;          // 0 = auto (modes 4, 5)
    std::int32_t sawBandwidth = 8;       // MHz; 0 = filter off
    std::int32_t channelBandwidth = 8;   // MHz, mode 13
    std::int32_t rollOff = 15;           // factor x 100; 115 for 0.115
    std::int32_t berPoint = 1;           // 0 before Viterbi, 1 before RS, 2 after RS
    double frequency = 100.0;            // MHz
    double symbolRate = 6.9;             // MSymb/s
    double snrBegin = 20.0;              // dB
    double snrEnd = 35.0;                // dB

    bool operator==(const ReceiverSettings&) const = default;
};

// Codes the rest of the program names.
inline constexpr std::int32_t kInputIf = 128;
inline constexpr std::int32_t kModeDvbt = 13;
inline constexpr std::int32_t kModeAtsc = 14;

}  // namespace tarvos
