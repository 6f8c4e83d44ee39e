// Waiting for a program a test started, bounded in time so that a hung program fails the test
// instead of hanging the suite.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace tarvos::testing {

// The exit status; -1 for a program killed by a signal or still running after `limit` (it is
// then killed).
inline int WaitForExit(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tarvos::testing
