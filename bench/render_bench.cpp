// Speed of a whole diagram repaint with a long measurement: on an 800x600 image through the
// QPainter canvas as the window paints, and through a canvas that keeps nothing, which leaves
// the renderer's own share (layout, mapping, grids, labels) of the time; and with error bars,
// the repaint and the intervals behind them.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "diagram/interval_cache.h"
#include "diagram/qt_canvas.h"
#include "diagram/renderer.h"
#include "diagram/view_state.h"
#include "document/dia_doc.h"

namespace tarvos {
namespace {

constexpr int kSamples = 1000;
constexpr int kClientWidth = 800;
constexpr int kClientHeight = 600;

// Takes every drawing call and throws it away: what remains of a repaint's time is the
// renderer's.
class DiscardingCanvas final : public Canvas {
public:
    void Begin(int, bool) override {}
    void SetPen(PenRole) override {}
    void MoveTo(Point) override {}
    void LineTo(Point p) override { benchmark::DoNotOptimize(p); }
    void Rectangle(Rect r) override { benchmark::DoNotOptimize(r); }
    void FillWhite(Rect r) override { benchmark::DoNotOptimize(r); }
    void Text(Point, const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
    void SetInvert(bool) override {}
};

// A measurement 1 dB worse than 64-QAM theory over the default measure range 20 .. 35 dB,
// shown as the window first shows a document. With `counts`, each sample carries the errors and
// bits of ten counter steps behind its BER, as a sweep stores them.
void Prepare(C_KVR_DiaDoc& doc, ViewState& view, bool counts = false) {
    for (int i = 0; i < kSamples; ++i) {
        const double snr = 20.0 + 10.0 * i / kSamples;
        const double ber = doc.TheoreticalBer(snr - 1.0);
        if (!counts) {
            doc.AppendSample(snr, ber);
            continue;
        }
        PointRecord record;
        record.bits = 10 * kBitsPerCounterStep;
        record.errors = std::round(ber * record.bits);
        doc.AppendSample(snr, ber, record);
    }
    InitialUpdate(view, doc);
}

// As a paint event: a fresh painter on the cleared backing image (opaque, as the window's
// backing store is).
void RepaintQImage(benchmark::State& state, bool errorBars) {
    C_KVR_DiaDoc doc;
    ViewState view;
    Prepare(doc, view, errorBars);
    view.settings.showErrorBars = errorBars ? 1 : 0;
    QImage image(kClientWidth, kClientHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QtCanvas canvas(painter);
        Repaint(canvas, view, doc, kClientWidth, kClientHeight, false);
    }
    benchmark::DoNotOptimize(image.constBits());
    state.SetItemsProcessed(state.iterations());
}

void BM_RepaintQImage1000Samples(benchmark::State& state) { RepaintQImage(state, false); }
BENCHMARK(BM_RepaintQImage1000Samples)->Unit(benchmark::kMillisecond);

void BM_RepaintDiscarded1000Samples(benchmark::State& state) {
    C_KVR_DiaDoc doc;
    ViewState view;
    Prepare(doc, view);
    DiscardingCanvas canvas;
    for (auto _ : state) Repaint(canvas, view, doc, kClientWidth, kClientHeight, false);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RepaintDiscarded1000Samples)->Unit(benchmark::kMillisecond);

// The window's repaint with error bars on, as every repaint after the first finds them: the
// intervals already known, each bar a line and its caps.
void BM_RepaintQImage1000SamplesErrorBars(benchmark::State& state) { RepaintQImage(state, true); }
BENCHMARK(BM_RepaintQImage1000SamplesErrorBars)->Unit(benchmark::kMillisecond);

// What the first repaint with error bars pays once per change of the records, and every repaint
// would pay without the cache: the exact intervals of all samples.
void BM_ErrorBarIntervals1000Samples(benchmark::State& state) {
    C_KVR_DiaDoc doc;
    ViewState view;
    Prepare(doc, view, true);
    const std::vector<PointRecord> points = doc.Records().points;
    for (auto _ : state) {
        IntervalCache cache;
        benchmark::DoNotOptimize(cache.Update(points, points.size()).data());
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_ErrorBarIntervals1000Samples)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvos

int main(int argc, char** argv) {
    // Fonts need a GUI application; the offscreen platform needs no display. Qt gets its own
    // argument list so that it cannot take any of the benchmark's options.
    int qtArgc = 1;
    char qtName[] = "render_bench";
    char* qtArgv[] = {qtName, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication app(qtArgc, qtArgv);
    // QGuiApplication adopts the user's locale; the diagram's labels are written for "C".
    std::setlocale(LC_ALL, "C");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
