// The run's progress as the status bar and scripts get it: the texts, the waits the estimate is
// made of, and the model folding a run's events into step, state, estimate and summary.
#include "measurement/run_progress.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarvos {
namespace {

const std::string kDot = " \xC2\xB7 ";

TEST(RunProgressTexts, EstimatesInWholeMinutesAndHours) {
    const std::pair<int, const char*> cases[] = {
        {0, "less than 1 min left"},   {59, "less than 1 min left"}, {60, "about 1 min left"},
        {360, "about 6 min left"},     {389, "about 6 min left"},    {390, "about 7 min left"},
        {3599, "about 1 h left"},      {4800, "about 1 h 20 min left"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(EstimateText(seconds), text) << seconds;
}

TEST(RunProgressTexts, BerWithOneDecimalOfMantissa) {
    const std::pair<double, const char*> cases[] = {
        {2e-4, "2.0E-4"}, {1.5e-7, "1.5E-7"}, {9.96e-5, "1.0E-4"}, {0.01, "1.0E-2"}, {0, "0"},
    };
    for (const auto& [ber, text] : cases) EXPECT_EQ(BerText(ber), text) << ber;
}

TEST(RunProgressTexts, StatusWhileTheRunGoes) {
    RunStatus step{RunState::Stepping, 7, 20, 25.4, 360, {}};
    RunStatus noEstimate{RunState::Stepping, 1, 20, 20.0, std::nullopt, {}};
    RunStatus refining{RunState::Refining, 9, 20, 24.6, 40, {}};
    RunStatus paused{RunState::Paused, 7, 20, 25.4, 360, {}};
    const std::pair<RunStatus, std::string> cases[] = {
        {step, "Step 7 of 20" + kDot + "C/N 25.4 dB" + kDot + "about 6 min left"},
        {noEstimate, "Step 1 of 20" + kDot + "C/N 20.0 dB"},
        {refining, "Refining END" + kDot + "C/N 24.6 dB" + kDot + "less than 1 min left"},
        {paused, "Paused"},
        {RunStatus{RunState::Starting, 0, 0, 0, std::nullopt, {}}, "Starting measurement"},
        {RunStatus{}, ""},
    };
    for (const auto& [status, text] : cases) EXPECT_EQ(RunStatusText(status), text);
}

TEST(RunProgressTexts, SummaryNamesEndAndWhyStepsWereDropped) {
    RunSummary done{RunEnding::Completed, 20, {12, 6, 0, 2, 0}, true, 1.02, 2e-4};
    RunSummary cancelled{RunEnding::Cancelled, 20, {3, 2, 1, 0, 1}, false, 0, 2e-4};
    RunSummary zero{RunEnding::ZeroBer, 10, {8, 0, 0, 0, 0}, true, 0.5, 1e-6};
    const std::pair<RunSummary, std::string> cases[] = {
        {done, "END 1.02 dB at 2.0E-4" + kDot + "12 of 20 steps stored" + kDot + "6 below the BER limit, 2 without sync"},
        {cancelled, "Cancelled" + kDot + "No END at 2.0E-4" + kDot + "3 of 20 steps stored" + kDot +
                        "2 below the BER limit, 1 over the BER limit, 1 skipped, 13 not reached"},
        {zero, "Stopped at BER 0" + kDot + "END 0.5 dB at 1.0E-6" + kDot + "8 of 10 steps stored" + kDot + "2 not reached"},
        {RunSummary{}, "Measurement ended before its first step"},
    };
    for (const auto& [summary, text] : cases) EXPECT_EQ(RunSummaryText(summary), text);
}

TEST(RunProgressWaits, TheEngineWaitsReplayed) {
    EXPECT_DOUBLE_EQ(SettlingSeconds(0.01), 1.0);  // raised to 200 ms, five times
    EXPECT_DOUBLE_EQ(SettlingSeconds(0.5), 2.5);
    // No known rate: every poll finds the count complete, two polls of the shortest wait.
    EXPECT_DOUBLE_EQ(PollingSeconds(0, 10, 1, 0, 0), 1.0);
    // One second per interval, ten intervals, from 1 s: polls every 0.5 s until 10 s and one more.
    EXPECT_DOUBLE_EQ(PollingSeconds(1, 10, 1, 0, 0), 9.5);
    EXPECT_DOUBLE_EQ(PollingSeconds(1, 10, 10, 1, 0), 0.5);  // complete once: one poll left
    // A long count: the point ends after the count, late by at most the longest wait and a poll.
    const double point = PointSeconds(10, 100);
    EXPECT_GE(point, 1000);
    EXPECT_LE(point, 1000 + 5 + 5);
}

TEST(RunProgressWaits, RefinementMidpointsOnTheTenthDbGrid) {
    const std::pair<double, int> cases[] = {{0.8, 3}, {0.789, 3}, {0.2, 1}, {0.1, 0}, {1.6, 4}, {0, 0}};
    for (const auto& [width, points] : cases) EXPECT_EQ(RefinementPoints(width), points) << width;
}

RunEvent Ev(RunEvent::Kind kind) {
    RunEvent e;
    e.kind = kind;
    return e;
}

TEST(RunProgressModel, StepsPauseRefinementAndSummary) {
    using K = RunEvent::Kind;
    RunProgress p;
    p.Apply(Ev(K::Starting));
    EXPECT_EQ(p.Text(), "Starting measurement");
    RunEvent plan = Ev(K::Stepping);
    plan.steps = 20;
    plan.stepsBelowLimit = 2;
    plan.stepWidth = 0.8;
    plan.berSeconds = 1;
    plan.findEnd = true;
    p.Apply(plan);
    for (int i = 1; i <= 2; ++i) {
        RunEvent below = Ev(K::StepEnded);
        below.step = i;
        below.result = StepResult::BelowLimit;
        p.Apply(below);
    }
    RunEvent step = Ev(K::StepStarted);
    step.step = 3;
    step.cnr = 21.6;
    p.Apply(step);
    EXPECT_EQ(p.Text(), "Step 3 of 20" + kDot + "C/N 21.6 dB");  // no reading yet: no estimate
    RunEvent poll = Ev(K::Polled);
    poll.counter = 4;
    poll.counterMax = 10;
    poll.remaining = 6;
    p.Apply(poll);
    // This point's polls, the 17 steps after it and the three midpoints of the END still to come.
    const double point = PointSeconds(1, 10);
    const double expected = PollingSeconds(1, 10, 4, 0, 6) + (17 + 3) * point;
    ASSERT_TRUE(p.Status().remainingSeconds);
    EXPECT_EQ(*p.Status().remainingSeconds, static_cast<int>(std::round(expected)));

    p.Apply(Ev(K::Paused));
    EXPECT_EQ(p.Text(), "Paused");
    p.Apply(Ev(K::Resumed));
    EXPECT_EQ(p.Text().rfind("Step 3 of 20", 0), 0u);

    RunEvent stored = Ev(K::StepEnded);
    stored.step = 3;
    p.Apply(stored);
    RunEvent refining = Ev(K::Refining);
    refining.cnr = 21.6;
    refining.width = 0.8;
    p.Apply(refining);
    p.Apply(Ev(K::RefinePoint));
    EXPECT_EQ(p.Text().rfind("Refining END", 0), 0u) << p.Text();
    // The midpoint being measured, two more and the 17 steps.
    EXPECT_EQ(*p.Status().remainingSeconds, static_cast<int>(std::round((1 + 2 + 17) * point)));
    p.Apply(Ev(K::RefineEnded));
    EXPECT_EQ(p.Text().rfind("Step 3 of 20" + kDot + "C/N 21.6 dB", 0), 0u) << p.Text();
    step.step = 4;
    p.Apply(step);
    // The END is found: no refinement is counted any more.
    EXPECT_EQ(*p.Status().remainingSeconds, static_cast<int>(std::round((1 + 16) * point)));

    RunEvent ended = Ev(K::Ended);
    ended.ending = RunEnding::Cancelled;
    ended.thresholdBer = 2e-4;
    p.Apply(ended);
    EXPECT_EQ(p.State(), RunState::Done);
    EXPECT_EQ(p.Text(), "Cancelled" + kDot + "No END at 2.0E-4" + kDot + "1 of 20 steps stored" + kDot +
                            "2 below the BER limit, 17 not reached");
    p.Clear();
    EXPECT_EQ(p.Text(), "");
}

}  // namespace
}  // namespace tarvos
