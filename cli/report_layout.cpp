#include "cli/report_layout.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace tarvos::cli {
namespace {

// Fills pages top-down for one part, starting each further page with the continued title.
class PageFiller {
public:
    PageFiller(std::vector<ReportPage>& pages, std::size_t part, const PageMetrics& m)
        : pages_(pages), part_(part), m_(m) {
        NewPage(false);
    }

    // Places a block of `height` here or, when it does not fit and the page holds more than its
    // title, at the top of a new page (after `repeat`, the table header, when given).
    void Place(BlockKind kind, std::size_t index, double height, double keepWith = 0.0,
               const Block* repeat = nullptr) {
        if (y_ + height + keepWith > m_.Bottom() && pages_.back().blocks.size() > 1) {
            NewPage(true);
            if (repeat != nullptr) Add(repeat->kind, repeat->index, m_.rowHeight);
        }
        Add(kind, index, height);
    }

    void Gap() { y_ += m_.gap; }

private:
    void NewPage(bool continued) {
        pages_.push_back(ReportPage{part_, {}});
        y_ = m_.margin;
        pages_.back().blocks.push_back(Block{BlockKind::Title, y_, 0, continued});
        y_ += m_.titleHeight;
    }

    void Add(BlockKind kind, std::size_t index, double height) {
        pages_.back().blocks.push_back(Block{kind, y_, index, false});
        y_ += height;
    }

    std::vector<ReportPage>& pages_;
    std::size_t part_;
    const PageMetrics& m_;
    double y_ = 0.0;
};

void LayoutPart(std::vector<ReportPage>& pages, std::size_t index, const ReportPart& part,
                const PageMetrics& m) {
    PageFiller filler(pages, index, m);
    if (part.diagram) {
        filler.Place(BlockKind::Diagram, 0, m.DiagramHeight());
        filler.Gap();
    }
    for (std::size_t i = 0; i < part.lines.size(); ++i) filler.Place(BlockKind::Line, i, m.lineHeight);
    if (part.table.header.empty()) return;
    filler.Gap();
    // A header alone at the foot of a page says nothing: it keeps its first row with it.
    const double keep = part.table.rows.empty() ? 0.0 : m.rowHeight;
    filler.Place(BlockKind::TableHeader, 0, m.rowHeight, keep);
    const Block header{BlockKind::TableHeader, 0.0, 0, false};
    for (std::size_t r = 0; r < part.table.rows.size(); ++r)
        filler.Place(BlockKind::TableRow, r, m.rowHeight, 0.0, &header);
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest prefix (in bytes, ending between characters) that fits, but at least one character.
std::size_t FittingPrefix(std::string_view text, double width, const TextMeasure& measure) {
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i <= text.size(); ++i)
        if (i == text.size() || !IsContinuationByte(text[i])) ends.push_back(i);
    const auto fits = [&](std::size_t k) { return measure(text.substr(0, ends[k])) <= width; };
    if (ends.empty() || !fits(0)) return ends.empty() ? text.size() : ends[0];
    // Widths grow with the prefix: the last end that fits is found by halving.
    std::size_t lo = 0, hi = ends.size();
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        (fits(mid) ? lo : hi) = mid;
    }
    return ends[lo];
}

}  // namespace

std::vector<std::string> WrapLine(const std::string& line, double width, const TextMeasure& measure) {
    std::vector<std::string> pieces;
    std::string_view rest(line);
    while (!rest.empty() && measure(rest) > width) {
        const std::size_t fit = FittingPrefix(rest, width, measure);
        const std::size_t space = rest.substr(0, fit + 1).rfind(' ');
        if (space != std::string_view::npos && space > 0) {
            pieces.emplace_back(rest.substr(0, space));
            rest.remove_prefix(space + 1);
        } else {
            pieces.emplace_back(rest.substr(0, fit));
            rest.remove_prefix(fit);
        }
    }
    if (!rest.empty() || pieces.empty()) pieces.emplace_back(rest);
    return pieces;
}

void WrapLines(std::vector<ReportPart>& parts, double width, const TextMeasure& measure) {
    for (ReportPart& part : parts) {
        std::vector<std::string> wrapped;
        for (const std::string& line : part.lines) {
            std::vector<std::string> pieces = WrapLine(line, width, measure);
            wrapped.insert(wrapped.end(), pieces.begin(), pieces.end());
        }
        part.lines = std::move(wrapped);
    }
}

std::vector<ReportPage> LayoutReport(const std::vector<ReportPart>& parts, const PageMetrics& metrics) {
    std::vector<ReportPage> pages;
    for (std::size_t i = 0; i < parts.size(); ++i) LayoutPart(pages, i, parts[i], metrics);
    return pages;
}

ReportPart MeasurementPart(MeasurementReport report) {
    ReportPart part;
    part.title = std::move(report.title);
    part.diagram = true;
    part.lines = std::move(report.runLines);
    part.lines.insert(part.lines.end(), report.endLines.begin(), report.endLines.end());
    part.lines.push_back("Samples: " + std::to_string(report.samples.rows.size()));
    part.table = std::move(report.samples);
    return part;
}

ColumnFit FitColumns(const std::vector<double>& natural, double padding, double available, double minScale) {
    ColumnFit fit;
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0) + padding * natural.size();
    if (total > available && total > 0) fit.scale = std::max(available / total, minScale);
    fit.width.reserve(natural.size());
    for (const double w : natural) fit.width.push_back(w * fit.scale);
    // Still too wide at the smallest type: the widest column gives up the rest (its cells are
    // shortened when drawn), so nothing runs off the page.
    const double scaledTotal = std::accumulate(fit.width.begin(), fit.width.end(), 0.0) +
                               padding * fit.scale * natural.size();
    if (scaledTotal > available && !fit.width.empty()) {
        double& widest = *std::max_element(fit.width.begin(), fit.width.end());
        widest = std::max(0.0, widest - (scaledTotal - available));
    }
    double x = 0.0;
    for (const double w : fit.width) {
        fit.left.push_back(x);
        x += w + padding * fit.scale;
    }
    return fit;
}

}  // namespace tarvos::cli
