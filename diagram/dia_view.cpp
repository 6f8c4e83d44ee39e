#include "diagram/dia_view.h"

#include <utility>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtGlobal>

#include "diagram/interaction.h"
#include "diagram/qt_canvas.h"
#include "diagram/renderer.h"

namespace tarvos {

namespace {

// The marker is placed without drawing: the window draws it in its next (clipped) repaint, which
// the view asks for at once and which ends with the marker on top of everything, so the effect
// is the marker drawn into the window straight away.
class PlacementOnly final : public Canvas {
public:
    void Begin(int, bool) override {}
    void SetPen(PenRole) override {}
    void MoveTo(Point) override {}
    void LineTo(Point) override {}
    void Rectangle(Rect) override {}
    void FillWhite(Rect) override {}
    void Text(Point, const std::string&) override {}
    void SetInvert(bool) override {}
};

// The marker's figure reaches 6 pixels sideways and 16 up and down from its anchor, plus the
// 2-pixel pen: the same rectangle that hiding it repaints.
QRect MarkerArea(const MarkerState& marker) {
    return QRect(QPoint(marker.pos.x - 7, marker.pos.y - 17), QPoint(marker.pos.x + 7, marker.pos.y + 17));
}

}  // namespace

C_KVR_DiaView::C_KVR_DiaView(C_KVR_DiaDoc& doc, std::optional<std::filesystem::path> settingsFile,
                             QWidget* parent)
    : QWidget(parent), doc_(doc), settingsFile_(std::move(settingsFile)) {
    state_.settings = LoadDiagramSettings(settingsFile_);
    // Every repaint erases and draws the whole client area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    setMouseTracking(true);
}

C_KVR_DiaView::~C_KVR_DiaView() {
    const Status saved = SaveSettings();
    if (!saved) qWarning("kvr-tarvos: diagram settings not written: %s", saved.error().message.c_str());
}

Status C_KVR_DiaView::SaveSettings() const {
    if (!settingsFile_) return {};
    return SaveDiagramSettings(*settingsFile_, state_.settings);
}

void C_KVR_DiaView::OnInitialUpdate() {
    InitialUpdate(state_, doc_);
    RepaintNow();
}

void C_KVR_DiaView::ResetSnrRange() {
    tarvos::ResetSnrRange(state_, doc_);
    RepaintNow();
}

void C_KVR_DiaView::UpdateBerRange() { tarvos::UpdateBerRange(state_.geometry, doc_, state_.overlays); }

void C_KVR_DiaView::AddOverlay(OverlayCurve overlay) {
    state_.overlays.push_back(std::move(overlay));
    UpdateBerRange();
    RepaintNow();
}

void C_KVR_DiaView::ClearOverlays() {
    if (state_.overlays.empty()) return;
    state_.overlays.clear();
    UpdateBerRange();
    RepaintNow();
}

void C_KVR_DiaView::ShowMarker(double snr, double ber) {
    PlacementOnly placement;
    if (tarvos::ShowMarker(placement, state_, snr, ber) == MarkerPlacement::No) return;
    markerOnTop_ = true;
    repaint(MarkerArea(state_.marker));
    markerOnTop_ = false;
}

void C_KVR_DiaView::HideMarker() {
    const Rect r = tarvos::HideMarker(state_);
    repaint(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
}

void C_KVR_DiaView::RepaintNow() { repaint(); }

void C_KVR_DiaView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    state_.geometry.printScale = PrintScaleFor(PaintTarget::Screen, Rect{}, Rect{});
    QtCanvas canvas(painter);
    if (markerOnTop_) RepaintWithMarkerOnTop(canvas, state_, doc_, width(), height());
    else Repaint(canvas, state_, doc_, width(), height(), false);
}

namespace {

Point At(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return Point{p.x(), p.y()};
}

}  // namespace

void C_KVR_DiaView::Follow(int result, const QPoint& position) {
    switch (static_cast<MouseResult>(result)) {
        case MouseResult::Nothing: break;
        case MouseResult::Feedback: update(); break;
        case MouseResult::Redraw: repaint(); break;
    }
    switch (CursorFor(state_, Point{position.x(), position.y()})) {
        case CursorShape::Arrow: setCursor(Qt::ArrowCursor); break;
        case CursorShape::Cross: setCursor(Qt::CrossCursor); break;
        case CursorShape::Move: setCursor(Qt::SizeAllCursor); break;
    }
}

void C_KVR_DiaView::mousePressEvent(QMouseEvent* event) {
    MouseResult result = MouseResult::Nothing;
    if (event->button() == Qt::LeftButton) result = LeftButtonDown(state_, At(event));
    else if (event->button() == Qt::RightButton) result = RightButtonDown(state_, At(event));
    Follow(static_cast<int>(result), event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void C_KVR_DiaView::mouseMoveEvent(QMouseEvent* event) {
    Follow(static_cast<int>(MouseMove(state_, At(event))), event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void C_KVR_DiaView::mouseReleaseEvent(QMouseEvent* event) {
    MouseResult result = MouseResult::Nothing;
    if (event->button() == Qt::LeftButton) result = LeftButtonUp(state_, doc_, At(event));
    else if (event->button() == Qt::RightButton) result = RightButtonUp(state_, doc_, At(event));
    Follow(static_cast<int>(result), event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

void C_KVR_DiaView::PaintPage(QPainter& painter, PaintTarget target, const Rect& page) {
    state_.geometry.printScale = PrintScaleFor(target, page, Rect{0, 0, width(), height()});
    QtCanvas canvas(painter);
    Repaint(canvas, state_, doc_, width(), height(), true);
}

}  // namespace tarvos
