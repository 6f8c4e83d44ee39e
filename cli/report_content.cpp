#include "cli/report_content.h"

#include <optional>
#include <utility>

#include "diagram/renderer.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

// Counts are whole numbers: "12", "99992640", never "12." or an exponent.
std::string CountText(double count) { return FormatFixed(count, 0); }

std::string IntervalText(const BerInterval& interval) {
    if (!interval.valid) return {};
    // Without errors only an upper limit exists; a lower bound of 0 would read as measured.
    if (interval.oneSided) return "up to " + FormatNumber(interval.upper);
    return FormatNumber(interval.lower) + " .. " + FormatNumber(interval.upper);
}

std::vector<std::string> RunLines(const std::optional<RunRecord>& run, const std::string& recordsNote) {
    std::vector<std::string> lines;
    if (!run) lines.emplace_back("no run records");
    const auto line = [&](const char* name, const std::string& value) {
        if (!value.empty()) lines.push_back(std::string(name) + ": " + value);
    };
    if (run) {
        const InstrumentIdentity& id = run->instrument;
        line("Run start (UTC)", FormatUtc(run->startUtcMs));
        line("Run end (UTC)", FormatUtc(run->endUtcMs));
        line("Instrument", id.identity);
        line("Manufacturer", id.manufacturer);
        line("Model number", id.modelNumber);
        line("Serial number", id.serialNumber);
        line("Firmware version", id.firmwareVersion);
        line("Program version", run->programVersion);
        line("Run threshold BER", run->thresholdBer != 0.0 ? FormatNumber(run->thresholdBer) : std::string());
        // A page line holds no line break: the comment's lines follow one another.
        std::string comment = run->comment;
        for (char& c : comment) c = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
        line("Comment", comment);
    }
    line("Note", recordsNote);
    return lines;
}

std::vector<std::string> EndLines(const SampleTable& table) {
    const EndResult& end = table.end;
    if (!end.valid) return {"END: none"};
    std::vector<std::string> lines{"END: " + FormatNumber(end.EndDb()) + " dB (theory " +
                                   FormatNumber(end.theorySnr) + " dB, measured " +
                                   FormatNumber(end.measuredSnr) + " dB at BER " +
                                   FormatNumber(end.measuredBer) + ")"};
    const EndInterval& interval = table.endInterval;
    lines.push_back(interval.valid ? "END 95 % interval: " + FormatNumber(interval.lowerDb) + " .. " +
                                         FormatNumber(interval.upperDb) + " dB"
                                   : std::string("END 95 % interval: none"));
    return lines;
}

ReportTable SamplesOf(const SampleTable& table) {
    ReportTable out;
    out.header = {"S/N dB", "C/N dB", "Measured BER", "Errors", "Bits", "95 % interval", "Ending"};
    out.rows.reserve(table.rows.size());
    for (const SampleRow& row : table.rows) {
        const bool counts = row.record && row.record->HasCounts();
        out.rows.push_back({FormatNumber(row.snr), FormatNumber(row.cnr), FormatNumber(row.measuredBer),
                            counts ? CountText(row.record->errors) : std::string(),
                            counts ? CountText(row.record->bits) : std::string(), IntervalText(row.interval),
                            row.record ? PointEndingName(row.record->ending) : std::string()});
    }
    return out;
}

}  // namespace

std::string ModulationText(const ReceiverSettings& receiver) {
    const std::vector<std::string> info = InfoLines(receiver);
    std::string mode = info.empty() ? std::string() : info.front();
    if (mode.rfind("Mode: ", 0) == 0) mode.erase(0, 6);
    if (receiver.mode == kModeAtsc) return mode;
    const std::string order = receiver.qamOrder == 0 ? "auto QAM" : std::to_string(receiver.qamOrder) + "-QAM";
    return mode + ", " + order;
}

MeasurementReport MakeMeasurementReport(const SampleTable& table, const std::string& fileName,
                                        const std::string& recordsNote) {
    MeasurementReport report;
    report.title = fileName;
    report.runLines = RunLines(table.run, recordsNote);
    report.endLines = EndLines(table);
    report.samples = SamplesOf(table);
    return report;
}

std::vector<std::string> SummaryHeader() {
    return {"File", "Modulation", "Threshold BER", "END dB", "END 95 % interval dB", "Serial number", "Run start (UTC)"};
}

std::vector<std::string> SummaryRow(const SampleTable& table, const std::string& fileName) {
    const bool interval = table.end.valid && table.endInterval.valid;
    return {fileName,
            ModulationText(table.receiver),
            FormatNumber(table.thresholdBer),
            table.end.valid ? FormatNumber(table.end.EndDb()) : "none",
            interval ? FormatNumber(table.endInterval.lowerDb) + " .. " + FormatNumber(table.endInterval.upperDb)
                     : std::string(),
            table.run ? table.run->instrument.serialNumber : std::string(),
            table.run ? FormatUtc(table.run->startUtcMs) : std::string()};
}

}  // namespace tarvos::cli
