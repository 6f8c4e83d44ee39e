// The document: settings load and write-back, END bookkeeping, reset, and the lock that lets
// the worker change the curves while the window walks them.
#include "document/dia_doc.h"

#include <gtest/gtest.h>

#include <thread>

#include "document/theory.h"

namespace tarvos {
namespace {

class RecordingStore : public SettingsPersistence {
public:
    StoredSettings toLoad;
    std::vector<StoredSettings> saved;
    StoredSettings Load() override { return toLoad; }
    Status Save(const StoredSettings& s) override {
        saved.push_back(s);
        return {};
    }
};

// Samples of a receiver 1 dB worse than theory around the default threshold.
void AddCurveOneDbWorse(C_KVR_DiaDoc& doc) {
    for (double snr = 20; snr <= 28.01; snr += 1) doc.AppendSample(snr + 1, doc.TheoreticalBer(snr));
}

TEST(DiaDoc, ConstructionLoadsTheStoreAndResets) {
    auto store = std::make_shared<RecordingStore>();
    store->toLoad.options.samples = 33;
    store->toLoad.port.baudRate = 9600;
    store->toLoad.receiver.mode = 13;
    C_KVR_DiaDoc doc(store);
    EXPECT_EQ(doc.Options().samples, 33);
    EXPECT_EQ(doc.Port().baudRate, 9600);
    EXPECT_EQ(doc.Receiver().mode, 13);
    EXPECT_EQ(doc.ZeroBerExponent(), 16);
    EXPECT_EQ(doc.End().valid, 0);
    EXPECT_EQ(doc.MeasuredCount(), 0u);
    EXPECT_EQ(doc.measuring.load() + doc.paused.load() + doc.cancelRequested.load() +
                  doc.skipRequested.load() + doc.acceptRequested.load(),
              0);
    EXPECT_EQ(doc.Title(), "Untitled");
}

TEST(DiaDoc, WithoutAStoreEveryDefaultApplies) {
    C_KVR_DiaDoc doc;
    EXPECT_EQ(doc.CurrentSettings(), StoredSettings{});
    EXPECT_EQ(doc.ThresholdBer(), 2.0e-4);
    EXPECT_TRUE(doc.Close().ok());
}

TEST(DiaDoc, CloseWritesTheCurrentSettingsOnce) {
    auto store = std::make_shared<RecordingStore>();
    C_KVR_DiaDoc doc(store);
    ReceiverSettings rs = doc.Receiver();
    rs.frequency = 474;
    doc.SetReceiver(rs);
    doc.SetThresholdBer(1e-5);
    EXPECT_TRUE(doc.Close().ok());
    EXPECT_TRUE(doc.Close().ok());
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].receiver.frequency, 474);
    EXPECT_EQ(store->saved[0].options.threshold, 1e-5);
}

TEST(DiaDoc, EndIsMeasuredMinusTheoryAtTheThreshold) {
    C_KVR_DiaDoc doc;
    AddCurveOneDbWorse(doc);
    doc.UpdateEnd();
    const EndResult end = doc.End();
    ASSERT_EQ(end.valid, 1);
    EXPECT_EQ(end.theoryBer, 2e-4);
    EXPECT_EQ(end.measuredBer, 2e-4);
    EXPECT_NEAR(end.theorySnr, doc.TheoreticalSnrAtBer(2e-4), 0);
    // Linear interpolation in log BER between 1 dB grid points is close to, not exactly, 1 dB.
    EXPECT_NEAR(end.EndDb(), 1.0, 0.05);
}

TEST(DiaDoc, EndFollowsTheThresholdAndKeepsOldValuesWhenInvalid) {
    C_KVR_DiaDoc doc;
    AddCurveOneDbWorse(doc);
    doc.UpdateEnd();
    const EndResult before = doc.End();
    doc.SetThresholdBer(1e-6);
    doc.UpdateEnd();
    EXPECT_EQ(doc.End().valid, 1);
    EXPECT_GT(doc.End().measuredSnr, before.measuredSnr);
    doc.SetThresholdBer(1e-30);  // the measured curve never gets there
    doc.UpdateEnd();
    const EndResult after = doc.End();
    EXPECT_EQ(after.valid, 0);
    EXPECT_EQ(after.theoryBer, 1e-30);
    EXPECT_NE(after.measuredSnr, 0);  // the last valid crossing stays in the record
}

TEST(DiaDoc, NoTheoryMeansNoEnd) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = doc.Receiver();
    rs.mode = 7;
    doc.SetReceiver(rs);
    doc.AppendSample(20, 1e-2);
    doc.AppendSample(24, 1e-6);
    doc.BuildTheoreticalCurve(20, 35);
    doc.UpdateEnd();
    EXPECT_EQ(doc.End().valid, 0);
    EXPECT_EQ(doc.End().theorySnr, 0);
    EXPECT_TRUE(doc.TheoreticalSamples().empty());
}

TEST(DiaDoc, ResetMeasurementClearsSamplesEndAndZeroExponent) {
    C_KVR_DiaDoc doc;
    AddCurveOneDbWorse(doc);
    doc.UpdateEnd();
    doc.SetZeroBerExponent(10);
    doc.ResetMeasurement();
    EXPECT_EQ(doc.MeasuredCount(), 0u);
    EXPECT_EQ(doc.End().valid, 0);
    EXPECT_EQ(doc.ZeroBerExponent(), 16);
}

TEST(DiaDoc, ExtrapolationAndCurveRecordTheirFit) {
    C_KVR_DiaDoc doc;
    doc.ExtrapolatedBer(33);
    EXPECT_EQ(doc.Fit().s[2], 30);  // fitted at the knee
    doc.BuildTheoreticalCurve(20, 35);
    const ParabolaFit fit = doc.Fit();
    EXPECT_EQ(fit.valid, 1);
    EXPECT_GT(fit.s[2], 30);  // fitted at the last trusted grid point
    EXPECT_FALSE(doc.TheoreticalSamples().empty());
}

TEST(DiaDoc, BerMeasurementSecondsAsksTheInstrumentOnlyInDvbt) {
    C_KVR_DiaDoc doc;
    int asked = 0;
    doc.ComputeBerMeasurementSeconds([&] { ++asked; return 20.0; });
    EXPECT_EQ(asked, 0);
    EXPECT_DOUBLE_EQ(doc.BerMeasurementSeconds(), 9999264 / (6 * 6.9e6));
    ReceiverSettings rs = doc.Receiver();
    rs.mode = 13;
    doc.SetReceiver(rs);
    doc.ComputeBerMeasurementSeconds([&] { ++asked; return 20.0; });
    EXPECT_EQ(asked, 1);
    EXPECT_DOUBLE_EQ(doc.BerMeasurementSeconds(), 9999264 / 20e6);
}

TEST(DiaDoc, WorkerChangesAndWindowWalksSeeConsistentLists) {
    C_KVR_DiaDoc doc;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) {
            doc.AppendSample(20 + i * 0.001, 1e-3);
            if (i % 100 == 0) {
                doc.InsertOrReplaceSample(20.0005 + i * 0.001, 2e-3);
                doc.UpdateEnd();
                doc.BuildTheoreticalCurve(20, 21);
            }
        }
        done = true;
    });
    std::size_t walks = 0;
    while (!done || walks == 0) {
        doc.WithCurves([&](const DocumentCurves& c) {
            std::size_t n = 0;
            double previous = -1;
            for (const auto& s : c.measured) {
                EXPECT_GE(s.snr, previous);
                previous = s.snr;
                ++n;
            }
            EXPECT_EQ(n, c.measured.Count());
        });
        ++walks;
    }
    worker.join();
    EXPECT_EQ(doc.MeasuredCount(), 2020u);
}

}  // namespace
}  // namespace tarvos
