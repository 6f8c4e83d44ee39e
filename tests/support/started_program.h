// A program that a test or a benchmark starts and owns (kvr-instrument, tarvos): its output goes
// to files, and it is killed when its owner ends, and also when the starting process dies, so
// that no instrument or sweep outlives a failed, crashed or killed test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace tarvos::testing {

class StartedProgram {
public:
    // Starts `program` with `args`, standard input from /dev/null, standard output to `out` and
    // standard error to `err` (to `out` as well when `err` is empty). Each "NAME=value" of
    // `environment` replaces or adds to this process's environment.
    StartedProgram(const std::string& program, const std::vector<std::string>& args, const std::filesystem::path& out,
                   const std::filesystem::path& err = {}, const std::vector<std::string>& environment = {}) {
        std::vector<std::string> words{program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<std::string> env = Environment(environment);
        std::vector<char*> argv = Pointers(words);
        std::vector<char*> envp = Pointers(env);
        // Opened here, not in the child: once this returns, the files hold nothing of an earlier
        // program that wrote them.
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int e = err.empty() ? o : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t parent = ::getpid();
        if (in >= 0 && o >= 0 && e >= 0) pid_ = ::fork();
        if (pid_ == 0) {
            // The child: only calls that are safe between fork and exec.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            if (::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
            // A line or a pseudo-terminal this process holds must not stay open in the child.
            ::close_range(3, ~0U, 0);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        if (in >= 0) ::close(in);
        if (o >= 0) ::close(o);
        if (e >= 0 && e != o) ::close(e);
    }
    ~StartedProgram() { Kill(); }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    bool Running() {
        if (pid_ <= 0 || reaped_) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == 0) return true;
        reaped_ = true;
        return false;
    }

    // Ended at once, as a process killed or an instrument switched off is; reaped.
    void Kill() {
        if (!Running()) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
    }

    // Asked to end (SIGTERM) and waited for up to `limit`, then killed: its exit status, or -1
    // when it did not end normally.
    int Stop(std::chrono::milliseconds limit) {
        if (Running()) ::kill(pid_, SIGTERM);
        return Wait(limit);
    }

    // Waited for up to `limit`, then killed: its exit status, or -1 when it did not end normally.
    int Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (Running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Running()) {
            Kill();
            return -1;
        }
        return pid_ > 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }

private:
    static std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
        std::vector<std::string> env = overrides;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view entry(*e);
            bool replaced = false;
            for (const std::string& o : overrides) {
                const std::size_t eq = o.find('=');
                if (eq != std::string::npos && entry.substr(0, eq + 1) == std::string_view(o).substr(0, eq + 1))
                    replaced = true;
            }
            if (!replaced) env.emplace_back(entry);
        }
        return env;
    }
    static std::vector<char*> Pointers(std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (std::string& t : texts) pointers.push_back(t.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};

inline std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether `file` came to hold `text` before `program` ended or `limit` passed.
inline bool WaitForText(StartedProgram& program, const std::filesystem::path& file, std::string_view text,
                        std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (FileText(file).find(text) != std::string::npos) return true;
        if (!program.Running()) return FileText(file).find(text) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace tarvos::testing
