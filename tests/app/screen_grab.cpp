// screen_grab: the eyes of the window smoke test.
//
//   screen_grab --title TEXT --out FILE.png [--timeout-ms N] [--settle-ms N]
//     waits until a viewable top-level window whose title holds TEXT is on $DISPLAY, lets the
//     program finish painting, and saves the whole screen.
//   screen_grab --check-not-blank FILE.png [--min-colours N] [--min-share X]
//     tells whether a saved screen shows anything: at least N colours, and at least the share X
//     of the pixels in other colours than the most frequent one.
//
// Exit status: 0 found and saved / not blank; 1 no such window in time / blank; 2 bad use or
// an error of the display or the file.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QString>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "tests/app/image_content.h"
#include "tests/app/x11_windows.h"

namespace {

using tarvos::testing::X11Display;
using tarvos::testing::X11Window;

struct Options {
    std::string title;
    std::string out;
    std::string check;
    long timeoutMs = 20000;
    long settleMs = 1500;
    long minColours = 8;
    double minShare = 0.01;
};

constexpr long kPollMs = 100;
// Bounds that keep every option's arithmetic far from overflow: a day, and any image's colours.
constexpr long kMaxWholeNumber = 86'400'000;

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "screen_grab: %s\n"
                 "usage: screen_grab --title TEXT --out FILE.png [--timeout-ms N] [--settle-ms N]\n"
                 "       screen_grab --check-not-blank FILE.png [--min-colours N] [--min-share X]\n",
                 problem);
    return 2;
}

std::optional<long> WholeNumber(const char* text) {
    bool ok = false;
    const long value = QString::fromUtf8(text).toLong(&ok);
    if (!ok || value < 0 || value > kMaxWholeNumber) return std::nullopt;
    return value;
}

std::optional<double> Share(const char* text) {
    bool ok = false;
    const double value = QString::fromUtf8(text).toDouble(&ok);
    if (!ok || !(value >= 0.0 && value <= 1.0)) return std::nullopt;
    return value;
}

// Empty when the options are sound; otherwise what is wrong with them.
std::string Parse(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return "option " + arg + " needs a value";
        const char* value = argv[++i];
        if (arg == "--title") {
            options->title = value;
        } else if (arg == "--out") {
            options->out = value;
        } else if (arg == "--check-not-blank") {
            options->check = value;
        } else if (arg == "--timeout-ms" || arg == "--settle-ms" || arg == "--min-colours") {
            const auto number = WholeNumber(value);
            if (!number) {
                return arg + " needs a whole number up to " + std::to_string(kMaxWholeNumber) + ", not \"" + value +
                       "\"";
            }
            long& target = arg == "--timeout-ms"  ? options->timeoutMs
                           : arg == "--settle-ms" ? options->settleMs
                                                  : options->minColours;
            target = *number;
        } else if (arg == "--min-share") {
            const auto share = Share(value);
            if (!share) return "--min-share needs a number from 0 to 1, not \"" + std::string(value) + "\"";
            options->minShare = *share;
        } else {
            return "unknown option " + arg;
        }
    }
    if (!options->check.empty()) {
        return options->title.empty() && options->out.empty() ? "" : "--check-not-blank stands alone";
    }
    if (options->title.empty() || options->out.empty()) return "--title and --out are needed";
    return "";
}

int CheckNotBlank(const Options& options) {
    QImage image;
    if (!image.load(QString::fromStdString(options.check))) {
        std::fprintf(stderr, "screen_grab: cannot read the image %s\n", options.check.c_str());
        return 2;
    }
    const auto content = tarvos::testing::MeasureContent(image);
    const bool drawn = tarvos::testing::LooksDrawn(content, static_cast<int>(options.minColours), options.minShare);
    std::printf("%s: %dx%d, %d colours, %.2f%% outside the most frequent colour: %s\n", options.check.c_str(),
                image.width(), image.height(), content.distinctColours, content.foregroundShare * 100.0,
                drawn ? "not blank" : "blank");
    return drawn ? 0 : 1;
}

std::optional<X11Window> FindWindow(X11Display& display, const std::string& wanted) {
    for (X11Window& window : display.TitledWindows()) {
        if (window.title.find(wanted) != std::string::npos) return std::move(window);
    }
    return std::nullopt;
}

void ListWindows(X11Display& display) {
    const auto windows = display.TitledWindows();
    if (windows.empty()) std::fprintf(stderr, "screen_grab: no titled window is mapped\n");
    for (const X11Window& w : windows) {
        std::fprintf(stderr, "screen_grab: mapped: 0x%x \"%s\"\n", w.id, w.title.c_str());
    }
}

int Grab(char* programName, const Options& options) {
    std::string error;
    const auto display = X11Display::Connect(&error);
    if (!display) {
        std::fprintf(stderr, "screen_grab: %s\n", error.c_str());
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    std::optional<X11Window> window;
    while (!(window = FindWindow(*display, options.title))) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "screen_grab: no window titled \"%s\" appeared within %ld ms\n", options.title.c_str(),
                         options.timeoutMs);
            ListWindows(*display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    std::printf("screen_grab: found 0x%x \"%s\" %dx%d at %d,%d\n", window->id, window->title.c_str(), window->width,
                window->height, window->x, window->y);
    std::fflush(stdout);

    // Mapped is not yet painted: give the program time to draw its first frames.
    std::this_thread::sleep_for(std::chrono::milliseconds(options.settleMs));
    if (!FindWindow(*display, options.title)) {
        std::fprintf(stderr, "screen_grab: the window \"%s\" went away before the picture was taken\n",
                     options.title.c_str());
        ListWindows(*display);
        return 1;
    }

    // Qt sees none of the options: some of ours look like its own X11 ones.
    qputenv("QT_QPA_PLATFORM", "xcb");
    int qtArgc = 1;
    char* qtArgv[] = {programName, nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "screen_grab: the display has no screen\n");
        return 2;
    }
    const QPixmap picture = screen->grabWindow(0);
    if (picture.isNull() || !picture.save(QString::fromStdString(options.out), "PNG")) {
        std::fprintf(stderr, "screen_grab: cannot save the screen to %s\n", options.out.c_str());
        return 2;
    }
    std::printf("screen_grab: saved %dx%d to %s\n", picture.width(), picture.height(), options.out.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::string problem = Parse(argc, argv, &options); !problem.empty()) return Usage(problem.c_str());
    return options.check.empty() ? Grab(argv[0], options) : CheckNotBlank(options);
}
