// The sweep engine against the simulated instrument under the virtual clock: the run plan, every
// connect-phase failure, the steps with skip, accept, zero rule and cancel, the instrument-error
// retry, the END refinement, and that every run ends with the generator off and the flags clear.
#include "measurement/sweep_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>

#include "platform/clock.h"
#include "simdriver/class_factories.h"
#include "simdriver/sim_receiver.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

// Records what the run shows; `onLine` presses buttons at chosen moments of the run.
class RecordingUi : public RunUi {
public:
    explicit RecordingUi(C_KVR_DiaDoc& doc) : doc_(doc) {}
    std::vector<std::string> lines, messages;
    std::vector<RunControls> controls;
    int portRequests = 0, receiverRequests = 0;
    bool measuringAtRequest = true;
    std::function<void(const std::string&)> onLine;
    std::vector<MessageAnswer> answers;  // for Retry/Cancel boxes, in turn (then Cancel)

    void SetRunControls(RunControls c) override { controls.push_back(c); }
    void EnableSkipAccept(bool) override {}
    void ResponseLine(const std::string& text) override {
        lines.push_back(text);
        if (onLine) onLine(text);
    }
    bool remainingShown = false;
    void ShowRemainingTime(bool show, const std::string&, int, int) override { remainingShown = show; }
    void ShowMarker(double, double) override {}
    void HideMarker() override {}
    void UpdateBerRange() override {}
    void RepaintNow() override {}
    void Invalidate() override {}
    MessageAnswer Message(const std::string& text, MessageButtons buttons) override {
        messages.push_back(text);
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return MessageAnswer::Cancel;
        const MessageAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<std::pair<MessageAnswer, int>> answered;  // by the instrument-error policy
    int ended = 0;
    void InstrumentErrorAnswered(MessageAnswer answer, int retries) override { answered.emplace_back(answer, retries); }
    void RunEnded() override { ++ended; }
    void RequestPortSettings() override {
        ++portRequests;
        measuringAtRequest = doc_.measuring != 0;
    }
    void RequestReceiverSettings() override {
        ++receiverRequests;
        measuringAtRequest = doc_.measuring != 0;
    }
    int Count(const std::string& prefix) const {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }

private:
    C_KVR_DiaDoc& doc_;
};

class SweepTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Clock::Instance().SetVirtual();
        sim::ServeSimulatorInProcess();
    }
    void SetUp() override { Simulate(""); }
    // A fresh simulated receiver in its first state, with `faults` lines in its [Faults] section.
    void Simulate(const std::string& faults, double loss = 1.0) {
        testing::WriteBytes(dir_ / "sim.ini", "[Simulator]\nSeed=11\nImplementation Loss=" + std::to_string(loss) +
                                                  "\nState File=" + (dir_ / "state.ini").string() +
                                                  "\n[Faults]\n" + faults);
        std::filesystem::remove(dir_ / "state.ini");
        sim::SimReceiver::Reconfigure(sim::LoadSimConfig(dir_ / "sim.ini"));
    }
    // Runs on the calling thread as the worker would, after what Start does.
    void Run() {
        doc.measuring = 1;
        engine.RunMeasurement();
    }
    // `connected`: the connection was still open at the end, so the generator must be off.
    void ExpectCleanEnd(bool connected = true) {
        EXPECT_EQ(doc.measuring.load() + doc.paused.load() + doc.cancelRequested.load(), 0);
        EXPECT_EQ(ui.controls.back(), RunControls::Idle);
        EXPECT_EQ(ui.lines.back(), kLineIdle);
        EXPECT_FALSE(ui.remainingShown);
        EXPECT_TRUE(!connected || sim::SimReceiver::Instance().State().noiseGenerator == 0);
    }

    testing::TempDir dir_;
    C_KVR_DiaDoc doc;
    RecordingUi ui{doc};
    SweepEngine engine{doc, ui};
};

ReceiverSettings SawOff() {
    ReceiverSettings rs;
    rs.sawBandwidth = 0;  // offset 0
    return rs;
}

TEST(RunPlan, StepsOnTheTenthDbGrid) {
    C_KVR_DiaDoc doc;
    doc.SetReceiver(SawOff());
    RunPlan p = ComputeRunPlan(doc);
    EXPECT_TRUE(p.possible);
    EXPECT_DOUBLE_EQ(p.first, 20.0);
    EXPECT_NEAR(p.last, 35.0, 1e-12);
    EXPECT_NEAR(p.step, 15.0 / 19, 1e-12);
    EXPECT_EQ(p.k, 20);
    MeasurementOptions o = doc.Options();
    o.samples = 200;
    doc.SetOptions(o);
    p = ComputeRunPlan(doc);
    EXPECT_DOUBLE_EQ(p.step, 0.1);
    EXPECT_EQ(p.k, 151);
    o.samples = 1;
    doc.SetOptions(o);
    EXPECT_EQ(ComputeRunPlan(doc).k, 1);
}

TEST(RunPlan, RangeLimitsAndImpossibleRanges) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = SawOff();
    rs.snrEnd = 80;  // beyond the generator
    doc.SetReceiver(rs);
    EXPECT_NEAR(ComputeRunPlan(doc).last, 62.0, 1e-12);
    rs.snrEnd = 20.04;  // rounds onto the start
    doc.SetReceiver(rs);
    EXPECT_FALSE(ComputeRunPlan(doc).possible);
    rs.snrBegin = 12;
    rs.snrEnd = 14;  // entirely below where 64-QAM reaches the BER limit
    doc.SetReceiver(rs);
    const RunPlan p = ComputeRunPlan(doc);
    EXPECT_GT(p.lowLimit, 14);
    EXPECT_FALSE(p.possible);
    rs.mode = 7;  // no theory: no low limit
    doc.SetReceiver(rs);
    EXPECT_EQ(ComputeRunPlan(doc).lowLimit, 0);
    EXPECT_TRUE(ComputeRunPlan(doc).possible);
}

TEST(RunTexts, LinesAsTheDialogShowsThem) {
    EXPECT_EQ(CnrLine(12), "Set carrier to noise ratio: 12.0 dB");
    EXPECT_EQ(CnrLine(12.3), "Set carrier to noise ratio: 12.3 dB");
    EXPECT_EQ(BerLine(2.3e-5, 5), "Measure BER: 2.3 E-5");
    EXPECT_EQ(BerLine(2e-4, 4), "Measure BER: 2.0 E-4");
    EXPECT_EQ(RemainingTimeText(3900), "Remaining time: 1 h, 5 min, 0 sec");
    EXPECT_EQ(RemainingTimeText(42), "Remaining time: 42 sec");
}

TEST_F(SweepTest, AWholeRunStoresTheGridAndFindsTheEnd) {
    Run();
    const auto samples = doc.MeasuredSamples();
    ASSERT_GT(samples.size(), 5u);
    const double offset = doc.SnrOffset();
    for (const auto& s : samples) {
        const double cnr = s.snr - offset;
        EXPECT_NEAR(cnr * 10, std::round(cnr * 10), 1e-6) << s.snr;
        EXPECT_LT(s.ber, 0.004);
    }
    ASSERT_EQ(doc.End().valid, 1);
    EXPECT_NEAR(doc.End().EndDb(), 1.0, 0.3);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(ui.messages.empty());
    ExpectCleanEnd();
}

TEST_F(SweepTest, TheEndFollowsTheImplementationLoss) {
    Simulate("", 2.5);
    Run();
    ASSERT_EQ(doc.End().valid, 1);
    EXPECT_NEAR(doc.End().EndDb(), 2.5, 0.3);
}

TEST_F(SweepTest, ConnectPhaseFailuresEndTheRunWithTheirMessageAndRequest) {
    PortSettings wrong = doc.Port();
    wrong.baudRate = 9600;
    doc.SetPort(wrong);
    doc.AppendSample(1, 1);  // a refused start must not cost the previous measurement
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgConnectionFailed});
    EXPECT_EQ(ui.portRequests, 1);
    EXPECT_FALSE(ui.measuringAtRequest);  // served after the run, never swallowed by the guard
    EXPECT_EQ(doc.MeasuredCount(), 1u);
    EXPECT_FALSE(doc.IsModified());
    ExpectCleanEnd();

    doc.SetPort(PortSettings{});
    ReceiverSettings other = doc.Receiver();
    other.mode = 6;  // the instrument is in mode 4
    doc.SetReceiver(other);
    ui.messages.clear();
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgSettingsDiffer});
    EXPECT_EQ(ui.receiverRequests, 1);
    EXPECT_EQ(doc.MeasuredCount(), 1u);
    ExpectCleanEnd();
}

TEST_F(SweepTest, NoSyncAtTheStartAndAnImpossibleRange) {
    Simulate("Sync Lost At=62\n");
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgSyncFailed});
    ExpectCleanEnd();
    Simulate("Refuse Connection=1\n");
    ReceiverSettings rs = doc.Receiver();
    rs.snrBegin = 30;
    rs.snrEnd = 25;
    doc.SetReceiver(rs);
    ui.messages.clear();
    ui.lines.clear();
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgNotPossible});  // before any connection
    EXPECT_EQ(ui.Count(kLineOpen), 0);
}

TEST_F(SweepTest, CancelKeepsWhatWasMeasured) {
    int steps = 0;
    ui.onLine = [&](const std::string& line) {
        if (line.rfind("Set carrier", 0) == 0 && ++steps == 4) doc.cancelRequested = 1;
    };
    Run();
    EXPECT_EQ(steps, 4);
    EXPECT_LE(doc.MeasuredCount(), 3u);
    EXPECT_GE(doc.MeasuredCount(), 1u);
    ExpectCleanEnd();
}

TEST_F(SweepTest, SkipDropsTheStepAndAcceptEndsItEarly) {
    int steps = 0;
    ui.onLine = [&](const std::string& line) {
        if (line.rfind("Measure BER", 0) != 0) return;
        ++steps;
        if (steps == 1) doc.skipRequested = 1;    // the first step: BER at or above the limit
        if (steps == 3) doc.acceptRequested = 1;
    };
    Run();
    // The first steps lie above the BER limit, so the skip stays set and takes the first step
    // that would have been stored.
    EXPECT_EQ(doc.skipRequested.load(), 0);
    EXPECT_EQ(doc.acceptRequested.load(), 0);
    ExpectCleanEnd();
}

TEST_F(SweepTest, ZeroRuleStoresZeroAndEndsWithZeroExit) {
    MeasurementOptions o = doc.Options();
    o.resolution = 7;  // the simulator's counts resolve 1e-8
    doc.SetOptions(o);
    Run();
    const auto samples = doc.MeasuredSamples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.back().ber, 0);
    EXPECT_EQ(doc.ZeroBerExponent(), 7);
    EXPECT_LT(samples.back().snr - doc.SnrOffset(), 35.0);  // ended before the last step
    ExpectCleanEnd();
}

TEST_F(SweepTest, InstrumentErrorOffersRetryAndCancel) {
    // Three failed BER reads at the first step: the instrument does not answer.
    Simulate("Negative BER Reads=3\n");
    ui.answers = {MessageAnswer::Retry};
    Run();
    EXPECT_EQ(ui.messages.front(), kMsgNoResponse);
    EXPECT_GE(ui.Count(kLineError), 1);
    EXPECT_GT(doc.MeasuredCount(), 3u);  // the retry measured the step again and the run went on
    ExpectCleanEnd();

    Simulate("Negative BER Reads=3\n");
    ui.messages.clear();
    Run();  // no answers left: Cancel
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgNoResponse});
    ExpectCleanEnd();
}

TEST_F(SweepTest, TheInstrumentErrorPolicyAnswersTheNoResponseMessage) {
    using P = InstrumentErrorPolicy;
    using A = MessageAnswer;
    const struct {
        P policy;
        std::vector<std::string> messages;  // shown to the user (the fake answers Cancel)
        std::vector<std::pair<A, int>> answered;
    } cases[] = {
        {P::Ask, {kMsgNoResponse}, {}},
        {P::Retry, {}, {{A::Retry, 1}, {A::Retry, 2}, {A::Retry, 3}, {A::Cancel, 3}}},
        {P::Cancel, {}, {{A::Cancel, 0}}},
    };
    for (const auto& c : cases) {
        // From the fourth point on the instrument gives no BER any more: every retry fails again.
        Simulate("");
        ui.onLine = [&](const std::string& line) {
            if (line.rfind(kLineSetCnr, 0) == 0 && ui.Count(kLineSetCnr) == 4)
                Simulate("Negative BER Reads=1000000\n");
        };
        MeasurementOptions options = doc.Options();
        options.onInstrumentError = c.policy;
        doc.SetOptions(options);
        ui.messages.clear();
        ui.answered.clear();
        ui.ended = 0;
        Run();
        const int policy = static_cast<int>(c.policy);
        EXPECT_EQ(ui.messages, c.messages) << policy;
        EXPECT_EQ(ui.answered, c.answered) << policy;
        // What was stored before the failure stays (the first point lies above the BER limit).
        EXPECT_EQ(doc.MeasuredCount(), 2u) << policy;
        EXPECT_EQ(ui.ended, 1) << policy;
        ExpectCleanEnd();
        ui.onLine = nullptr;
        ui.lines.clear();
    }
}

TEST_F(SweepTest, AVanishedInstrumentEndsInTheErrorPath) {
    Simulate("Disconnect After Calls=30\n");
    Run();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back(), kMsgNoResponse);
    ExpectCleanEnd();  // the end of run connects once more to switch the generator off
}

TEST_F(SweepTest, PauseClosesTheConnectionUntilContinue) {
    std::atomic<int> pauses{0};
    ui.onLine = [&](const std::string& line) {
        if (line.rfind("Set carrier", 0) == 0 && pauses++ == 1) doc.paused = 1;
    };
    engine.Start();
    while (doc.paused == 0 && doc.measuring) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    doc.paused = 0;
    engine.Join();
    EXPECT_EQ(doc.End().valid, 1);
    ExpectCleanEnd();
}

TEST_F(SweepTest, StartRefusesASecondRun) {
    doc.measuring = 1;
    EXPECT_FALSE(engine.Start());
    doc.measuring = 0;
    ASSERT_TRUE(engine.Start());
    engine.Join();
    ExpectCleanEnd();
}

TEST_F(SweepTest, TheJournalHoldsEveryStoredSampleAtOnce) {
    // Each repaint follows a stored step or the END refinement's pair: by then the journal
    // must hold exactly what the document holds.
    struct CheckingUi : RecordingUi {
        using RecordingUi::RecordingUi;
        const RunJournal* journal = nullptr;
        const C_KVR_DiaDoc* checked = nullptr;
        std::vector<std::string> mismatches;
        std::size_t repaintsWithJournal = 0;
        void RepaintNow() override {
            const std::optional<std::filesystem::path> path = journal->Path();
            if (!path) return;
            ++repaintsWithJournal;
            const Result<DocumentContents> read = ReadJournal(*path);
            const std::size_t held = read.ok() ? read.value().samples.Count() : 0;
            if (held != checked->MeasuredCount())
                mismatches.push_back(std::to_string(held) + " of " + std::to_string(checked->MeasuredCount()));
        }
    };
    RunJournal journal(dir_ / "recovery");
    CheckingUi checking(doc);
    checking.journal = &journal;
    checking.checked = &doc;
    SweepEngine journalled(doc, checking, &journal);
    doc.measuring = 1;
    journalled.RunMeasurement();
    ASSERT_EQ(doc.End().valid, 1);  // the refinement ran
    EXPECT_TRUE(checking.mismatches.empty()) << ::testing::PrintToString(checking.mismatches);
    EXPECT_GT(checking.repaintsWithJournal, 5u);
    ASSERT_TRUE(journal.Path());
    const Result<DocumentContents> last = ReadJournal(*journal.Path());
    ASSERT_TRUE(last.ok());
    EXPECT_EQ(last.value().samples.ToVector(), doc.MeasuredSamples());
}

}  // namespace
}  // namespace tarvos
