#include "cli/receiver_options.h"

#include <array>
#include <cstdint>

#include "cli/number_option.h"

namespace tarvos::cli {
namespace {

using Text = std::optional<std::string> ReceiverOptionTexts::*;

struct IntOption {
    const char* name;
    const char* help;
    Text text;
    std::int32_t ReceiverSettings::*field;
};

struct DoubleOption {
    const char* name;
    const char* unit;
    const char* help;
    Text text;
    double ReceiverSettings::*field;
};

constexpr std::array<IntOption, 7> IntOptions() {
    using T = ReceiverOptionTexts;
    using R = ReceiverSettings;
    return {{
        {"--mode", "Mode: 4, 5 QAM; 6, 8 J.83/A,C; 7 J.83/B; 13 DVB-T; 14 ATSC", &T::mode, &R::mode},
        {"--input", "Input: 2, 50, 75 receiver; 4 demodulator; 128 IF input", &T::input, &R::input},
        {"--qam", "QAM order; 0 = auto (modes 4, 5)", &T::qamOrder, &R::qamOrder},
        {"--saw", "SAW filter bandwidth in MHz; 0 = filter off", &T::sawBandwidth, &R::sawBandwidth},
        {"--channel-bw", "Channel bandwidth in MHz (mode 13)", &T::channelBandwidth,
         &R::channelBandwidth},
        {"--rolloff", "Roll-off factor x 100; 115 for 0.115", &T::rollOff, &R::rollOff},
        {"--ber-point", "BER measuring point: 0 before Viterbi, 1 before RS, 2 after RS",
         &T::berPoint, &R::berPoint},
    }};
}

constexpr std::array<DoubleOption, 4> DoubleOptions() {
    using T = ReceiverOptionTexts;
    using R = ReceiverSettings;
    return {{
        {"--frequency", "MHZ", "Frequency in MHz", &T::frequency, &R::frequency},
        {"--symbol-rate", "MSYMB/S", "Symbol rate in MSymb/s", &T::symbolRate, &R::symbolRate},
        {"--snr-begin", "DB", "Start of the measure range (S/N in dB)", &T::snrBegin, &R::snrBegin},
        {"--snr-end", "DB", "End of the measure range (S/N in dB)", &T::snrEnd, &R::snrEnd},
    }};
}

}  // namespace

void AddReceiverOptions(CLI::App& command, ReceiverOptionTexts& texts) {
    const std::string group = "Receiver (default: the settings file)";
    for (const IntOption& o : IntOptions())
        command.add_option(o.name, texts.*o.text, o.help)->type_name("INT")->group(group);
    for (const DoubleOption& o : DoubleOptions())
        command.add_option(o.name, texts.*o.text, o.help)->type_name(o.unit)->group(group);
}

Result<ReceiverSettings> ApplyReceiverOptions(const ReceiverOptionTexts& texts,
                                              ReceiverSettings settings) {
    for (const IntOption& o : IntOptions()) {
        if (!(texts.*o.text)) continue;
        Result<std::int32_t> value = ParseIntOption(o.name, *(texts.*o.text));
        if (!value.ok()) return value.error();
        settings.*o.field = value.value();
    }
    for (const DoubleOption& o : DoubleOptions()) {
        if (!(texts.*o.text)) continue;
        Result<double> value = ParseDoubleOption(o.name, *(texts.*o.text));
        if (!value.ok()) return value.error();
        settings.*o.field = value.value();
    }
    return settings;
}

}  // namespace tarvos::cli
