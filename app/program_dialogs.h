// The settings dialogs as the program runs them: each opened modally, and what a confirmed
// dialog changed handed to the document or the diagram.
#pragma once

#include "app/settings_dialogs.h"
#include "document/dia_doc.h"

namespace tarvos {

class ProgramDialogs final : public SettingsDialogs {
public:
    explicit ProgramDialogs(C_KVR_DiaDoc& doc) : doc_(doc) {}

    void RunPortSettings(QWidget* parent) override;
    void RunReceiverSettings(QWidget* parent) override;
    void RunAdvanced(QWidget* parent, C_KVR_DiaView& view) override;
    void RunDiagramElements(QWidget* parent, C_KVR_DiaView& view) override;

private:
    C_KVR_DiaDoc& doc_;
};

}  // namespace tarvos
