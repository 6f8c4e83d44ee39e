// The "Port Settings" dialog: edits a working copy of the document's connection settings, showing
// the parameters of the chosen remote-control method, and tests the connection through a
// KVRPort object of its own. OK and Test Port hand the copy to the document.
#pragma once

#include <QDialog>

#include "document/dia_doc.h"
#include "document/port_settings.h"
#include "instrument/kvr_port_client.h"
#include "instrument/qt_dialog_support.h"
#include "platform/serial_ports.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvos {

class Ipv4AddressField;

class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PortSettingsDialog(C_KVR_DiaDoc& doc, QWidget* parent = nullptr);
    ~PortSettingsDialog() override;

    // Where the dialog's messages go; message boxes unless replaced.
    void SetMessageSink(MessageSink sink) { messages_ = std::move(sink); }
    const PortSettings& WorkingCopy() const { return work_; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // Takes the working copy from the document and shows it.
    void LoadFromDocument();
    // Shows the parameters of the working copy's method, loaded by their show rules.
    void Layout();
    void ShowComPort();
    // The device beside the COM port, for the number shown or being typed.
    void ShowComDevice(int comPort);
    void ShowRemotePort();
    void OnComPortTyped(const QString& text);
    void OnComPortLeft();
    void OnRemotePortLeft();
    void OnTestPort();

    C_KVR_DiaDoc& doc_;
    PortSettings work_;
    KvrPortClient client_;
    MessageSink messages_;
    bool busy_ = false;
    SerialPortMap serialPorts_;  // read each time the dialog is shown

    QComboBox* rcMethod_ = nullptr;
    QGroupBox* group_ = nullptr;
    QLabel* firstLabel_ = nullptr;
    QLabel* secondLabel_ = nullptr;
    QComboBox* comPort_ = nullptr;
    QLabel* comDevice_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QLabel* dataBitsLabel_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QLabel* parityLabel_ = nullptr;
    QComboBox* parity_ = nullptr;
    QLabel* stopBitsLabel_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QLabel* handshakeLabel_ = nullptr;
    QComboBox* handshake_ = nullptr;
    QComboBox* board_ = nullptr;
    QComboBox* primaryAddress_ = nullptr;
    Ipv4AddressField* remoteHost_ = nullptr;
    QLineEdit* remotePort_ = nullptr;
    QPushButton* testPort_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvos
