// A whole sweep over the serial line against the same sweep on the in-process simulator, both run
// by the tarvos program as a user runs them, with every wait scaled to 1/100. Over the line,
// kvr-instrument serves the receiver on a pseudo-terminal at 19200 baud with its clock scaled the
// same way, the wire driver is registered in place of the simulator, and a tap between the
// program's port and the instrument counts what crosses the line. One run per variant: each takes
// from seconds to tens of seconds.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "bench/line_tap.h"
#include "tests/support/started_program.h"

namespace tarvos::bench {
namespace {

using testing::FileText;
using testing::StartedProgram;
using Millis = std::chrono::milliseconds;

constexpr const char* kTimeScale = "0.01";
constexpr int kBaudRate = 19200;
constexpr int kComPort = 5;
constexpr int kBitsPerCharacter = 10;  // start, 8 data, stop
constexpr auto kSweepLimit = std::chrono::minutes(10);

// The files of one benchmark run: the simulator's configuration (the same receiver in both
// variants), the program's settings with the COM port naming the tap, the registry that puts the
// wire driver in place of the simulator. Removed at the end.
class BenchFolder {
public:
    BenchFolder() {
        // mkdtemp replaces the six X with a unique name.
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-line-bench-").string() + "XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category());
        path_ = pattern;
        const std::string com = std::to_string(kComPort);
        const std::string baud = std::to_string(kBaudRate);
        std::ofstream(Path("sim.ini")) << "[Simulator]\nSeed=11\nImplementation Loss=1.0\nState File="
                                       << Path("state.ini").string() << "\n[Interface]\nCOM Port=" << com
                                       << "\nBaudrate=" << baud << "\nHandshake=NO\n";
        std::ofstream(Path("kvr-tarvos.ini")) << "[Port Settings]\nCOM Port=" << com << "\nBaudrate=" << baud
                                              << "\nHandshake=0\n[Serial Ports]\nCOM" << com << "="
                                              << Path("port").string() << "\n";
        std::filesystem::create_directories(Path("line-config") / "kvr-tarvos");
        std::filesystem::create_directories(Path("simulator-config"));
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::filesystem::path Path(const char* name) const { return path_ / name; }

    // The wire driver in the registry of the line variant's configuration folder.
    bool RegisterWireDriver() const {
        const std::filesystem::path registry = Path("line-config") / "kvr-tarvos" / "registry.ini";
        StartedProgram regsvr(KVR_REGSVR_BINARY, {"--file", registry.string(), WIRE_DRIVER_MODULE}, Path("regsvr.log"));
        return regsvr.Wait(Millis(20000)) == 0;
    }

private:
    std::filesystem::path path_;
};

struct SweepFigures {
    double wallSeconds = 0;
    long points = 0;  // C/N steps measured, refinement included
    long samples = 0;
    double endDb = 0;
    std::string failure;  // empty when the sweep ended normally with END
};

long CountLinesStartingWith(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    long count = 0;
    for (std::string line; std::getline(lines, line);) count += line.rfind(start, 0) == 0 ? 1 : 0;
    return count;
}

// `tarvos sweep` with the bench's settings; `configHome` decides which driver its registry names.
SweepFigures Sweep(const BenchFolder& folder, const std::filesystem::path& configHome) {
    std::error_code ignored;
    std::filesystem::remove(folder.Path("state.ini"), ignored);  // every run starts from the same receiver
    const auto start = std::chrono::steady_clock::now();
    StartedProgram tarvos(TARVOS_BINARY,
                          {"sweep", "--settings", folder.Path("kvr-tarvos.ini").string(), "--time-scale", kTimeScale},
                          folder.Path("sweep.out"), folder.Path("sweep.err"),
                          {"XDG_CONFIG_HOME=" + configHome.string(), "XDG_STATE_HOME=" + folder.Path("state").string(),
                           "KVR_SIM_CONFIG=" + folder.Path("sim.ini").string()});
    const int status = tarvos.Wait(kSweepLimit);
    SweepFigures f;
    f.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string out = FileText(folder.Path("sweep.out"));
    const std::string err = FileText(folder.Path("sweep.err"));
    f.points = CountLinesStartingWith(err, "Set carrier to noise ratio");
    std::istringstream summary(out);
    std::string word, endText;
    summary >> word >> f.samples >> word >> endText;
    f.endDb = std::atof(endText.c_str());
    if (status != 0 || f.points == 0 || endText == "none") f.failure = "the sweep did not complete: " + out + err;
    return f;
}

void SetSweepCounters(benchmark::State& state, const SweepFigures& f) {
    state.SetIterationTime(f.wallSeconds);
    state.counters["wall_s"] = f.wallSeconds;
    state.counters["points"] = static_cast<double>(f.points);
    state.counters["samples"] = static_cast<double>(f.samples);
    state.counters["END_dB"] = f.endDb;
    state.counters["wall_ms_per_point"] = f.wallSeconds * 1e3 / static_cast<double>(f.points);
}

void SweepOverSerialLine(benchmark::State& state, const BenchFolder& folder) {
    for (auto _ : state) {
        const std::vector<std::string> options{"--config", folder.Path("sim.ini").string(),
                                               "--link", folder.Path("instrument").string(),
                                               "--baud", std::to_string(kBaudRate), "--time-scale", kTimeScale};
        StartedProgram instrument(KVR_INSTRUMENT_BINARY, options, folder.Path("instrument.log"));
        if (!testing::WaitForText(instrument, folder.Path("instrument.log"), "ready\n", Millis(10000))) {
            state.SkipWithError(("kvr-instrument did not start: " + FileText(folder.Path("instrument.log"))).c_str());
            break;
        }
        Result<std::unique_ptr<LineTap>> tap =
            LineTap::Open(folder.Path("port"), folder.Path("instrument"), kBaudRate);
        if (!tap) {
            state.SkipWithError(tap.error().message.c_str());
            break;
        }
        const SweepFigures f = Sweep(folder, folder.Path("line-config"));
        const LineCounts line = tap.value()->Counts();
        instrument.Stop(Millis(5000));
        // The instrument's own count of the commands it took, beside the tap's.
        const std::string log = FileText(folder.Path("instrument.log"));
        const std::size_t stopped = log.find("stopped after ");
        const long served = stopped == std::string::npos ? 0 : std::atol(log.c_str() + stopped + 14);
        if (!f.failure.empty()) {
            state.SkipWithError(f.failure.c_str());
            break;
        }
        SetSweepCounters(state, f);
        const double points = static_cast<double>(f.points);
        state.counters["sent_bytes_per_point"] = static_cast<double>(line.toInstrument) / points;
        state.counters["received_bytes_per_point"] = static_cast<double>(line.fromInstrument) / points;
        state.counters["commands_per_point"] = static_cast<double>(line.commands) / points;
        state.counters["commands"] = static_cast<double>(line.commands);
        state.counters["instrument_commands"] = static_cast<double>(served);
        // The time the characters alone occupy the line at its baud rate.
        state.counters["character_time_s"] =
            static_cast<double>(line.toInstrument + line.fromInstrument) * kBitsPerCharacter / kBaudRate;
    }
}

void SweepInProcess(benchmark::State& state, const BenchFolder& folder) {
    for (auto _ : state) {
        const SweepFigures f = Sweep(folder, folder.Path("simulator-config"));
        if (!f.failure.empty()) {
            state.SkipWithError(f.failure.c_str());
            break;
        }
        SetSweepCounters(state, f);
    }
}

}  // namespace
}  // namespace tarvos::bench

int main(int argc, char** argv) {
    const tarvos::bench::BenchFolder folder;
    if (!folder.RegisterWireDriver()) {
        std::fprintf(stderr, "serial_line_bench: the wire driver could not be registered\n");
        return 1;
    }
    benchmark::RegisterBenchmark("BM_SweepOverSerialLine", [&folder](benchmark::State& s) {
        tarvos::bench::SweepOverSerialLine(s, folder);
    })->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
    benchmark::RegisterBenchmark("BM_SweepInProcess", [&folder](benchmark::State& s) {
        tarvos::bench::SweepInProcess(s, folder);
    })->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
