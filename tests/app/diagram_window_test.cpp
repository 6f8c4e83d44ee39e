// The diagram window as the user sees it, offscreen: the preliminary-value marker drawn over the
// legend box, and the print preview's page against the page that prints (a PDF read back with
// pdftoppm).
#include <QApplication>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/dia_frame.h"
#include "diagram/dia_view.h"
#include "platform/clock.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

constexpr int kPageDpi = 100;  // both page images are compared at this resolution

// Pixels of the marker's blue in the rectangle hiding the marker would repaint.
int MarkerPixels(const QImage& image, Point pos) {
    int count = 0;
    for (int y = pos.y - 17; y <= pos.y + 17; ++y) {
        for (int x = pos.x - 7; x <= pos.x + 7; ++x) {
            if (image.valid(x, y) && image.pixel(x, y) == qRgb(0, 0, 200)) ++count;
        }
    }
    return count;
}

// The preview's first page at kPageDpi, as its scene shows it: each page item stands at its
// paper's top-left corner and is as large as the paper in printer pixels.
QImage PreviewPage(const QPrintPreviewWidget& widget, const QPrinter& printer) {
    const auto* view = widget.findChild<QGraphicsView*>();
    if (view == nullptr || view->scene() == nullptr) return {};
    const QGraphicsItem* first = nullptr;
    for (const QGraphicsItem* item : view->scene()->items()) {
        if (item->parentItem() != nullptr) continue;
        if (first == nullptr || item->pos().y() < first->pos().y()) first = item;
    }
    if (first == nullptr) return {};
    const QSizeF paper = printer.pageLayout().fullRectPixels(printer.resolution()).size();
    const double k = static_cast<double>(kPageDpi) / printer.resolution();
    QImage image(qRound(paper.width() * k), qRound(paper.height() * k), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->scene()->render(&painter, QRectF(image.rect()), QRectF(first->pos(), paper));
    return image;
}

// The first page of `pdf` at kPageDpi, by pdftoppm.
QImage PdfPage(const std::filesystem::path& pdf) {
    const std::filesystem::path stem = pdf.parent_path() / "printed";
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QString::number(kPageDpi), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
                       QString::fromStdString(pdf.string()), QString::fromStdString(stem.string())});
    return QImage(QString::fromStdString(stem.string() + ".png"));
}

// What a page shows, coarsely: the box around everything drawn and how much is drawn in each
// cell of a grid over the page.
struct PageInk {
    QRect bounds;
    std::vector<int> cells;
    int total = 0;
};

constexpr int kCells = 8;

PageInk InkOf(const QImage& page, QSize size) {
    PageInk ink;
    ink.cells.assign(kCells * kCells, 0);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (qGray(page.pixel(x, y)) >= 160) continue;
            ink.bounds |= QRect(x, y, 1, 1);
            ++ink.cells[(y * kCells / size.height()) * kCells + x * kCells / size.width()];
            ++ink.total;
        }
    }
    return ink;
}

}  // namespace

class DiagramWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Clock::Instance().SetVirtual(); }

    void markerLiesOverTheLegendBox() {
        C_KVR_DiaDoc doc;
        C_KVR_DiaView view(doc, std::nullopt);
        view.resize(800, 600);
        view.OnInitialUpdate();
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.repaint();
        const ViewState& state = view.State();
        const DiagramGeometry& g = state.geometry;
        // A point in the box, well right of the box's own blue symbol.
        const int x = state.boxRect.left + 300;
        const int y = (state.boxRect.top + state.boxRect.bottom) / 2;
        const double snr = g.snrMin + (x - g.plot.left + 0.5) * g.snrSpan / g.plotWidth;
        const double ber = g.berMin * std::pow(10.0, (g.plot.bottom - y - 0.5) / g.pixelsPerDecade);
        view.ShowMarker(snr, ber);
        const Point at = state.marker.pos;
        QVERIFY(std::abs(at.x - x) <= 1 && std::abs(at.y - y) <= 1);

        // What the window holds now, without a repaint of its own.
        const QImage shown = view.screen()->grabWindow(view.winId()).toImage();
        QVERIFY(MarkerPixels(shown, at) > 15);
        view.HideMarker();
        QCOMPARE(MarkerPixels(view.screen()->grabWindow(view.winId()).toImage(), at), 0);
    }

    void previewShowsThePageThatPrints() {
        testing::TempDir dir;
        C_KVR_DiaDoc doc;
        for (const auto& [snr, ber] : {std::pair{24.0, 2e-3}, {26.0, 1e-4}, {28.0, 2e-6}, {30.0, 1e-8}})
            doc.AppendSample(snr, ber);
        doc.UpdateEnd();
        FrameServices services;
        services.recoveryFolder = dir.path() / "recovery";
        C_KVR_DiaFrame frame(doc, std::move(services));
        frame.View().resize(800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QImage preview;
        QPageLayout layout;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* widget = dialog->findChild<QPrintPreviewWidget*>();
            QPrinter* printer = dialog->printer();
            widget->updatePreview();
            layout = printer->pageLayout();
            preview = PreviewPage(*widget, *printer);
            dialog->reject();
        });
        frame.RunCommand(kCmdPrintPreview);
        QVERIFY(!preview.isNull());

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(layout);
        const auto pdf = dir.path() / "page.pdf";
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        frame.PrintOn(printer, PaintTarget::Printer);
        const QImage printed = PdfPage(pdf);
        QVERIFY2(!printed.isNull(), "pdftoppm gave no page image");

        std::filesystem::create_directories(TARVOS_PAGES_DIR);
        preview.save(QStringLiteral(TARVOS_PAGES_DIR "/preview-page.png"));
        printed.save(QStringLiteral(TARVOS_PAGES_DIR "/printed-page.png"));

        // The same paper, to a pixel of rounding.
        QVERIFY(std::abs(preview.width() - printed.width()) <= 1);
        QVERIFY(std::abs(preview.height() - printed.height()) <= 1);
        const QSize size = preview.size().boundedTo(printed.size());
        const PageInk a = InkOf(preview, size);
        const PageInk b = InkOf(printed, size);
        QVERIFY(a.total > 1000);
        // The diagram covers the same part of the page...
        for (const auto& [p, q] : {std::pair{a.bounds.left(), b.bounds.left()}, {a.bounds.top(), b.bounds.top()},
                                   {a.bounds.right(), b.bounds.right()}, {a.bounds.bottom(), b.bounds.bottom()}}) {
            QVERIFY2(std::abs(p - q) <= 2, qPrintable(QStringLiteral("preview %1, print %2").arg(p).arg(q)));
        }
        // ...and draws as much in every part of it.
        int differ = 0;
        for (int i = 0; i < kCells * kCells; ++i) differ += std::abs(a.cells[i] - b.cells[i]);
        QVERIFY2(differ < b.total / 10, qPrintable(QStringLiteral("%1 of %2").arg(differ).arg(b.total)));
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::DiagramWindowTest)
#include "diagram_window_test.moc"
