#include "cli/progress_json.h"

#include <cmath>

#include "cli/program_output.h"

namespace tarvos::cli {
namespace {

Json DroppedJson(const RunSummary& s) {
    return Json{{"belowLimit", s.counts.belowLimit}, {"overLimit", s.counts.overLimit}, {"noSync", s.counts.noSync},
                {"skipped", s.counts.skipped}, {"notReached", s.NotReached()}};
}

}  // namespace

Json RunStatusJson(const RunStatus& status) {
    RunSummary counts;
    counts.steps = status.steps;
    counts.counts = status.counts;
    Json out = Json::object();
    out["state"] = RunStateName(status.state);
    out["step"] = status.step;
    out["steps"] = status.steps;
    // On the 0.1 dB grid as the instrument was set, without the binary fraction's tail.
    out["cnr"] = status.step > 0 ? JsonNumber(std::round(status.cnr * 10) / 10) : Json(nullptr);
    out["remainingSeconds"] = status.remainingSeconds ? Json(*status.remainingSeconds) : Json(nullptr);
    out["stored"] = status.counts.stored;
    Json dropped = DroppedJson(counts);
    dropped.erase("notReached");  // the run is still going
    out["dropped"] = std::move(dropped);
    out["text"] = RunStatusText(status);
    return out;
}

Json RunSummaryJson(const RunSummary& summary, std::size_t samples) {
    Json out = Json::object();
    out["state"] = RunStateName(RunState::Done);
    out["ending"] = RunEndingName(summary.ending);
    out["endDb"] = summary.endValid ? JsonNumber(summary.endDb) : Json(nullptr);
    out["thresholdBer"] = JsonNumber(summary.thresholdBer);
    out["samples"] = samples;
    out["steps"] = summary.steps;
    out["stored"] = summary.counts.stored;
    out["dropped"] = DroppedJson(summary);
    out["text"] = RunSummaryText(summary);
    return out;
}

void JsonProgressWriter::Apply(const RunEvent& event) {
    progress_.Apply(event);
    if (progress_.State() == RunState::Done || !failed_.ok()) return;
    const std::string line = JsonText(RunStatusJson(progress_.Status()));
    if (line == last_) return;
    last_ = line;
    failed_ = WriteStdout(line);
}

}  // namespace tarvos::cli
