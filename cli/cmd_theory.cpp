// tarvos theory: the theoretical BER curve of a receiver setting, or its value at given S/N.
#include <cstddef>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/theory.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

struct TheoryRequest {
    ReceiverSettings receiver;
    double from = 0.0;
    double to = 0.0;
    double threshold = 0.0;
    std::vector<double> at;
};

Status ReadAtValues(const std::vector<std::string>& texts, std::vector<double>& at) {
    for (const std::string& text : texts) {
        Result<double> snr = ParseDoubleOption("--at", text);
        if (!snr.ok()) return snr.error();
        at.push_back(snr.value());
    }
    return {};
}

Result<TheoryRequest> ReadRequest(const GlobalArgs& global, const TheoryArgs& args) {
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    const StoredSettings stored = LoadSettings(where.settingsFile);
    Result<ReceiverSettings> receiver = ApplyReceiverOptions(args.receiver, stored.receiver);
    if (!receiver.ok()) return receiver.error();
    TheoryRequest request{receiver.value(), receiver.value().snrBegin, receiver.value().snrEnd,
                          stored.options.threshold, {}};
    for (const Status& read : {ReadOptionalNumber("--from", args.from, request.from),
                        ReadOptionalNumber("--to", args.to, request.to),
                        ReadOptionalBer("--threshold", args.threshold, request.threshold),
                        ReadAtValues(args.at, request.at)}) {
        if (!read.ok()) return read.error();
    }
    // A reversed range would silently yield a lone point at its end.
    if (request.from > request.to)
        return Error{"the S/N range is empty: it begins at " + FormatNumber(request.from) +
                     " dB and ends at " + FormatNumber(request.to) + " dB"};
    return request;
}

std::vector<MeasurementSample> Curve(const TheoryRequest& r) {
    SampleList curve;
    BuildTheoreticalCurve(r.receiver, r.from, r.to, C_KVR_DiaDoc::kTheorySteps, curve);
    return curve.ToVector();
}

std::string CurveText(const std::vector<MeasurementSample>& curve) {
    std::string text;
    for (const MeasurementSample& s : curve)
        text += FormatNumber(s.snr) + "\t" + FormatNumber(s.ber) + "\n";
    return text;
}

std::string AtText(const TheoryRequest& r) {
    std::string text;
    for (double snr : r.at) {
        text += FormatNumber(snr) + "\t" + FormatNumber(TheoreticalBer(r.receiver, snr)) + "\t" +
                FormatNumber(ExtrapolatedBer(r.receiver, snr)) + "\n";
    }
    return text;
}

Json TheoryJson(const TheoryRequest& r) {
    // The document bounds the search for the threshold's S/N by what the generator can reach.
    C_KVR_DiaDoc doc;
    doc.SetReceiver(r.receiver);
    Json at = Json::array();
    for (double snr : r.at) {
        at.push_back({JsonNumber(snr), JsonNumber(TheoreticalBer(r.receiver, snr)),
                      JsonNumber(ExtrapolatedBer(r.receiver, snr))});
    }
    Json out = Json::object();
    out["offset"] = JsonNumber(SnrOffset(r.receiver));
    out["knee"] = JsonNumber(KneeSnr(r.receiver));
    out["bitsPerSymbol"] = BitsPerSymbol(r.receiver);
    out["minGeneratorCnr"] = JsonNumber(MinGeneratorCnr(r.receiver));
    out["maxGeneratorCnr"] = JsonNumber(MaxGeneratorCnr(r.receiver));
    out["berLimit"] = JsonNumber(BerLimitForPoint(r.receiver));
    out["threshold"] = JsonNumber(r.threshold);
    out["snrAtThreshold"] = JsonNumber(doc.TheoreticalSnrAtBer(r.threshold));
    out["curve"] = SamplesJson(Curve(r));
    out["at"] = std::move(at);
    return out;
}

}  // namespace

CLI::App* AddTheoryCommand(CLI::App& app, TheoryArgs& args) {
    CLI::App* cmd =
        app.add_subcommand("theory", "Print the theoretical BER curve of a receiver setting");
    cmd->footer(
        "Text output: one \"S/N<TAB>BER\" line per point of the curve (100 steps).\n"
        "With --at the text output lists only the requested points instead, one\n"
        "\"S/N<TAB>theoretical BER<TAB>extrapolated BER\" line per --at, in the order given.\n"
        "--json prints one object: offset, knee, bitsPerSymbol, minGeneratorCnr,\n"
        "maxGeneratorCnr, berLimit, threshold, snrAtThreshold, curve and at.\n"
        "A BER of 0 means the formula has no value there: no theory for the mode and\n"
        "measuring point, or an S/N beyond the formula's precision.");
    AddSettingsOption(*cmd, args.settings);
    cmd->add_option("--from", args.from, "Start of the curve in dB S/N (default: --snr-begin)")
        ->type_name("DB");
    cmd->add_option("--to", args.to, "End of the curve in dB S/N (default: --snr-end)")->type_name("DB");
    cmd->add_option("--threshold", args.threshold,
                    "BER at which snrAtThreshold is taken (default: the settings file's)")
        ->type_name("BER");
    cmd->add_option("--at", args.at, "Evaluate the theory at this S/N; may be repeated")
        ->type_name("DB");
    cmd->add_flag("--json", args.json, "Print JSON instead of text");
    AddReceiverOptions(*cmd, args.receiver);
    return cmd;
}

int RunTheory(const GlobalArgs& global, const TheoryArgs& args) {
    Result<TheoryRequest> request = ReadRequest(global, args);
    if (!request.ok()) return ReportFailure(request.error());
    const TheoryRequest& r = request.value();
    if (args.json) return FinishWithOutput(JsonText(TheoryJson(r)));
    return FinishWithOutput(r.at.empty() ? CurveText(Curve(r)) : AtText(r));
}

}  // namespace tarvos::cli
