#include "tests/app/image_content.h"

#include <QRgb>

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace tarvos::testing {

ImageContent MeasureContent(const QImage& image) {
    ImageContent content;
    if (image.isNull()) return content;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::unordered_map<QRgb, std::size_t> counts;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            // Every fully transparent pixel is the same nothing, whatever its colour bits say.
            const QRgb pixel = qAlpha(line[x]) == 0 ? 0u : line[x];
            ++counts[pixel];
        }
    }
    std::size_t dominant = 0;
    for (const auto& entry : counts) dominant = std::max(dominant, entry.second);
    const auto total = static_cast<std::size_t>(argb.width()) * static_cast<std::size_t>(argb.height());
    content.distinctColours = static_cast<int>(counts.size());
    content.foregroundShare = static_cast<double>(total - dominant) / static_cast<double>(total);
    return content;
}

bool LooksDrawn(const ImageContent& content, int minColours, double minForegroundShare) {
    return content.distinctColours >= minColours && content.foregroundShare >= minForegroundShare;
}

}  // namespace tarvos::testing
