// The desktop files of packaging/: the launcher, the .tvd file type and the icon must name one
// another consistently, or the desktop neither offers the program for .tvd files nor shows
// its icon.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <map>

#include "tests/app/image_content.h"

namespace tarvos {
namespace {

const QString kPackaging = QStringLiteral(TARVOS_SOURCE_DIR "/packaging/");

// The keys of the [Desktop Entry] group.
std::map<QString, QString> DesktopEntry(const QString& file) {
    std::map<QString, QString> keys;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
        } else if (inGroup && !line.startsWith('#') && line.contains('=')) {
            const qsizetype eq = line.indexOf('=');
            keys[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
        }
    }
    return keys;
}

struct MimeType {
    QString type;
    QString comment;
    QStringList globs;
};

std::vector<MimeType> MimeTypes(const QString& file) {
    std::vector<MimeType> types;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return types;
    QXmlStreamReader xml(&in);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QStringLiteral("mime-type")) {
            types.push_back({xml.attributes().value("type").toString(), {}, {}});
        } else if (xml.name() == QStringLiteral("comment") && !types.empty() &&
                   !xml.attributes().hasAttribute("xml:lang")) {
            types.back().comment = xml.readElementText();
        } else if (xml.name() == QStringLiteral("glob") && !types.empty()) {
            types.back().globs << xml.attributes().value("pattern").toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return types;
}

TEST(Packaging, LauncherOpensTvdFilesWithTheProgram) {
    auto entry = DesktopEntry(kPackaging + "kvr-tarvos.desktop");
    EXPECT_EQ(entry["Type"], "Application");
    EXPECT_EQ(entry["Name"], "KVR Tarvos");
    EXPECT_FALSE(entry["Comment"].isEmpty());
    EXPECT_EQ(entry["Exec"], "kvr-tarvos %f");
    EXPECT_EQ(entry["Icon"], "kvr-tarvos");
    EXPECT_TRUE(QFile::exists(kPackaging + entry["Icon"] + ".svg"));
    EXPECT_EQ(entry["Categories"], "Science;Engineering;");

    const std::vector<MimeType> types = MimeTypes(kPackaging + "kvr-tarvos-mime.xml");
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0].type, "application/x-kvr-tarvos");
    EXPECT_EQ(types[0].comment, "KVR Tarvos Document");
    EXPECT_EQ(types[0].globs, QStringList{"*.tvd"});
    EXPECT_EQ(entry["MimeType"], types[0].type + ";");
}

TEST(Packaging, IconIsAValidDrawnSvg) {
    QSvgRenderer svg(kPackaging + "kvr-tarvos.svg");
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBoxF().size(), QSizeF(64, 64));
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    EXPECT_TRUE(testing::LooksDrawn(testing::MeasureContent(image), 8, 0.2));
}

}  // namespace
}  // namespace tarvos
