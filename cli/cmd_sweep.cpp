// tarvos sweep: one whole measurement with the window program's settings and sweep engine, run
// unattended: optionally writes the receiver settings to the instrument first, then sweeps, saves
// the document and its text table, and prints the number of samples and END.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/console_run_ui.h"
#include "cli/number_option.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "instrument/connection.h"
#include "instrument/kvr_port_client.h"
#include "instrument/settings_transfer.h"
#include "measurement/sweep_engine.h"
#include "platform/automation/class_registry.h"
#include "platform/clock.h"
#include "platform/number_text.h"

namespace tarvos::cli {
namespace {

// How often the main thread looks for a Ctrl-C and for the end of the run (real time, whatever
// the clock's scale): short enough that neither is noticed late.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

// Set by the SIGINT/SIGTERM handler, read by the main thread, which then cancels the run. A
// handler may do no more than store to a lock-free atomic; the document it would cancel is
// reachable only from the main thread, so this flag is the only state the handler shares.
std::atomic<int> interruptRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int) { interruptRequested.store(1); }

// While alive, Ctrl-C and SIGTERM only raise the flag. SA_RESETHAND makes a second Ctrl-C end
// the program at once, should the run not come to its end soon enough for the user. A signal
// the shell set to be ignored (a background job) stays ignored.
class InterruptHandlers {
public:
    InterruptHandlers() {
        interruptRequested.store(0);
        Install(SIGINT, &oldInt_);
        Install(SIGTERM, &oldTerm_);
    }
    ~InterruptHandlers() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
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

    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// Blocks both signals on the calling thread while alive: a thread started meanwhile (the
// engine's worker) inherits the mask, so the signals always reach the main thread.
class InterruptsBlocked {
public:
    InterruptsBlocked() {
        sigset_t blocked;
        ::sigemptyset(&blocked);
        ::sigaddset(&blocked, SIGINT);
        ::sigaddset(&blocked, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &old_);
    }
    ~InterruptsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    InterruptsBlocked(const InterruptsBlocked&) = delete;
    InterruptsBlocked& operator=(const InterruptsBlocked&) = delete;

private:
    sigset_t old_{};
};

Result<OnError> ParseOnError(const std::string& text) {
    if (text == "cancel") return OnError::Cancel;
    if (text == "retry") return OnError::Retry;
    return Error{"--on-error: '" + text + "' is neither retry nor cancel"};
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
bool RunEngine(C_KVR_DiaDoc& doc, ConsoleRunUi& ui, bool* interrupted) {
    InterruptHandlers handlers;
    SweepEngine engine(doc, ui);
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

std::string Summary(const C_KVR_DiaDoc& doc) {
    const EndResult end = doc.End();
    std::string text = "samples: " + std::to_string(doc.MeasuredCount()) + "\n";
    text += end.valid ? "END: " + FormatNumberVisibleDecimal(end.EndDb(), 3) + " dB\n" : std::string("END: none\n");
    return text;
}

Status SaveOutputs(C_KVR_DiaDoc& doc, const SweepArgs& args) {
    if (args.out) {
        if (Status saved = SaveDocument(doc, *args.out); !saved.ok())
            return Error{"cannot write " + *args.out + ": " + saved.error().message};
    }
    if (args.text) {
        if (Status saved = SaveTextExport(doc, *args.text); !saved.ok())
            return Error{"cannot write " + *args.text + ": " + saved.error().message};
    }
    return {};
}

}  // namespace

CLI::App* AddSweepCommand(CLI::App& app, SweepArgs& args) {
    CLI::App* cmd = app.add_subcommand("sweep", "Measure a whole BER curve with the instrument and report END");
    cmd->footer(
        "The sweep uses the settings file's measurement, port and receiver settings and leaves\n"
        "the file unchanged. Progress and messages go to standard error; standard output gets\n"
        "\"samples: N\" and \"END: X dB\" (or \"END: none\"). Ctrl-C cancels the run as the Cancel\n"
        "button does: the samples measured so far are kept and written. Exit status 1 when a\n"
        "message ended the run (no connection, settings differ, no sync, ...).");
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
                    "Answer to \"KVR doesn't response\": cancel (default) or retry (at most " +
                        std::to_string(ConsoleRunUi::kMaxRetriesInARow) + " times in a row)")
        ->type_name("retry|cancel");
    return cmd;
}

int RunSweep(const GlobalArgs& global, const SweepArgs& args) {
    const Result<OnError> onError = ParseOnError(args.onError);
    if (!onError) return ReportFailure(onError.error());
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

    if (args.writeSettings) {
        if (const int status = WriteReceiverSettings(doc); status != kExitOk) return status;
    }

    ConsoleRunUi ui(std::cerr, onError.value(), ::isatty(STDERR_FILENO) == 1);
    bool interrupted = false;
    if (!RunEngine(doc, ui, &interrupted)) return ReportFailure("a measurement is already running");
    const std::optional<std::string> failure = ui.Failure();
    if (interrupted && !failure) ui.Note("tarvos: measurement cancelled");

    // END as the saved document gives it, also when the run ended before the engine took it.
    doc.UpdateEnd();
    // A run that failed before its first sample leaves earlier files of these names alone.
    if (!failure || doc.MeasuredCount() > 0) {
        if (Status saved = SaveOutputs(doc, args); !saved.ok()) {
            if (failure) ReportFailure(*failure);
            return ReportFailure(saved.error());
        }
    }
    if (Status written = WriteStdout(Summary(doc)); !written.ok()) {
        if (failure) ReportFailure(*failure);
        return ReportFailure(written.error());
    }
    return failure ? ReportFailure(*failure) : kExitOk;
}

}  // namespace tarvos::cli
