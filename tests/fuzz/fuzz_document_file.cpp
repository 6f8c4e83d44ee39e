// The ".tvd" reader on arbitrary bytes: it either refuses them with the format message or
// yields contents that write back to the same leading bytes; the document then takes them as
// File Open does (theory over any range, END at the current threshold), exports its table and
// draws its diagram as the window would, in a bounded number of drawing steps.
#include <cstdint>
#include <utility>
#include <string>
#include <string_view>

#include "diagram/canvas.h"
#include "diagram/renderer.h"
#include "diagram/view_state.h"
#include "document/confidence.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarvos;

namespace {

// Counts what a repaint draws. A sound diagram takes a few thousand steps; absurd ranges from a
// hand-made file may fill each axis up to its cap of ticks, but never more.
class CountingCanvas : public Canvas {
public:
    void Begin(int, bool) override { ++steps; }
    void SetPen(PenRole) override { ++steps; }
    void MoveTo(Point) override { ++steps; }
    void LineTo(Point) override { ++steps; }
    void Rectangle(Rect) override { ++steps; }
    void FillWhite(Rect) override { ++steps; }
    void Text(Point, const std::string&) override { ++steps; }
    void SetInvert(bool) override { ++steps; }
    long steps = 0;
};

void CheckDiagram(C_KVR_DiaDoc& doc) {
    ViewState view;
    InitialUpdate(view, doc);
    for (const auto& [width, height] : {std::pair{640, 480}, std::pair{90, 70}}) {
        for (const bool onPaper : {false, true}) {
            CountingCanvas canvas;
            Repaint(canvas, view, doc, width, height, onPaper);
            FUZZ_CHECK(canvas.steps < 200000);
        }
    }
    for (const MeasurementSample& s : doc.MeasuredSamples()) {
        CountingCanvas canvas;
        ShowMarker(canvas, view, s.snr, s.ber);
        (void)HideMarker(view);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Result<DocumentContents> read = DeserializeDocument(bytes);
    if (!read.ok()) {
        FUZZ_CHECK(read.error().message == kUnexpectedFileFormat);
        return 0;
    }
    const DocumentContents& contents = read.value();
    const std::size_t used = kDocumentHeaderBytes + kSampleRecordBytes * contents.samples.Count();
    FUZZ_CHECK(used <= size);

    // Bit for bit: NaN payloads and negative zeros survive the round trip too.
    const std::string written = SerializeDocument(contents.receiver, contents.samples);
    FUZZ_CHECK(written.size() >= used);
    FUZZ_CHECK(written.compare(0, used, bytes.substr(0, used)) == 0);
    Result<DocumentContents> again = DeserializeDocument(written);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(SerializeDocument(again.value().receiver, again.value().samples) == written);

    // Records are taken only from an intact trailer, which then writes back byte for byte;
    // anything else after the samples is ignored with a note.
    const bool trailerUsed = !contents.records.Empty();
    FUZZ_CHECK(!trailerUsed || contents.recordsNote.empty());
    FUZZ_CHECK(!trailerUsed || SerializeDocument(contents.receiver, contents.samples, contents.records) == bytes);
    for (const BerInterval& i : SampleIntervals(contents.records.points, contents.samples.Count()))
        FUZZ_CHECK(!i.valid || (0 <= i.lower && i.lower <= i.upper && i.upper <= 1));

    C_KVR_DiaDoc doc;
    SampleList samples = contents.samples;
    MeasurementRecords records = contents.records;
    doc.ReplaceMeasurement(contents.receiver, std::move(samples), std::move(records));
    FUZZ_CHECK(doc.MeasuredCount() == contents.samples.Count());
    (void)doc.End();
    (void)doc.TheoreticalSamples();
    const std::string table = FormatTextExport(doc);
    FUZZ_CHECK(table.rfind(kTextExportHeader, 0) == 0);
    CheckDiagram(doc);
    return 0;
}
