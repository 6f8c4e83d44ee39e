// tarvos report: one PDF for the record of one or more measurements: per file its diagram, run
// records, END with its confidence interval and the sample table; a summary page first when
// there are several files.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/number_option.h"
#include "cli/offscreen_gui.h"
#include "cli/program_output.h"
#include "cli/report_content.h"
#include "cli/report_layout.h"
#include "cli/report_pdf.h"
#include "cli/settings_option.h"
#include "diagram/diagram_persistence.h"
#include "document/document_file.h"
#include "document/sample_table.h"
#include "platform/atomic_file.h"

namespace tarvos::cli {
namespace {

struct LoadedMeasurement {
    std::string name;  // the file's name, as titles and the summary show it
    std::string recordsNote;
    std::unique_ptr<C_KVR_DiaDoc> doc;
};

Status CheckOutputName(const std::string& output) {
    std::string ext = std::filesystem::path(output).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Anything else may be a measurement or an image the user wants to keep.
    if (ext != ".pdf") return Error{"-o: '" + output + "' does not end in .pdf"};
    return {};
}

// Every file is read before anything is drawn, so a bad one costs no half-made report.
Result<std::vector<LoadedMeasurement>> LoadAll(const std::vector<std::string>& files, double threshold) {
    std::vector<LoadedMeasurement> loaded;
    for (const std::string& file : files) {
        LoadedMeasurement m{std::filesystem::path(file).filename().string(), {}, std::make_unique<C_KVR_DiaDoc>()};
        m.doc->SetThresholdBer(threshold);
        if (Status opened = OpenDocument(*m.doc, file, &m.recordsNote); !opened.ok()) {
            const std::string& why = opened.error().message;
            // Which of several files failed is not always in the reader's message.
            if (why.find(file) != std::string::npos) return opened.error();
            return Error{file + ": " + why};
        }
        loaded.push_back(std::move(m));
    }
    return loaded;
}

ReportPart SummaryPart(const std::vector<LoadedMeasurement>& loaded) {
    ReportPart part;
    part.title = "Summary";
    part.lines.push_back("Measurements: " + std::to_string(loaded.size()));
    part.table.header = SummaryHeader();
    for (const LoadedMeasurement& m : loaded) part.table.rows.push_back(SummaryRow(TabulateMeasurement(*m.doc), m.name));
    return part;
}

// The PDF's own title, as a viewer shows it: the files the report is about.
std::string ReportTitle(const std::vector<LoadedMeasurement>& loaded) {
    std::string title = "Measurement report:";
    for (std::size_t i = 0; i < loaded.size(); ++i) title += (i == 0 ? " " : ", ") + loaded[i].name;
    return title;
}

Result<std::string> DrawOffscreen(std::vector<ReportPart> parts, std::vector<ReportDiagram>& diagrams,
                                  const std::string& title) {
    const OffscreenGui gui;
    return DrawReportPdf(std::move(parts), diagrams, PageMetrics{}, title);
}

}  // namespace

CLI::App* AddReportCommand(CLI::App& app, ReportArgs& args) {
    CLI::App* cmd = app.add_subcommand("report", "Write a PDF report of one or more measurement documents");
    cmd->footer(
        "Each document gets a page of its own (more when its sample table is long): its\n"
        "diagram as a printed page shows it, the run records (times, instrument, program\n"
        "version, threshold, comment), END at the threshold with its 95 % confidence\n"
        "interval, and per sample S/N, C/N, the measured BER, the errors and bits it rests\n"
        "on, its exact 95 % interval and how the point ended. Samples whose counts are not\n"
        "known have these fields empty. With several documents a summary page comes first:\n"
        "one row per file with its modulation, threshold, END and END interval, instrument\n"
        "serial number and start time. The diagram's elements come from the settings file's\n"
        "\"Diagram Elements\" and \"Diagram Settings\" sections. An existing OUT.pdf is\n"
        "replaced; nothing is written when a document cannot be read.");
    cmd->add_option("files", args.files, "Measurement documents (.tvd)")->required()->type_name("FILE.tvd");
    cmd->add_option("-o,--output", args.output, "PDF file to write")->required()->type_name("OUT.pdf");
    cmd->add_option("--threshold", args.threshold, "BER at which END is taken (default: the settings file's)")
        ->type_name("BER");
    cmd->add_flag("--error-bars", args.errorBars,
                  "Draw each measured BER's 95 % confidence interval in the diagrams (needs its counts)");
    AddSettingsOption(*cmd, args.settings);
    return cmd;
}

int RunReport(const GlobalArgs& global, const ReportArgs& args) {
    if (Status named = CheckOutputName(args.output); !named.ok()) return ReportFailure(named.error());
    // Everything from the settings file is read before Qt starts and sets the process locale.
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    double threshold = LoadSettings(where.settingsFile).options.threshold;
    if (Status read = ReadOptionalBer("--threshold", args.threshold, threshold); !read.ok())
        return ReportFailure(read.error());
    DiagramSettings settings = LoadDiagramSettings(where.settingsFile);
    if (args.errorBars) settings.showErrorBars = 1;

    Result<std::vector<LoadedMeasurement>> loaded = LoadAll(args.files, threshold);
    if (!loaded.ok()) return ReportFailure(loaded.error());
    std::vector<ReportPart> parts;
    std::vector<ReportDiagram> diagrams;
    for (LoadedMeasurement& m : loaded.value()) {
        ReportDiagram diagram{m.doc.get(), {}};
        diagram.view.settings = settings;
        InitialUpdate(diagram.view, *m.doc);
        parts.push_back(MeasurementPart(MakeMeasurementReport(TabulateMeasurement(*m.doc), m.name, m.recordsNote)));
        diagrams.push_back(std::move(diagram));
    }
    // Several measurements are compared first, then shown one by one.
    if (loaded.value().size() > 1) {
        parts.insert(parts.begin(), SummaryPart(loaded.value()));
        diagrams.insert(diagrams.begin(), ReportDiagram{});
    }
    const Result<std::string> pdf = DrawOffscreen(std::move(parts), diagrams, ReportTitle(loaded.value()));
    if (!pdf.ok()) return ReportFailure(pdf.error());
    if (Status written = WriteFileAtomically(args.output, pdf.value()); !written.ok())
        return ReportFailure("cannot write the report: " + written.error().message);
    return kExitOk;
}

}  // namespace tarvos::cli
