// The receiver options of the commands that compute theory (--mode, --qam, --frequency, ...):
// each one given overrides the value loaded from the settings file.
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "document/receiver_settings.h"
#include "platform/result.h"

namespace tarvos::cli {

// The option texts as typed; read strictly only when the command runs.
struct ReceiverOptionTexts {
    std::optional<std::string> mode, input, qamOrder, sawBandwidth, channelBandwidth, rollOff,
        berPoint, frequency, symbolRate, snrBegin, snrEnd;
};

void AddReceiverOptions(CLI::App& command, ReceiverOptionTexts& texts);

// `settings` with every given option applied; the first unreadable option fails.
Result<ReceiverSettings> ApplyReceiverOptions(const ReceiverOptionTexts& texts,
                                              ReceiverSettings settings);

}  // namespace tarvos::cli
