// "tarvos render" on a document written here: the image files it makes, read back with Qt;
// and the pixel rules of the canvas the images are drawn with.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "cli_fixture.h"
#include "diagram/qt_canvas.h"
#include "document/document_file.h"
#include "document/theory.h"

namespace tarvos::testing {
namespace {

struct ColourCounts {
    int measured = 0;  // the measured curve's red
    int theory = 0;    // the theoretical curve's green
    int marker = 0;    // the legend's blue "preliminary value" symbol
};

class RenderCommand : public CliTest {
protected:
    // 64-QAM measured 1 dB worse than theory from 20 to 30 dB, ending in a BER of 0.
    std::string WriteDocument() {
        ReceiverSettings rs;
        rs.snrBegin = 20.0;
        rs.snrEnd = 32.0;
        SampleList samples;
        for (double snr = 20.0; snr <= 30.0; snr += 0.5)
            samples.AppendSample(snr, TheoreticalBer(rs, snr - 1.0));
        samples.AppendSample(31.0, 0.0);
        const std::filesystem::path path = Path("m.tvd");
        WriteBytes(path, SerializeDocument(rs, samples));
        return path.string();
    }

    // Renders to `name` in the test folder, expecting success; returns the file's bytes.
    std::string Render(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"render", WriteDocument(), "-o", Path(name).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
        return ReadBytes(Path(name));
    }

    // Width and height from the PNG header (IHDR, big-endian at offsets 16 and 20).
    static std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& bytes) {
        if (bytes.size() < 24) return {0, 0};
        const auto word = [&](std::size_t at) {
            std::uint32_t v = 0;
            for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
            return v;
        };
        return {word(16), word(20)};
    }

    ColourCounts Colours(const std::string& name) const {
        ColourCounts counts;
        const QImage image(QString::fromStdString(Path(name).string()));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (c == qRgb(200, 0, 0)) ++counts.measured;
                if (c == qRgb(0, 150, 0)) ++counts.theory;
                if (c == qRgb(0, 0, 200)) ++counts.marker;
            }
        }
        return counts;
    }
};

TEST_F(RenderCommand, PngIsTheWindowsClientAreaWithBothCurves) {
    const std::string png = Render("d.png");
    ASSERT_EQ(png.rfind("\x89PNG\r\n\x1a\n", 0), 0u);
    EXPECT_EQ(PngSize(png), std::make_pair(800u, 600u));
    const ColourCounts counts = Colours("d.png");
    // A 2-pixel curve over most of the width: hundreds of pixels each.
    EXPECT_GT(counts.measured, 300);
    EXPECT_GT(counts.theory, 300);
    EXPECT_GT(counts.marker, 0);

    EXPECT_EQ(PngSize(Render("small.png", {"--size", "640x480"})), std::make_pair(640u, 480u));
}

TEST_F(RenderCommand, PaperScaleEnlargesImageAndPens) {
    const std::string png = Render("page.png", {"--scale", "2"});
    EXPECT_EQ(PngSize(png), std::make_pair(1600u, 1200u));
    // Twice the length and twice the width of every stroke: about four times the pixels.
    const ColourCounts page = Colours("page.png");
    Render("screen.png");
    const ColourCounts screen = Colours("screen.png");
    EXPECT_GT(page.theory, 3 * screen.theory);
    EXPECT_LT(page.theory, 5 * screen.theory);
}

TEST_F(RenderCommand, SvgAndPdfAreVectorDrawingsWithTheLabels) {
    const std::string svg = Render("d.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("viewBox=\"0 0 800 600\""), std::string::npos);
    EXPECT_NE(svg.find("Theoretical curve"), std::string::npos);
    EXPECT_NE(svg.find("END = "), std::string::npos);
    EXPECT_EQ(svg.find("<image"), std::string::npos) << "the diagram must not be a bitmap";

    const std::string pdf = Render("d.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("/MediaBox [0 0 800"), std::string::npos);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

TEST_F(RenderCommand, SwitchesLeaveOutTheirParts) {
    const std::string full = Render("full.png");
    const std::string noLegend = Render("no-legend.png", {"--no-legend", "--no-info"});
    EXPECT_NE(full, noLegend);
    // The blue symbol appears only in the legend: no marker is ever placed on an image.
    EXPECT_GT(Colours("full.png").marker, 0);
    EXPECT_EQ(Colours("no-legend.png").marker, 0);

    EXPECT_NE(Render("info-only.png", {"--no-legend"}), full);
    EXPECT_NE(Render("legend-only.png", {"--no-info"}), full);
    EXPECT_NE(Render("no-cn.png", {"--no-cn-axis"}), full);
    EXPECT_NE(Render("no-points.png", {"--no-points"}), full);

    EXPECT_EQ(Render("no-end.svg", {"--no-end"}).find("END = "), std::string::npos);
    // A threshold the measurement never reaches has no END to show either.
    EXPECT_EQ(Render("low.svg", {"--threshold", "1e-14"}).find("END = "), std::string::npos);
    EXPECT_NE(Render("high.svg", {"--threshold", "1e-5"}).find("END = "), std::string::npos);
}

TEST_F(RenderCommand, ThresholdDefaultsToTheSettingsFiles) {
    EXPECT_NE(Render("default.svg").find("END = "), std::string::npos);
    WriteBytes(SettingsPath(), "[Measurement]\nTreshold=1e-14\n");
    EXPECT_EQ(Render("unreached.svg").find("END = "), std::string::npos);
    EXPECT_NE(Render("given.svg", {"--threshold", "2e-4"}).find("END = "), std::string::npos);
}

TEST_F(RenderCommand, DiagramSectionsOfTheSettingsFileWithTheSwitchesOnTop) {
    // Where the legend's blue "Preliminary value" symbol lies tells where the box is.
    const auto symbolX = [&](const std::string& name) {
        const QImage image(QString::fromStdString(Path(name).string()));
        long long sum = 0, count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == qRgb(0, 0, 200)) sum += x, ++count;
            }
        }
        return count == 0 ? -1 : static_cast<int>(sum / count);
    };
    struct Case {
        const char* settings;
        std::vector<std::string> switches;
        int lo, hi;  // where the symbol's mean x must lie; -1, -1: no symbol
    };
    const Case cases[] = {
        {"", {}, 70, 90},                                           // corner 3, 20 pixels in
        {"[Diagram Settings]\nCorner=4\nX-Offset=0\n", {}, 400, 420},  // touching the right frame
        {"[Diagram Elements]\nLegend=0\n", {}, -1, -1},
        {"[Diagram Elements]\nLegend=1\n", {"--no-legend"}, -1, -1},
    };
    for (const Case& c : cases) {
        WriteBytes(SettingsPath(), c.settings);
        Render("box.png", c.switches);
        const int x = symbolX("box.png");
        EXPECT_GE(x, c.lo) << c.settings;
        EXPECT_LE(x, c.hi) << c.settings;
    }
}

TEST_F(RenderCommand, BadRequestsExitWithOneAndWriteNothing) {
    const std::string doc = WriteDocument();
    const auto expectFailure = [&](std::vector<std::string> args, const std::string& message) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    };
    expectFailure({"render", doc, "-o", Path("d.bmp").string()}, "does not end in .png, .svg or .pdf");
    expectFailure({"render", doc, "-o", Path("d").string()}, "does not end in .png, .svg or .pdf");
    for (const char* size : {"0x600", "800", "800x", "x600", "800x600x2", "-800x600", "10001x10"})
        expectFailure({"render", doc, "-o", Path("d.png").string(), "--size", size}, "--size");
    for (const char* scale : {"0", "1.5", "11", "two"})
        expectFailure({"render", doc, "-o", Path("d.png").string(), "--scale", scale}, "--scale");
    expectFailure({"render", doc, "-o", Path("d.png").string(), "--threshold", "2"}, "--threshold");
    expectFailure({"render", Path("missing.tvd").string(), "-o", Path("d.png").string()}, "missing.tvd");
    expectFailure({"render", doc, "-o", Path("m.tvd/d.png").string()}, "cannot write the image");
    EXPECT_FALSE(std::filesystem::exists(Path("d.png")));
    EXPECT_FALSE(std::filesystem::exists(Path("d.bmp")));
}

// Three files, the later two measured 1 and 2 dB worse: one SVG with three measured curves, each
// in its own colour, and a legend row with END for each file; a file that cannot be read fails.
TEST_F(RenderCommand, SeveralDocumentsAreComparedInOneDiagram) {
    const std::string main = WriteDocument();
    const std::string bytes = ReadBytes(main);
    std::vector<std::string> files{main};
    for (const char* name : {"worse.tvd", "worst.tvd"}) {
        Result<DocumentContents> contents = DeserializeDocument(bytes);
        ASSERT_TRUE(contents.ok());
        SampleList shifted;
        const double shift = static_cast<double>(files.size());
        for (const MeasurementSample& s : contents.value().samples) shifted.AppendSample(s.snr + shift, s.ber);
        WriteBytes(Path(name), SerializeDocument(contents.value().receiver, shifted));
        files.push_back(Path(name).string());
    }
    std::vector<std::string> args{"render"};
    args.insert(args.end(), files.begin(), files.end());
    args.insert(args.end(), {"-o", Path("cmp.svg").string()});
    const RunResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = ReadBytes(Path("cmp.svg"));

    // Polylines per stroke colour of their group; frame, grid, theory and marker set aside.
    std::map<std::string, int> polylines;
    for (std::size_t at = svg.find("<g "); at != std::string::npos;) {
        const std::size_t next = svg.find("<g ", at + 1);
        const std::string group = svg.substr(at, next - at);
        const std::size_t stroke = group.find("stroke=\"#");
        if (stroke != std::string::npos) {
            int count = 0;
            for (std::size_t p = group.find("<polyline"); p != std::string::npos; p = group.find("<polyline", p + 1))
                ++count;
            polylines[group.substr(stroke + 8, 7)] += count;
        }
        at = next;
    }
    for (const char* other : {"#000000", "#969696", "#009600", "#0000c8"}) polylines.erase(other);
    int curves = 0;
    for (const auto& [colour, count] : polylines) curves += count >= 20 ? 1 : 0;  // 21 samples each
    EXPECT_EQ(curves, 3) << svg.size();

    for (const char* row : {"m.tvd: END 0.99 dB", "worse.tvd: END 1.99 dB", "worst.tvd: END 2.99 dB"})
        EXPECT_NE(svg.find(row), std::string::npos) << row;

    WriteBytes(Path("bad.tvd"), "not a document");
    args[2] = Path("bad.tvd").string();
    const RunResult bad = Run(args);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("bad.tvd: Unexpected file format."), std::string::npos) << bad.err;
}

bool Is(const QImage& image, int x, int y, QColor colour) { return image.pixelColor(x, y) == colour; }

// A small image painted by `draw` on a red background, so that white fills show.
template <class Draw>
QImage Painted(Draw&& draw) {
    QImage image(24, 16, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 0));
    QPainter painter(&image);
    QtCanvas canvas(painter);
    canvas.Begin(1, false);
    draw(canvas);
    painter.end();
    return image;
}

// Fonts need a GUI application; the offscreen platform needs no display.
class QtCanvasText : public ::testing::Test {
protected:
    QtCanvasText() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[10] = "cli_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

TEST_F(QtCanvasText, TextIsBlackOnAWhiteCellOfTheDiagramsLineHeight) {
    const auto cellRows = [](int scale) {
        QImage image(200, 80, QImage::Format_ARGB32);
        image.fill(QColor(255, 0, 0));
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.Begin(scale, scale > 1);
        canvas.Text({5, 7}, "BER 1 E-10");
        painter.end();
        int rows = 0;
        bool dark = false;
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(5, y);
            if (c != QColor(255, 0, 0)) ++rows;
            for (int x = 5; x < 200; ++x) dark = dark || image.pixelColor(x, y).lightness() < 60;
        }
        EXPECT_TRUE(Is(image, 5, 7, Qt::white)) << "the cell starts at the point";
        EXPECT_TRUE(dark) << "no black text";
        return rows;
    };
    // The renderer places its labels 16 pixels apart on screen, 15 per scale unit on paper.
    EXPECT_EQ(cellRows(1), 16);
    EXPECT_EQ(cellRows(4), 60);
}

TEST(QtCanvasPixels, LinesLeaveOutTheirLastPixelAsTheWindowDoes) {
    const QColor grey(150, 150, 150);
    const QImage image = Painted([](Canvas& c) {
        c.SetPen(PenRole::Grid);
        c.MoveTo({2, 3});
        c.LineTo({10, 3});
        c.LineTo({10, 12});
    });
    EXPECT_TRUE(Is(image, 2, 3, grey));
    EXPECT_TRUE(Is(image, 9, 3, grey));
    EXPECT_TRUE(Is(image, 10, 3, grey));  // the second segment's first pixel
    EXPECT_TRUE(Is(image, 10, 11, grey));
    EXPECT_TRUE(Is(image, 10, 12, QColor(255, 0, 0)));
    EXPECT_TRUE(Is(image, 2, 4, QColor(255, 0, 0)));  // one pixel wide
}

TEST(QtCanvasPixels, RectanglesKeepTheirOutlineInsideAndFillWhite) {
    const QImage image = Painted([](Canvas& c) {
        c.SetPen(PenRole::Frame);
        c.Rectangle({2, 2, 12, 10});
    });
    const QColor black(0, 0, 0);
    for (const auto& [x, y] : {std::pair{2, 2}, {3, 3}, {11, 9}, {10, 8}, {11, 2}, {2, 9}})
        EXPECT_TRUE(Is(image, x, y, black)) << x << "," << y;
    EXPECT_TRUE(Is(image, 4, 4, Qt::white));
    EXPECT_TRUE(Is(image, 9, 7, Qt::white));
    for (const auto& [x, y] : {std::pair{1, 1}, {12, 10}, {12, 5}, {5, 10}})
        EXPECT_TRUE(Is(image, x, y, QColor(255, 0, 0))) << x << "," << y;
}

TEST(QtCanvasPixels, InvertedFiguresVanishWhenDrawnTwice) {
    const auto figure = [](Canvas& c) {
        c.SetPen(PenRole::Marker);
        c.Rectangle({3, 3, 15, 12});
        c.MoveTo({1, 1});
        c.LineTo({20, 14});
        c.LineTo({20, 2});
    };
    const QImage before = Painted([&](Canvas& c) { figure(c); });
    const QImage once = Painted([&](Canvas& c) {
        figure(c);
        c.SetInvert(true);
        figure(c);
    });
    EXPECT_NE(once, before);
    EXPECT_TRUE(Is(once, 3, 11, QColor(255, 255, 55)));  // the blue outline, inverted
    const QImage twice = Painted([&](Canvas& c) {
        figure(c);
        c.SetInvert(true);
        figure(c);
        figure(c);
    });
    EXPECT_EQ(twice, before);
}

}  // namespace
}  // namespace tarvos::testing
