// The modeless measurement dialog: edits the measure range and the sweep options held in the
// document, starts the sweep and steers a running one through the document's run flags, and
// shows what the run reports. It keeps no values of its own; the rules it applies live in
// dialog_rules.
#pragma once

#include <functional>

#include <QDialog>
#include <QString>

#include "document/dia_doc.h"
#include "measurement/run_ui.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tarvos {

class MeasurementDialog : public QDialog {
    Q_OBJECT

public:
    // `startMeasurement` is what the Start button does; `measureRangeChanged` runs after the start
    // or stop field has stored its value, so that the diagram can follow the new range.
    MeasurementDialog(C_KVR_DiaDoc& doc, std::function<void()> startMeasurement,
                      std::function<void()> measureRangeChanged, QWidget* parent = nullptr);

    // Loads every control from the document and returns the dialog to its idle look.
    void Refresh();
    void SetRunControls(RunControls controls);
    void EnableSkipAccept(bool enabled);
    void SetResponseLine(const QString& text);
    // The remaining-time text and the progress bar (0 .. counterMax at counter); hidden when !show.
    void ShowRemainingTime(bool show, const QString& text, int counter, int counterMax);

    // Closing or Escape only hides the dialog: it lives as long as the main window.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    void CheckStartField();
    void CheckStopField();
    void CheckSamplesField();
    void ZeroToleranceChosen(int entry);
    void SetFindEnd(bool on);
    void SetZeroExit(bool on);

    C_KVR_DiaDoc& doc_;
    std::function<void()> startMeasurement_;
    std::function<void()> measureRangeChanged_;

    QLineEdit* startField_ = nullptr;
    QLineEdit* stopField_ = nullptr;
    QLineEdit* samplesField_ = nullptr;
    QCheckBox* findEndCheck_ = nullptr;
    QComboBox* zeroToleranceList_ = nullptr;
    QCheckBox* zeroExitCheck_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* skipButton_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
    QPushButton* hideButton_ = nullptr;
    QLabel* remainingTime_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* responseLine_ = nullptr;
};

}  // namespace tarvos
