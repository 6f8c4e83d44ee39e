// The one simulated receiver of the process, shared by every driver object as one instrument
// is shared by every connection: its settings (saved to the state file on every change), its
// BER counters, acquisitions in progress and the fault switches of the configuration.
#pragma once

#include <chrono>
#include <mutex>
#include <random>
#include <string>

#include "simdriver/ber_counter.h"
#include "simdriver/receiver_state.h"
#include "simdriver/sim_config.h"
#include "simdriver/signal_model.h"

namespace tarvos::sim {

class SimReceiver {
public:
    // Created on first use from the configuration file and the state file.
    static SimReceiver& Instance();
    // Replaces the receiver with one of `config` (tests and in-process hosts); no driver call
    // may be in progress.
    static void Reconfigure(SimConfig config);
    explicit SimReceiver(SimConfig config);

    // Every driver call holds this lock: the receiver is used from the caller's thread only,
    // but several objects may talk to it.
    std::mutex& Lock() { return mutex_; }

    const SimConfig& Config() const { return config_; }
    const ReceiverState& State() const { return state_; }
    // Changes settings and keeps them in the state file; `restartsCount` for settings that
    // change the signal, which restart the BER count as the instrument does.
    template <class F>
    void Change(F&& change, bool restartsCount) {
        std::forward<F>(change)(state_);
        SaveState();
        if (restartsCount) RestartCount();
    }

    double Snr() const;   // at the demodulator
    double Loss() const;  // implementation loss of the current mode
    bool FrameSync();     // with the sync faults of the configuration applied
    bool CarrierLocked() const;

    // The BER count: restarted by MeasureResetBer, SpecFuncMinBerIntegration and signal changes.
    void RestartCount();
    void SetIntervals(int intervals);
    int Intervals() const { return intervals_; }
    // The BER at a measuring point as the counter has it now (the point is then the one shown).
    double ReadBer(BerPoint point);
    const BerCounter& ShownCounter();

    // Acquisitions (crest factor, spectrum averaging, jitter, OFDM averaging) start when the view
    // or the carrier range changes and complete after the configured time.
    void RestartAcquisition();
    // 0 .. 1 of the acquisition done (stays put when acquisitions are set to stall).
    double AcquisitionProgress() const;

    std::mt19937_64& Random() { return random_; }

    // Fault bookkeeping.
    bool TakeFailingSyncRead();
    bool TakeNegativeBerRead();

private:
    void SaveState();
    void AdvanceCounts();
    std::chrono::nanoseconds Now() const;

    std::mutex mutex_;
    SimConfig config_;
    ReceiverState state_;
    std::mt19937_64 random_;
    BerCounter counters_[3];
    BerPoint shown_ = BerPoint::BeforeRs;
    int intervals_ = 10;
    std::chrono::nanoseconds acquisitionStart_{0};
    int failingSyncReads_ = 0;
    int negativeBerReads_ = 0;
};

}  // namespace tarvos::sim
