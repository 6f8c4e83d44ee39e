// "tarvos sweep" against the simulated instrument: a whole run and its files, END following the
// receiver's implementation loss, each message that ends a run, and the settings file left as
// it was; and the console's side of the run (lines, progress, answers to message boxes).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <set>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "cli/console_run_ui.h"
#include "cli_fixture.h"
#include "document/dia_doc.h"
#include "measurement/sweep_engine.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace tarvos::testing {
namespace {

using cli::ConsoleRunUi;
using cli::ConsoleTransferUi;

// --- The console's side of a run ---

TEST(ConsoleRunUiTest, ResponseLinesArePrintedOnceInARowAndTheIdleLineNever) {
    std::ostringstream err;
    ConsoleRunUi ui(err, false);
    for (const char* line : {"Open connection to KVR", "Measure BER: 2.0 E-3", "Measure BER: 2.0 E-3",
                             "Measure BER: 2.1 E-3", "Measure BER: 2.0 E-3", kLineIdle})
        ui.ResponseLine(line);
    EXPECT_EQ(err.str(), "Open connection to KVR\nMeasure BER: 2.0 E-3\nMeasure BER: 2.1 E-3\nMeasure BER: 2.0 E-3\n");
    EXPECT_FALSE(ui.Failure());
}

TEST(ConsoleRunUiTest, TheProgressLineIsRewrittenInPlaceAndOnlyOnATerminal) {
    std::ostringstream plain;
    ConsoleRunUi pipe(plain, false);
    pipe.ShowRemainingTime(true, "Remaining time: 5 sec", 5, 10);
    pipe.ShowRemainingTime(false, "", 0, 0);
    EXPECT_EQ(plain.str(), "");

    std::ostringstream tty;
    ConsoleRunUi ui(tty, true);
    ui.ShowRemainingTime(true, "Remaining time: 5 sec", 5, 10);
    EXPECT_EQ(tty.str(), "\r\x1b[K[##########..........] Remaining time: 5 sec");
    // A line printed meanwhile erases the progress line first instead of running into it.
    ui.ResponseLine("Set carrier to noise ratio: 21.0 dB");
    ui.ShowRemainingTime(true, "Remaining time: 0 sec", 12, 10);  // a counter past its maximum: full
    ui.ShowRemainingTime(false, "", 0, 0);
    ui.ShowRemainingTime(false, "", 0, 0);  // nothing left to erase
    EXPECT_EQ(tty.str(),
              "\r\x1b[K[##########..........] Remaining time: 5 sec"
              "\r\x1b[KSet carrier to noise ratio: 21.0 dB\n"
              "\r\x1b[K[####################] Remaining time: 0 sec"
              "\r\x1b[K");
}

TEST(ConsoleRunUiTest, AnOkMessageEndsTheRunAndNamesTheSettingsToCheck) {
    std::ostringstream err;
    ConsoleRunUi ui(err, false);
    EXPECT_EQ(ui.Message(kMsgConnectionFailed, MessageButtons::Ok), MessageAnswer::Ok);
    EXPECT_EQ(ui.Failure(), "Connection to KVR failed. Please check port settings.");
    ui.RequestPortSettings();
    EXPECT_EQ(ui.Failure(), "Connection to KVR failed. Please check port settings. (check the port settings)");
    EXPECT_EQ(err.str(), "");  // the caller prints the failure once, at the end

    std::ostringstream err2;
    ConsoleRunUi receiver(err2, false);
    receiver.Message(kMsgSettingsDiffer, MessageButtons::Ok);
    receiver.RequestReceiverSettings();
    EXPECT_EQ(receiver.Failure(),
              "Settings of KVR and this program are  different. Please check if settings are consistent with "
              "each other. (check the receiver settings)");
    // Should a second message follow, the first one is not lost.
    receiver.Message(kMsgSyncFailed, MessageButtons::Ok);
    EXPECT_EQ(err2.str(), "tarvos: Settings of KVR and this program are  different. Please check if settings are "
                          "consistent with each other.\n");
    EXPECT_EQ(receiver.Failure(),
              "Syncronisation failed. Please check cable and KVR settings. (check the receiver settings)");
}

TEST(ConsoleRunUiTest, NobodyAnswersARetryCancelBoxAndThePolicysAnswersAreShown) {
    std::ostringstream err;
    ConsoleRunUi cancel(err, false);
    EXPECT_EQ(cancel.Message(kMsgNoResponse, MessageButtons::RetryCancel), MessageAnswer::Cancel);
    ASSERT_TRUE(cancel.Failure());
    EXPECT_EQ(cancel.Failure()->rfind("Error: KVR doesn't response. To continue", 0), 0u) << *cancel.Failure();
    EXPECT_NE(cancel.Failure()->find("[Cancel]"), std::string::npos);

    std::ostringstream log;
    ConsoleRunUi retry(log, false);
    for (int i = 1; i <= kMaxRetriesPerPoint; ++i) retry.InstrumentErrorAnswered(MessageAnswer::Retry, i);
    EXPECT_FALSE(retry.Failure());
    EXPECT_NE(log.str().find("[Retry 3 of 3]\n"), std::string::npos) << log.str();
    retry.InstrumentErrorAnswered(MessageAnswer::Cancel, kMaxRetriesPerPoint);
    ASSERT_TRUE(retry.Failure());
    EXPECT_NE(retry.Failure()->find("[Cancel after 3 retries]"), std::string::npos) << *retry.Failure();
}

TEST(ConsoleRunUiTest, MessageTextsBecomeOneLine) {
    EXPECT_EQ(ConsoleRunUi::OneLine("Measurement is not possible.\nPlease change measure range\nin the dialog."),
              "Measurement is not possible. Please change measure range in the dialog.");
    EXPECT_EQ(ConsoleRunUi::OneLine(" a \n\n  b\r\n"), "a b");
    EXPECT_EQ(ConsoleRunUi::OneLine(""), "");
}

TEST(ConsoleRunUiTest, TheTransferPrintsEveryMessageButTheLast) {
    std::ostringstream err;
    ConsoleTransferUi ui(err);
    EXPECT_EQ(ui.TakeLast(), "");
    ui.Message("Unsync or invalid order of QAM.\nPlease check KVR settings.");
    ui.Refresh();
    ui.Message("Write process completed.");
    EXPECT_EQ(err.str(), "Unsync or invalid order of QAM. Please check KVR settings.\n");
    EXPECT_EQ(ui.TakeLast(), "Write process completed.");
    EXPECT_EQ(ui.TakeLast(), "");
}

// --- Whole runs of "tarvos sweep" ---

class SweepCommandTest : public CliTest {
protected:
    void SetUp() override { Configure(""); }
    // The simulated instrument's configuration, its state kept in the test folder.
    void Configure(const std::string& extra) {
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=11\nState File=" + Path("state.ini").string() + "\n" + extra);
        environment_ = {"KVR_SIM_CONFIG=" + Path("sim.ini").string()};
    }
    RunResult Sweep(std::vector<std::string> extra = {}) const {
        std::vector<std::string> args{"sweep", "--time-scale", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
    // The sweep's files and the document's END as "tarvos info" reads it.
    nlohmann::json SweepAndInfo() const {
        const RunResult r = Sweep({"--out", Path("out.tvd").string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return RunJson({"info", "--json", Path("out.tvd").string()});
    }
};

TEST_F(SweepCommandTest, ADefaultSweepMeasuresOnTheGridAndWritesItsFiles) {
    const std::string out = Path("out.tvd").string(), text = Path("out.txt").string();
    const RunResult r = Sweep({"--out", out, "--text", text});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find(kLineOpen), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("tarvos:"), std::string::npos) << r.err;

    const nlohmann::json info = RunJson({"info", "--json", out});
    ASSERT_TRUE(info.is_object());
    EXPECT_EQ(info["end"]["valid"], 1) << info.dump();
    EXPECT_NEAR(info["end"]["endDb"].get<double>(), 1.0, 0.3);
    const nlohmann::json& samples = info["samples"];
    ASSERT_GE(samples.size(), 5u) << info.dump();
    const double offset = C_KVR_DiaDoc().SnrOffset();
    for (const nlohmann::json& s : samples) {
        const double steps = (s[0].get<double>() - offset) / 0.1;
        EXPECT_NEAR(steps, std::round(steps), 1e-8) << s.dump();
    }
    // The summary counts the document's samples and gives its END to three digits.
    std::ostringstream expected;
    expected << "samples: " << samples.size() << "\nEND: ";
    EXPECT_EQ(r.out.rfind(expected.str(), 0), 0u) << r.out;
    EXPECT_NEAR(std::stod(r.out.substr(expected.str().size())), info["end"]["endDb"].get<double>(), 0.006) << r.out;

    const RunResult exported = RunRaw({"export", out});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(ReadBytes(text), exported.out);
    // A scripted sweep leaves the user's settings alone: no settings file appears.
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}

TEST_F(SweepCommandTest, ProgressJsonLinesEndWithEndAndTheCountsOfTheSteps) {
    const RunResult r = Sweep({"--progress", "json", "--out", Path("out.tvd").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<nlohmann::json> lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);) {
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
        ASSERT_FALSE(lines.back().is_discarded()) << line;
    }
    ASSERT_GT(lines.size(), 3u) << r.out;
    std::set<std::string> states;
    for (const nlohmann::json& line : lines) states.insert(line["state"].get<std::string>());
    EXPECT_EQ(states, (std::set<std::string>{"starting", "step", "refining", "done"})) << r.out;

    const nlohmann::json info = RunJson({"info", "--json", Path("out.tvd").string()});
    const nlohmann::json& last = lines.back();
    EXPECT_EQ(last["state"], "done");
    // The run goes through the grid or ends at a BER of 0 (zero exit).
    EXPECT_TRUE(last["ending"] == "completed" || last["ending"] == "zeroBer") << last.dump();
    EXPECT_NEAR(last["endDb"].get<double>(), info["end"]["endDb"].get<double>(), 1e-9) << last.dump();
    EXPECT_EQ(last["samples"], info["samples"].size());
    const nlohmann::json& dropped = last["dropped"];
    EXPECT_EQ(last["steps"], 20);
    EXPECT_EQ(last["stored"].get<int>() + dropped["belowLimit"].get<int>() + dropped["overLimit"].get<int>() +
                  dropped["noSync"].get<int>() + dropped["skipped"].get<int>() + dropped["notReached"].get<int>(),
              20) << last.dump();
    EXPECT_GT(dropped["belowLimit"].get<int>(), 0) << last.dump();  // the grid starts below the BER limit
    EXPECT_NE(last["text"].get<std::string>().find("END "), std::string::npos) << last.dump();
}

TEST_F(SweepCommandTest, EndFollowsTheReceiversImplementationLoss) {
    Configure("Implementation Loss=2.5\n");
    const nlohmann::json info = SweepAndInfo();
    ASSERT_TRUE(info.is_object());
    ASSERT_EQ(info["end"]["valid"], 1) << info.dump();
    EXPECT_NEAR(info["end"]["endDb"].get<double>(), 2.5, 0.3);
}

TEST_F(SweepCommandTest, ARefusedConnectionEndsWithThePortSettingsToCheck) {
    Configure("[Faults]\nRefuse Connection=1\n");
    const RunResult r = Sweep({"--out", Path("out.tvd").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tarvos: Connection to KVR failed."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("check the port settings"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "samples: 0\nEND: none\n");
    // Nothing was measured: no empty document replaces a file of that name.
    EXPECT_FALSE(std::filesystem::exists(Path("out.tvd")));
}

TEST_F(SweepCommandTest, SettingsThatDifferEndTheRunUnlessWrittenFirst) {
    const std::string settings = "[KVR Settings]\nMode=13\n";
    WriteBytes(SettingsPath(), settings);
    const RunResult differ = Sweep();
    EXPECT_EQ(differ.exitCode, 1);
    EXPECT_NE(differ.err.find("tarvos: Settings of KVR and this program"), std::string::npos) << differ.err;
    EXPECT_NE(differ.err.find("check the receiver settings"), std::string::npos) << differ.err;

    const RunResult written = Sweep({"--write-settings", "--out", Path("dvbt.tvd").string()});
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_NE(written.err.find("Write process completed."), std::string::npos) << written.err;
    const nlohmann::json info = RunJson({"info", "--json", Path("dvbt.tvd").string()});
    ASSERT_TRUE(info.is_object());
    EXPECT_EQ(info["receiver"]["mode"], 13) << info.dump();
    EXPECT_FALSE(info["samples"].empty()) << info.dump();
    // Neither run wrote the settings back.
    EXPECT_EQ(ReadBytes(SettingsPath()), settings);
}

TEST_F(SweepCommandTest, AFailedWriteOfTheSettingsEndsBeforeTheSweep) {
    Configure("[Faults]\nRefuse Connection=1\n");
    const RunResult r = Sweep({"--write-settings"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tarvos: Connection to KVR failed."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(kLineOpen), std::string::npos) << r.err;  // no sweep
    EXPECT_EQ(r.out, "");
}

TEST_F(SweepCommandTest, AnImpossibleRangeEndsBeforeAnyConnection) {
    WriteBytes(SettingsPath(), "[KVR Settings]\nSNR Begin=30\nSNR End=25\n");
    const RunResult r = Sweep();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tarvos: Measurement is not possible."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(kLineOpen), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Path("state.ini")));  // the instrument was never touched
}

TEST_F(SweepCommandTest, AnInstrumentThatStopsAnsweringIsCancelledOrRetriedAFewTimes) {
    // Three failed BER reads in a row end a point with the Retry/Cancel box.
    Configure("[Faults]\nNegative BER Reads=20\n");
    const RunResult cancel = Sweep({"--on-error", "cancel"});
    EXPECT_EQ(cancel.exitCode, 1);
    EXPECT_NE(cancel.err.find("tarvos: Error: KVR doesn't response."), std::string::npos) << cancel.err;
    EXPECT_NE(cancel.err.find("[Cancel]"), std::string::npos) << cancel.err;

    const RunResult retry = Sweep({"--on-error", "retry"});
    EXPECT_EQ(retry.exitCode, 1);
    EXPECT_NE(retry.err.find("[Retry 3 of 3]"), std::string::npos) << retry.err;
    EXPECT_NE(retry.err.find("[Cancel after 3 retries]"), std::string::npos) << retry.err;

    // Without --on-error the settings file's policy answers; its "ask" cancels, as nobody is there.
    for (const auto& [word, expected] : {std::pair{"retry", "[Retry 3 of 3]"}, {"ask", "[Cancel]"}, {"cancel", "[Cancel]"}}) {
        WriteBytes(SettingsPath(), std::string("[Unattended Runs]\nOn Instrument Error=") + word + "\n");
        const RunResult fromFile = Sweep();
        EXPECT_EQ(fromFile.exitCode, 1) << word;
        EXPECT_NE(fromFile.err.find(expected), std::string::npos) << word << fromFile.err;
        EXPECT_EQ(std::string(word) != "retry", fromFile.err.find("[Retry 1 of 3]") == std::string::npos) << word;
    }
    std::filesystem::remove(SettingsPath());

    // Two failed points, then the instrument answers again: the retried run completes.
    Configure("[Faults]\nNegative BER Reads=6\n");
    const RunResult recovered = Sweep({"--on-error", "retry"});
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_NE(recovered.err.find("[Retry 2 of 3]"), std::string::npos) << recovered.err;
    EXPECT_EQ(recovered.err.find("[Retry 3 of 3]"), std::string::npos) << recovered.err;
}

TEST_F(SweepCommandTest, FailingSyncReadsFailTheSyncCheckOfTheConnection) {
    // The connection's one sync check comes before any point, so a failing read ends the run there.
    Configure("[Faults]\nFailing Sync Reads=20\n");
    const RunResult r = Sweep({"--on-error", "cancel"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tarvos: Syncronisation failed."), std::string::npos) << r.err;
}

// Ctrl-C needs the program running while the test sends it, which the fixture's runs do not
// allow: this starts it with the fixture's environment and the signals at their defaults.
class InterruptedSweepTest : public SweepCommandTest {
protected:
    // Standard output and error go to out.txt and err.txt, or both to `outputFd` when given.
    pid_t Start(std::vector<std::string> words, int outputFd = -1) {
        words.insert(words.begin(), TARVOS_BINARY);
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment{"XDG_CONFIG_HOME=" + Path("config").string(),
                                             "XDG_STATE_HOME=" + Path("state").string()};
        environment.insert(environment.end(), environment_.begin(), environment_.end());
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view entry(*e);
            if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("XDG_STATE_HOME=") &&
                !entry.starts_with("KVR_SIM_CONFIG="))
                environment.emplace_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (outputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
            posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, Path("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            posix_spawn_file_actions_addopen(&actions, 2, Path("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&signals, signal);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        if (::posix_spawn(&pid, TARVOS_BINARY, &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }
    // True once `text` is on the program's standard error; false after `limit`.
    bool WaitForError(const std::string& text, std::chrono::seconds limit) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadBytes(Path("err.txt")).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(InterruptedSweepTest, CtrlCCancelsTheRunAndKeepsTheSamplesMeasuredSoFar) {
    // The hang-up of a closed terminal ends the run as Ctrl-C does (SIGTERM did already).
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        std::filesystem::remove(Path("state.ini"));
        // At a fifth of real time the whole run takes over ten seconds; the cancel must come far sooner.
        const pid_t pid = Start({"sweep", "--time-scale", "0.2", "--settings", SettingsPath().string(), "--out",
                                 Path("cut.tvd").string()});
        ASSERT_GT(pid, 0);
        const bool measuring = WaitForError("Set carrier to noise ratio: 22.7 dB", std::chrono::seconds(20));
        const auto interrupted = std::chrono::steady_clock::now();
        ::kill(pid, signal);
        const int status = WaitForExit(pid, std::chrono::seconds(20));
        ASSERT_TRUE(measuring) << ReadBytes(Path("err.txt"));
        EXPECT_EQ(status, 0) << ReadBytes(Path("err.txt"));
        EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(5));
        const std::string err = ReadBytes(Path("err.txt"));
        EXPECT_NE(err.find("tarvos: measurement cancelled"), std::string::npos) << err;
        EXPECT_EQ(err.find("Set carrier to noise ratio: 29.0 dB"), std::string::npos) << err;  // the last step

        const nlohmann::json info = RunJson({"info", "--json", Path("cut.tvd").string()});
        ASSERT_TRUE(info.is_object());
        EXPECT_EQ(ReadBytes(Path("out.txt")), "samples: " + std::to_string(info["samples"].size()) + "\nEND: none\n");
        EXPECT_FALSE(info["samples"].empty()) << info.dump();  // the one at C/N 22.0 dB
        EXPECT_NE(ReadBytes(Path("state.ini")).find("Noise Generator=0"), std::string::npos);
    }
}

TEST_F(InterruptedSweepTest, AClosedOutputPipeNeitherKillsTheRunNorCostsItsFiles) {
    // `tarvos sweep ... 2>&1 | head -1` once head has gone.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    const pid_t pid = Start({"sweep", "--time-scale", "0", "--settings", SettingsPath().string(), "--out",
                             Path("piped.tvd").string(), "--text", Path("piped.txt").string()},
                            fds[1]);
    ::close(fds[1]);
    ASSERT_GT(pid, 0);
    // Not killed: it ends by itself, failing only because the summary could not be written.
    EXPECT_EQ(WaitForExit(pid, std::chrono::seconds(60)), 1);
    EXPECT_FALSE(RunJson({"info", "--json", Path("piped.tvd").string()})["samples"].empty());
    EXPECT_TRUE(std::filesystem::exists(Path("piped.txt")));
    EXPECT_NE(ReadBytes(Path("state.ini")).find("Noise Generator=0"), std::string::npos);
}

TEST_F(InterruptedSweepTest, RetryingALinkThatDropsEveryFewCallsEndsByItself) {
    Configure("[Faults]\nDisconnect After Calls=20\n");
    const pid_t pid = Start({"sweep", "--time-scale", "0", "--settings", SettingsPath().string(), "--on-error",
                             "retry"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitForExit(pid, std::chrono::seconds(60)), 1);
    const std::string err = ReadBytes(Path("err.txt"));
    EXPECT_NE(err.find("[Cancel after 3 retries]"), std::string::npos) << err.substr(0, 2000);
    EXPECT_NE(ReadBytes(Path("state.ini")).find("Noise Generator=0"), std::string::npos);
}

TEST_F(SweepCommandTest, AnUnwritableOutputCostsNeitherTheOtherOutputNorTheSummary) {
    // /proc is a folder that is there but takes no file.
    const std::string good = Path("kept").string();
    const struct {
        std::string out, text, message;
    } cases[] = {
        {"/proc/tarvos.tvd", good + ".txt", "cannot write /proc/tarvos.tvd: Unable to write to /proc/tarvos.tvd, it is read-only"},
        {good + ".tvd", "/proc/tarvos.txt", "cannot write the text table: /proc/tarvos.txt: "},
    };
    for (const auto& c : cases) {
        const RunResult r = Sweep({"--out", c.out, "--text", c.text});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out.rfind("samples: ", 0), 0u) << r.out;
        EXPECT_TRUE(std::filesystem::exists(c.out.starts_with(good) ? c.out : c.text));
        EXPECT_NE(r.err.find("tarvos: " + c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("invalid path"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("No such file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the samples are kept in"), std::string::npos) << r.err;
    }
}

TEST_F(SweepCommandTest, WrongOptionsAreRefusedBeforeTheRun) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--on-error", "ignore"}, {"--time-scale", "-1"}, {"--time-scale", "fast"},
          {"--out", Path("missing/out.tvd").string()}, {"--text", ""}, {"--progress", "xml"}}) {
        const RunResult r = Sweep(args);
        EXPECT_EQ(r.exitCode, 1) << args[0] << " " << args[1];
        EXPECT_EQ(r.err.find(kLineOpen), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace tarvos::testing
