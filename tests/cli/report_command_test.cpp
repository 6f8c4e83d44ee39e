// "tarvos report": what goes in which line, cell and page, and the PDF it writes, read back
// with pdftotext as a reader of the report would get its words.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/report_content.h"
#include "cli/report_layout.h"
#include "cli_fixture.h"
#include "document/confidence.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/sample_table.h"
#include "document/theory.h"
#include "platform/number_text.h"

namespace tarvos::testing {
namespace {

using cli::Block;
using cli::BlockKind;
using cli::PageMetrics;
using cli::ReportPage;
using cli::ReportPart;

ReportPart PartWithRows(std::size_t rows, bool diagram) {
    ReportPart part;
    part.title = "m.tvd";
    part.diagram = diagram;
    part.lines = std::vector<std::string>(12, "line");
    part.table.header = {"S/N dB", "BER"};
    part.table.rows = std::vector<std::vector<std::string>>(rows, {"20.", "1.e-004"});
    return part;
}

// Each part from a page of its own; every row once, in order, on a page that shows the header
// above it and the part's title (continued after its first page); nothing below the footer.
TEST(ReportLayout, LongTablesContinueUnderTheirHeaderOnFurtherPages) {
    const PageMetrics m;
    struct Case {
        std::size_t rows;
        bool diagram;
        std::size_t minPages;
    };
    for (const Case c : {Case{0, true, 1}, Case{1, true, 1}, Case{30, false, 1}, Case{200, true, 4},
                         Case{600, false, 8}}) {
        const std::vector<ReportPart> parts{PartWithRows(3, false), PartWithRows(c.rows, c.diagram)};
        const std::vector<ReportPage> pages = cli::LayoutReport(parts, m);
        std::size_t nextRow = 0, pagesOfSecond = 0, diagrams = 0;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const std::vector<Block>& blocks = pages[p].blocks;
            ASSERT_FALSE(blocks.empty());
            EXPECT_EQ(blocks.front().kind, BlockKind::Title);
            const bool firstOfPart = p == 0 || pages[p - 1].part != pages[p].part;
            EXPECT_EQ(blocks.front().continued, !firstOfPart) << c.rows << " page " << p;
            if (pages[p].part == 1) ++pagesOfSecond;
            bool header = false;
            for (const Block& b : blocks) {
                EXPECT_GE(b.top, m.margin);
                EXPECT_LE(b.top + (b.kind == BlockKind::Diagram ? m.DiagramHeight() : m.rowHeight), m.Bottom());
                diagrams += b.kind == BlockKind::Diagram ? 1 : 0;
                header = header || b.kind == BlockKind::TableHeader;
                if (b.kind != BlockKind::TableRow || pages[p].part != 1) continue;
                EXPECT_TRUE(header) << "row " << b.index << " without a header above it";
                EXPECT_EQ(b.index, nextRow++);
            }
        }
        EXPECT_EQ(nextRow, c.rows);
        EXPECT_GE(pagesOfSecond, c.minPages) << c.rows;
        EXPECT_EQ(diagrams, c.diagram ? 1u : 0u);
    }
}

TEST(ReportLayout, ColumnsShrinkAlikeToFitAndNeverRunOffThePage) {
    struct Case {
        std::vector<double> natural;
        double available, scale;
    };
    for (const Case& c : {Case{{50, 100}, 200, 1.0}, Case{{100, 200}, 158, 0.5}, Case{{300, 500}, 200, 0.5}}) {
        const cli::ColumnFit fit = cli::FitColumns(c.natural, 8.0, c.available);
        ASSERT_EQ(fit.left.size(), c.natural.size());
        EXPECT_DOUBLE_EQ(fit.scale, c.scale);
        EXPECT_DOUBLE_EQ(fit.left[0], 0.0);
        const double right = fit.left.back() + fit.width.back() + 8.0 * fit.scale;
        EXPECT_LE(right, c.available + 1e-9);
        if (c.scale == 1.0) {
            EXPECT_EQ(fit.width, c.natural);
        }
    }
}

TEST(ReportLayout, LongLinesWrapAtSpacesWithoutLosingText) {
    const cli::TextMeasure bytes = [](std::string_view text) { return static_cast<double>(text.size()); };
    using Lines = std::vector<std::string>;
    struct Case {
        std::string line;
        double width;
        Lines pieces;
    };
    for (const Case& c : {Case{"", 5, {""}}, Case{"short", 10, {"short"}},
                          Case{"Comment: aaaa bbbb cccc", 13, {"Comment: aaaa", "bbbb cccc"}},
                          Case{"abcdefghijk", 4, {"abcd", "efgh", "ijk"}},
                          Case{"\xc3\xa9\xc3\xa9\xc3\xa9", 3, {"\xc3\xa9", "\xc3\xa9", "\xc3\xa9"}},  // never inside a character
                          Case{"ab", 0, {"a", "b"}}}) {
        EXPECT_EQ(cli::WrapLine(c.line, c.width, bytes), c.pieces) << c.line;
    }
}

// A document of 64-QAM samples with records: one with counts, one without errors, and one
// stored without a record.
class ReportContent : public ::testing::Test {
protected:
    ReportContent() {
        rs_.snrBegin = 20.0;
        rs_.snrEnd = 32.0;
    }
    void Load(bool withRecords) {
        SampleList samples;
        MeasurementRecords records;
        for (const double snr : {24.0, 25.0, 26.0}) samples.AppendSample(snr, TheoreticalBer(rs_, snr - 1.0));
        if (withRecords) {
            records.run.startUtcMs = 1796743222125;
            records.run.instrument.serialNumber = "100734";
            records.run.comment = "DUT 7\nafter repair";
            PointRecord counted;
            counted.cnr = 23.5;
            counted.errors = 1200;
            counted.bits = 99992640;
            counted.timeUtcMs = 1796656830000;
            PointRecord clean = counted;
            clean.errors = 0;
            clean.ending = PointEnding::ZeroRule;
            records.points = {counted, PointRecord{}, clean};
        }
        doc_.ReplaceMeasurement(rs_, std::move(samples), std::move(records));
    }
    ReceiverSettings rs_;
    C_KVR_DiaDoc doc_;
};

TEST_F(ReportContent, CellsShowCountsAndIntervalsOnlyWhereTheyAreKnown) {
    Load(true);
    const cli::MeasurementReport report = cli::MakeMeasurementReport(TabulateMeasurement(doc_), "m.tvd");
    ASSERT_EQ(report.samples.rows.size(), 3u);
    const BerInterval counted = ClopperPearson(1200, 99992640);
    using Row = std::vector<std::string>;
    EXPECT_EQ(report.samples.rows[0], (Row{"24.", "23.5", FormatNumber(TheoreticalBer(rs_, 23.0)), "1200",
                                           "99992640", FormatNumber(counted.lower) + " .. " + FormatNumber(counted.upper),
                                           "complete"}));
    // Stored without a record: C/N from the S/N, nothing else claimed.
    EXPECT_EQ(report.samples.rows[1], (Row{"25.", FormatNumber(25.0 - doc_.SnrOffset()),
                                           FormatNumber(TheoreticalBer(rs_, 24.0)), "", "", "", ""}));
    const BerInterval clean = ClopperPearson(0, 99992640);
    EXPECT_EQ(report.samples.rows[2][5], "up to " + FormatNumber(clean.upper));
    EXPECT_EQ(report.samples.rows[2][6], "zero rule");
    const std::vector<std::string> expectedRun{"Run start (UTC): 2026-12-08T15:20:22.125Z", "Serial number: 100734",
                                               "Comment: DUT 7 after repair"};
    EXPECT_EQ(report.runLines, expectedRun);
}

TEST_F(ReportContent, AFileWithoutRecordsSaysSoAndSummaryCellsStayEmpty) {
    doc_.SetThresholdBer(1e-14);  // never reached: no END
    Load(false);
    const SampleTable table = TabulateMeasurement(doc_);
    const cli::MeasurementReport report = cli::MakeMeasurementReport(table, "old.tvd", "the records are damaged");
    EXPECT_EQ(report.runLines, (std::vector<std::string>{"no run records", "Note: the records are damaged"}));
    EXPECT_EQ(report.endLines, std::vector<std::string>{"END: none"});
    for (const std::vector<std::string>& row : report.samples.rows)
        EXPECT_EQ(row[3] + row[4] + row[5] + row[6], "") << row[0];
    EXPECT_EQ(cli::SummaryRow(table, "old.tvd"),
              (std::vector<std::string>{"old.tvd", "QAM Receiver, 64-QAM", "1.e-014", "none", "", "", ""}));
}

// --- The command ---

// The PDF's text, pages separated by form feeds; empty when pdftotext is not installed.
std::string PdfText(const std::filesystem::path& pdf) {
    const std::string command = "pdftotext -layout '" + pdf.string() + "' - 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string text;
    if (!pipe) return text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) text.append(buffer, n);
    return text;
}

std::vector<std::string> Pages(const std::string& text) {
    std::vector<std::string> pages;
    std::size_t at = 0;
    for (std::size_t ff; (ff = text.find('\f', at)) != std::string::npos; at = ff + 1)
        pages.push_back(text.substr(at, ff - at));
    return pages;
}

bool HavePdfToText() { return std::system("pdftotext -v >/dev/null 2>&1") == 0; }

class ReportCommand : public CliTest {
protected:
    // A simulator sweep with the receiver `loss` dB worse than theory.
    std::string Sweep(const std::string& name, const std::string& loss) {
        WriteBytes(Path("sim.ini"), "[Simulator]\nSeed=11\nImplementation Loss=" + loss + "\nState File=" +
                                        Path("state.ini").string() + "\n");
        environment_ = {"KVR_SIM_CONFIG=" + Path("sim.ini").string()};
        const RunResult r = Run({"sweep", "--time-scale", "0", "--out", Path(name).string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Path(name).string();
    }

    // "END: ..." and "END 95 % interval: ..." as the file's page must show them.
    static std::vector<std::string> EndTexts(const std::string& file) {
        C_KVR_DiaDoc doc;
        EXPECT_TRUE(OpenDocument(doc, file).ok());
        const EndResult end = doc.End();
        const EndInterval interval = doc.WithCurves([&](const DocumentCurves& c) {
            return ComputeEndInterval(c.measured, c.records.points, doc.ThresholdBer(), c.end.theorySnr, c.end.valid != 0);
        });
        EXPECT_TRUE(end.valid && interval.valid) << file;
        return {"END: " + FormatNumber(end.EndDb()) + " dB",
                "END 95 % interval: " + FormatNumber(interval.lowerDb) + " .. " + FormatNumber(interval.upperDb) + " dB"};
    }
};

TEST_F(ReportCommand, TwoSweepsGiveASummaryAndAPagePerFileWithEndAndItsInterval) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const std::string a = Sweep("a.tvd", "1.0"), b = Sweep("b.tvd", "2.5");
    const RunResult r = Run({"report", a, b, "-o", Path("report.pdf").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::vector<std::string> pages = Pages(PdfText(Path("report.pdf")));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_NE(pages[0].find("Summary"), std::string::npos);
    const std::vector<std::string> files{a, b};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::vector<std::string> ends = EndTexts(files[i]);
        const std::string& page = pages[i + 1];
        EXPECT_NE(page.find(i == 0 ? "a.tvd" : "b.tvd"), std::string::npos) << page;
        EXPECT_NE(page.find("Serial number: 100734"), std::string::npos) << page;
        for (const std::string& end : ends) EXPECT_NE(page.find(end), std::string::npos) << end << "\n" << page;
        // The summary row holds the same END number.
        const std::string number = ends[0].substr(5, ends[0].size() - 8);
        EXPECT_NE(pages[0].find(number), std::string::npos) << number << "\n" << pages[0];
    }
}

TEST_F(ReportCommand, ALongSampleTableContinuesWithItsHeaderOnFurtherPages) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ReceiverSettings rs;
    SampleList samples;
    for (int i = 0; i < 150; ++i) samples.AppendSample(20.0 + 0.1 * i, TheoreticalBer(rs, 19.0 + 0.1 * i));
    MeasurementRecords records;  // a run record, but no counts
    for (int word = 1; word <= 80; ++word) records.run.comment += "remark" + std::to_string(word) + " ";
    WriteBytes(Path("long.tvd"), SerializeDocument(rs, samples, records));
    ASSERT_EQ(Run({"report", Path("long.tvd").string(), "-o", Path("long.pdf").string()}).exitCode, 0);
    const std::vector<std::string> pages = Pages(PdfText(Path("long.pdf")));
    ASSERT_GE(pages.size(), 3u);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_NE(pages[p].find("Measured BER"), std::string::npos) << "page " << p + 1;
        EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1) + " of " + std::to_string(pages.size())),
                  std::string::npos);
    }
    EXPECT_NE(pages[1].find("long.tvd (continued)"), std::string::npos);
    EXPECT_NE(pages.back().find(FormatNumber(20.0 + 0.1 * 149)), std::string::npos);
    // The long comment is wrapped over several lines, every word of it on the page.
    EXPECT_NE(pages[0].find("Comment: remark1 "), std::string::npos) << pages[0];
    for (const char* word : {"remark40", "remark79", "remark80"}) EXPECT_NE(pages[0].find(word), std::string::npos) << word;
    EXPECT_EQ(pages[0].find("99992640"), std::string::npos) << "no counts are made up";
}

TEST_F(ReportCommand, AnUnreadableFileFailsNamingItAndWritesNothing) {
    ReceiverSettings rs;
    SampleList samples;
    samples.AppendSample(25.0, 1e-4);
    WriteBytes(Path("good.tvd"), SerializeDocument(rs, samples));
    WriteBytes(Path("bad.tvd"), "not a document");
    const std::string out = Path("out.pdf").string();
    WriteBytes(out, "the previous report");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"report", Path("good.tvd").string(), Path("bad.tvd").string(), "-o", out}, "bad.tvd: Unexpected file format."},
        {{"report", Path("good.tvd").string(), Path("missing.tvd").string(), "-o", out}, "missing.tvd"},
        {{"report", Path("good.tvd").string(), "-o", Path("good.tvd").string()}, "does not end in .pdf"},
        {{"report", Path("good.tvd").string(), "-o", out, "--threshold", "2"}, "--threshold"},
    };
    for (const Case& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(out), "the previous report");
    }
    EXPECT_EQ(ReadBytes(Path("good.tvd")), SerializeDocument(rs, samples));
    // A readable set replaces the old file, as render does.
    ASSERT_EQ(Run({"report", Path("good.tvd").string(), "-o", out}).exitCode, 0);
    EXPECT_EQ(ReadBytes(out).rfind("%PDF-", 0), 0u);
}

}  // namespace
}  // namespace tarvos::testing
