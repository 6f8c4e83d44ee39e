#include "app/properties_rows.h"

#include <algorithm>

#include "platform/number_text.h"

namespace tarvos {
namespace {

std::string OrNotKnown(const std::string& text) { return text.empty() ? "not known" : text; }

std::string EndText(const EndResult& end, const EndInterval& interval) {
    if (!end.valid) return "none";
    std::string text = FormatFixed(end.EndDb(), 2) + " dB";
    if (interval.valid)
        text += " (95 % interval " + FormatFixed(interval.lowerDb, 2) + " to " + FormatFixed(interval.upperDb, 2) + " dB)";
    return text;
}

}  // namespace

std::vector<PropertyRow> PropertyRows(const MeasurementRecords& r, std::size_t sampleCount, const EndResult& end,
                                      const EndInterval& endInterval) {
    std::size_t counted = 0;
    double bits = 0;
    for (const PointRecord& p : r.points) {
        counted += p.HasCounts();
        bits += p.bits;
    }
    std::vector<PropertyRow> rows;
    if (r.run.startUtcMs == 0 && r.points.empty()) {
        rows.emplace_back("Run", "no run records (measured by an older program, or not measured yet)");
    } else {
        rows.emplace_back("Started (UTC)", OrNotKnown(FormatUtc(r.run.startUtcMs)));
        rows.emplace_back("Ended (UTC)", r.run.endUtcMs == 0 ? "not ended" : FormatUtc(r.run.endUtcMs));
        rows.emplace_back("Instrument", OrNotKnown(r.run.instrument.identity));
        rows.emplace_back("Manufacturer", OrNotKnown(r.run.instrument.manufacturer));
        rows.emplace_back("Model", OrNotKnown(r.run.instrument.modelNumber));
        rows.emplace_back("Serial number", OrNotKnown(r.run.instrument.serialNumber));
        rows.emplace_back("Firmware", OrNotKnown(r.run.instrument.firmwareVersion));
        rows.emplace_back("Program", OrNotKnown(r.run.programVersion));
        rows.emplace_back("Threshold BER", r.run.thresholdBer > 0 ? FormatNumber(r.run.thresholdBer) : "not known");
    }
    rows.emplace_back("Samples", std::to_string(sampleCount) + ", " + std::to_string(counted) + " with error counts (" +
                                     FormatNumber(bits, 4) + " bits)");
    rows.emplace_back("END", EndText(end, endInterval));
    return rows;
}

std::string NormalizedComment(std::string text) {
    std::string out;
    out.reserve(std::min(text.size(), kMaxCommentBytes));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    if (out.size() > kMaxCommentBytes) {
        std::size_t cut = kMaxCommentBytes;
        // Back off to the start of a UTF-8 sequence: continuation bytes are 10xxxxxx.
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out;
}

}  // namespace tarvos
