// The "KVR Settings" dialog: edits a working copy of the document's receiver settings with the
// lists and fields each mode offers, writes that copy to the instrument or reads it from there
// through a KVRPort object of its own, and hands it to the document on OK.
#pragma once

#include <QDialog>

#include "document/dia_doc.h"
#include "document/receiver_settings.h"
#include "instrument/kvr_port_client.h"
#include "instrument/qt_dialog_support.h"
#include "instrument/receiver_lists.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvos {

class SettingsTransferUi;

class ReceiverSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReceiverSettingsDialog(C_KVR_DiaDoc& doc, QWidget* parent = nullptr);
    // Ends the dialog's KVRPort object (the connection is never left open, but the noise
    // generator is switched off should it be).
    ~ReceiverSettingsDialog() override;

    // Where the dialog's messages go; message boxes unless replaced.
    void SetMessageSink(MessageSink sink) { messages_ = std::move(sink); }
    const ReceiverSettings& WorkingCopy() const { return work_; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TransferUi;

    void BuildControls();
    // Shows the whole working copy; values the mode's lists do not hold become entry 0.
    void RefreshAll();
    void ShowFrequency();
    void ShowSymbolRate();
    void OnFrequencyLeft();
    void OnSymbolRateLeft();
    void OnWrite();
    void OnRead();
    // Runs one instrument transfer with Write, Read and OK disabled around it.
    void Transfer(bool (*operation)(C_KVR_DiaDoc&, KvrPortClient&, ReceiverSettings&, SettingsTransferUi&),
                  QPushButton* pressed);
    void DisconnectIfOnLine();

    C_KVR_DiaDoc& doc_;
    ReceiverSettings work_;
    KvrPortClient client_;
    MessageSink messages_;
    bool busy_ = false;

    QComboBox* mode_ = nullptr;
    QComboBox* input_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QComboBox* qamOrder_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    QLineEdit* symbolRate_ = nullptr;
    QComboBox* channelBandwidth_ = nullptr;
    QComboBox* sawFilter_ = nullptr;
    QComboBox* rollOff_ = nullptr;
    QComboBox* berPoint_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvos
