#include "app/frame_rules.h"

#include <cmath>

namespace tarvos {

std::optional<std::string> GuardMessage(GuardedCommand command, const C_KVR_DiaDoc& doc) {
    if (!doc.measuring) return std::nullopt;
    switch (command) {
        case GuardedCommand::KvrSettings:
            return "Can't change KVR settings\nwhile measurement is in progress.\nExit measurement and try again.";
        case GuardedCommand::PortSettings:
            return "Can't change port settings\nwhile measurement is in progress.\nExit measurement and try again.";
        case GuardedCommand::FileNew: return "Can't open new document.\nPlease cancel measurement\nand try again.";
        case GuardedCommand::FileOpen: return "Can't open document.\nPlease cancel measurement\nand try again.";
    }
    return std::nullopt;
}

std::optional<GuardedCommand> FrameRequests::NextOnTimer() {
    if (port_.exchange(0)) return GuardedCommand::PortSettings;
    if (receiver_.exchange(0)) return GuardedCommand::KvrSettings;
    return std::nullopt;
}

void FrameRequests::Clear(GuardedCommand command) {
    if (command == GuardedCommand::PortSettings) port_ = 0;
    if (command == GuardedCommand::KvrSettings) receiver_ = 0;
}

bool RelabelsSamples(const ReceiverSettings& before, const ReceiverSettings& after) {
    ReceiverSettings sameRange = after;
    sameRange.snrBegin = before.snrBegin;
    sameRange.snrEnd = before.snrEnd;
    return !(sameRange == before);
}

void FitMeasureRange(C_KVR_DiaDoc& doc) {
    const double off = doc.SnrOffset();
    const double lo = doc.MinGeneratorCnr() + off;
    const double hi = doc.MaxGeneratorCnr() + off;
    ReceiverSettings rs = doc.Receiver();
    double begin = rs.snrBegin;
    if (begin < lo) begin = lo;
    if (begin > hi) begin = hi - 0.001;
    double end = rs.snrEnd;
    if (end < lo) end = lo + 0.001;
    if (end > hi) end = hi;
    auto round = [](double v) { return std::trunc(v * 10000 + 0.5) / 10000; };
    rs.snrBegin = round(begin);
    rs.snrEnd = round(end);
    doc.SetReceiver(rs);
}

}  // namespace tarvos
