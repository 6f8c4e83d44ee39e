#include "measurement/run_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/number_text.h"

namespace tarvos {
namespace {

// " · " in UTF-8.
constexpr const char* kSep = " \xC2\xB7 ";
// Far beyond any real point (5000 s polls for more than four days); only a broken reading
// could ask for more, and the estimate must not hang on it.
constexpr int kMaxPolls = 100000;
constexpr double kMaxWidth = 1000;

std::string Count(int n, const char* what) { return std::to_string(n) + " " + what; }

}  // namespace

double SettlingSeconds(double berSeconds) {
    double t = std::trunc(std::min(std::max(berSeconds, 0.0) * 1000, 1e9));
    if (t < 200) t = 200;
    return 5 * t / 1000;
}

// The engine's poll loop replayed: the wait before each poll follows the remaining time the
// previous poll showed, and the count completes `berSeconds` per interval after it began.
double PollingSeconds(double berSeconds, int counterMax, double sinceStart, int complete, int remaining) {
    double t = sinceStart;
    for (int polls = 0; polls < kMaxPolls && complete < 2; ++polls) {
        t += std::clamp(static_cast<long long>(std::max(remaining, 0)) * 1000 / 20, 500LL, 5000LL) / 1000.0;
        int counter = counterMax;
        if (berSeconds > 0 && counterMax > 0) counter = static_cast<int>(std::min<double>(counterMax, std::floor(t / berSeconds)));
        if (counter == counterMax) ++complete;
        const double left = std::trunc(std::max(berSeconds, 0.0) * (counterMax - counter));
        remaining = static_cast<int>(std::min(left, 1e9));
    }
    return t - sinceStart;
}

double PointSeconds(double berSeconds, int counterMax) {
    const double settle = SettlingSeconds(berSeconds);
    return settle + PollingSeconds(berSeconds, counterMax, settle, 0, 0);
}

// Bisection on the 0.1 dB grid as the refinement does it, always keeping the larger half.
int RefinementPoints(double width) {
    if (!(width > 0)) return 0;
    long long lo = 0, hi = std::llround(std::min(width, kMaxWidth) * 10);
    int points = 0;
    while (hi - lo > 1) {  // more than 0.15 dB apart on the grid
        const long long mid = (lo + hi + 1) / 2;
        if (mid == lo || mid == hi) break;
        ++points;
        if (mid - lo >= hi - mid) hi = mid;
        else lo = mid;
    }
    return points;
}

std::string EstimateText(int seconds) {
    if (seconds < 60) return "less than 1 min left";
    const int minutes = (seconds + 30) / 60;
    if (minutes < 60) return "about " + std::to_string(minutes) + " min left";
    const int h = minutes / 60, m = minutes % 60;
    return "about " + std::to_string(h) + " h" + (m > 0 ? " " + std::to_string(m) + " min" : std::string()) + " left";
}

std::string BerText(double ber) {
    if (!(ber > 0) || !std::isfinite(ber)) return "0";
    int exponent = static_cast<int>(std::floor(std::log10(ber)));
    double mantissa = std::round(ber / std::pow(10.0, exponent) * 10) / 10;
    if (mantissa >= 10) {
        mantissa /= 10;
        ++exponent;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1fE%d", mantissa, exponent);
    return text;
}

std::string RunStatusText(const RunStatus& status) {
    const std::string cnr = "C/N " + FormatNumberVisibleDecimal(status.cnr, 3) + " dB";
    const std::string estimate = status.remainingSeconds ? kSep + EstimateText(*status.remainingSeconds) : std::string();
    switch (status.state) {
        case RunState::Idle:
        case RunState::Done: return "";
        case RunState::Starting: return "Starting measurement";
        case RunState::Paused: return "Paused";
        case RunState::Stepping:
            if (status.step == 0) return "Starting measurement";
            return "Step " + std::to_string(status.step) + " of " + std::to_string(status.steps) + kSep + cnr + estimate;
        case RunState::Refining: return std::string("Refining END") + kSep + cnr + estimate;
    }
    return "";
}

std::string RunSummaryText(const RunSummary& s) {
    if (s.ending == RunEnding::NotStarted) return "Measurement ended before its first step";
    std::string text;
    if (s.ending == RunEnding::Cancelled) text = std::string("Cancelled") + kSep;
    if (s.ending == RunEnding::ZeroBer) text = std::string("Stopped at BER 0") + kSep;
    const std::string at = " at " + BerText(s.thresholdBer);
    text += s.endValid ? "END " + FormatNumberVisibleDecimal(s.endDb, 3) + " dB" + at : "No END" + at;
    text += kSep + std::to_string(s.counts.stored) + " of " + std::to_string(s.steps) + " steps stored";
    std::vector<std::string> dropped;
    if (s.counts.belowLimit > 0) dropped.push_back(Count(s.counts.belowLimit, "below the BER limit"));
    if (s.counts.overLimit > 0) dropped.push_back(Count(s.counts.overLimit, "over the BER limit"));
    if (s.counts.noSync > 0) dropped.push_back(Count(s.counts.noSync, "without sync"));
    if (s.counts.skipped > 0) dropped.push_back(Count(s.counts.skipped, "skipped"));
    if (s.NotReached() > 0) dropped.push_back(Count(s.NotReached(), "not reached"));
    for (std::size_t i = 0; i < dropped.size(); ++i) text += (i == 0 ? kSep : ", ") + dropped[i];
    return text;
}

const char* RunStateName(RunState state) {
    switch (state) {
        case RunState::Idle: return "idle";
        case RunState::Starting: return "starting";
        case RunState::Stepping: return "step";
        case RunState::Refining: return "refining";
        case RunState::Paused: return "paused";
        case RunState::Done: return "done";
    }
    return "idle";
}

const char* RunEndingName(RunEnding ending) {
    switch (ending) {
        case RunEnding::NotStarted: return "notStarted";
        case RunEnding::Completed: return "completed";
        case RunEnding::ZeroBer: return "zeroBer";
        case RunEnding::Cancelled: return "cancelled";
    }
    return "notStarted";
}

void RunProgress::Apply(const RunEvent& e) {
    using K = RunEvent::Kind;
    switch (e.kind) {
        case K::Starting:
            Clear();
            state_ = RunState::Starting;
            break;
        case K::Stepping:
            plan_ = e;
            state_ = RunState::Stepping;
            summary_.steps = e.steps;
            break;
        case K::StepStarted:
            step_ = e.step;
            cnr_ = stepCnr_ = e.cnr;
            poll_.reset();
            pointOpen_ = true;
            break;
        case K::Polled:
            poll_ = e;
            counterMax_ = e.counterMax;
            break;
        case K::StepEnded: {
            StepCounts& c = summary_.counts;
            switch (e.result) {
                case StepResult::Stored: ++c.stored; break;
                case StepResult::BelowLimit: ++c.belowLimit; break;
                case StepResult::OverLimit: ++c.overLimit; break;
                case StepResult::NoSync: ++c.noSync; break;
                case StepResult::Skipped: ++c.skipped; break;
            }
            pointOpen_ = false;
            break;
        }
        case K::Refining:
            state_ = RunState::Refining;
            cnr_ = e.cnr;
            refinePoints_ = RefinementPoints(e.width);
            refineDone_ = 0;
            pointOpen_ = false;
            break;
        case K::RefinePoint:
            ++refineDone_;
            cnr_ = e.cnr;
            poll_.reset();
            pointOpen_ = true;
            break;
        case K::RefineEnded:
            if (state_ == RunState::Refining) state_ = RunState::Stepping;
            cnr_ = stepCnr_;  // the step whose storing found the crossing
            endFound_ = true;
            pointOpen_ = false;
            break;
        case K::Paused:
            if (state_ != RunState::Paused) beforePause_ = state_;
            state_ = RunState::Paused;
            break;
        case K::Resumed:
            if (state_ == RunState::Paused) state_ = beforePause_;
            break;
        case K::Ended:
            summary_.ending = e.ending;
            summary_.endValid = e.endValid;
            summary_.endDb = e.endDb;
            summary_.thresholdBer = e.thresholdBer;
            state_ = RunState::Done;
            break;
    }
}

// The current point's polls, the further steps of the grid that will be measured, and the
// midpoints of the END refinement (the one going on, or the one still to come when the END is
// searched for and not yet found).
std::optional<int> RunProgress::Remaining() const {
    if ((state_ != RunState::Stepping && state_ != RunState::Refining) || counterMax_ <= 0) return std::nullopt;
    const double bs = plan_.berSeconds;
    const double point = PointSeconds(bs, counterMax_);
    double seconds = 0;
    if (pointOpen_)
        seconds += poll_ ? PollingSeconds(bs, counterMax_, poll_->counter * bs, poll_->complete, poll_->remaining) : point;
    const int ahead = std::max(0, plan_.steps - std::max(step_, plan_.stepsBelowLimit));
    int refine = 0;
    if (state_ == RunState::Refining) refine = std::max(0, refinePoints_ - refineDone_);
    else if (plan_.findEnd && !endFound_ && ahead > 0) refine = RefinementPoints(plan_.stepWidth);
    seconds += (ahead + refine) * point;
    return static_cast<int>(std::min(std::round(seconds), 1e9));
}

RunStatus RunProgress::Status() const {
    RunStatus s;
    s.state = state_;
    s.step = step_;
    s.steps = plan_.steps;
    s.cnr = cnr_;
    s.remainingSeconds = Remaining();
    s.counts = summary_.counts;
    return s;
}

std::string RunProgress::Text() const {
    if (state_ == RunState::Done) return RunSummaryText(summary_);
    return RunStatusText(Status());
}

}  // namespace tarvos
