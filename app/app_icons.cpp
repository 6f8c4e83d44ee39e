#include "app/app_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QPolygon>
#include <QRect>

#include <initializer_list>

#include "app/icon_palette.h"

namespace tarvos {
namespace {

namespace pal = icon_palette;

// The toolbar pictures are pixel art on a 20 by 15 grid: no smoothing, every edge on a pixel,
// so that they stay sharp at their natural size. Coordinates below are pixels, both ends
// included.

void Fill(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour) {
    p.fillRect(QRect(QPoint(x0, y0), QPoint(x1, y1)), colour);
}

void Dot(QPainter& p, int x, int y, const QColor& colour) { Fill(p, x, y, x, y, colour); }

void Frame(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour) {
    Fill(p, x0, y0, x1, y0, colour);
    Fill(p, x0, y1, x1, y1, colour);
    Fill(p, x0, y0, x0, y1, colour);
    Fill(p, x1, y0, x1, y1, colour);
}

void Box(QPainter& p, int x0, int y0, int x1, int y1, const QColor& fill, const QColor& line) {
    Fill(p, x0, y0, x1, y1, fill);
    Frame(p, x0, y0, x1, y1, line);
}

void Polygon(QPainter& p, std::initializer_list<QPoint> corners, const QColor& fill, const QColor& line) {
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawPolygon(QPolygon(QList<QPoint>(corners)));
}

void Polyline(QPainter& p, std::initializer_list<QPoint> points, const QColor& line) {
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygon(QList<QPoint>(points)));
}

// A sheet of paper with its top right corner folded over.
void Sheet(QPainter& p, int x0, int y0, int x1, int y1, int fold) {
    Polygon(p, {{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}, pal::Paper(), pal::Outline());
    Polygon(p, {{x1 - fold, y0}, {x1 - fold, y0 + fold}, {x1, y0 + fold}}, pal::PaperFold(), pal::Outline());
}

// Small BER axes: the S/N axis along the bottom, the BER axis on the left.
void Axes(QPainter& p, int left, int top, int right, int bottom) {
    Fill(p, left, top, left, bottom, pal::Outline());
    Fill(p, left, bottom, right, bottom, pal::Outline());
}

void DrawNew(QPainter& p) {
    Sheet(p, 5, 0, 16, 14, 4);
    // The spark that sets "new" apart from any other sheet.
    Fill(p, 2, 1, 2, 5, pal::Gold());
    Fill(p, 0, 3, 4, 3, pal::Gold());
    for (const QPoint d : {QPoint(1, 2), QPoint(3, 2), QPoint(1, 4), QPoint(3, 4)}) {
        Dot(p, d.x(), d.y(), pal::Folder());
    }
}

void DrawOpen(QPainter& p) {
    Polygon(p, {{1, 2}, {6, 2}, {7, 3}, {14, 3}, {14, 13}, {1, 13}}, pal::FolderDark(), pal::Outline());
    // A sheet inside the folder.
    Box(p, 4, 5, 12, 9, pal::Paper(), pal::MetalDark());
    Polygon(p, {{5, 7}, {19, 7}, {15, 13}, {1, 13}}, pal::Folder(), pal::Outline());
}

void DrawSave(QPainter& p) {
    Polygon(p, {{2, 0}, {16, 0}, {17, 1}, {17, 14}, {2, 14}}, pal::Blue(), pal::BlueDark());
    Box(p, 5, 0, 14, 5, pal::Metal(), pal::Outline());
    Fill(p, 11, 1, 12, 4, pal::BlueDark());
    Box(p, 4, 8, 15, 14, pal::Paper(), pal::Outline());
    Fill(p, 6, 10, 13, 10, pal::TextLine());
    Fill(p, 6, 12, 11, 12, pal::TextLine());
}

void DrawSaveAsText(QPainter& p) {
    Sheet(p, 0, 0, 10, 14, 3);
    Fill(p, 2, 3, 5, 3, pal::TextLine());
    for (int y = 5; y <= 12; y += 2) Fill(p, 2, y, 8, y, pal::TextLine());
    Fill(p, 11, 2, 19, 4, pal::Blue());
    Fill(p, 14, 5, 16, 14, pal::Blue());
}

void DrawPrint(QPainter& p) {
    Box(p, 5, 0, 14, 5, pal::Paper(), pal::Outline());
    Fill(p, 7, 2, 12, 2, pal::TextLine());
    Box(p, 1, 5, 18, 11, pal::Metal(), pal::Outline());
    Fill(p, 2, 6, 17, 6, pal::Paper());
    Fill(p, 15, 8, 16, 8, pal::Green());
    Fill(p, 4, 10, 15, 10, pal::Outline());
    Box(p, 4, 10, 15, 14, pal::Paper(), pal::Outline());
    Fill(p, 6, 12, 13, 12, pal::TextLine());
}

void DrawPortSettings(QPainter& p) {
    // A D-sub plug seen from its face, the cable leaving to the right.
    Polygon(p, {{0, 2}, {13, 2}, {11, 12}, {2, 12}}, pal::Metal(), pal::Outline());
    Polygon(p, {{2, 4}, {11, 4}, {10, 10}, {3, 10}}, pal::MetalDark(), pal::Outline());
    for (int x = 4; x <= 10; x += 2) Dot(p, x, 6, pal::Gold());
    for (int x = 5; x <= 9; x += 2) Dot(p, x, 8, pal::Gold());
    Box(p, 13, 4, 15, 10, pal::MetalDark(), pal::Outline());
    Fill(p, 16, 6, 19, 8, pal::Outline());
}

void DrawKvrSettings(QPainter& p) {
    // The receiver: a case with a screen showing a falling trace, a knob and two keys.
    Box(p, 0, 2, 19, 12, pal::Metal(), pal::Outline());
    Fill(p, 1, 3, 18, 3, pal::Paper());
    Box(p, 2, 5, 10, 10, pal::Screen(), pal::Outline());
    Polyline(p, {{3, 6}, {5, 6}, {7, 7}, {8, 9}}, pal::Trace());
    p.setPen(QPen(pal::Outline(), 1));
    p.setBrush(pal::MetalDark());
    p.drawEllipse(QRect(12, 5, 3, 3));
    Dot(p, 13, 6, pal::Paper());
    Fill(p, 17, 5, 17, 6, pal::Blue());
    Fill(p, 17, 9, 17, 10, pal::Red());
    Fill(p, 12, 10, 15, 10, pal::MetalDark());
    Fill(p, 2, 13, 4, 13, pal::Outline());
    Fill(p, 15, 13, 17, 13, pal::Outline());
}

void DrawAdvanced(QPainter& p) {
    // Three sliders at different settings.
    for (const int y : {2, 7, 12}) Fill(p, 2, y, 17, y, pal::MetalDark());
    Box(p, 4, 0, 6, 4, pal::Blue(), pal::BlueDark());
    Box(p, 12, 5, 14, 9, pal::Blue(), pal::BlueDark());
    Box(p, 8, 10, 10, 14, pal::Blue(), pal::BlueDark());
}

void DrawDiagramElements(QPainter& p) {
    for (const int x : {7, 12, 17}) {
        for (int y = 1; y < 13; y += 2) Dot(p, x, y, pal::Grid());
    }
    for (const int y : {4, 8}) {
        for (int x = 4; x < 20; x += 2) Dot(p, x, y, pal::Grid());
    }
    Axes(p, 2, 0, 19, 13);
    for (const int y : {4, 8}) Dot(p, 1, y, pal::Outline());
    for (const int x : {7, 12, 17}) Dot(p, x, 14, pal::Outline());
    // The theoretical curve and, a little to its right, the measured one.
    Polyline(p, {{3, 3}, {7, 4}, {9, 6}, {10, 9}, {11, 12}}, pal::Blue());
    Polyline(p, {{3, 1}, {9, 2}, {12, 4}, {14, 7}, {15, 12}}, pal::Red());
}

void DrawMeasurement(QPainter& p) {
    Axes(p, 1, 0, 12, 13);
    Polyline(p, {{2, 1}, {6, 2}, {8, 4}, {9, 7}, {10, 12}}, pal::Red());
    Polygon(p, {{11, 4}, {19, 9}, {11, 14}}, pal::Green(), pal::GreenDark());
}

void Draw(ToolbarButton button, QPainter& p) {
    switch (button) {
        case ToolbarButton::New: return DrawNew(p);
        case ToolbarButton::Open: return DrawOpen(p);
        case ToolbarButton::Save: return DrawSave(p);
        case ToolbarButton::SaveAsText: return DrawSaveAsText(p);
        case ToolbarButton::Print: return DrawPrint(p);
        case ToolbarButton::PortSettings: return DrawPortSettings(p);
        case ToolbarButton::KvrSettings: return DrawKvrSettings(p);
        case ToolbarButton::Advanced: return DrawAdvanced(p);
        case ToolbarButton::DiagramElements: return DrawDiagramElements(p);
        case ToolbarButton::Measurement: return DrawMeasurement(p);
    }
}

QPixmap Render(ToolbarButton button) {
    QPixmap pixmap(kToolbarIconWidth, kToolbarIconHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Draw(button, painter);
    return pixmap;
}

}  // namespace

QIcon ToolbarIcon(ToolbarButton button) {
    const QPixmap pixmap = Render(button);
    QIcon icon(pixmap);
    // Screens of twice the density get the same pixel art with every pixel doubled, not the
    // blur that smooth scaling would make of it.
    icon.addPixmap(pixmap.scaled(pixmap.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    return icon;
}

}  // namespace tarvos
