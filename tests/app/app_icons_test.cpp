#include "app/app_icons.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <array>
#include <utility>

#include "tests/app/image_content.h"

namespace tarvos {
namespace {

using testing::ImageContent;
using testing::LooksDrawn;
using testing::MeasureContent;

constexpr std::array<ToolbarButton, 10> kAllButtons = {
    ToolbarButton::New,          ToolbarButton::Open,        ToolbarButton::Save,
    ToolbarButton::SaveAsText,   ToolbarButton::Print,       ToolbarButton::PortSettings,
    ToolbarButton::KvrSettings,  ToolbarButton::Advanced,    ToolbarButton::DiagramElements,
    ToolbarButton::Measurement};

QImage ImageOf(const QIcon& icon, QSize size) {
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

std::pair<bool, bool> HasTransparentAndOpaque(const QImage& image) {
    bool transparent = false;
    bool opaque = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            transparent = transparent || alpha == 0;
            opaque = opaque || alpha == 255;
        }
    }
    return {transparent, opaque};
}

TEST(ToolbarIcons, EachIsA20By15PictureOnATransparentGround) {
    for (const ToolbarButton button : kAllButtons) {
        SCOPED_TRACE(static_cast<int>(button));
        const QIcon icon = ToolbarIcon(button);
        ASSERT_TRUE(icon.availableSizes().contains(QSize(20, 15)));
        EXPECT_TRUE(icon.availableSizes().contains(QSize(40, 30)));
        const QImage image = ImageOf(icon, QSize(20, 15));
        ASSERT_EQ(image.size(), QSize(20, 15));
        EXPECT_GE(MeasureContent(image).distinctColours, 3);
        const auto [transparent, opaque] = HasTransparentAndOpaque(image);
        EXPECT_TRUE(transparent);
        EXPECT_TRUE(opaque);
    }
}

TEST(ToolbarIcons, NoTwoButtonsLookAlike) {
    for (std::size_t i = 0; i < kAllButtons.size(); ++i) {
        for (std::size_t j = i + 1; j < kAllButtons.size(); ++j) {
            EXPECT_NE(ImageOf(ToolbarIcon(kAllButtons[i]), QSize(20, 15)),
                      ImageOf(ToolbarIcon(kAllButtons[j]), QSize(20, 15)))
                << "buttons " << i << " and " << j;
        }
    }
}

TEST(ProgramIcons, ProgramIconHasEverySizeDrawn) {
    const QIcon icon = ProgramIcon();
    for (const int size : {16, 32, 48, 64, 128}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = ImageOf(icon, QSize(size, size));
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(LooksDrawn(MeasureContent(image), 8, 0.2));
    }
}

TEST(ProgramIcons, DialogIconIsTheDiagramWithAStartMark) {
    const QIcon dialog = MeasurementDialogIcon();
    for (const int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(dialog.availableSizes().contains(QSize(size, size)));
        const QImage image = ImageOf(dialog, QSize(size, size));
        EXPECT_TRUE(LooksDrawn(MeasureContent(image), 8, 0.2));
        EXPECT_NE(image, ImageOf(ProgramIcon(), QSize(size, size)));
    }
}

TEST(ImageContentMeasure, FlatAndTwoToneImagesDoNotCountAsDrawn) {
    QImage flat(64, 48, QImage::Format_RGB32);
    flat.fill(QColor(0, 0, 0));
    const ImageContent none = MeasureContent(flat);
    EXPECT_EQ(none.distinctColours, 1);
    EXPECT_EQ(none.foregroundShare, 0.0);
    EXPECT_FALSE(LooksDrawn(none, 8, 0.005));

    // The stipple of an empty X root window: half the pixels differ, but only two colours.
    QImage stipple = flat;
    for (int y = 0; y < stipple.height(); ++y) {
        for (int x = (y % 2); x < stipple.width(); x += 2) stipple.setPixel(x, y, qRgb(255, 255, 255));
    }
    const ImageContent twoTone = MeasureContent(stipple);
    EXPECT_EQ(twoTone.distinctColours, 2);
    EXPECT_DOUBLE_EQ(twoTone.foregroundShare, 0.5);
    EXPECT_FALSE(LooksDrawn(twoTone, 8, 0.005));

    EXPECT_EQ(MeasureContent(QImage()).distinctColours, 0);
}

TEST(ImageContentMeasure, TransparentPixelsAreOneColourAndAPictureCounts) {
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(10, 20, 30, 0));
    EXPECT_EQ(MeasureContent(image).distinctColours, 1);

    const QImage icon = ImageOf(ProgramIcon(), QSize(64, 64));
    const ImageContent content = MeasureContent(icon);
    EXPECT_GT(content.distinctColours, 8);
    EXPECT_TRUE(LooksDrawn(content, 8, 0.005));
    EXPECT_FALSE(LooksDrawn(content, content.distinctColours + 1, 0.005));
}

}  // namespace
}  // namespace tarvos

// Pixmaps need a GUI application; the offscreen platform needs no display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
