#include "app/run_notices.h"

#include "platform/number_text.h"

namespace tarvos {

RunNotice WaitingNotice(const std::string& messageText) {
    std::string body;
    for (const char c : messageText) {
        if (c != '\n') body += c;
        else if (!body.empty() && body.back() != ' ') body += ' ';
    }
    return {"KVR Tarvos: the measurement waits for an answer", body};
}

RunNotice EndedNotice(const C_KVR_DiaDoc& doc, const std::string& cancelledBecause) {
    const std::size_t count = doc.MeasuredCount();
    std::string body = std::to_string(count) + (count == 1 ? " sample" : " samples") + " stored";
    const EndResult end = doc.End();
    body += end.valid ? ", END " + FormatNumberVisibleDecimal(end.EndDb(), 3) + " dB" : std::string(", no END");
    if (!cancelledBecause.empty()) body += " (" + cancelledBecause + ")";
    return {"KVR Tarvos: the measurement has ended", body};
}

}  // namespace tarvos
