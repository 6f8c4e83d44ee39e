// The settings of the simulated receiver, kept across program runs in its state file as a real
// receiver keeps them across power cycles. Its first state matches the program's default
// receiver settings, so a first measurement works at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "platform/result.h"

namespace tarvos::sim {

struct ReceiverState {
    std::int32_t mode = 4;            // system mode: 4, 5, 6, 7, 8, 13, 14
    std::int32_t input = 128;         // input port code
    std::int32_t qamOrder = 64;
    std::int32_t sawBandwidth = 8;    // MHz, 0 = off
    std::int32_t channelBandwidth = 8;
    std::int32_t rollOff = 15;        // factor x 100, 115 for 0.115
    double frequencyHz = 100e6;
    double symbolRate = 6.9e6;        // symbols per second
    std::int32_t noiseGenerator = 0;  // 0 off, 1 on
    double cnr = 62.0;                // noise generator C/N (dB)
    std::int32_t measureMode = 0;     // the view on the instrument's screen
    std::int32_t attenuation = 0;
    std::int32_t attenuationAuto = 1;
    std::int32_t equalizer = 1;
    std::int32_t fftMode = 1;         // DVB-T: 0 2k, 1 8k
    std::int32_t codeRate = 2;        // DVB-T code rate code
    // Every other setting a driver member writes, by driver member name, as text.
    std::map<std::string, std::string> other;

    bool operator==(const ReceiverState&) const = default;
};

// Missing or unreadable file: the first state.
ReceiverState LoadReceiverState(const std::filesystem::path& file);
Status SaveReceiverState(const std::filesystem::path& file, const ReceiverState& state);

}  // namespace tarvos::sim
