#include "cli_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace tarvos::testing {
namespace {

// A hanging program is killed and fails its test (status -1) instead of stopping the suite.
int WaitWithTimeout(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RunResult CliTest::RunRaw(const std::vector<std::string>& args, const std::string& stdoutFile) const {
    const std::string outPath = stdoutFile.empty() ? Path("stdout.bin").string() : stdoutFile;
    const std::string errPath = Path("stderr.txt").string();
    std::vector<std::string> words{TARVOS_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The user's own class registry must not override the build's: point it into the test folder.
    // So is the simulated instrument's configuration and state: each test has its own.
    // The run journals of sweeps go there too, never among the user's own.
    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + Path("config").string(),
                                         "XDG_STATE_HOME=" + Path("state").string()};
    environment.insert(environment.end(), environment_.begin(), environment_.end());
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (entry.rfind("XDG_CONFIG_HOME=", 0) != 0 && entry.rfind("XDG_STATE_HOME=", 0) != 0 &&
            entry.rfind("KVR_SIM_CONFIG=", 0) != 0)
            environment.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, TARVOS_BINARY, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (spawned != 0) return result;  // status -1 fails the test
    result.exitCode = WaitWithTimeout(pid);
    if (stdoutFile.empty()) result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    return result;
}

RunResult CliTest::Run(std::vector<std::string> args) const {
    args.insert(args.end(), {"--settings", SettingsPath().string()});
    return RunRaw(args);
}

nlohmann::json CliTest::RunJson(std::vector<std::string> args) const {
    const RunResult r = Run(std::move(args));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return nlohmann::json::parse(r.out, nullptr, false);  // a parse failure compares unequal
}

}  // namespace tarvos::testing
