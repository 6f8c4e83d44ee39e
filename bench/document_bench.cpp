// Speed of the document's numerics and files: the theoretical curve over a measure range, and
// opening, saving and exporting a long measurement.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "document/theory.h"

namespace tarvos {
namespace {

constexpr int kLongMeasurement = 100000;

// A measurement 1 dB worse than 64-QAM theory, spread over 20 .. 30 dB.
void FillLongMeasurement(C_KVR_DiaDoc& doc) {
    for (int i = 0; i < kLongMeasurement; ++i) {
        const double snr = 20.0 + 10.0 * i / kLongMeasurement;
        doc.AppendSample(snr, doc.TheoreticalBer(snr - 1.0));
    }
}

std::filesystem::path ScratchFile(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("tarvos-bench-") + std::to_string(::getpid()) + name);
}

void BM_BuildTheoreticalCurve64Qam(benchmark::State& state) {
    ReceiverSettings rs;  // mode 4, 64-QAM, before Reed-Solomon
    SampleList curve;
    for (auto _ : state) {
        BuildTheoreticalCurve(rs, 20, 35, C_KVR_DiaDoc::kTheorySteps, curve);
        benchmark::DoNotOptimize(curve.Count());
    }
}
BENCHMARK(BM_BuildTheoreticalCurve64Qam)->Unit(benchmark::kMicrosecond);

void BM_TheoreticalSnrAtBer64Qam(benchmark::State& state) {
    C_KVR_DiaDoc doc;
    for (auto _ : state) benchmark::DoNotOptimize(doc.TheoreticalSnrAtBer(2e-4));
}
BENCHMARK(BM_TheoreticalSnrAtBer64Qam)->Unit(benchmark::kMicrosecond);

void BM_OpenDocument100k(benchmark::State& state) {
    const auto file = ScratchFile("-open.tvd");
    {
        C_KVR_DiaDoc source;
        FillLongMeasurement(source);
        if (!SaveDocument(source, file).ok()) state.SkipWithError("cannot write the scratch file");
    }
    C_KVR_DiaDoc doc;
    for (auto _ : state) {
        if (!OpenDocument(doc, file).ok()) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(doc.MeasuredCount());
    }
    std::filesystem::remove(file);
    state.SetItemsProcessed(state.iterations() * kLongMeasurement);
}
BENCHMARK(BM_OpenDocument100k)->Unit(benchmark::kMillisecond);

void BM_SaveDocument100k(benchmark::State& state) {
    const auto file = ScratchFile("-save.tvd");
    C_KVR_DiaDoc doc;
    FillLongMeasurement(doc);
    for (auto _ : state) {
        if (!SaveDocument(doc, file).ok()) state.SkipWithError("save failed");
    }
    std::filesystem::remove(file);
    state.SetItemsProcessed(state.iterations() * kLongMeasurement);
}
BENCHMARK(BM_SaveDocument100k)->Unit(benchmark::kMillisecond);

void BM_ExportText100k(benchmark::State& state) {
    C_KVR_DiaDoc doc;
    FillLongMeasurement(doc);
    for (auto _ : state) {
        const std::string text = FormatTextExport(doc);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kLongMeasurement);
}
BENCHMARK(BM_ExportText100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvos
