#include "simdriver/pcx_image.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarvos::sim {
namespace {

// The receiver's screen: a title bar, the view's plot and, below it, the history of the last
// sweeps with the level as colour. Like a real screen it is full of measured noise, so its PCX
// file is tens of kilobytes, as the instrument's own are.
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTitleBottom = 24;
constexpr int kPlotBottom = 360;
constexpr int kHistoryTop = 368;
constexpr int kHistoryBottom = kHeight - 8;
constexpr int kLevels = 32;
enum Colour : std::uint8_t { kBackground = 0, kFrame = 1, kGrid = 2, kTrace = 3, kText = 4, kTitle = 5, kLevel0 = 16 };

void Put(Picture& p, int x, int y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < p.width && y < p.height) p.pixels[static_cast<std::size_t>(y * p.width + x)] = c;
}

void Line(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t c) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0 : static_cast<double>(i) / steps;
        Put(p, static_cast<int>(std::lround(x0 + t * (x1 - x0))), static_cast<int>(std::lround(y0 + t * (y1 - y0))), c);
    }
}

void Box(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t c) {
    Line(p, x0, y0, x1, y0, c);
    Line(p, x0, y1, x1, y1, c);
    Line(p, x0, y0, x0, y1, c);
    Line(p, x1, y0, x1, y1, c);
}

// A reproducible scatter in [-0.5, 0.5) (an integer hash), so equal views give equal pictures
// on every machine.
double Scatter(std::uint32_t i) {
    std::uint32_t h = i * 0x9E3779B9u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h / 4294967296.0 - 0.5;
}

std::uint32_t Index(int a, int b, int c) {
    return static_cast<std::uint32_t>(a) * 1000003u + static_cast<std::uint32_t>(b) * 7919u + static_cast<std::uint32_t>(c);
}

// The view's curve at u in [0, 1], as a height in [0, 1].
double Shape(int mode, double u) {
    return 0.5 + 0.35 * std::sin(u * 3.14159 * (1 + mode % 5)) * std::exp(-u * (mode % 3));
}

void DrawConstellation(Picture& p, double spread) {
    const int plotHeight = kPlotBottom - kTitleBottom;
    for (int gx = 0; gx < 8; ++gx) {
        for (int gy = 0; gy < 8; ++gy) {
            for (int k = 0; k < 40; ++k) {
                const double x = 80 + gx * 68 + Scatter(Index(gx, gy, k)) * spread;
                const double y = kTitleBottom + plotHeight / 16.0 + gy * plotHeight / 8.0 + Scatter(Index(gy, gx, k + 50)) * spread;
                Put(p, static_cast<int>(x), static_cast<int>(y), kTrace);
            }
        }
    }
}

// The trace with the receiver's noise on it: a floor of measurement noise even on a clean signal.
void DrawCurve(Picture& p, int mode, double noise) {
    const int top = kTitleBottom + 8, bottom = kPlotBottom - 8;
    int lastY = -1;
    for (int x = 10; x < p.width - 10; ++x) {
        const double u = (x - 10.0) / (p.width - 20.0);
        const double v = Shape(mode, u) + (0.03 + noise) * Scatter(Index(mode, x, 1));
        const int y = static_cast<int>(std::lround(bottom - std::clamp(v, 0.0, 1.0) * (bottom - top)));
        if (lastY >= 0) Line(p, x - 1, lastY, x, y, kTrace);
        lastY = y;
    }
}

// The last sweeps, one per line, newest at the top; the colour is the level with its noise.
void DrawHistory(Picture& p, int mode, double noise) {
    for (int y = kHistoryTop; y < kHistoryBottom; ++y) {
        for (int x = 1; x < p.width - 1; ++x) {
            const double u = (x - 1.0) / (p.width - 2.0);
            const double v = Shape(mode, u) + (0.08 + noise) * Scatter(Index(mode, x, y));
            const int level = std::clamp(static_cast<int>(v * kLevels), 0, kLevels - 1);
            Put(p, x, y, static_cast<std::uint8_t>(kLevel0 + level));
        }
    }
}

// The screen's colours; the levels of the history run from dark blue through green to yellow.
std::array<std::uint8_t, 3> PaletteColour(int i) {
    static const std::uint8_t fixed[6][3] = {{0, 0, 32}, {220, 220, 220}, {40, 60, 100}, {255, 220, 0}, {120, 255, 120}, {60, 60, 140}};
    if (i < 6) return {fixed[i][0], fixed[i][1], fixed[i][2]};
    if (i >= kLevel0 && i < kLevel0 + kLevels) {
        const double t = static_cast<double>(i - kLevel0) / (kLevels - 1);
        auto channel = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        return {channel(2 * t - 0.8), channel(1.6 * t), channel(0.6 - t)};
    }
    const auto grey = static_cast<std::uint8_t>(i);
    return {grey, grey, grey};
}

}  // namespace

Picture DrawView(int measureMode, double snrDb) {
    Picture p{kWidth, kHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(kWidth * kHeight), kBackground)};
    for (int y = 0; y < kTitleBottom; ++y) Line(p, 0, y, kWidth - 1, y, kTitle);
    // The view number as a row of marks in the title bar.
    for (int i = 0; i < std::clamp(measureMode, 0, 30); ++i) Line(p, 6 + i * 6, 6, 6 + i * 6, 17, kText);
    for (int x = 0; x < kWidth; x += 64) Line(p, x, kTitleBottom, x, kPlotBottom, kGrid);
    for (int y = kTitleBottom; y <= kPlotBottom; y += 42) Line(p, 0, y, kWidth - 1, y, kGrid);
    Box(p, 0, kTitleBottom, kWidth - 1, kPlotBottom, kFrame);
    Box(p, 0, kHistoryTop - 1, kWidth - 1, kHistoryBottom, kFrame);
    const double noise = std::clamp(std::pow(10.0, -std::clamp(snrDb, -10.0, 60.0) / 20.0), 0.0, 1.0);
    if (measureMode == 1 || measureMode == 2 || measureMode == 4) DrawConstellation(p, 2 + 120 * noise);
    else DrawCurve(p, measureMode, 0.2 * noise);
    DrawHistory(p, measureMode, 0.2 * noise);
    return p;
}

std::vector<std::uint8_t> EncodePcx(const Picture& picture) {
    std::vector<std::uint8_t> out(128, 0);
    auto word = [&](std::size_t at, int value) {
        out[at] = static_cast<std::uint8_t>(value & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    };
    out[0] = 10;  // manufacturer: ZSoft
    out[1] = 5;   // version with a 256-colour palette
    out[2] = 1;   // run-length encoding
    out[3] = 8;   // bits per pixel per plane
    word(8, picture.width - 1);
    word(10, picture.height - 1);
    word(12, 72);
    word(14, 72);
    out[65] = 1;  // planes
    const int bytesPerLine = picture.width + (picture.width % 2);  // even, as the format wants
    word(66, bytesPerLine);
    word(68, 1);  // colour palette
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = &picture.pixels[static_cast<std::size_t>(y * picture.width)];
        for (int x = 0; x < bytesPerLine;) {
            const std::uint8_t value = x < picture.width ? row[x] : 0;
            int run = 1;
            while (x + run < bytesPerLine && run < 63 && (x + run < picture.width ? row[x + run] : 0) == value) ++run;
            if (run > 1 || value >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(value);
            x += run;
        }
    }
    out.push_back(12);  // palette marker
    for (int i = 0; i < 256; ++i) {
        const auto rgb = PaletteColour(i);
        out.insert(out.end(), rgb.begin(), rgb.end());
    }
    return out;
}

}  // namespace tarvos::sim
