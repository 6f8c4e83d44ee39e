// The "tarvos" command: theoretical curves, measurement documents and the shared settings file
// from a shell, for scripts and for checks without the window program.
#include <exception>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "platform/serial_ports.h"

namespace tarvos::cli {
namespace {

struct AllArgs {
    GlobalArgs global;
    TheoryArgs theory;
    InfoArgs info;
    ExportArgs exportArgs;
    SettingsArgs settings;
    PortArgs port;
    SweepArgs sweep;
    RenderArgs render;
    ReportArgs report;
    PortsArgs ports;
    RecoverArgs recover;
};

struct Commands {
    CLI::App* theory;
    CLI::App* info;
    CLI::App* exportCmd;
    CLI::App* settings;
    CLI::App* port;
    CLI::App* sweep;
    CLI::App* render;
    CLI::App* report;
    CLI::App* ports;
    CLI::App* recover;
};

Commands SetUp(CLI::App& app, AllArgs& args) {
    app.footer(
        "Without --settings the settings file is kvr-tarvos.ini beside this program, the one the\n"
        "window program uses. Run \"tarvos COMMAND --help\" for a command's options.");
    app.set_version_flag("--version", "tarvos " TARVOS_VERSION, "Print the version and exit");
    AddSettingsOption(app, args.global.settings);
    // At most one command, but not "exactly one": CLI11 checks that before unknown words and
    // would answer a mistyped command with "A subcommand is required"; Dispatch reports a
    // missing one.
    app.require_subcommand(0, 1);
    return {AddTheoryCommand(app, args.theory), AddInfoCommand(app, args.info),
            AddExportCommand(app, args.exportArgs), AddSettingsCommand(app, args.settings),
            AddPortCommand(app, args.port), AddSweepCommand(app, args.sweep),
            AddRenderCommand(app, args.render), AddReportCommand(app, args.report),
            AddPortsCommand(app, args.ports),
            AddRecoverCommand(app, args.recover)};
}

int Dispatch(const Commands& commands, const AllArgs& args) {
    if (commands.theory->parsed()) return RunTheory(args.global, args.theory);
    if (commands.info->parsed()) return RunInfo(args.global, args.info);
    if (commands.exportCmd->parsed()) return RunExport(args.global, args.exportArgs);
    if (commands.settings->parsed()) return RunSettings(args.global, args.settings);
    if (commands.port->parsed()) return RunPort(args.port);
    if (commands.sweep->parsed()) return RunSweep(args.global, args.sweep);
    if (commands.render->parsed()) return RunRender(args.global, args.render);
    if (commands.report->parsed()) return RunReport(args.global, args.report);
    if (commands.ports->parsed()) return RunPorts(args.global, args.ports);
    if (commands.recover->parsed()) return RunRecover(args.recover);
    return ReportFailure(
        "a command is required: theory, info, export, settings, port, ports, sweep, render, report or recover\n"
        "Run with --help for more information.");
}

// The --settings given after the command, where the command takes one.
std::optional<std::string> CommandSettings(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands()) {
        const CLI::Option* option = command->get_option_no_throw("--settings");
        if (option != nullptr && option->count() > 0) return option->as<std::string>();
    }
    return std::nullopt;
}

int Run(int argc, char** argv) {
    CLI::App app("KVR Tarvos on the command line: theoretical BER curves, measurement documents, "
                 "the settings file, calls of the instrument library and whole measurements.",
                 "tarvos");
    AllArgs args;
    const Commands commands = SetUp(app, args);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version are successful runs; every mistake on the command line is status 1.
        return app.exit(e) == 0 ? kExitOk : kExitFailure;
    }
    // The instrument modules a command loads run in this process and read the [Serial Ports]
    // map from the settings file the command uses.
    ShareSettingsFile(LocateSettings(args.global.settings, CommandSettings(app)).settingsFile);
    return Dispatch(commands, args);
}

}  // namespace
}  // namespace tarvos::cli

int main(int argc, char** argv) {
    try {
        return tarvos::cli::Run(argc, argv);
    } catch (const std::exception& e) {
        return tarvos::cli::ReportFailure(e.what());
    }
}
