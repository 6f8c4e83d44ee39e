// Where each piece of a measurement report goes on the A4 pages: titles, diagrams, text lines
// and tables, with a long table continued on further pages under its header again. Positions
// in points from the page's top left; Qt-free, the drawing follows what is decided here.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/report_content.h"

namespace tarvos::cli {

// One titled part of the report (the summary or one measurement), drawn from a new page on.
struct ReportPart {
    std::string title;
    bool diagram = false;  // the measurement's diagram under the title
    std::vector<std::string> lines;
    ReportTable table;
};

struct PageMetrics {
    double width = 595.276;  // A4 in points
    double height = 841.89;
    double margin = 42.0;
    double footer = 20.0;        // the page number line above the bottom margin
    double titleHeight = 24.0;
    double diagramHeight = 0.0;  // 0: three quarters of the text width, as a 800 x 600 window
    double lineHeight = 12.0;
    double rowHeight = 10.5;
    double gap = 8.0;

    double TextWidth() const { return width - 2 * margin; }
    double DiagramHeight() const { return diagramHeight > 0 ? diagramHeight : TextWidth() * 0.75; }
    double Bottom() const { return height - margin - footer; }
};

enum class BlockKind { Title, Diagram, Line, TableHeader, TableRow };

struct Block {
    BlockKind kind = BlockKind::Line;
    double top = 0.0;
    std::size_t index = 0;   // the line's or the row's index in its part
    bool continued = false;  // a title over the rest of a part begun on an earlier page
};

struct ReportPage {
    std::size_t part = 0;
    std::vector<Block> blocks;
};

// The pages of all parts in order; each part begins on a page of its own. A page is only left
// once it holds a block beyond its title, so every part ends after finitely many pages.
std::vector<ReportPage> LayoutReport(const std::vector<ReportPart>& parts, const PageMetrics& metrics);

// Width of a text in points, as the page's font sets it.
using TextMeasure = std::function<double(std::string_view)>;

// `line` broken at spaces into pieces no wider than `width`; a word wider than that is broken
// between two (UTF-8) characters. Nothing is lost: only the breaking spaces go.
std::vector<std::string> WrapLine(const std::string& line, double width, const TextMeasure& measure);
// Every text line of every part wrapped to `width`, so that a long comment is shown whole.
void WrapLines(std::vector<ReportPart>& parts, double width, const TextMeasure& measure);

// The part of one measurement: its diagram, run records, END and samples.
ReportPart MeasurementPart(MeasurementReport report);

// Column x offsets (from the text's left edge) and the font scale that fit cells of the given
// natural widths (each with `padding` after it) into `available` points: the natural widths
// when they fit, else all shrunk alike, to no less than `minScale`.
struct ColumnFit {
    std::vector<double> left;
    std::vector<double> width;  // room of each column, padding excluded
    double scale = 1.0;
};
ColumnFit FitColumns(const std::vector<double>& natural, double padding, double available,
                     double minScale = 0.5);

}  // namespace tarvos::cli
