// The subcommands of the "tarvos" program: each one's options as parsed, the function that
// adds it to the command line and the one that runs it and returns the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/receiver_options.h"

namespace tarvos::cli {

// Options given before the subcommand.
struct GlobalArgs {
    std::optional<std::string> settings;
};

struct TheoryArgs {
    std::optional<std::string> settings;
    ReceiverOptionTexts receiver;
    std::optional<std::string> from, to, threshold;
    std::vector<std::string> at;
    bool json = false;
};

struct InfoArgs {
    std::optional<std::string> settings;
    std::string file;
    std::optional<std::string> threshold;
    bool json = false;
};

struct ExportArgs {
    std::optional<std::string> settings;
    std::string file;
    std::string format = "text";  // text, csv or json
    std::optional<std::string> output, threshold;
};

struct SettingsArgs {
    std::optional<std::string> settings;
    bool json = false;
    bool save = false;
};

struct PortArgs {
    std::optional<std::string> settings;
    std::optional<std::string> timeScale;
    bool list = false;
    std::vector<std::string> calls;
};

struct SweepArgs {
    std::optional<std::string> settings;
    std::optional<std::string> timeScale;
    bool writeSettings = false;
    std::optional<std::string> out, text;
    std::string onError;  // empty: the settings file's policy
    std::optional<std::string> progress;
};

struct PortsArgs {
    std::optional<std::string> settings;
    bool json = false;
};

struct RecoverArgs {
    bool list = false;
    bool json = false;
    std::optional<std::string> journal;
    std::optional<std::string> out;
    bool force = false;
    bool discard = false;
};

struct RenderArgs {
    std::optional<std::string> settings;
    std::vector<std::string> files;  // the document, then the measurements compared with it
    std::string output;
    std::optional<std::string> size, threshold, scale;
    bool noCnAxis = false;
    bool noLegend = false;
    bool noInfo = false;
    bool noPoints = false;
    bool noEnd = false;
    bool errorBars = false;
};

CLI::App* AddTheoryCommand(CLI::App& app, TheoryArgs& args);
int RunTheory(const GlobalArgs& global, const TheoryArgs& args);

CLI::App* AddInfoCommand(CLI::App& app, InfoArgs& args);
int RunInfo(const GlobalArgs& global, const InfoArgs& args);

CLI::App* AddExportCommand(CLI::App& app, ExportArgs& args);
int RunExport(const GlobalArgs& global, const ExportArgs& args);

CLI::App* AddSettingsCommand(CLI::App& app, SettingsArgs& args);
int RunSettings(const GlobalArgs& global, const SettingsArgs& args);

CLI::App* AddPortCommand(CLI::App& app, PortArgs& args);
int RunPort(const PortArgs& args);

CLI::App* AddSweepCommand(CLI::App& app, SweepArgs& args);
int RunSweep(const GlobalArgs& global, const SweepArgs& args);

CLI::App* AddRenderCommand(CLI::App& app, RenderArgs& args);
int RunRender(const GlobalArgs& global, const RenderArgs& args);

struct ReportArgs {
    std::optional<std::string> settings;
    std::vector<std::string> files;
    std::string output;
    std::optional<std::string> threshold;
    bool errorBars = false;
};

CLI::App* AddReportCommand(CLI::App& app, ReportArgs& args);
int RunReport(const GlobalArgs& global, const ReportArgs& args);

CLI::App* AddPortsCommand(CLI::App& app, PortsArgs& args);
int RunPorts(const GlobalArgs& global, const PortsArgs& args);

CLI::App* AddRecoverCommand(CLI::App& app, RecoverArgs& args);
int RunRecover(const RecoverArgs& args);

}  // namespace tarvos::cli
