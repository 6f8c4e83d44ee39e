#include "cli/program_output.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace tarvos::cli {

Status WriteStdout(std::string_view bytes) {
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    if (written && std::fflush(stdout) == 0) return {};
    const int error = errno;
    std::string message = "cannot write to standard output";
    if (error != 0) message += ": " + std::generic_category().message(error);
    return Error{message, error};
}

int ReportFailure(std::string_view message) {
    std::fprintf(stderr, "tarvos: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailure;
}

int ReportFailure(const Error& error) { return ReportFailure(error.message); }

int FinishWithOutput(std::string_view bytes) {
    if (Status written = WriteStdout(bytes); !written.ok()) return ReportFailure(written.error());
    return kExitOk;
}

}  // namespace tarvos::cli
