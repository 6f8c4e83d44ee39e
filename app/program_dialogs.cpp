#include "app/program_dialogs.h"

#include "app/advanced_dialog.h"
#include "app/diagram_elements_dialog.h"
#include "diagram/dia_view.h"
#include "instrument/port_settings_dialog.h"
#include "instrument/receiver_settings_dialog.h"

namespace tarvos {

void ProgramDialogs::RunPortSettings(QWidget* parent) {
    PortSettingsDialog dialog(doc_, parent);
    dialog.exec();
}

void ProgramDialogs::RunReceiverSettings(QWidget* parent) {
    ReceiverSettingsDialog dialog(doc_, parent);
    dialog.exec();
}

void ProgramDialogs::RunAdvanced(QWidget* parent, C_KVR_DiaView& view) {
    DiagramSettings& settings = view.State().settings;
    AdvancedDialog dialog(doc_.ThresholdBer(), settings.maxGridSpacing, doc_.Options().manualMode,
                          doc_.Options().onInstrumentError, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    doc_.SetThresholdBer(dialog.Threshold());
    doc_.UpdateEnd();
    settings.maxGridSpacing = dialog.MaxGridSpacing();
    MeasurementOptions options = doc_.Options();
    options.manualMode = dialog.ManualMode();
    options.onInstrumentError = dialog.OnInstrumentError();
    doc_.SetOptions(options);
    view.RepaintNow();
}

void ProgramDialogs::RunDiagramElements(QWidget* parent, C_KVR_DiaView& view) {
    DiagramElementsDialog dialog(view.State().settings, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    view.State().settings = dialog.Settings();
    view.RepaintNow();
}

}  // namespace tarvos
