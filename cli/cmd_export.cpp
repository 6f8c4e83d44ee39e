// tarvos export: a measurement document as the text table the window program exports.
#include "cli/commands.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"

namespace tarvos::cli {

CLI::App* AddExportCommand(CLI::App& app, ExportArgs& args) {
    CLI::App* cmd = app.add_subcommand("export", "Write a document's samples as a text table");
    cmd->footer(
        "The table is the window program's text export: a header line, then one line per\n"
        "sample (number, S/N, C/N, theoretical BER, measured BER), lines separated by\n"
        "CR LF, no line break at the end.");
    cmd->add_option("file", args.file, "Measurement document (.tvd)")->required()->type_name("FILE.tvd");
    cmd->add_option("-o,--output", args.output,
                    "Write the table to this file instead of standard output")
        ->type_name("OUT.txt")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the output file name is empty") : std::string();
        });
    AddSettingsOption(*cmd, args.settings);
    return cmd;
}

int RunExport(const ExportArgs& args) {
    C_KVR_DiaDoc doc;
    if (Status opened = OpenDocument(doc, args.file); !opened.ok()) return ReportFailure(opened.error());
    if (!args.output) return FinishWithOutput(FormatTextExport(doc));
    if (Status saved = SaveTextExport(doc, *args.output); !saved.ok())
        return ReportFailure("cannot write the text table: " + saved.error().message);
    return kExitOk;
}

}  // namespace tarvos::cli
