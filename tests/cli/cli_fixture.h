// Runs the tarvos program in a fresh directory of its own, with --settings pointing into it so
// that no test ever reads or writes the real kvr-tarvos.ini.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"

namespace tarvos::testing {

struct RunResult {
    int exitCode = -1;  // -1 when the program did not end normally
    std::string out;
    std::string err;
};

class CliTest : public TempDirectoryTest {
protected:
    std::filesystem::path SettingsPath() const { return Path("kvr-tarvos.ini"); }

    // Extra "NAME=value" entries for the environment of every run of this test.
    std::vector<std::string> environment_;

    // The arguments as given, with standard output going to `stdoutFile` when one is named.
    RunResult RunRaw(const std::vector<std::string>& args, const std::string& stdoutFile = {}) const;
    // The arguments followed by --settings SettingsPath().
    RunResult Run(std::vector<std::string> args) const;
    // Run, expecting success and JSON on standard output.
    nlohmann::json RunJson(std::vector<std::string> args) const;
};

}  // namespace tarvos::testing
