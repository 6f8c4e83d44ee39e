// The measurement document: receiver settings, the measured and the theoretical curve, END,
// the sweep's options and connection settings, and the run flags the measurement dialog sets.
// Shared by the window thread and the measurement worker: the two curves, END, the fit record
// and zeroBerExponent are guarded by one mutex; the run flags are atomics.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "document/end_result.h"
#include "document/measurement_sample.h"
#include "document/parabola_fit.h"
#include "document/run_records.h"
#include "document/sample_list.h"
#include "document/settings_persistence.h"
#include "platform/result.h"

namespace tarvos {

// Everything of the document that the worker changes while the window paints.
struct DocumentCurves {
    SampleList measured;
    SampleList theory;
    EndResult end;
    ParabolaFit fit;
    int zeroBerExponent = 16;
    // Empty, or one point record per measured sample in list order.
    MeasurementRecords records;
};

class C_KVR_DiaDoc {
public:
    static constexpr int kTheorySteps = 100;
    static constexpr const char* kUntitled = "Untitled";

    // Loads the three settings groups from `store`; without a store every default applies.
    explicit C_KVR_DiaDoc(std::shared_ptr<SettingsPersistence> store = nullptr);
    C_KVR_DiaDoc(const C_KVR_DiaDoc&) = delete;
    C_KVR_DiaDoc& operator=(const C_KVR_DiaDoc&) = delete;

    // Writes the settings groups back to the store, once; later calls write nothing.
    Status Close();

    // --- Settings groups (receiver and port changed by the dialogs while no measurement runs;
    // the options also during a run: the run takes a change at its next use) ---
    const ReceiverSettings& Receiver() const { return receiver_; }
    void SetReceiver(const ReceiverSettings& rs) { receiver_ = rs; }
    MeasurementOptions Options() const;
    void SetOptions(const MeasurementOptions& options);
    const PortSettings& Port() const { return port_; }
    void SetPort(const PortSettings& port) { port_ = port; }
    StoredSettings CurrentSettings() const { return {Options(), port_, receiver_}; }
    double ThresholdBer() const { return Options().threshold; }
    void SetThresholdBer(double ber);

    // --- Numerical operations on the receiver settings ---
    double TheoreticalBer(double snr) const;
    int BitsPerSymbol() const;
    double KneeSnr() const;
    double ExtrapolatedBer(double snr);  // records its fit
    double TheoreticalSnrAtBer(double ber) const;
    void BuildTheoreticalCurve(double from, double to);
    void UpdateEnd();
    double SnrOffset() const;
    double MinGeneratorCnr() const;
    double MaxGeneratorCnr() const;
    double BerLimitForPoint() const;
    // `measureBitrate` yields the instrument's bit rate in Mbit/s; asked in mode 13 only.
    void ComputeBerMeasurementSeconds(const std::function<double()>& measureBitrate);
    double BerMeasurementSeconds() const { return berMeasurementSeconds_.load(); }
    void ResetMeasurement();

    // --- The measured curve ---
    // Without a record, a document that keeps point records gets an empty one (counts not
    // known) so that the records stay aligned with the samples.
    void AppendSample(double snr, double ber);
    void InsertOrReplaceSample(double snr, double ber);
    void AppendSample(double snr, double ber, const PointRecord& record);
    void InsertOrReplaceSample(double snr, double ber, const PointRecord& record);
    MeasurementRecords Records() const;
    RunRecord Run() const;
    // Replaces the run record except its comment: the user may edit that during the run.
    void SetRun(const RunRecord& run);
    // The free comment of File > Properties; it belongs to the measurement, not to a run.
    void SetComment(const std::string& comment);
    double MeasuredSnrAtBer(double ber) const;
    std::size_t MeasuredCount() const;
    std::vector<MeasurementSample> MeasuredSamples() const;
    std::vector<MeasurementSample> TheoreticalSamples() const;
    EndResult End() const;
    ParabolaFit Fit() const;
    int ZeroBerExponent() const;
    void SetZeroBerExponent(int exponent);
    // Replaces receiver settings and measured curve as opening a file does, then rebuilds the
    // theoretical curve over the measure range and END at the current threshold.
    void ReplaceMeasurement(const ReceiverSettings& rs, SampleList&& measured,
                            MeasurementRecords&& records = {});

    // Runs `f(const DocumentCurves&)` under the document's lock: a consistent view for a whole
    // repaint, export or save. `f` must not call back into members that take the lock.
    template <class F>
    decltype(auto) WithCurves(F&& f) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::forward<F>(f)(static_cast<const DocumentCurves&>(curves_));
    }

    // --- Document identity, as the window framework keeps it ---
    std::string Title() const;
    std::string PathName() const;
    void SetPathName(const std::string& path);  // titles the document with the file name
    bool IsModified() const { return modified_.load(); }
    void SetModifiedFlag(bool modified = true) { modified_.store(modified); }

    // --- Run flags, written by one thread and polled by the other ---
    std::atomic<int> cancelRequested{0};
    std::atomic<int> paused{0};
    std::atomic<int> measuring{0};
    std::atomic<int> skipRequested{0};
    std::atomic<int> acceptRequested{0};

private:
    std::shared_ptr<SettingsPersistence> store_;
    bool closed_ = false;

    mutable std::mutex optionsMutex_;
    MeasurementOptions options_;
    PortSettings port_;
    ReceiverSettings receiver_;
    std::atomic<double> berMeasurementSeconds_{0.0};

    mutable std::mutex mutex_;
    DocumentCurves curves_;

    mutable std::mutex identityMutex_;
    std::string pathName_;
    std::atomic<bool> modified_{false};
};

}  // namespace tarvos
