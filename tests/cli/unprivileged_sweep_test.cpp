// A user outside the serial port's group, with a program installed where users cannot write:
// a sweep with the GUI method, which needs no port, still measures and stores its samples.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_fixture.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "tests/support/unprivileged.h"

namespace tarvos::testing {
namespace {

// Exit status of the child when this user cannot run the built program at all.
constexpr int kProgramNotReachable = 78;

class UnprivilegedSweep : public CliTest {
protected:
    // The sweep as the unprivileged user, with its home, configuration and state in the test folder.
    RunResult SweepAsUnprivilegedUser() const {
        std::vector<std::string> words{TARVOS_BINARY, "sweep", "--time-scale", "0", "--out", Path("out.tvd").string(),
                                       "--settings", SettingsPath().string()};
        std::vector<std::string> environment{"HOME=" + dir_.path().string(),
                                             "XDG_CONFIG_HOME=" + Path("config").string(),
                                             "XDG_STATE_HOME=" + Path("state").string(),
                                             "KVR_SIM_CONFIG=" + Path("sim.ini").string()};
        std::vector<char*> argv, envp;
        for (std::string& w : words) argv.push_back(w.data());
        for (std::string& e : environment) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        const std::string out = Path("stdout.txt").string(), err = Path("stderr.txt").string();
        RunResult result;
        result.exitCode = RunUnprivileged([&] {
            if (::access(TARVOS_BINARY, X_OK) != 0) return kProgramNotReachable;
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) return 1;
            ::execve(TARVOS_BINARY, argv.data(), envp.data());
            return kProgramNotReachable;
        });
        result.out = ReadBytes(out);
        result.err = ReadBytes(err);
        return result;
    }
};

TEST_F(UnprivilegedSweep, TheGuiMethodMeasuresAndStoresItsSamples) {
    WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=5\nState File=" + Path("state.ini").string() + "\n");
    WriteBytes(SettingsPath(), "[Port Settings]\nRC Method=3\nCOM Port=1\n");
    GiveToUnprivilegedUser(dir_.path());
    const RunResult r = SweepAsUnprivilegedUser();
    if (r.exitCode == kCannotDropPrivileges) GTEST_SKIP() << "cannot become an unprivileged user";
    if (r.exitCode == kProgramNotReachable || r.err.find("error while loading shared libraries") != std::string::npos)
        GTEST_SKIP() << "the build tree cannot be read by the unprivileged user: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;

    C_KVR_DiaDoc doc;
    ASSERT_TRUE(OpenDocument(doc, Path("out.tvd")).ok());
    EXPECT_GE(doc.MeasuredCount(), 5u);
    // Beside a library that root built, the user cannot write: the logs go to the user's state.
    if (RunningAsRoot()) {
        EXPECT_TRUE(std::filesystem::is_directory(Path("state/kvr-tarvos/Logs")));
    }
}

}  // namespace
}  // namespace tarvos::testing
