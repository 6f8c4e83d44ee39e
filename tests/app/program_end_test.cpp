// The window program's end as a process: the settings file it writes (the document's sections
// before the diagram's, the window's own after them, and only for a window that was shown) and the
// orderly end on a quit signal during a run (exit 0, settings written,
// the journal of the unsaved samples kept for the next start).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "document/dia_doc.h"
#include "document/document_file.h"
#include "measurement/run_journal.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace tarvos::testing {
namespace {

class ProgramEndTest : public TempDirectoryTest {
protected:
    std::filesystem::path Settings() const { return Path("kvr-tarvos.ini"); }
    std::filesystem::path Recovery() const { return Path("state") / "kvr-tarvos" / "recovery"; }

    // Starts kvr-tarvos offscreen with its settings, state, registry and simulator in the test
    // folder, and with the quit signals at their defaults whatever the test runner blocks.
    pid_t Start(std::vector<std::string> args) {
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=3\nState File=" + Path("sim-state.ini").string() + "\n");
        args.insert(args.begin(), TARVOS_WINDOW_BINARY);
        args.insert(args.end(), {"--settings", Settings().string()});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + Path("config").string(),
                                             "XDG_STATE_HOME=" + Path("state").string(),
                                             "KVR_SIM_CONFIG=" + Path("sim.ini").string()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view entry(*e);
            bool replaced = false;
            for (const char* name : {"QT_QPA_PLATFORM=", "XDG_CONFIG_HOME=", "XDG_STATE_HOME=", "KVR_SIM_CONFIG="})
                replaced = replaced || entry.starts_with(name);
            if (!replaced) environment.emplace_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, Path("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, Path("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t quit;
        sigemptyset(&quit);
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&quit, signal);
        posix_spawnattr_setsigdefault(&attributes, &quit);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        if (::posix_spawn(&pid, TARVOS_WINDOW_BINARY, &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }


    // The section headers of the settings file, in file order.
    std::vector<std::string> Sections() const {
        std::vector<std::string> sections;
        const std::string text = ReadBytes(Settings());
        for (std::size_t at = text.find('['); at != std::string::npos; at = text.find("\n[", at + 1)) {
            const std::size_t open = text[at] == '[' ? at : at + 1;
            sections.push_back(text.substr(open, text.find(']', open) - open + 1));
        }
        return sections;
    }

    const std::vector<std::string> kAllSections{"[Measurement]",       "[Port Settings]",    "[KVR Settings]",
                                                "[Unattended Runs]",   "[Diagram Elements]", "[Diagram Settings]"};
    // A window that was on the screen keeps its size and place as well.
    const std::vector<std::string> kShownWindowSections{
        "[Measurement]",       "[Port Settings]",    "[KVR Settings]",     "[Unattended Runs]",
        "[Diagram Elements]",  "[Diagram Settings]", "[Window]"};
};

TEST_F(ProgramEndTest, ANewSettingsFileGetsTheDocumentsSectionsBeforeTheDiagrams) {
    C_KVR_DiaDoc doc;
    doc.AppendSample(20, 1e-3);
    ASSERT_TRUE(SaveDocument(doc, Path("m.tvd")).ok());
    const pid_t pid = Start({"--print", Path("m.tvd").string(), "--print-to", Path("m.pdf").string()});
    ASSERT_GT(pid, 0);
    ASSERT_EQ(WaitForExit(pid, std::chrono::seconds(60)), 0) << ReadBytes(Path("err.txt"));
    EXPECT_EQ(Sections(), kAllSections);
}

TEST_F(ProgramEndTest, AQuitSignalDuringARunEndsInOrderAndKeepsTheJournal) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::filesystem::remove_all(Path("state"));
        std::filesystem::remove(Settings());
        const pid_t pid = Start({"--start-measurement", "--time-scale", "0.01"});
        ASSERT_GT(pid, 0);
        std::size_t samples = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (samples < 2 && std::chrono::steady_clock::now() < deadline) {
            const std::vector<JournalInfo> journals = ListJournals(Recovery());
            samples = journals.empty() ? 0 : journals.front().samples;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_GE(samples, 2u) << signal << ReadBytes(Path("err.txt"));
        ::kill(pid, signal);
        EXPECT_EQ(WaitForExit(pid, std::chrono::seconds(60)), 0) << signal << ReadBytes(Path("err.txt"));
        EXPECT_EQ(Sections(), kShownWindowSections) << signal;
        const std::vector<JournalInfo> orphans = OrphanedJournals(Recovery());
        ASSERT_EQ(orphans.size(), 1u) << signal;
        EXPECT_GE(orphans[0].samples, samples) << signal;
    }
}

}  // namespace
}  // namespace tarvos::testing
