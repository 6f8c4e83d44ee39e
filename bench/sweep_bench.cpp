// Cost of a whole measurement against the simulated instrument: the engine's own time per
// measured point when every wait is free (virtual clock), the waits the run mandates, and how
// close a run with waits scaled to 1/1000 comes to those scaled waits.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "document/dia_doc.h"
#include "measurement/sweep_engine.h"
#include "platform/clock.h"

namespace tarvos {
namespace {

constexpr double kScale = 0.001;

// A run nobody watches: counts the points the engine measures and notes a message that ends it.
class CountingUi : public RunUi {
public:
    void SetRunControls(RunControls) override {}
    void EnableSkipAccept(bool) override {}
    void ResponseLine(const std::string& text) override {
        if (text.rfind("Set carrier to noise ratio", 0) == 0) ++points;
    }
    void ShowRemainingTime(bool, const std::string&, int, int) override {}
    void ShowMarker(double, double) override {}
    void HideMarker() override {}
    void UpdateBerRange() override {}
    void RepaintNow() override {}
    void Invalidate() override {}
    MessageAnswer Message(const std::string&, MessageButtons buttons) override {
        failed = true;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    void RequestPortSettings() override {}
    void RequestReceiverSettings() override {}

    long points = 0;
    bool failed = false;
};

struct RunFigures {
    double wallSeconds = 0;
    double clockSeconds = 0;  // the clock's advance: the waits at their full length
    long points = 0;
    std::size_t samples = 0;
    bool failed = false;
};

// One default run on this thread, as Start would prepare it.
RunFigures Sweep() {
    C_KVR_DiaDoc doc;
    CountingUi ui;
    SweepEngine engine(doc, ui);
    doc.measuring = 1;
    const auto clockStart = Clock::Instance().Now();
    const auto wallStart = std::chrono::steady_clock::now();
    engine.RunMeasurement();
    RunFigures f;
    f.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    f.clockSeconds = std::chrono::duration<double>(Clock::Instance().Now() - clockStart).count();
    f.points = ui.points;
    f.samples = doc.MeasuredCount();
    f.failed = ui.failed;
    return f;
}

// One sweep per benchmark iteration, the figures summed over all of them.
RunFigures SweepRepeatedly(benchmark::State& state) {
    RunFigures total;
    for (auto _ : state) {
        const RunFigures f = Sweep();
        if (f.failed || f.points == 0) state.SkipWithError("the simulated run did not complete");
        total.wallSeconds += f.wallSeconds;
        total.clockSeconds += f.clockSeconds;
        total.points += f.points;
        total.samples += f.samples;
    }
    return total;
}

void BM_SweepVirtualClock(benchmark::State& state) {
    Clock::Instance().SetVirtual();
    const RunFigures total = SweepRepeatedly(state);
    Clock::Instance().SetRealTime();
    const double runs = static_cast<double>(state.iterations());
    if (total.points == 0) return;
    state.counters["engine_us_per_point"] = total.wallSeconds * 1e6 / static_cast<double>(total.points);
    state.counters["mandated_wait_s"] = total.clockSeconds / runs;
    state.counters["points"] = static_cast<double>(total.points) / runs;
    state.counters["samples"] = static_cast<double>(total.samples) / runs;
}
BENCHMARK(BM_SweepVirtualClock)->Unit(benchmark::kMillisecond);

void BM_SweepScaledWaits(benchmark::State& state) {
    Clock::Instance().SetRealTime(kScale);
    const RunFigures total = SweepRepeatedly(state);
    Clock::Instance().SetRealTime();
    if (total.clockSeconds <= 0) return;
    state.counters["scaled_wait_ms"] = total.clockSeconds * kScale * 1e3 / static_cast<double>(state.iterations());
    state.counters["wall_over_scaled_waits"] = total.wallSeconds / (total.clockSeconds * kScale);
}
BENCHMARK(BM_SweepScaledWaits)->Unit(benchmark::kMillisecond)->Iterations(3);

// The simulated instrument reads its configuration once, at its first use in the process: it
// must be in place before any benchmark runs, in a folder of this run that is removed at the end.
class SimulatorFolder {
public:
    SimulatorFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-sweep-bench-").string() + std::string(6, 'X');  // for mkdtemp
        if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category());
        path_ = pattern;
        std::ofstream(path_ / "sim.ini") << "[Simulator]\nSeed=11\nState File=" << (path_ / "state.ini").string()
                                          << "\n";
        ::setenv("KVR_SIM_CONFIG", (path_ / "sim.ini").c_str(), 1);
        // The user's own class registry must not replace the one beside this program.
        ::setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
    }
    ~SimulatorFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SimulatorFolder(const SimulatorFolder&) = delete;
    SimulatorFolder& operator=(const SimulatorFolder&) = delete;

private:
    std::filesystem::path path_;
};

}  // namespace
}  // namespace tarvos

int main(int argc, char** argv) {
    tarvos::SimulatorFolder folder;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
