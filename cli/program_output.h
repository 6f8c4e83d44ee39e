// How a command hands back its result: the output on standard output exactly as made, every
// failure as one "tarvos: ..." line on standard error with exit status 1.
#pragma once

#include <string_view>

#include "platform/result.h"

namespace tarvos::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

// Writes `bytes` unchanged and flushes, so that a full disk or a closed pipe is noticed.
Status WriteStdout(std::string_view bytes);

// Prints the message to standard error; returns kExitFailure.
int ReportFailure(std::string_view message);
int ReportFailure(const Error& error);

// Writes the command's output; the exit status says whether it all arrived.
int FinishWithOutput(std::string_view bytes);

}  // namespace tarvos::cli
