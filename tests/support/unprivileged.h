// Runs a piece of a test as a user without privileges: as root, in a child process that has
// become "nobody"; otherwise in a child process as the user the tests run as. Permission rules
// that root would bypass can then be checked in either setting.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <cerrno>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace tarvos::testing {

inline constexpr uid_t kNobody = 65534;
// The child's exit status when it could not give up root.
inline constexpr int kCannotDropPrivileges = 77;

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// The user the unprivileged part runs as.
inline uid_t UnprivilegedUser() { return RunningAsRoot() ? kNobody : ::geteuid(); }

// `body`'s result as the child's exit status (0 to 255), or -1 when the child did not end
// normally. The child must not use the test framework: it only returns a code.
inline int RunUnprivileged(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (RunningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(kCannotDropPrivileges);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Hands a test folder to the unprivileged user, so that it may create files there.
inline void GiveToUnprivilegedUser(const std::filesystem::path& folder) {
    if (RunningAsRoot()) {
        [[maybe_unused]] const int ignored = ::chown(folder.c_str(), kNobody, kNobody);
    }
}

}  // namespace tarvos::testing
