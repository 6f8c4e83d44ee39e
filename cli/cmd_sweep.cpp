// tarvos sweep: one whole measurement with the window program's settings and sweep engine, run
// unattended: optionally writes the receiver settings to the instrument first, then sweeps, saves
// the document and its text table, and prints the number of samples and END.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/console_run_ui.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/progress_json.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "instrument/connection.h"
#include "instrument/kvr_port_client.h"
#include "instrument/settings_transfer.h"
#include "measurement/run_journal.h"
#include "measurement/sweep_engine.h"
#include "platform/automation/class_registry.h"
#include "platform/clock.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

// How often the main thread looks for a Ctrl-C and for the end of the run (real time, whatever
// the clock's scale): short enough that neither is noticed late.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

// The signals that end a sweep in order, as the Cancel button does: Ctrl-C, a polite kill, and
// the hang-up of a closed terminal.
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

// Set by the stop signals' handler, read by the main thread, which then cancels the run. A
// handler may do no more than store to a lock-free atomic; the document it would cancel is
// reachable only from the main thread, so this flag is the only state the handler shares.
std::atomic<int> interruptRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int) { interruptRequested.store(1); }

// While alive, the stop signals only raise the flag. SA_RESETHAND makes a second one end the
// program at once, should the run not come to its end soon enough for the user. A signal the
// shell set to be ignored (a background job, nohup) stays ignored. A closed pipe on standard
// output or error (`| head`) must not kill the run with the noise generator on and nothing
// saved: SIGPIPE is ignored, so such writes merely fail with EPIPE.
class InterruptHandlers {
public:
    InterruptHandlers() {
        interruptRequested.store(0);
        for (std::size_t i = 0; i < kStopSignals.size(); ++i) Install(kStopSignals[i], &old_[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &oldPipe_);
    }
    ~InterruptHandlers() {
        for (std::size_t i = 0; i < kStopSignals.size(); ++i) ::sigaction(kStopSignals[i], &old_[i], nullptr);
        ::sigaction(SIGPIPE, &oldPipe_, nullptr);
    }
    InterruptHandlers(const InterruptHandlers&) = delete;
    InterruptHandlers& operator=(const InterruptHandlers&) = delete;

private:
    static void Install(int signal, struct sigaction* old) {
        ::sigaction(signal, nullptr, old);
        if (old->sa_handler == SIG_IGN) return;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        ::sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }

    std::array<struct sigaction, kStopSignals.size()> old_{};
    struct sigaction oldPipe_ {};
};

// Blocks the stop signals on the calling thread while alive: a thread started meanwhile (the
// engine's worker) inherits the mask, so the signals always reach the main thread.
class InterruptsBlocked {
public:
    InterruptsBlocked() {
        sigset_t blocked;
        ::sigemptyset(&blocked);
        for (const int signal : kStopSignals) ::sigaddset(&blocked, signal);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &old_);
    }
    ~InterruptsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    InterruptsBlocked(const InterruptsBlocked&) = delete;
    InterruptsBlocked& operator=(const InterruptsBlocked&) = delete;

private:
    sigset_t old_{};
};

// The one form of --progress there is.
Status CheckProgress(const std::optional<std::string>& progress) {
    if (!progress || *progress == "json") return {};
    return Error{"--progress: '" + *progress + "' is not json"};
}

// --on-error, or else the settings file's policy. Nobody answers a message box here, so the
// file's "ask" cancels as a user who is not there would have to.
Result<InstrumentErrorPolicy> OnErrorPolicy(const std::string& option, InstrumentErrorPolicy fromFile) {
    if (option.empty()) return fromFile == InstrumentErrorPolicy::Retry ? fromFile : InstrumentErrorPolicy::Cancel;
    if (option == "cancel") return InstrumentErrorPolicy::Cancel;
    if (option == "retry") return InstrumentErrorPolicy::Retry;
    return Error{"--on-error: '" + option + "' is neither retry nor cancel"};
}

// A missing folder is found out before the run, not after an hour of measuring.
Status CheckOutputFolder(const char* option, const std::optional<std::string>& file) {
    if (!file) return {};
    const std::filesystem::path folder = std::filesystem::path(*file).parent_path();
    std::error_code ignored;
    if (folder.empty() || std::filesystem::is_directory(folder, ignored)) return {};
    return Error{std::string(option) + ": the folder " + folder.string() + " does not exist"};
}

// The settings dialog's Write button: the document's receiver settings to the instrument. The
// values the instrument decides itself (the DVB-T QAM order) become the document's, as the
// dialog's working copy would on OK, so that the sweep's comparison finds them equal.
int WriteReceiverSettings(C_KVR_DiaDoc& doc) {
    automation::CoInitialize();
    KvrPortClient client;
    CreatePortObject(client);
    ReceiverSettings work = doc.Receiver();
    ConsoleTransferUi ui(std::cerr);
    const bool written = WriteSettings(doc, client, work, ui);
    ReleasePortObject(doc, client);
    const std::string last = ui.TakeLast();
    if (!written) return ReportFailure(last.empty() ? std::string("the receiver settings were not written") : last);
    if (!last.empty()) std::cerr << last << '\n' << std::flush;
    doc.SetReceiver(work);
    return kExitOk;
}

// The run on the engine's worker while the main thread waits; Ctrl-C cancels it as the Cancel
// button does and the samples measured so far stay in the document. False when no run started.
// The stop signals' handlers must be in place (InterruptHandlers).
bool RunEngine(C_KVR_DiaDoc& doc, ConsoleRunUi& ui, RunJournal& journal, bool* interrupted) {
    SweepEngine engine(doc, ui, &journal);
    bool started = false;
    {
        InterruptsBlocked blocked;
        started = engine.Start();
    }
    if (!started) return false;
    bool cancelling = false;
    // The engine clears `measuring` at the end of the run; what follows it on the worker is a
    // few calls of the console, so the join below is immediate.
    while (doc.measuring.load() != 0) {
        if (!cancelling && interruptRequested.load() != 0) {
            cancelling = true;
            doc.cancelRequested = 1;
            ui.Note("tarvos: cancelling the run after the current wait (Ctrl-C again quits at once)");
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    engine.Join();
    *interrupted = cancelling || interruptRequested.load() != 0;
    return true;
}

// The last line of --progress json: the run's counts with END as the saved document gives it.
std::string JsonSummary(const C_KVR_DiaDoc& doc, RunSummary summary) {
    const EndResult end = doc.End();
    summary.endValid = end.valid != 0;
    summary.endDb = summary.endValid ? end.EndDb() : 0;
    summary.thresholdBer = doc.ThresholdBer();
    return JsonText(RunSummaryJson(summary, doc.MeasuredCount()));
}

std::string Summary(const C_KVR_DiaDoc& doc) {
    const EndResult end = doc.End();
    std::string text = "samples: " + std::to_string(doc.MeasuredCount()) + "\n";
    text += end.valid ? "END: " + FormatNumberVisibleDecimal(end.EndDb(), 3) + " dB\n" : std::string("END: none\n");
    return text;
}

// A folder that is there but takes no new file (/proc) answers ENOENT, which must not read as a
// missing file or folder.
std::string TextTableFailure(const std::string& file, const Error& error) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code ignored;
    if (error.systemError == ENOENT && std::filesystem::is_directory(folder.empty() ? "." : folder, ignored))
        return "cannot write the text table: " + file + ": the folder takes no new file";
    return "cannot write the text table: " + error.message;
}

// Each requested output is attempted whatever became of the others: a document that cannot be
// saved must not cost the text table as well. The failures, one line each.
std::vector<std::string> SaveOutputs(C_KVR_DiaDoc& doc, const SweepArgs& args) {
    std::vector<std::string> failures;
    if (args.out) {
        if (Status saved = SaveDocument(doc, *args.out); !saved.ok())
            failures.push_back("cannot write " + *args.out + ": " + saved.error().message);
    }
    if (args.text) {
        if (Status saved = SaveTextExport(doc, *args.text); !saved.ok())
            failures.push_back(TextTableFailure(*args.text, saved.error()));
    }
    return failures;
}

}  // namespace

CLI::App* AddSweepCommand(CLI::App& app, SweepArgs& args) {
    CLI::App* cmd = app.add_subcommand("sweep", "Measure a whole BER curve with the instrument and report END");
    cmd->footer(
        "The sweep uses the settings file's measurement, port and receiver settings and leaves\n"
        "the file unchanged. Progress and messages go to standard error; standard output gets\n"
        "\"samples: N\" and \"END: X dB\" (or \"END: none\"), or with --progress json one JSON line\n"
        "each time the run's state changes and a last one with END and the counts of the steps\n"
        "(state \"done\"). Ctrl-C cancels the run as the Cancel\n"
        "button does: the samples measured so far are kept and written; so do SIGTERM and the\n"
        "hang-up of a closed terminal, and a closed output pipe never stops it. Every output\n"
        "asked for is attempted and the summary is always printed. Exit status 1 when a message\n"
        "ended the run (no connection, settings differ, no sync, ...), when the noise generator\n"
        "could not be proven off at the end, or when a file (its samples then stay in the run\n"
        "journal, see tarvos recover) or standard output could not be written.");
    AddSettingsOption(*cmd, args.settings);
    cmd->add_option("--time-scale", args.timeScale, "Waits take this many times their length (0: instant)")
        ->type_name("X");
    cmd->add_flag("--write-settings", args.writeSettings,
                  "First write the receiver settings to the instrument (the settings dialog's Write)");
    auto notEmpty = [](const std::string& name) {
        return name.empty() ? std::string("the file name is empty") : std::string();
    };
    cmd->add_option("--out", args.out, "Save the measurement document here")->type_name("FILE.tvd")->check(notEmpty);
    cmd->add_option("--text", args.text, "Save the text table here")->type_name("FILE.txt")->check(notEmpty);
    cmd->add_option("--on-error", args.onError,
                    "Answer to \"KVR doesn't response\": cancel or retry (at most " +
                        std::to_string(kMaxRetriesPerPoint) +
                        " times per point); default: the settings file's \"On Instrument Error\", "
                        "where ask cancels")
        ->type_name("retry|cancel");
    cmd->add_option("--progress", args.progress,
                    "Write where the run stands to standard output as JSON lines, the last one with END "
                    "and the counts of stored and dropped steps, instead of the summary")
        ->type_name("json");
    return cmd;
}

int RunSweep(const GlobalArgs& global, const SweepArgs& args) {
    // For the command's whole life a stop signal ends it in order and a closed pipe is only a
    // failed write.
    InterruptHandlers handlers;
    if (const Result<InstrumentErrorPolicy> onError = OnErrorPolicy(args.onError, {}); !onError)
        return ReportFailure(onError.error());
    if (Status progress = CheckProgress(args.progress); !progress.ok()) return ReportFailure(progress.error());
    if (args.timeScale) {
        const Result<double> scale = ParseDoubleOption("--time-scale", *args.timeScale);
        if (!scale) return ReportFailure(scale.error());
        if (scale.value() < 0) return ReportFailure("--time-scale must not be negative");
        Clock::Instance().SetRealTime(scale.value());
    }
    if (Status folder = CheckOutputFolder("--out", args.out); !folder.ok()) return ReportFailure(folder.error());
    if (Status folder = CheckOutputFolder("--text", args.text); !folder.ok()) return ReportFailure(folder.error());

    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    // Defaults in place of an unreadable file would measure something the user did not set.
    if (const std::optional<Error> problem = SettingsReadProblem(where))
        return ReportFailure("cannot read the settings file: " + problem->message);
    // Loaded as the window program's document loads them. The document is never closed, so the
    // settings are not written back: a scripted sweep leaves the user's settings as they were.
    C_KVR_DiaDoc doc(std::make_shared<IniSettingsStore>(where));
    MeasurementOptions options = doc.Options();
    options.onInstrumentError = OnErrorPolicy(args.onError, options.onInstrumentError).value();
    doc.SetOptions(options);

    if (args.writeSettings) {
        if (const int status = WriteReceiverSettings(doc); status != kExitOk) return status;
        if (interruptRequested.load() != 0) return ReportFailure("stopped before the measurement began");
    }

    ConsoleRunUi ui(std::cerr, ::isatty(STDERR_FILENO) == 1);
    JsonProgressWriter progress;
    if (args.progress) ui.OnProgress([&progress](const RunEvent& event) { progress.Apply(event); });
    bool interrupted = false;
    // Every stored sample also goes to a recovery journal, so that a kill or crash loses none.
    RunJournal journal;
    if (!RunEngine(doc, ui, journal, &interrupted)) return ReportFailure("a measurement is already running");
    const std::optional<std::string> failure = ui.Failure();
    if (interrupted && !failure) ui.Note("tarvos: measurement cancelled");
    if (Status journalled = journal.LastError(); !journalled.ok())
        ui.Note("tarvos: the samples were not all journalled: " + journalled.error().message);

    // END as the saved document gives it, also when the run ended before the engine took it.
    doc.UpdateEnd();
    // A run that failed before its first sample leaves earlier files of these names alone.
    std::vector<std::string> problems;
    if (!failure || doc.MeasuredCount() > 0) problems = SaveOutputs(doc, args);
    if (problems.empty()) {
        // Every output that was asked for is written (a sweep without --out asked for no document).
        journal.Discard();
        if (Status discarded = journal.LastError(); !discarded.ok())
            ui.Note("tarvos: the run journal was not removed: " + discarded.error().message);
    } else if (const std::optional<std::filesystem::path> kept = journal.Path()) {
        ui.Note("tarvos: the samples are kept in " + kept->string() + " (see tarvos recover)");
    }
    // The summary is the run's result: printed whatever became of the files.
    const std::string summary = args.progress ? JsonSummary(doc, progress.Summary()) : Summary(doc);
    if (Status streamed = progress.LastError(); !streamed.ok()) problems.push_back(streamed.error().message);
    else if (Status written = WriteStdout(summary); !written.ok()) problems.push_back(written.error().message);
    if (failure) ReportFailure(*failure);
    for (const std::string& problem : problems) ReportFailure(problem);
    return failure || !problems.empty() ? kExitFailure : kExitOk;
}

}  // namespace tarvos::cli
