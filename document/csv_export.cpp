#include "document/csv_export.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "document/dia_doc.h"
#include "platform/atomic_file.h"

namespace tarvos {
namespace {

// Counts are whole numbers: written without an exponent so that they read as integers too.
std::string CountText(double value) {
    if (!std::isfinite(value)) return {};
    char text[400];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return r.ec == std::errc{} ? std::string(text, r.ptr) : RoundTripNumber(value);
}

std::string RowLine(const SampleRow& row) {
    const bool counts = row.record && row.record->HasCounts();
    const std::string fields[] = {
        std::to_string(row.number),
        RoundTripNumber(row.snr),
        RoundTripNumber(row.cnr),
        row.theoreticalBer != 0.0 ? RoundTripNumber(row.theoreticalBer) : std::string(),
        RoundTripNumber(row.measuredBer),
        counts ? CountText(row.record->errors) : std::string(),
        counts ? CountText(row.record->bits) : std::string(),
        row.interval.valid ? RoundTripNumber(row.interval.lower) : std::string(),
        row.interval.valid ? RoundTripNumber(row.interval.upper) : std::string(),
        row.interval.valid ? std::string(row.interval.oneSided ? "1" : "0") : std::string(),
        row.record ? FormatUtc(row.record->timeUtcMs) : std::string(),
        row.record ? PointEndingName(row.record->ending) : std::string(),
    };
    // No field can hold a separator, quote or line break (numbers, ISO times, ending names),
    // so none needs quoting.
    std::string line = fields[0];
    for (std::size_t i = 1; i < std::size(fields); ++i) line += ',' + fields[i];
    return line + "\r\n";
}

}  // namespace

std::string RoundTripNumber(double value) {
    if (!std::isfinite(value)) return {};
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

std::string FormatCsvExport(const SampleTable& table) {
    std::string out = std::string(kCsvExportHeader) + "\r\n";
    for (const SampleRow& row : table.rows) out += RowLine(row);
    return out;
}

std::string FormatCsvExport(const C_KVR_DiaDoc& doc) { return FormatCsvExport(TabulateMeasurement(doc)); }

Status SaveCsvExport(const C_KVR_DiaDoc& doc, const std::filesystem::path& path) {
    return WriteFileAtomically(path, FormatCsvExport(doc));
}

bool IsCsvFileName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".csv";
}

}  // namespace tarvos
