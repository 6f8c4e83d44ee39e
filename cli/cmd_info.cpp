// tarvos info: what a measurement document holds, and its END at a threshold BER.
#include <type_traits>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/receiver_fields.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
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

Json EndJson(const EndResult& end) {
    Json out = Json::object();
    out["theorySnr"] = JsonNumber(end.theorySnr);
    out["theoryBer"] = JsonNumber(end.theoryBer);
    out["measuredSnr"] = JsonNumber(end.measuredSnr);
    out["measuredBer"] = JsonNumber(end.measuredBer);
    out["valid"] = end.valid ? 1 : 0;
    out["endDb"] = end.valid ? JsonNumber(end.EndDb()) : Json(nullptr);
    return out;
}

Json InfoJson(const C_KVR_DiaDoc& doc) {
    Json out = Json::object();
    out["receiver"] = ReceiverJson(doc.Receiver());
    out["samples"] = SamplesJson(doc.MeasuredSamples());
    out["end"] = EndJson(doc.End());
    return out;
}

}  // namespace

CLI::App* AddInfoCommand(CLI::App& app, InfoArgs& args) {
    CLI::App* cmd =
        app.add_subcommand("info", "Show the receiver settings, samples and END of a document");
    cmd->footer(
        "END is how many dB more S/N the receiver needs than theory at the threshold BER;\n"
        "\"END: none\" when the measured curve does not cross the threshold or the\n"
        "theory has no value there.");
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
    if (Status opened = OpenDocument(doc, args.file); !opened.ok()) return ReportFailure(opened.error());
    return FinishWithOutput(args.json ? JsonText(InfoJson(doc)) : InfoText(doc));
}

}  // namespace tarvos::cli
