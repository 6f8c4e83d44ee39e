#include "diagram/qt_canvas.h"

#include <algorithm>

#include <QColor>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QString>

namespace tarvos {
namespace {

struct PenStyle {
    int width;  // screen pixels
    bool dashed;
    int red, green, blue;
};

// Colours of compared measurements: apart from each other and from red, green, blue and grey.
constexpr int kOverlayColours[kOverlayPens][3] = {
    {230, 120, 0}, {140, 0, 170}, {0, 140, 140}, {120, 70, 20}, {220, 0, 140}, {120, 120, 0}};

PenStyle StyleOf(PenRole role) {
    const int index = static_cast<int>(role);
    const int overlay = index - static_cast<int>(PenRole::Overlay1);
    if (overlay >= 0 && overlay < 2 * kOverlayPens) {
        const int* rgb = kOverlayColours[overlay % kOverlayPens];
        const bool link = overlay >= kOverlayPens;
        return {link ? 1 : 2, link, rgb[0], rgb[1], rgb[2]};
    }
    switch (role) {
        case PenRole::Grid: return {1, false, 150, 150, 150};
        case PenRole::Frame: return {2, false, 0, 0, 0};
        case PenRole::Measured: return {2, false, 200, 0, 0};
        case PenRole::ZeroLink: return {1, true, 200, 0, 0};
        case PenRole::Theory: return {2, false, 0, 150, 0};
        case PenRole::MarkerShaft: return {1, false, 0, 0, 200};
        case PenRole::Marker: return {2, false, 0, 0, 200};
        default: break;
    }
    return {1, false, 0, 0, 0};  // not reached: every role is listed
}

// Cell heights of the diagram's text: the screen font, and the paper font per scale unit.
constexpr int kScreenCellHeight = 16;
constexpr int kPaperCellHeight = 15;

QPen MakePen(PenRole role, int scale) {
    const PenStyle style = StyleOf(role);
    QPen pen(QColor(style.red, style.green, style.blue));
    // Not cosmetic: a paper pen must grow with the scale factor, not stay one device pixel.
    pen.setCosmetic(false);
    pen.setWidth(style.width * scale);
    // Flat ends leave out a line's last pixel, so segments of a polyline meet without
    // overlapping: an inverted drag outline drawn twice then vanishes completely.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (style.dashed) {
        // The classic dash: 18 pixels drawn, 6 left out (in units of the pen width).
        pen.setDashPattern({18.0, 6.0});
    }
    return pen;
}

QRect ToQRect(Rect r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

QFont DiagramFont(int cellHeight) {
    // Arial's metrics in a font that Debian ships, at the weight the window asks for (a font
    // without a medium face falls back to its regular one).
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Medium);
    font.setHintingPreference(QFont::PreferFullHinting);
    // The renderer lays labels out in cells of `cellHeight` pixels; a pixel size (the em)
    // equal to the cell would be taller than that by the font's leading. Start from Arial's
    // proportion, em = 0.9 cell, and shrink until the cell fits.
    for (int pixels = std::max(cellHeight * 9 / 10 + 1, 1); pixels >= 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight) break;
    }
    return font;
}

QtCanvas::QtCanvas(QPainter& painter) : painter_(painter) {
    const QPaintEngine* engine = painter_.paintEngine();
    canInvert_ = engine != nullptr && engine->hasFeature(QPaintEngine::RasterOpModes);
    vector_ = engine != nullptr && engine->type() != QPaintEngine::Raster;
    qpen_ = MakePen(pen_, scale_);
}

void QtCanvas::Begin(int scale, bool onPaper) {
    scale_ = std::max(scale, 1);
    cellHeight_ = onPaper ? kPaperCellHeight * scale_ : kScreenCellHeight;
    // Lines are laid out on whole pixels; smoothing would smear the 1-pixel grid over two rows.
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBrush(Qt::NoBrush);
    SetPen(pen_);
}

void QtCanvas::SetPen(PenRole pen) {
    pen_ = pen;
    qpen_ = MakePen(pen_, scale_);
    penApplied_ = false;
}

void QtCanvas::MoveTo(Point p) { position_ = p; }

void QtCanvas::PreparePen() {
    // State changes cost a QPainter more than a short line: a curve's segments share one.
    if (penApplied_) return;
    penApplied_ = true;
    if (invert_ && canInvert_) {
        // XOR with white inverts whatever lies below, whatever the pen's colour.
        QPen inverting = qpen_;
        inverting.setColor(Qt::white);
        painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter_.setPen(inverting);
    } else {
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_.setPen(qpen_);
    }
    painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::LineTo(Point p) {
    PreparePen();
    if (vector_ && qpen_.width() == 1) {
        // On pixels a 1-wide line at y covers the row y..y+1; a vector line there would
        // straddle two rows and come out as a blurred double line in a viewer.
        const QPointF half(0.5, 0.5);
        painter_.drawLine(QPointF(position_.x, position_.y) + half, QPointF(p.x, p.y) + half);
    } else {
        painter_.drawLine(QPoint(position_.x, position_.y), QPoint(p.x, p.y));
    }
    position_ = p;
}

void QtCanvas::Rectangle(Rect r) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    PreparePen();
    const int pw = qpen_.width();
    // In the inverting mode white is what inverts, for the inside and the outline alike.
    const bool inverting = invert_ && canInvert_;
    if (width <= 2 * pw || height <= 2 * pw) {
        // Too small for an inside: all outline.
        painter_.fillRect(ToQRect(r), inverting ? QColor(Qt::white) : qpen_.color());
        return;
    }
    // The inside and the outline do not overlap, so an inverted rectangle inverts each pixel
    // once.
    painter_.fillRect(QRect(r.left + pw, r.top + pw, width - 2 * pw, height - 2 * pw),
                      QColor(Qt::white));
    // The outline's centre line half a pen inside the edge keeps the whole stroke within
    // left..right-1 and top..bottom-1.
    const double half = pw / 2.0;
    painter_.drawRect(QRectF(r.left + half, r.top + half, width - pw, height - pw));
}

void QtCanvas::FillWhite(Rect r) {
    // Fills and text are never inverted, whatever the current raster operation.
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    penApplied_ = false;
    painter_.fillRect(ToQRect(r), Qt::white);
}

void QtCanvas::Text(Point topLeft, const std::string& text) {
    const QString content = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    penApplied_ = false;
    // Made on first use: finding the font's size asks the font database, which a repaint
    // without text need not.
    if (fontCellHeight_ != cellHeight_) {
        font_ = DiagramFont(cellHeight_);
        fontCellHeight_ = cellHeight_;
    }
    painter_.setFont(font_);
    const QFontMetrics metrics(font_, painter_.device());
    const QRect cell(topLeft.x, topLeft.y, metrics.horizontalAdvance(content), metrics.height());
    painter_.fillRect(cell, Qt::white);
    painter_.setPen(QColor(Qt::black));
    painter_.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                      content);
}

void QtCanvas::SetInvert(bool invert) {
    invert_ = invert;
    penApplied_ = false;
}

}  // namespace tarvos
