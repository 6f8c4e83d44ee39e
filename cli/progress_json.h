// "tarvos sweep --progress json": where the run stands as JSON lines on standard output, one
// each time the status changes, and a last line with END and the counts of the steps.
#pragma once

#include <cstddef>
#include <string>

#include "cli/json_text.h"
#include "measurement/run_progress.h"
#include "platform/result.h"

namespace tarvos::cli {

// state, step, steps, cnr, remainingSeconds, stored, dropped, text.
Json RunStatusJson(const RunStatus& status);
// state "done", ending, endDb, thresholdBer, samples, steps, stored, dropped, text.
Json RunSummaryJson(const RunSummary& summary, std::size_t samples);

// Folds the engine's events (on its worker) into lines on standard output. The run's end is
// left to the caller, who knows the END of the finished document.
class JsonProgressWriter {
public:
    void Apply(const RunEvent& event);
    RunSummary Summary() const { return progress_.Summary(); }
    // The first failed write, if any; later lines are not tried.
    Status LastError() const { return failed_; }

private:
    RunProgress progress_;
    std::string last_;
    Status failed_;
};

}  // namespace tarvos::cli
