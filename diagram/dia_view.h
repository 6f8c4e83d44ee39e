// The diagram window: owns the view state (settings, geometry, marker), paints the diagram
// through the QPainter canvas and draws pages for printing and preview. Its two sections of the
// settings file are read when it is made and written when it goes.
#pragma once

#include <filesystem>
#include <optional>

#include <QWidget>

#include "diagram/diagram_persistence.h"
#include "diagram/view_state.h"
#include "document/dia_doc.h"

class QPainter;

namespace tarvos {

class C_KVR_DiaView : public QWidget {
    Q_OBJECT
public:
    C_KVR_DiaView(C_KVR_DiaDoc& doc, std::optional<std::filesystem::path> settingsFile,
                  QWidget* parent = nullptr);
    ~C_KVR_DiaView() override;

    ViewState& State() { return state_; }
    const ViewState& State() const { return state_; }

    // The first look at a (new or opened) document: no marker, the measure range, curves and END.
    void OnInitialUpdate();
    // S/N range back to the measure range, curves and END rebuilt, repainted.
    void ResetSnrRange();
    // The BER range from the curves (after the run stored a sample).
    void UpdateBerRange();
    // Measurements compared with the document: drawn over it in their own pens with a legend
    // row each, the BER range widened for them. The view keeps them; the document never sees them.
    void AddOverlay(OverlayCurve overlay);
    void ClearOverlays();
    // The run's preliminary value: drawn at once; hidden by repainting its small rectangle.
    void ShowMarker(double snr, double ber);
    void HideMarker();
    void RepaintNow();

    // One printed page or preview page: sets the print scale for `target` from the page's
    // printable area (device pixels) and this window's client area, then draws the diagram
    // enlarged by its whole part at the top-left of the page.
    void PaintPage(QPainter& painter, PaintTarget target, const Rect& page);

    // Writes the diagram's sections now (also done when the view goes).
    Status SaveSettings() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Repaints as an event of the mouse asks, and shows the cursor for where it is.
    void Follow(int result, const QPoint& position);

    C_KVR_DiaDoc& doc_;
    std::optional<std::filesystem::path> settingsFile_;
    ViewState state_;
    bool markerOnTop_ = false;  // the repaint in progress is the one ShowMarker asked for
};

}  // namespace tarvos
