// "tarvos recover" after a "tarvos sweep" killed with SIGKILL in the middle of its run: the
// journal is listed as orphaned with the samples stored before the kill, and recovering it gives
// a document with exactly those samples.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "cli_fixture.h"
#include "measurement/run_journal.h"

extern char** environ;

namespace tarvos::testing {
namespace {

class RecoverCommandTest : public CliTest {
protected:
    void SetUp() override {
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=11\nState File=" + Path("state.ini").string() + "\n");
        environment_ = {"KVR_SIM_CONFIG=" + Path("sim.ini").string()};
    }
    std::filesystem::path Recovery() const { return Path("state") / "kvr-tarvos" / "recovery"; }

    // A sweep in real time (scaled), left running; its environment as RunRaw makes it.
    pid_t StartSweep() {
        std::vector<std::string> words{TARVOS_BINARY, "sweep", "--time-scale", "0.1", "--settings",
                                       SettingsPath().string()};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment{"XDG_CONFIG_HOME=" + Path("config").string(),
                                             "XDG_STATE_HOME=" + Path("state").string(), environment_.at(0)};
        for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);  // later ones lose
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, Path("sweep-err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = -1;
        if (::posix_spawn(&pid, TARVOS_BINARY, &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    // True once a journal in the folder holds at least `samples`; false after 30 s.
    bool WaitForSamples(std::size_t samples) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const JournalInfo& j : ListJournals(Recovery()))
                if (j.samples >= samples) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

TEST_F(RecoverCommandTest, ASweepKilledMidRunIsRecoveredWithEverySampleItStored) {
    const pid_t pid = StartSweep();
    ASSERT_GT(pid, 0);
    const bool stored = WaitForSamples(3);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(stored) << ReadBytes(Path("sweep-err.txt"));
    ASSERT_TRUE(WIFSIGNALED(status)) << "the sweep ended before the kill";

    const std::vector<JournalInfo> journals = ListJournals(Recovery());
    ASSERT_EQ(journals.size(), 1u);
    const std::string journal = journals[0].file.string();
    const std::size_t k = journals[0].samples;
    ASSERT_GE(k, 3u);

    const RunResult list = RunRaw({"recover", "--list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, journal + "\t" + std::to_string(k) + " samples\tpid " + std::to_string(pid) + "\tstarted " +
                            journals[0].startedUtc + "\torphaned\tuntitled\n");
    const nlohmann::json listed = nlohmann::json::parse(RunRaw({"recover", "--list", "--json"}).out, nullptr, false);
    ASSERT_TRUE(listed.is_object());
    EXPECT_EQ(listed["journals"][0]["samples"], k) << listed.dump();
    EXPECT_EQ(listed["journals"][0]["state"], "orphaned") << listed.dump();

    const std::string out = Path("x.tvd").string();
    const RunResult recovered = RunRaw({"recover", journal, "-o", out});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    const Result<DocumentContents> expected = ReadJournal(journal);
    ASSERT_TRUE(expected.ok());
    const nlohmann::json info = RunJson({"info", "--json", out});
    ASSERT_TRUE(info.is_object());
    ASSERT_EQ(info["samples"].size(), k) << info.dump();
    std::size_t i = 0;
    for (const MeasurementSample& s : expected.value().samples) {
        EXPECT_EQ(info["samples"][i][0].get<double>(), s.snr) << i;
        EXPECT_EQ(info["samples"][i][1].get<double>(), s.ber) << i;
        ++i;
    }

    // The journal stays until it is discarded; a second recovery does not replace the first.
    EXPECT_TRUE(std::filesystem::exists(journal));
    const RunResult again = RunRaw({"recover", journal, "-o", out});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
    const RunResult discarded = RunRaw({"recover", "--discard", journals[0].file.filename().string()});
    EXPECT_EQ(discarded.exitCode, 0) << discarded.err;
    EXPECT_TRUE(ListJournals(Recovery()).empty());
}

TEST_F(RecoverCommandTest, WrongCombinationsAreRefusedAndNothingIsTouched) {
    WriteBytes(Path("keep.tvd"), "not a journal");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"recover"},
             {"recover", "--list", Path("keep.tvd").string()},
             {"recover", Path("keep.tvd").string()},
             {"recover", "--json", Path("keep.tvd").string(), "--discard"},
             {"recover", "--discard", Path("keep.tvd").string()},
         }) {
        const RunResult r = RunRaw(args);
        EXPECT_EQ(r.exitCode, 1) << ::testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("tarvos: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(ReadBytes(Path("keep.tvd")), "not a journal");
}

}  // namespace
}  // namespace tarvos::testing
