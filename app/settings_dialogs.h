// The four settings dialogs that the main window's commands open modally: port settings,
// receiver (KVR) settings, advanced options and diagram elements. The window only runs them; what
// each dialog does with the document and the diagram is its own business.
#pragma once

class QWidget;

namespace tarvos {

class C_KVR_DiaView;

class SettingsDialogs {
public:
    virtual ~SettingsDialogs() = default;
    virtual void RunPortSettings(QWidget* parent) = 0;
    virtual void RunReceiverSettings(QWidget* parent) = 0;
    // These two change the diagram's settings, which the view owns.
    virtual void RunAdvanced(QWidget* parent, C_KVR_DiaView& view) = 0;
    virtual void RunDiagramElements(QWidget* parent, C_KVR_DiaView& view) = 0;
};

}  // namespace tarvos
