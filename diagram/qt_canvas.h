// The diagram's canvas on a QPainter: window, image files and paper all draw the renderer's
// output through it, with the pens, font and pixel rules the diagram was laid out for.
#pragma once

#include <string>

#include <QFont>
#include <QPen>

#include "diagram/canvas.h"

class QPainter;

namespace tarvos {

class QtCanvas final : public Canvas {
public:
    // Draws with `painter`, which must be active and outlive the canvas; it is not owned.
    // While the canvas is in use its pen, brush and composition mode belong to the canvas.
    explicit QtCanvas(QPainter& painter);

    void Begin(int scale, bool onPaper) override;
    void SetPen(PenRole pen) override;
    void MoveTo(Point p) override;
    void LineTo(Point p) override;
    void Rectangle(Rect r) override;
    void FillWhite(Rect r) override;
    void Text(Point topLeft, const std::string& text) override;
    void SetInvert(bool invert) override;

private:
    // Applies the current pen with the raster operation the invert flag asks for.
    void PreparePen();

    QPainter& painter_;
    int scale_ = 1;
    PenRole pen_ = PenRole::Frame;
    QPen qpen_;
    Point position_;
    bool invert_ = false;
    bool penApplied_ = false;  // the painter holds the current pen and raster operation
    bool canInvert_ = false;
    bool vector_ = false;  // SVG, PDF, printer: coordinates are not pixels
    int cellHeight_ = 16;      // text cell of the current repaint
    int fontCellHeight_ = 0;   // the one font_ was made for; 0: none yet
    QFont font_;
};

// The font whose text cell (ascent plus descent) is at most `cellHeight` device pixels, as
// close to it as the font allows.
QFont DiagramFont(int cellHeight);

}  // namespace tarvos
