// tarvos export: a measurement document as the text table the window program exports, as CSV
// or as JSON with its records.
#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/measurement_json.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "document/csv_export.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/sample_table.h"
#include "document/text_export.h"
#include "platform/atomic_file.h"

namespace tarvos::cli {
namespace {

struct Formatted {
    std::string bytes;
    const char* what;  // for the failure message
};

Formatted FormatExport(const std::string& format, const C_KVR_DiaDoc& doc, const std::string& note) {
    if (format == "csv") return {FormatCsvExport(doc), "the CSV file"};
    if (format == "json") return {JsonText(MeasurementExportJson(TabulateMeasurement(doc), note)), "the JSON file"};
    return {FormatTextExport(doc), "the text table"};
}

}  // namespace

CLI::App* AddExportCommand(CLI::App& app, ExportArgs& args) {
    CLI::App* cmd = app.add_subcommand("export", "Write a document's samples as a text table, CSV or JSON");
    cmd->footer(
        "text (the default) is the window program's text export: a header line, then one\n"
        "line per sample (number, S/N, C/N, theoretical BER, measured BER), lines separated\n"
        "by CR LF, no line break at the end.\n"
        "csv has a header row with units and one row per sample: number, S/N, C/N,\n"
        "theoretical and measured BER, errors, bits, the 95 % interval of the BER (lower,\n"
        "upper, 1 when one-sided), time (UTC) and how the point ended; rows end in CR LF.\n"
        "json holds the run records, the receiver settings, END with its interval and the\n"
        "samples with the same fields. Numbers read back to the same value; what is not\n"
        "known is an empty field in CSV and null in JSON.");
    cmd->add_option("file", args.file, "Measurement document (.tvd)")->required()->type_name("FILE.tvd");
    cmd->add_option("--format", args.format, "Output format (default: text)")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->type_name("text|csv|json");
    cmd->add_option("-o,--output", args.output,
                    "Write to this file instead of standard output")
        ->type_name("OUT")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the output file name is empty") : std::string();
        });
    AddSettingsOption(*cmd, args.settings);
    cmd->add_option("--threshold", args.threshold,
                    "BER at which the JSON's END is taken (default: the settings file's)")
        ->type_name("BER");
    return cmd;
}

int RunExport(const GlobalArgs& global, const ExportArgs& args) {
    double threshold = LoadSettings(LocateSettings(global.settings, args.settings).settingsFile).options.threshold;
    if (Status read = ReadOptionalBer("--threshold", args.threshold, threshold); !read.ok())
        return ReportFailure(read.error());
    C_KVR_DiaDoc doc;
    doc.SetThresholdBer(threshold);
    std::string note;
    if (Status opened = OpenDocument(doc, args.file, &note); !opened.ok()) return ReportFailure(opened.error());
    const Formatted out = FormatExport(args.format, doc, note);
    if (!args.output) return FinishWithOutput(out.bytes);
    if (Status saved = WriteFileAtomically(*args.output, out.bytes); !saved.ok())
        return ReportFailure(std::string("cannot write ") + out.what + ": " + saved.error().message);
    return kExitOk;
}

}  // namespace tarvos::cli
