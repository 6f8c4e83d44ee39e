#include "document/text_export.h"

#include <fstream>

#include "document/dia_doc.h"
#include "document/sample_table.h"
#include "document/theory.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"

namespace tarvos {
namespace {

constexpr std::size_t kNrWidth = 7;
constexpr std::size_t kSnrWidth = 16;
constexpr std::size_t kCnrWidth = 9;
constexpr std::size_t kTheoryWidth = 21;
// Meas<n>.txt probing ends here; a folder with a million such files gets "Untitled.txt".
constexpr int kMaxMeasProbe = 1000000;

// Pads to the column width. A field that fills or overflows its column (a C/N such as
// 20.16599262 is wider than its 9 characters) is still followed by one space, so that adjacent
// numbers never run together into one unreadable figure.
void AppendPadded(std::string& line, const std::string& field, std::size_t width) {
    line += field;
    line.append(field.size() < width ? width - field.size() : 1, ' ');
}

}  // namespace

std::string FormatTextExport(const C_KVR_DiaDoc& doc) {
    const ReceiverSettings rs = doc.Receiver();
    const double offset = SnrOffset(rs);
    // The extrapolation's fit at the knee is the same for every sample: make it once.
    const double knee = KneeSnr(rs);
    const ParabolaFit fit = knee != 0 ? FitTheoryAt(rs, knee) : ParabolaFit{};
    std::string out = kTextExportHeader;
    doc.WithCurves([&](const DocumentCurves& c) {
        out.reserve(out.size() + c.measured.Count() * 72);
        std::size_t number = 0;
        for (const MeasurementSample& s : c.measured) {
            const double theory = ExportTheoreticalBer(rs, fit, s.snr);
            std::string line;
            AppendPadded(line, std::to_string(++number), kNrWidth);
            AppendPadded(line, FormatNumber(s.snr), kSnrWidth);
            AppendPadded(line, FormatNumber(s.snr - offset), kCnrWidth);
            AppendPadded(line, FormatNumber(theory), kTheoryWidth);
            line += FormatNumber(s.ber);
            out += "\r\n";
            out += line;
        }
    });
    return out;
}

Status SaveTextExport(const C_KVR_DiaDoc& doc, const std::filesystem::path& path) {
    return WriteFileAtomically(path, FormatTextExport(doc));
}

std::string ProposeTextFileName(std::string_view title,
                                const std::function<bool(const std::string&)>& canOpenForReading) {
    if (title == C_KVR_DiaDoc::kUntitled) {
        for (int n = 1; n <= kMaxMeasProbe; ++n) {
            std::string name = "Meas" + std::to_string(n) + ".txt";
            if (!canOpenForReading(name)) return name;
        }
        return "Untitled.txt";
    }
    const std::size_t dot = title.find('.');
    if (dot != std::string_view::npos && dot > 0) return std::string(title.substr(0, dot)) + ".txt";
    return "Untitled.txt";
}

std::string ProposeTextFileName(std::string_view title) {
    return ProposeTextFileName(title, [](const std::string& name) {
        std::ifstream probe(name, std::ios::binary);
        return probe.is_open();
    });
}

}  // namespace tarvos
