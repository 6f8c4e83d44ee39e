// tarvos render: a measurement document's diagram as an image file (PNG, SVG or PDF), drawn
// by the window's renderer exactly as the window or a printed page shows it, with any further
// documents overlaid for comparison.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/number_option.h"
#include "cli/offscreen_gui.h"
#include "cli/program_output.h"
#include "cli/settings_option.h"
#include "diagram/diagram_persistence.h"
#include "diagram/overlay.h"
#include "diagram/qt_canvas.h"
#include "diagram/renderer.h"
#include "diagram/view_state.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "platform/atomic_file.h"

namespace tarvos::cli {
namespace {

enum class ImageFormat { Png, Svg, Pdf };

// Bounds that keep the image's memory sane: a raster image of the largest allowed size takes
// 256 MB.
constexpr int kMaxClientSide = 10000;
constexpr int kMaxScale = 10;
constexpr std::int64_t kMaxDevicePixels = std::int64_t{64} << 20;

struct RenderRequest {
    ImageFormat format = ImageFormat::Png;
    int width = 800;   // client area in screen pixels
    int height = 600;
    int scale = 1;     // device pixels per screen pixel
    bool onPaper = false;
    double threshold = 0.0;
    DiagramSettings settings;
};

Result<ImageFormat> FormatOf(const std::string& output) {
    std::string ext = std::filesystem::path(output).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".svg") return ImageFormat::Svg;
    if (ext == ".pdf") return ImageFormat::Pdf;
    return Error{"-o: '" + output + "' does not end in .png, .svg or .pdf"};
}

Status ReadSize(const std::optional<std::string>& text, RenderRequest& request) {
    if (!text) return {};
    const Error complaint{"--size: '" + *text + "' is not WIDTHxHEIGHT in pixels, each 1 to " +
                          std::to_string(kMaxClientSide)};
    const std::size_t cross = text->find('x');
    if (cross == std::string::npos) return complaint;
    const std::string_view whole(*text);
    const Result<std::int32_t> width = ParseIntOption("--size", whole.substr(0, cross));
    const Result<std::int32_t> height = ParseIntOption("--size", whole.substr(cross + 1));
    if (!width.ok() || !height.ok()) return complaint;
    const auto inRange = [](std::int32_t v) { return v >= 1 && v <= kMaxClientSide; };
    if (!inRange(width.value()) || !inRange(height.value())) return complaint;
    request.width = width.value();
    request.height = height.value();
    return {};
}

Status ReadScale(const std::optional<std::string>& text, RenderRequest& request) {
    if (!text) return {};
    const Result<std::int32_t> scale = ParseIntOption("--scale", *text);
    if (!scale.ok()) return scale.error();
    if (scale.value() < 1 || scale.value() > kMaxScale)
        return Error{"--scale: '" + *text + "' is not a scale factor from 1 to " +
                     std::to_string(kMaxScale)};
    request.scale = scale.value();
    request.onPaper = true;
    return {};
}

// Everything from the command line and the settings file, read before Qt starts: Qt sets the
// process locale, and nothing here should depend on it.
Result<RenderRequest> ReadRequest(const GlobalArgs& global, const RenderArgs& args) {
    RenderRequest request;
    Result<ImageFormat> format = FormatOf(args.output);
    if (!format.ok()) return format.error();
    request.format = format.value();
    const SettingsLocation where = LocateSettings(global.settings, args.settings);
    request.threshold = LoadSettings(where.settingsFile).options.threshold;
    for (const Status& read : {ReadSize(args.size, request), ReadScale(args.scale, request),
                               ReadOptionalBer("--threshold", args.threshold, request.threshold)}) {
        if (!read.ok()) return read.error();
    }
    const std::int64_t deviceWidth = std::int64_t{request.width} * request.scale;
    const std::int64_t deviceHeight = std::int64_t{request.height} * request.scale;
    if (deviceWidth * deviceHeight > kMaxDevicePixels)
        return Error{"the image of " + std::to_string(deviceWidth) + "x" +
                     std::to_string(deviceHeight) + " pixels is too large (at most " +
                     std::to_string(kMaxDevicePixels) + " pixels)"};
    // The window's diagram: its elements, grid and legend box as the settings file keeps them,
    // with what the command line leaves out on top.
    request.settings = LoadDiagramSettings(where.settingsFile);
    if (args.noCnAxis) request.settings.showCnAxis = 0;
    if (args.noLegend) request.settings.showLegend = 0;
    if (args.noInfo) request.settings.showInfoText = 0;
    if (args.noPoints) request.settings.showSamplePoints = 0;
    if (args.noEnd) request.settings.showEndValue = 0;
    if (args.errorBars) request.settings.showErrorBars = 1;
    return request;
}

// Paints the diagram on `device`, which must be W*s x H*s device pixels.
Status PaintDiagram(QPaintDevice& device, ViewState& view, const C_KVR_DiaDoc& doc,
                    const RenderRequest& request) {
    QPainter painter;
    if (!painter.begin(&device)) return Error{"cannot paint the image"};
    QtCanvas canvas(painter);
    Repaint(canvas, view, doc, request.width, request.height, request.onPaper);
    if (!painter.end()) return Error{"cannot finish the image"};
    return {};
}

Result<QByteArray> PngBytes(ViewState& view, const C_KVR_DiaDoc& doc, const RenderRequest& request) {
    // Opaque, like the window's backing store: Qt paints it on one thread without blending
    // through alpha, several times faster than a transparent-capable image.
    QImage image(request.width * request.scale, request.height * request.scale,
                 QImage::Format_RGB32);
    if (image.isNull()) return Error{"not enough memory for the image"};
    image.fill(Qt::white);
    if (Status painted = PaintDiagram(image, view, doc, request); !painted.ok()) return painted.error();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return Error{"cannot encode the PNG image"};
    return bytes;
}

Result<QByteArray> SvgBytes(ViewState& view, const C_KVR_DiaDoc& doc, const RenderRequest& request) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSize size(request.width * request.scale, request.height * request.scale);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    // At the web's 96 pixels per inch a viewer shows the drawing at its pixel size.
    generator.setResolution(96);
    generator.setTitle(QString::fromStdString(doc.Title()));
    generator.setDescription(QStringLiteral("Measured and theoretical BER over S/N"));
    if (Status painted = PaintDiagram(generator, view, doc, request); !painted.ok())
        return painted.error();
    return bytes;
}

Result<QByteArray> PdfBytes(ViewState& view, const C_KVR_DiaDoc& doc, const RenderRequest& request) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        // One device pixel per point: the page is exactly the diagram, at 72 pixels per inch.
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(request.width * request.scale, request.height * request.scale),
                      QPageSize::Point, QString(), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QString::fromStdString(doc.Title()));
        writer.setCreator(QStringLiteral("KVR Tarvos"));
        if (Status painted = PaintDiagram(writer, view, doc, request); !painted.ok())
            return painted.error();
    }
    return bytes;
}

Result<QByteArray> ImageBytes(ViewState& view, const C_KVR_DiaDoc& doc, const RenderRequest& request) {
    switch (request.format) {
        case ImageFormat::Png: return PngBytes(view, doc, request);
        case ImageFormat::Svg: return SvgBytes(view, doc, request);
        case ImageFormat::Pdf: return PdfBytes(view, doc, request);
    }
    return Error{"unknown image format"};
}

Result<QByteArray> RenderOffscreen(ViewState& view, const C_KVR_DiaDoc& doc,
                                   const RenderRequest& request) {
    const OffscreenGui gui;
    return ImageBytes(view, doc, request);
}

}  // namespace

CLI::App* AddRenderCommand(CLI::App& app, RenderArgs& args) {
    CLI::App* cmd = app.add_subcommand("render", "Draw a document's diagram into an image file");
    cmd->footer(
        "The diagram is drawn as the window shows it in a client area of --size pixels:\n"
        "measured and theoretical BER over S/N, the C/N axis, END at the threshold and the\n"
        "legend box. The format follows OUT's extension: .png (pixel for pixel as on the\n"
        "screen), .svg or .pdf (vector; the PDF page is the diagram's size in points).\n"
        "--scale S draws as a printed page does: pens and text S times as large, the\n"
        "image S times as wide and high. The diagram elements, the grid spacing and the\n"
        "legend box's place come from the settings file's \"Diagram Elements\" and\n"
        "\"Diagram Settings\" sections; on top of them the --no-... switches leave parts\n"
        "out and --error-bars draws the error bars (each BER's 95 % confidence interval).\n"
        "Further documents are compared with the first: their measured curves are drawn\n"
        "over it in their own colours, each with a legend row holding its END at the\n"
        "threshold; settings, theory and info text stay the first document's.");
    cmd->add_option("files", args.files,
                    "Measurement document (.tvd), then documents to compare with it")
        ->required()
        ->type_name("FILE.tvd");
    cmd->add_option("-o,--output", args.output, "Image file to write (.png, .svg or .pdf)")
        ->required()
        ->type_name("OUT");
    cmd->add_option("--size", args.size, "Client area in screen pixels (default: 800x600)")
        ->type_name("WxH");
    cmd->add_option("--threshold", args.threshold,
                    "BER at which END is taken (default: the settings file's)")
        ->type_name("BER");
    cmd->add_option("--scale", args.scale,
                    "Draw as a printed page with this whole scale factor (1 to 10)")
        ->type_name("S");
    cmd->add_flag("--no-cn-axis", args.noCnAxis, "Leave out the C/N axis");
    cmd->add_flag("--no-legend", args.noLegend,
                  "Leave out the legend (the key to curves and symbols)");
    cmd->add_flag("--no-info", args.noInfo, "Leave out the receiver settings beside the legend");
    cmd->add_flag("--no-points", args.noPoints, "Leave out the marks of the measured samples");
    cmd->add_flag("--no-end", args.noEnd, "Leave out END");
    cmd->add_flag("--error-bars", args.errorBars,
                  "Draw each measured BER's 95 % confidence interval as a bar (needs its counts)");
    AddSettingsOption(*cmd, args.settings);
    return cmd;
}

int RunRender(const GlobalArgs& global, const RenderArgs& args) {
    Result<RenderRequest> read = ReadRequest(global, args);
    if (!read.ok()) return ReportFailure(read.error());
    const RenderRequest& request = read.value();
    C_KVR_DiaDoc doc;
    doc.SetThresholdBer(request.threshold);
    if (Status opened = OpenDocument(doc, args.files.front()); !opened.ok())
        return ReportFailure(opened.error());
    ViewState view;
    for (std::size_t i = 1; i < args.files.size(); ++i) {
        Result<OverlayCurve> overlay = LoadOverlay(args.files[i]);
        if (!overlay.ok()) {
            const std::string& why = overlay.error().message;
            // Which of several files failed is not always in the reader's message.
            if (why.find(args.files[i]) != std::string::npos) return ReportFailure(overlay.error());
            return ReportFailure(args.files[i] + ": " + why);
        }
        view.overlays.push_back(std::move(overlay.value()));
    }
    view.settings = request.settings;
    view.geometry.printScale = request.scale;
    InitialUpdate(view, doc);

    const Result<QByteArray> image = RenderOffscreen(view, doc, request);
    if (!image.ok()) return ReportFailure(image.error());
    const std::string_view bytes(image.value().constData(),
                                 static_cast<std::size_t>(image.value().size()));
    if (Status written = WriteFileAtomically(args.output, bytes); !written.ok())
        return ReportFailure("cannot write the image: " + written.error().message);
    return kExitOk;
}

}  // namespace tarvos::cli
