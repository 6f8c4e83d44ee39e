#include "simdriver/pcx_image.h"

#include <algorithm>
#include <cmath>

namespace tarvos::sim {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
enum Colour : std::uint8_t { kBackground = 0, kFrame = 1, kGrid = 2, kTrace = 3, kText = 4 };

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

// A reproducible scatter, so equal views give equal pictures.
double Scatter(int i) {
    const double v = std::sin(i * 12.9898) * 43758.5453;
    return v - std::floor(v) - 0.5;
}

void DrawConstellation(Picture& p, double spread) {
    for (int gx = 0; gx < 8; ++gx) {
        for (int gy = 0; gy < 8; ++gy) {
            for (int k = 0; k < 12; ++k) {
                const int i = (gx * 8 + gy) * 12 + k;
                const double x = 40 + gx * 34 + Scatter(i) * spread;
                const double y = 20 + gy * 26 + Scatter(i + 7919) * spread;
                Put(p, static_cast<int>(x), static_cast<int>(y), kTrace);
            }
        }
    }
}

void DrawCurve(Picture& p, int mode, double noise) {
    int lastY = -1;
    for (int x = 10; x < p.width - 10; ++x) {
        const double u = (x - 10.0) / (p.width - 20.0);
        double v = 0.5 + 0.35 * std::sin(u * 3.14159 * (1 + mode % 5)) * std::exp(-u * (mode % 3));
        v += noise * Scatter(x + mode * 1000);
        const int y = static_cast<int>(std::lround(p.height - 10 - v * (p.height - 20)));
        if (lastY >= 0) Line(p, x - 1, lastY, x, y, kTrace);
        lastY = y;
    }
}

}  // namespace

Picture DrawView(int measureMode, double snrDb) {
    Picture p{kWidth, kHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(kWidth * kHeight), kBackground)};
    for (int x = 0; x < kWidth; x += 32) Line(p, x, 0, x, kHeight - 1, kGrid);
    for (int y = 0; y < kHeight; y += 24) Line(p, 0, y, kWidth - 1, y, kGrid);
    Line(p, 0, 0, kWidth - 1, 0, kFrame);
    Line(p, 0, kHeight - 1, kWidth - 1, kHeight - 1, kFrame);
    Line(p, 0, 0, 0, kHeight - 1, kFrame);
    Line(p, kWidth - 1, 0, kWidth - 1, kHeight - 1, kFrame);
    // The view number as a row of marks in the corner.
    for (int i = 0; i < std::clamp(measureMode, 0, 30); ++i) Line(p, 4 + i * 4, 4, 4 + i * 4, 10, kText);
    const double noise = std::clamp(std::pow(10.0, -std::clamp(snrDb, -10.0, 60.0) / 20.0), 0.0, 1.0);
    if (measureMode == 1 || measureMode == 2 || measureMode == 4) DrawConstellation(p, 2 + 60 * noise);
    else DrawCurve(p, measureMode, 0.2 * noise);
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
    const std::uint8_t colours[5][3] = {{0, 0, 32}, {220, 220, 220}, {40, 60, 100}, {255, 220, 0}, {120, 255, 120}};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) out.push_back(i < 5 ? colours[i][c] : static_cast<std::uint8_t>(i));
    return out;
}

}  // namespace tarvos::sim
