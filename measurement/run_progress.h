// Where a run stands, for a user who is not watching the measurement dialog: the sweep engine's
// progress events, the state and estimate made of them (step n of N, C/N, the time the waits
// still to come will take) and the one-line summary of how many steps were kept and why the
// others were dropped, with the texts the main window's status bar shows.
#pragma once

#include <optional>
#include <string>

namespace tarvos {

// Why a step of the grid ended as it did.
enum class StepResult {
    Stored,
    BelowLimit,    // C/N below where the theory reaches the BER limit: not measured at all
    OverLimit,     // measured, BER at or above the BER limit
    NoSync,        // sync lost during the step
    Skipped,       // Skip Sample
};

// How a run ended.
enum class RunEnding { NotStarted, Completed, ZeroBer, Cancelled };

struct RunEvent {
    enum class Kind {
        Starting,      // connecting, checking the settings and the sync
        Stepping,      // the instrument has taken the run: the plan below is known
        StepStarted,   // step, cnr
        Polled,        // counter, counterMax, complete, remaining
        StepEnded,     // step, result
        Refining,      // cnr (the low end) and width of the interval that holds the crossing
        RefinePoint,   // cnr
        RefineEnded,
        Paused,
        Resumed,
        Ended,         // ending, endValid, endDb, thresholdBer
    };
    Kind kind = Kind::Starting;
    int step = 0;
    double cnr = 0;
    StepResult result = StepResult::Stored;
    // Stepping: the grid and what its waits are made of.
    int steps = 0;
    int stepsBelowLimit = 0;  // the first steps of the grid, never measured
    double stepWidth = 0;     // dB between steps
    double berSeconds = 0;    // the time one BER reading takes
    bool findEnd = false;
    // Polled.
    int counter = 0, counterMax = 0, complete = 0, remaining = 0;
    // Refining.
    double width = 0;
    // Ended.
    RunEnding ending = RunEnding::Completed;
    bool endValid = false;
    double endDb = 0, thresholdBer = 0;
};

enum class RunState { Idle, Starting, Stepping, Refining, Paused, Done };

struct StepCounts {
    int stored = 0, belowLimit = 0, overLimit = 0, noSync = 0, skipped = 0;
    int Ended() const { return stored + belowLimit + overLimit + noSync + skipped; }
};

struct RunStatus {
    RunState state = RunState::Idle;
    int step = 0, steps = 0;
    double cnr = 0;
    std::optional<int> remainingSeconds;  // none until the first reading tells how counts go
    StepCounts counts;
};

struct RunSummary {
    RunEnding ending = RunEnding::NotStarted;
    int steps = 0;
    StepCounts counts;
    bool endValid = false;
    double endDb = 0, thresholdBer = 0;
    int NotReached() const { return steps > counts.Ended() ? steps - counts.Ended() : 0; }
};

// The waits of the engine, in seconds: the settling wait after a new C/N, the polls from a
// count's state (seconds since it began, complete counts seen, the last remaining time) until
// two complete counts, and one whole point.
double SettlingSeconds(double berSeconds);
double PollingSeconds(double berSeconds, int counterMax, double sinceStart, int complete, int remaining);
double PointSeconds(double berSeconds, int counterMax);
// The midpoints the END refinement measures at most in an interval of `width` dB.
int RefinementPoints(double width);

// "about 6 min left", "about 1 h 20 min left", "less than 1 min left".
std::string EstimateText(int seconds);
// 2.0E-4
std::string BerText(double ber);
// "Step 7 of 20 · C/N 25.4 dB · about 6 min left", "Paused", "Refining END · C/N 24.6 dB";
// empty when idle.
std::string RunStatusText(const RunStatus& status);
// "END 1.02 dB at 2.0E-4 · 12 of 20 steps stored · 6 below the BER limit, 2 without sync"
std::string RunSummaryText(const RunSummary& summary);
const char* RunStateName(RunState state);
const char* RunEndingName(RunEnding ending);

// The events of one run folded into its status and summary. Plain data: whoever shows it
// applies the events on the thread that shows it.
class RunProgress {
public:
    void Apply(const RunEvent& event);
    RunStatus Status() const;
    RunSummary Summary() const { return summary_; }
    RunState State() const { return state_; }
    // The status bar's text: the status while the run goes, the summary after it, empty when idle.
    std::string Text() const;
    // Back to Idle (the summary has been read).
    void Clear() { *this = RunProgress(); }

private:
    std::optional<int> Remaining() const;

    RunState state_ = RunState::Idle;
    RunState beforePause_ = RunState::Idle;
    RunEvent plan_;
    int step_ = 0;
    double cnr_ = 0;
    double stepCnr_ = 0;
    // The point being measured: its last poll, when there was one.
    bool pointOpen_ = false;
    std::optional<RunEvent> poll_;
    int counterMax_ = 0;  // of the last reading of the run
    bool endFound_ = false;
    int refinePoints_ = 0, refineDone_ = 0;
    RunSummary summary_;
};

}  // namespace tarvos
