// The modal Advanced Settings dialog: edits copies of the threshold BER at which END is taken
// and of the diagram's maximum grid spacing, and carries the manual attenuation flag through
// unchanged; below them, what an unattended run does when the instrument stops answering. The
// caller applies the values after the dialog was accepted; the field rules live in advanced_rules.
#pragma once

#include <QDialog>

#include "app/advanced_rules.h"
#include "document/measurement_options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarvos {

class AdvancedDialog : public QDialog {
    Q_OBJECT

public:
    AdvancedDialog(double threshold, int maxGridSpacing, int manualMode,
                   InstrumentErrorPolicy onInstrumentError = InstrumentErrorPolicy::Ask, QWidget* parent = nullptr);

    // The confirmed values: what the dialog was given until it is accepted, the normalised
    // threshold and checked spacing from then on.
    double Threshold() const { return threshold_; }
    int MaxGridSpacing() const { return maxGridSpacing_; }
    int ManualMode() const { return manualMode_; }
    InstrumentErrorPolicy OnInstrumentError() const { return onInstrumentError_; }

    // OK and every other way of accepting: the field being edited is checked first.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void CheckBerField();
    void CheckGridField();
    void ShowBer(const BerFieldView& view);
    void ShowGrid(int spacing);

    // Confirmed values, handed out by the accessors.
    double threshold_;
    int maxGridSpacing_;
    int manualMode_;
    InstrumentErrorPolicy onInstrumentError_;

    // Working copies while the dialog is open.
    double shownThreshold_;
    int shownSpacing_;

    QLineEdit* berField_ = nullptr;
    QPushButton* berDefault_ = nullptr;
    QLineEdit* gridField_ = nullptr;
    QPushButton* gridDefault_ = nullptr;
    QCheckBox* manualModeCheck_ = nullptr;
    QComboBox* onErrorList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace tarvos
