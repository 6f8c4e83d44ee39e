// The program icon and the measurement dialog's icon: a BER diagram whose curves fall like a
// waterfall, the picture every user of the program knows. Drawn on a 64-unit square and
// scaled, with line widths kept at least one pixel so that the small sizes stay readable.
// packaging/kvr-tarvos.svg is the same picture for the desktop.
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <initializer_list>

#include "app/app_icons.h"
#include "app/icon_palette.h"

namespace tarvos {
namespace {

namespace pal = icon_palette;

constexpr double kUnits = 64.0;

// Theoretical curve: flat at high BER, then plunging; the measured one lies to its right.
QPainterPath TheoryCurve() {
    QPainterPath path(QPointF(13, 13));
    path.cubicTo(QPointF(30, 13), QPointF(40, 22), QPointF(44, 52));
    return path;
}

QPainterPath MeasuredCurve() {
    QPainterPath path(QPointF(13, 17));
    path.cubicTo(QPointF(33, 17), QPointF(46, 26), QPointF(51, 52));
    return path;
}

// Width in units of a line that should be `units` wide on a large icon but never thinner than
// `minPixels` on a small one.
double Width(double units, double minPixels, double scale) { return std::max(units, minPixels / scale); }

// Both drawings work in units; the painter is already scaled to the pixmap.
void DrawDiagram(QPainter& p, int size) {
    const double scale = size / kUnits;
    p.setPen(QPen(pal::MetalDark(), Width(1.5, 1.0, scale)));
    p.setBrush(pal::Paper());
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 6, 6);

    if (size >= 32) {
        p.setPen(QPen(pal::Grid(), Width(1.0, 1.0, scale)));
        for (const double x : {24.0, 36.0, 48.0}) p.drawLine(QPointF(x, 9), QPointF(x, 52));
        for (const double y : {20.0, 32.0, 44.0}) p.drawLine(QPointF(11, y), QPointF(57, y));
    }

    p.setPen(QPen(pal::Outline(), Width(2.5, 1.0, scale), Qt::SolidLine, Qt::SquareCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(11, 9), QPointF(11, 53));
    p.drawLine(QPointF(11, 53), QPointF(57, 53));

    p.setPen(QPen(pal::Blue(), Width(3.0, 1.2, scale), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(TheoryCurve());
    const QPainterPath measured = MeasuredCurve();
    p.setPen(QPen(pal::Red(), Width(3.0, 1.2, scale), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(measured);

    if (size >= 32) {
        // The measured samples along their curve.
        p.setPen(Qt::NoPen);
        p.setBrush(pal::Red());
        for (const double t : {0.15, 0.45, 0.7, 0.88}) p.drawEllipse(measured.pointAtPercent(t), 3.0, 3.0);
    }
}

// The start mark of the measurement dialog, in the lower right corner over the diagram.
void DrawStartMark(QPainter& p, int size) {
    const double scale = size / kUnits;
    QPainterPath triangle(QPointF(34, 30));
    triangle.lineTo(QPointF(62, 46));
    triangle.lineTo(QPointF(34, 62));
    triangle.closeSubpath();
    p.setPen(QPen(pal::GreenDark(), Width(2.0, 1.0, scale), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(pal::Green());
    p.drawPath(triangle);
}

QPixmap Render(int size, bool withStartMark) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / kUnits, size / kUnits);
    DrawDiagram(painter, size);
    if (withStartMark) DrawStartMark(painter, size);
    return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) icon.addPixmap(Render(size, false));
    return icon;
}

QIcon MeasurementDialogIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) icon.addPixmap(Render(size, true));
    return icon;
}

}  // namespace tarvos
