#include "simdriver/sim_receiver.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/clock.h"

namespace tarvos::sim {
namespace {

std::uint64_t SeedOf(const SimConfig& c) {
    if (c.seed != 0) return c.seed;
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

namespace {

// The receiver of the process: kept for its whole life, like the instrument it stands for.
std::unique_ptr<SimReceiver>& Slot() {
    static auto* slot = new std::unique_ptr<SimReceiver>();
    return *slot;
}

std::mutex& SlotMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

}  // namespace

SimReceiver& SimReceiver::Instance() {
    std::lock_guard<std::mutex> lock(SlotMutex());
    if (!Slot()) Slot() = std::make_unique<SimReceiver>(LoadSimConfig());
    return *Slot();
}

void SimReceiver::Reconfigure(SimConfig config) {
    std::lock_guard<std::mutex> lock(SlotMutex());
    Slot() = std::make_unique<SimReceiver>(std::move(config));
}

SimReceiver::SimReceiver(SimConfig config)
    : config_(std::move(config)),
      state_(LoadReceiverState(config_.stateFile)),
      random_(SeedOf(config_)),
      counters_{BerCounter(random_()), BerCounter(random_()), BerCounter(random_())},
      intervals_(config_.counterMax),
      failingSyncReads_(config_.faults.failingSyncReads),
      negativeBerReads_(config_.faults.negativeBerReads) {
    RestartCount();
    RestartAcquisition();
}

std::chrono::nanoseconds SimReceiver::Now() const { return Clock::Instance().Now(); }

void SimReceiver::SaveState() {
    // A receiver that cannot store its settings keeps working with them in memory.
    (void)SaveReceiverState(config_.stateFile, state_);
}

double SimReceiver::Snr() const { return DemodulatorSnr(state_, config_.signalSnr); }

double SimReceiver::Loss() const { return config_.LossFor(state_.mode); }

bool SimReceiver::FrameSync() {
    const FaultConfig& f = config_.faults;
    if (state_.noiseGenerator != 0) {
        for (double cnr : f.syncLostAtCnr)
            if (std::fabs(cnr - state_.cnr) <= 0.05) return false;
    }
    if (f.syncLossRate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < f.syncLossRate) return false;
    return SyncHolds(state_, Snr(), Loss());
}

bool SimReceiver::CarrierLocked() const { return Snr() > 3.0; }

void SimReceiver::RestartCount() {
    const double rate = TransportBitRate(state_);
    for (BerCounter& c : counters_) c.Restart(Now(), rate, intervals_);
}

void SimReceiver::SetIntervals(int intervals) {
    intervals_ = std::clamp(intervals, 1, 1000);
    RestartCount();
}

void SimReceiver::AdvanceCounts() {
    const double snr = Snr();
    const double loss = Loss();
    const BerPoint points[] = {BerPoint::BeforeViterbi, BerPoint::BeforeRs, BerPoint::AfterRs};
    for (int i = 0; i < 3; ++i) counters_[i].Advance(Now(), BerAt(state_, snr, loss, points[i]));
}

double SimReceiver::ReadBer(BerPoint point) {
    AdvanceCounts();
    shown_ = point;
    return counters_[static_cast<int>(point)].Ber();
}

const BerCounter& SimReceiver::ShownCounter() {
    AdvanceCounts();
    return counters_[static_cast<int>(shown_)];
}

void SimReceiver::RestartAcquisition() { acquisitionStart_ = Now(); }

double SimReceiver::AcquisitionProgress() const {
    if (config_.faults.stallAcquisitions) return 0.37;
    const double elapsed = std::chrono::duration<double>(Now() - acquisitionStart_).count();
    return std::clamp(elapsed / config_.acquisitionSeconds, 0.0, 1.0);
}

bool SimReceiver::TakeFailingSyncRead() {
    if (failingSyncReads_ <= 0) return false;
    --failingSyncReads_;
    return true;
}

bool SimReceiver::TakeNegativeBerRead() {
    if (negativeBerReads_ <= 0) return false;
    --negativeBerReads_;
    return true;
}

}  // namespace tarvos::sim
