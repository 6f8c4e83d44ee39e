// File > Properties: what the measurement rests on, read-only, and its comment, editable.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace tarvos {

class C_KVR_DiaDoc;

class PropertiesDialog final : public QDialog {
public:
    PropertiesDialog(C_KVR_DiaDoc& doc, QWidget* parent = nullptr);
    // On OK: a changed comment goes to the document, which is then modified. True when changed.
    bool Apply();

private:
    C_KVR_DiaDoc& doc_;
    QPlainTextEdit* comment_ = nullptr;
};

}  // namespace tarvos
