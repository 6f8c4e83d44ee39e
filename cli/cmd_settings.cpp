// tarvos settings: show the settings the window program starts with, and write them back.
#include <memory>
#include <optional>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "cli/settings_view.h"
#include "document/dia_doc.h"

namespace tarvos::cli {
namespace {

int SaveBack(const SettingsLocation& where, C_KVR_DiaDoc& doc) {
    // Without a file the store would write nothing and still report success.
    if (!where.settingsFile)
        return ReportFailure(
            "cannot save the settings: the program's folder is unknown; use --settings FILE");
    // A file that exists but cannot be read is refused by the store, never replaced.
    if (Status saved = doc.Close(); !saved.ok())
        return ReportFailure("cannot save the settings: " + saved.error().message);
    return kExitOk;
}

}  // namespace

CLI::App* AddSettingsCommand(CLI::App& app, SettingsArgs& args) {
    CLI::App* cmd = app.add_subcommand(
        "settings", "Show the settings file's measurement, port and receiver settings");
    cmd->footer(
        "Values missing from the file show their defaults. --save writes all three groups\n"
        "back as the window program does when it ends: missing keys are added, every other\n"
        "section and key of the file stays as it was.");
    AddSettingsOption(*cmd, args.settings);
    cmd->add_flag("--json", args.json, "Print JSON instead of text");
    cmd->add_flag("--save", args.save, "Write the settings back to the settings file");
    return cmd;
}

int RunSettings(const GlobalArgs& global, const SettingsArgs& args) {
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    // Loaded through the document, so that what is shown is what the window program starts with.
    C_KVR_DiaDoc doc(std::make_shared<IniSettingsStore>(where));
    const StoredSettings settings = doc.CurrentSettings();
    const std::string text = args.json ? SettingsJson(where, settings) : SettingsText(where, settings);
    // A broken output does not stop the save that was asked for; either failure fails the run.
    int status = FinishWithOutput(text);
    if (args.save && SaveBack(where, doc) != kExitOk) status = kExitFailure;
    return status;
}

}  // namespace tarvos::cli
