// tarvos info: what a measurement document holds, and its END at a threshold BER.
#include <type_traits>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/measurement_json.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/receiver_fields.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/sample_table.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

std::string ReceiverText(const ReceiverSettings& rs) {
    std::string text;
    ForEachReceiverField(rs, [&](const char* name, auto value) {
        text += std::string(name) + ": ";
        if constexpr (std::is_same_v<decltype(value), double>) text += FormatNumber(value) + "\n";
        else text += std::to_string(value) + "\n";
    });
    return text;
}

std::string EndText(const EndResult& end) {
    if (!end.valid) return "END: none\n";
    return "END: " + FormatNumber(end.EndDb()) + " dB (theory " + FormatNumber(end.theorySnr) +
           " dB, measured " + FormatNumber(end.measuredSnr) + " dB at BER " +
           FormatNumber(end.measuredBer) + ")\n";
}

std::string InfoText(const C_KVR_DiaDoc& doc) {
    const std::vector<MeasurementSample> samples = doc.MeasuredSamples();
    std::string text = ReceiverText(doc.Receiver());
    text += "samples: " + std::to_string(samples.size()) + "\n";
    for (const MeasurementSample& s : samples)
        text += FormatNumber(s.snr) + "\t" + FormatNumber(s.ber) + "\n";
    return text + EndText(doc.End());
}

// A count written as the whole number it is.
std::string CountText(double count) { return FormatFixed(count, 0); }

std::string PointText(const SampleRow& row) {
    std::string text = "point " + std::to_string(row.number) + ": ";
    if (!row.record) return text + "no record\n";
    const PointRecord& r = *row.record;
    text += "C/N " + FormatNumber(row.cnr) + " dB, ";
    if (row.interval.valid) {
        text += CountText(r.errors) + " errors in " + CountText(r.bits) + " bits, 95 % interval " +
                FormatNumber(row.interval.lower) + " .. " + FormatNumber(row.interval.upper) +
                (row.interval.oneSided ? " one-sided, " : ", ");
    } else {
        text += "counts not known, ";
    }
    const std::string time = FormatUtc(r.timeUtcMs);
    return text + (time.empty() ? std::string("time not known") : time) + ", " + PointEndingName(r.ending) + "\n";
}

// Continuation lines of a multi-line comment are indented so each field still starts a line.
std::string Indented(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n') out += "  ";
    }
    return out;
}

std::string RunText(const RunRecord& run) {
    std::string text;
    const auto line = [&](const char* name, const std::string& value) {
        if (!value.empty()) text += std::string(name) + ": " + value + "\n";
    };
    line("run start", FormatUtc(run.startUtcMs));
    line("run end", FormatUtc(run.endUtcMs));
    line("instrument", run.instrument.identity);
    line("manufacturer", run.instrument.manufacturer);
    line("model number", run.instrument.modelNumber);
    line("serial number", run.instrument.serialNumber);
    line("firmware version", run.instrument.firmwareVersion);
    line("program version", run.programVersion);
    line("run threshold BER", run.thresholdBer != 0.0 ? FormatNumber(run.thresholdBer) : std::string());
    line("comment", Indented(run.comment));
    return text;
}

// The records after what older versions printed, so that readers of those lines are not
// disturbed; a document without records adds nothing but the note of records it ignored.
std::string RecordsText(const SampleTable& table, const std::string& note) {
    std::string text = note.empty() ? std::string() : note + "\n";
    if (table.run) text += RunText(*table.run);
    if (!table.hasPointRecords) return text;
    for (const SampleRow& row : table.rows) text += PointText(row);
    if (!table.endInterval.valid) return text + "END interval: none\n";
    return text + "END interval: " + FormatNumber(table.endInterval.lowerDb) + " .. " +
           FormatNumber(table.endInterval.upperDb) + " dB\n";
}

Json InfoJson(const C_KVR_DiaDoc& doc, const SampleTable& table, const std::string& note) {
    Json out = Json::object();
    out["receiver"] = ReceiverJson(doc.Receiver());
    out["samples"] = SamplesJson(doc.MeasuredSamples());
    out["end"] = EndJson(table);
    out["run"] = RunRecordJson(table);
    out["points"] = PointsJson(table);
    out["recordsNote"] = RecordsNoteJson(note);
    return out;
}

}  // namespace

CLI::App* AddInfoCommand(CLI::App& app, InfoArgs& args) {
    CLI::App* cmd =
        app.add_subcommand("info", "Show the receiver settings, samples, records and END of a document");
    cmd->footer(
        "END is how many dB more S/N the receiver needs than theory at the threshold BER;\n"
        "\"END: none\" when the measured curve does not cross the threshold or the\n"
        "theory has no value there.\n"
        "A document with records adds the run (times, instrument, program version,\n"
        "threshold, comment), per point the C/N, errors and bits with the exact 95 %\n"
        "interval of its BER (one-sided when no error was counted), time and ending,\n"
        "and the interval of END; records the file holds but that cannot be used are\n"
        "named in a \"records ignored: ...\" line.");
    cmd->add_option("file", args.file, "Measurement document (.tvd)")->required()->type_name("FILE.tvd");
    AddSettingsOption(*cmd, args.settings);
    cmd->add_option("--threshold", args.threshold,
                    "BER at which END is taken (default: the settings file's)")
        ->type_name("BER");
    cmd->add_flag("--json", args.json, "Print JSON instead of text");
    return cmd;
}

int RunInfo(const GlobalArgs& global, const InfoArgs& args) {
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    double threshold = LoadSettings(where.settingsFile).options.threshold;
    if (Status read = ReadOptionalBer("--threshold", args.threshold, threshold); !read.ok())
        return ReportFailure(read.error());
    C_KVR_DiaDoc doc;
    doc.SetThresholdBer(threshold);
    std::string note;
    if (Status opened = OpenDocument(doc, args.file, &note); !opened.ok()) return ReportFailure(opened.error());
    const SampleTable table = TabulateMeasurement(doc);
    if (args.json) return FinishWithOutput(JsonText(InfoJson(doc, table, note)));
    return FinishWithOutput(InfoText(doc) + RecordsText(table, note));
}

}  // namespace tarvos::cli
