// What a run records beside its samples, against the simulated instrument whose true BER and
// counts are known: the counts behind every BER, how each point ended, the run's identity and
// times, and intervals that are real 95 % intervals.
#include <gtest/gtest.h>

#include "document/confidence.h"
#include "measurement/sweep_engine.h"
#include "platform/clock.h"
#include "simdriver/class_factories.h"
#include "simdriver/signal_model.h"
#include "simdriver/sim_receiver.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

class QuietUi : public RunUi {
public:
    void SetRunControls(RunControls) override {}
    void EnableSkipAccept(bool) override {}
    void ResponseLine(const std::string&) override {}
    void ShowRemainingTime(bool, const std::string&, int, int) override {}
    void ShowMarker(double, double) override {}
    void HideMarker() override {}
    void UpdateBerRange() override {}
    void RepaintNow() override {}
    void Invalidate() override {}
    MessageAnswer Message(const std::string&, MessageButtons) override { return MessageAnswer::Cancel; }
    void RequestPortSettings() override {}
    void RequestReceiverSettings() override {}
};

class RunRecordsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Clock::Instance().SetVirtual();
        sim::ServeSimulatorInProcess();
    }
    // One whole run on a fresh simulated receiver drawing its errors from `seed`.
    void Sweep(C_KVR_DiaDoc& doc, int seed, RunJournal* journal = nullptr) {
        testing::WriteBytes(dir_ / "sim.ini", "[Simulator]\nSeed=" + std::to_string(seed) +
                                                  "\nState File=" + (dir_ / "state.ini").string() + "\n");
        std::filesystem::remove(dir_ / "state.ini");
        sim::SimReceiver::Reconfigure(sim::LoadSimConfig(dir_ / "sim.ini"));
        QuietUi ui;
        SweepEngine engine(doc, ui, journal);
        doc.measuring = 1;
        engine.RunMeasurement();
    }
    testing::TempDir dir_;
};

TEST_F(RunRecordsTest, EverySampleCarriesTheCountsItsBerRestsOn) {
    C_KVR_DiaDoc doc;
    doc.SetComment("DUT 7");
    RunJournal journal(dir_ / "recovery");
    Sweep(doc, 3, &journal);
    const std::vector<MeasurementSample> samples = doc.MeasuredSamples();
    const MeasurementRecords r = doc.Records();
    ASSERT_GT(samples.size(), 3u);
    ASSERT_EQ(r.points.size(), samples.size());
    EXPECT_EQ(r.run.comment, "DUT 7");
    EXPECT_EQ(r.run.instrument.serialNumber, "100734");
    EXPECT_FALSE(r.run.instrument.identity.empty());
    EXPECT_EQ(r.run.programVersion.rfind("KVR Tarvos ", 0), 0u);
    EXPECT_EQ(r.run.thresholdBer, doc.ThresholdBer());
    EXPECT_GT(r.run.startUtcMs, 1700000000000);
    EXPECT_GE(r.run.endUtcMs, r.points.back().timeUtcMs);
    int refined = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(i);
        const PointRecord& p = r.points[i];
        EXPECT_NEAR(p.cnr + doc.SnrOffset(), samples[i].snr, 1e-9);
        EXPECT_EQ(p.bits, kBitsPerCounterStep * p.counter);
        EXPECT_GE(p.timeUtcMs, r.run.startUtcMs);
        if (p.ending == PointEnding::ZeroRule) EXPECT_EQ(samples[i].ber, 0.0);
        else EXPECT_DOUBLE_EQ(p.errors / p.bits, samples[i].ber);
        refined += p.ending == PointEnding::Refinement;
    }
    EXPECT_TRUE(doc.End().valid);
    EXPECT_GE(refined, 1);
    // A crash loses none of it: the journal holds the records as they stand at the end.
    ASSERT_TRUE(journal.Path().has_value());
    EXPECT_EQ(ReadJournal(*journal.Path()).value().records, r);
}

TEST_F(RunRecordsTest, IntervalsHoldTheTrueBerAtLeastNinetyPercentOfTheTime) {
    int inside = 0, total = 0;
    for (int seed = 1; seed <= 20; ++seed) {
        C_KVR_DiaDoc doc;
        Sweep(doc, seed);
        const sim::SimReceiver& receiver = sim::SimReceiver::Instance();
        const auto point = static_cast<sim::BerPoint>(doc.Receiver().berPoint);
        const MeasurementRecords r = doc.Records();
        for (const PointRecord& p : r.points) {
            const double truth =
                sim::BerAt(receiver.State(), p.cnr + sim::SnrOffsetDb(receiver.State()), receiver.Loss(), point);
            const BerInterval i = ClopperPearson(p.errors, p.bits);
            ASSERT_TRUE(i.valid);
            inside += i.lower <= truth && truth <= i.upper;
            ++total;
        }
    }
    ASSERT_GT(total, 100);
    EXPECT_GE(inside, 0.9 * total) << inside << " of " << total;
    RecordProperty("coverage", std::to_string(inside) + " of " + std::to_string(total));
}

}  // namespace
}  // namespace tarvos
