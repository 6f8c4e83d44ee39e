#include "cli/report_pdf.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include "diagram/qt_canvas.h"
#include "diagram/renderer.h"

namespace tarvos::cli {
namespace {

// Fine enough that the diagram's whole-pixel lines and the text sit where they are meant to.
constexpr int kDotsPerInch = 600;
// The diagram is the window's client area of this size, enlarged as a printed page does.
constexpr int kClientWidth = 800;
constexpr int kClientHeight = 600;
constexpr double kTitlePoints = 14.0;
constexpr double kBodyPoints = 9.0;
constexpr double kTablePoints = 7.5;
constexpr double kFooterPoints = 8.0;
constexpr double kCellPadding = 8.0;

QString ToQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont ReportFont(double points, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Column positions of one part's table, the same on each of its pages.
struct TableColumns {
    ColumnFit fit;
    QFont regular;
    QFont bold;
};

class PageDrawer {
public:
    PageDrawer(QPainter& painter, QPaintDevice& device, const PageMetrics& m)
        : painter_(painter), device_(device), m_(m), unit_(kDotsPerInch / 72.0) {}

    // Text in the box (points), shortened with an ellipsis where it does not fit.
    void Text(const QFont& font, double x, double y, double width, double height, const std::string& text,
              Qt::Alignment align = Qt::AlignLeft) {
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        const QFontMetricsF metrics(font, &device_);
        const QString shown = metrics.elidedText(ToQ(text), Qt::ElideRight, width * unit_);
        painter_.drawText(Box(x, y, width, height), align | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    void Rule(double y) {
        painter_.setPen(QPen(Qt::black, 0.5 * unit_));
        painter_.drawLine(QPointF(m_.margin * unit_, y * unit_), QPointF((m_.width - m_.margin) * unit_, y * unit_));
    }

    // Widths in points of texts in the body font.
    TextMeasure BodyMeasure() const {
        return [metrics = QFontMetricsF(ReportFont(kBodyPoints), &device_), unit = unit_](std::string_view text) {
            return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) / unit;
        };
    }

    TableColumns Columns(const ReportTable& table) const {
        TableColumns columns{{}, ReportFont(kTablePoints), ReportFont(kTablePoints, true)};
        const QFontMetricsF regular(columns.regular, &device_);
        const QFontMetricsF bold(columns.bold, &device_);
        std::vector<double> natural;
        for (const std::string& head : table.header) natural.push_back(bold.horizontalAdvance(ToQ(head)) / unit_);
        for (const std::vector<std::string>& row : table.rows) {
            for (std::size_t c = 0; c < row.size() && c < natural.size(); ++c)
                natural[c] = std::max(natural[c], regular.horizontalAdvance(ToQ(row[c])) / unit_);
        }
        columns.fit = FitColumns(natural, kCellPadding, m_.TextWidth());
        columns.regular.setPointSizeF(kTablePoints * columns.fit.scale);
        columns.bold.setPointSizeF(kTablePoints * columns.fit.scale);
        return columns;
    }

    void Row(const TableColumns& columns, const std::vector<std::string>& cells, double top, bool header) {
        for (std::size_t c = 0; c < cells.size() && c < columns.fit.left.size(); ++c) {
            Text(header ? columns.bold : columns.regular, m_.margin + columns.fit.left[c], top,
                 columns.fit.width[c] + 1.0, m_.rowHeight, cells[c]);
        }
        if (header) Rule(top + m_.rowHeight);
    }

    // The diagram as the printed page draws a 800 x 600 window: enlarged by the largest whole
    // factor that fits, centred on the text width.
    void Diagram(ReportDiagram& diagram, double top) {
        if (diagram.doc == nullptr) return;
        const double width = m_.TextWidth() * unit_;
        const double height = m_.DiagramHeight() * unit_;
        const int scale = std::max(1, static_cast<int>(std::floor(
                                          std::min(width / kClientWidth, height / kClientHeight))));
        painter_.save();
        painter_.translate(m_.margin * unit_ + (width - kClientWidth * scale) / 2, top * unit_);
        painter_.setClipRect(QRect(0, 0, kClientWidth * scale, kClientHeight * scale));
        diagram.view.geometry.printScale = scale;
        QtCanvas canvas(painter_);
        Repaint(canvas, diagram.view, *diagram.doc, kClientWidth, kClientHeight, true);
        painter_.restore();
    }

    void Footer(std::size_t page, std::size_t pages) {
        Text(ReportFont(kFooterPoints), m_.margin, m_.height - m_.margin - m_.footer / 2, m_.TextWidth(),
             m_.footer / 2, "Page " + std::to_string(page) + " of " + std::to_string(pages), Qt::AlignHCenter);
    }

private:
    QRectF Box(double x, double y, double width, double height) const {
        return QRectF(x * unit_, y * unit_, width * unit_, height * unit_);
    }

    QPainter& painter_;
    QPaintDevice& device_;
    const PageMetrics& m_;
    double unit_;  // device pixels per point
};

void DrawPage(PageDrawer& drawer, const ReportPart& part, ReportDiagram& diagram, const TableColumns& columns,
              const ReportPage& page, const PageMetrics& m) {
    const QFont title = ReportFont(kTitlePoints, true);
    const QFont body = ReportFont(kBodyPoints);
    for (const Block& block : page.blocks) {
        switch (block.kind) {
            case BlockKind::Title:
                drawer.Text(title, m.margin, block.top, m.TextWidth(), m.titleHeight - 6,
                            block.continued ? part.title + " (continued)" : part.title);
                break;
            case BlockKind::Diagram: drawer.Diagram(diagram, block.top); break;
            case BlockKind::Line:
                drawer.Text(body, m.margin, block.top, m.TextWidth(), m.lineHeight, part.lines.at(block.index));
                break;
            case BlockKind::TableHeader: drawer.Row(columns, part.table.header, block.top, true); break;
            case BlockKind::TableRow: drawer.Row(columns, part.table.rows.at(block.index), block.top, false); break;
        }
    }
}

}  // namespace

Result<std::string> DrawReportPdf(std::vector<ReportPart> parts, std::vector<ReportDiagram>& diagrams,
                                  const PageMetrics& metrics, const std::string& title) {
    if (diagrams.size() != parts.size()) return Error{"the report's diagrams do not match its parts"};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kDotsPerInch);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(ToQ(title));
        writer.setCreator(QStringLiteral("KVR Tarvos"));
        QPainter painter;
        if (!painter.begin(&writer)) return Error{"cannot paint the report"};
        PageDrawer drawer(painter, writer, metrics);
        WrapLines(parts, metrics.TextWidth(), drawer.BodyMeasure());
        const std::vector<ReportPage> pages = LayoutReport(parts, metrics);
        std::vector<TableColumns> columns;
        for (const ReportPart& part : parts) columns.push_back(drawer.Columns(part.table));
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !writer.newPage()) return Error{"cannot begin page " + std::to_string(i + 1) + " of the report"};
            const std::size_t part = pages[i].part;
            DrawPage(drawer, parts.at(part), diagrams.at(part), columns.at(part), pages[i], metrics);
            drawer.Footer(i + 1, pages.size());
        }
        if (!painter.end()) return Error{"cannot finish the report"};
    }
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace tarvos::cli
