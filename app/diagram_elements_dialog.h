// The modal Diagram Elements dialog: switches the optional parts of the diagram on and off
// on a copy of the diagram settings, which the caller takes over once the dialog is accepted.
#pragma once

#include <QDialog>

#include "diagram/view_state.h"

class QCheckBox;
class QPushButton;

namespace tarvos {

class DiagramElementsDialog : public QDialog {
    Q_OBJECT

public:
    explicit DiagramElementsDialog(const DiagramSettings& settings, QWidget* parent = nullptr);

    // The settings the dialog was given, with the switches as checked when it was last
    // accepted (unchanged until then).
    DiagramSettings Settings() const { return settings_; }

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();

    DiagramSettings settings_;

    QCheckBox* cnAxisCheck_ = nullptr;
    QCheckBox* legendCheck_ = nullptr;
    QCheckBox* infoTextCheck_ = nullptr;
    QCheckBox* samplePointsCheck_ = nullptr;
    QCheckBox* endValueCheck_ = nullptr;
    QCheckBox* errorBarsCheck_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
};

}  // namespace tarvos
