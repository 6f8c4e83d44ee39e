// The receiver settings and port settings dialogs on real widgets: what each mode and method
// shows, the field checks on real focus changes, the Enter and Escape keys, Write, Read and Test
// Port against a fresh simulated receiver for every test, and the guards while a run is marked.
#include <stdlib.h>

#include <chrono>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "instrument/ipv4_address_field.h"
#include "instrument/port_settings_dialog.h"
#include "instrument/receiver_settings_dialog.h"
#include "platform/clock.h"
#include "platform/serial_ports.h"
#include "simdriver/class_factories.h"
#include "simdriver/sim_receiver.h"

namespace tarvos {
namespace {

const QString kConnectionFailed = QStringLiteral("Connection to KVR failed.\nPlease check port settings.");

// The messages a dialog showed, and whether its buttons were disabled while each was up.
struct Messages {
    QStringList texts;
    QList<bool> buttonsDisabled;
};

template <class T>
T* Get(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QLatin1String(name));
    if (w == nullptr) qFatal("control %s missing", name);
    return w;
}

QStringList Entries(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
}

// Whether `shown` is `full` or `full` shortened: the pieces around each "…" are, in order, its
// start, pieces of it, and its end.
bool IsElisionOf(const QString& shown, const QString& full) {
    const QStringList pieces = shown.split(QChar(0x2026));
    if (pieces.size() == 1) return shown == full;
    if (!full.startsWith(pieces.front()) || !full.endsWith(pieces.back())) return false;
    qsizetype at = pieces.front().size();
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        at = full.indexOf(pieces[i], at);
        if (at < 0) return false;
        at += pieces[i].size();
    }
    return at <= full.size() - pieces.back().size();
}

// Picks an entry as the user does: the list's selection changes and it reports the choice.
void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    if (index < 0) qFatal("no entry %s", qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Replaces a field's text as a user does: focus, select all, type; then leaves it with `key`.
void TypeAndLeave(QWidget* field, const QString& text, Qt::Key key = Qt::Key_Tab) {
    field->setFocus(Qt::MouseFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    if (auto* box = qobject_cast<QComboBox*>(field)) box->lineEdit()->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, key);
}

long long MsSince(Clock::Duration start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::Instance().Now() - start).count();
}

ReceiverSettings QamSettings() {
    ReceiverSettings rs;
    rs.input = 2;
    rs.qamOrder = 256;
    rs.sawBandwidth = 6;
    rs.rollOff = 13;
    rs.frequency = 474;
    rs.symbolRate = 6.875;
    return rs;
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<C_KVR_DiaDoc> doc_;
    Messages messages_;

    template <class Dialog>
    std::unique_ptr<Dialog> Open(const char* buttonToWatch) {
        auto dialog = std::make_unique<Dialog>(*doc_);
        Dialog* d = dialog.get();
        dialog->SetMessageSink([this, d, buttonToWatch](const QString& text) {
            messages_.texts << text;
            messages_.buttonsDisabled << (!Get<QPushButton>(*d, buttonToWatch)->isEnabled() &&
                                          !Get<QPushButton>(*d, "ok")->isEnabled());
        });
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get())) qFatal("dialog not active");
        return dialog;
    }
    std::unique_ptr<ReceiverSettingsDialog> OpenReceiver() { return Open<ReceiverSettingsDialog>("write"); }
    std::unique_ptr<PortSettingsDialog> OpenPort() { return Open<PortSettingsDialog>("testPort"); }

    static void SetInstrument(const std::function<void(sim::ReceiverState&)>& change) {
        sim::SimReceiver::Instance().Change(change, false);
    }

private slots:
    void initTestCase() {
        Clock::Instance().SetVirtual();
        sim::ServeSimulatorInProcess();
    }

    // A fresh receiver in its first state, configured from a file of this test's own.
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        const QString config = dir_->filePath(QStringLiteral("sim.ini"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[Simulator]\nSeed=5\nState File=" + dir_->filePath(QStringLiteral("state.ini")).toStdString() + "\n")
                       .c_str());
        file.close();
        ::setenv("KVR_SIM_CONFIG", config.toLocal8Bit().constData(), 1);
        sim::SimReceiver::Reconfigure(sim::LoadSimConfig(config.toStdString()));
        doc_ = std::make_unique<C_KVR_DiaDoc>();
        messages_ = {};
    }

    void modeChangeToDvbtAndBack() {
        ReceiverSettings rs = QamSettings();
        rs.rollOff = 25;
        doc_->SetReceiver(rs);
        auto dialog = OpenReceiver();
        auto* qam = Get<QComboBox>(*dialog, "qamOrder");
        auto* rollOff = Get<QComboBox>(*dialog, "rollOff");
        auto* rate = Get<QLineEdit>(*dialog, "symbolRate");
        auto* channel = Get<QComboBox>(*dialog, "channelBandwidth");
        auto* label = Get<QLabel>(*dialog, "rateLabel");
        auto* ber = Get<QComboBox>(*dialog, "berPoint");
        QCOMPARE(dialog->windowTitle(), QStringLiteral("KVR Settings"));
        QCOMPARE(Entries(qam), (QStringList{"Auto", "4", "16", "32", "64", "128", "256"}));
        QCOMPARE(qam->currentText(), QStringLiteral("256"));
        QCOMPARE(label->text(), QStringLiteral("Symbol Rate in MSymb/s:"));
        QVERIFY(rate->isVisible() && !channel->isVisible());
        QCOMPARE(Entries(ber), QStringList{"Before Reed-Solomon"});

        Choose(Get<QComboBox>(*dialog, "mode"), QStringLiteral("OFDM / DVB-T Analyzer/Demodulator (KVRW1/W3)"));
        QCOMPARE(Entries(qam), (QStringList{"4", "16", "64"}));
        QCOMPARE(qam->currentText(), QStringLiteral("4"));
        QCOMPARE(dialog->WorkingCopy().qamOrder, 4);
        QCOMPARE(rollOff->count(), 0);
        QVERIFY(!rollOff->isEnabled());
        QCOMPARE(dialog->WorkingCopy().rollOff, 25);
        QCOMPARE(label->text(), QStringLiteral("Channel Bandwidth:"));
        QVERIFY(!rate->isVisible() && channel->isVisible());
        QCOMPARE(Entries(channel), (QStringList{"6.0 MHz", "7.0 MHz", "8.0 MHz"}));
        QCOMPARE(Entries(ber), (QStringList{"Before Viterbi", "Before Reed-Solomon", "After Reed-Solomon"}));
        QCOMPARE(Entries(Get<QComboBox>(*dialog, "sawFilter")), (QStringList{"6.0 MHz", "7.0 MHz", "8.0 MHz", "OFF"}));
        QCOMPARE(Get<QComboBox>(*dialog, "sawFilter")->currentText(), QStringLiteral("6.0 MHz"));
        Choose(ber, QStringLiteral("Before Viterbi"));
        Choose(channel, QStringLiteral("7.0 MHz"));
        QCOMPARE(dialog->WorkingCopy().berPoint, 0);
        QCOMPARE(dialog->WorkingCopy().channelBandwidth, 7);

        // Back to a QAM mode: the roll-off kept through DVB-T is offered again; Before Viterbi is not.
        Choose(Get<QComboBox>(*dialog, "mode"), QStringLiteral("QAM Analyzer (KVRT1/T3)"));
        QCOMPARE(dialog->WorkingCopy().mode, 5);
        QVERIFY(rollOff->isEnabled());
        QCOMPARE(rollOff->currentText(), QStringLiteral("0.25"));
        QCOMPARE(qam->currentText(), QStringLiteral("4"));
        QCOMPARE(dialog->WorkingCopy().berPoint, 1);
        QCOMPARE(label->text(), QStringLiteral("Symbol Rate in MSymb/s:"));
        QVERIFY(rate->isVisible() && rate->isEnabled() && !channel->isVisible());
        QCOMPARE(rate->text(), QStringLiteral("6.875"));

        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(doc_->Receiver(), rs);
    }

    void atscFixesTheRollOffAndKeepsTheOrder() {
        doc_->SetReceiver(QamSettings());
        auto dialog = OpenReceiver();
        Choose(Get<QComboBox>(*dialog, "mode"), QStringLiteral("8VSB / ATSC Analyzer/Demodulator (KVRX1/X3)"));
        auto* rollOff = Get<QComboBox>(*dialog, "rollOff");
        auto* qam = Get<QComboBox>(*dialog, "qamOrder");
        QCOMPARE(Entries(rollOff), QStringList{"0.115"});
        QCOMPARE(rollOff->currentText(), QStringLiteral("0.115"));
        QVERIFY(!rollOff->isEnabled());
        QCOMPARE(qam->count(), 0);
        QVERIFY(!qam->isEnabled());
        Get<QPushButton>(*dialog, "ok")->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(doc_->Receiver().mode, 14);
        QCOMPARE(doc_->Receiver().rollOff, 115);
        QCOMPARE(doc_->Receiver().qamOrder, 256);
    }

    void ifInputFixesTheFrequencyField() {
        doc_->SetReceiver(QamSettings());
        auto dialog = OpenReceiver();
        auto* frequency = Get<QLineEdit>(*dialog, "frequency");
        QCOMPARE(frequency->text(), QStringLiteral("474."));
        Choose(Get<QComboBox>(*dialog, "input"), QStringLiteral("IF"));
        QCOMPARE(frequency->text(), QStringLiteral("36.0"));
        QVERIFY(!frequency->isEnabled());
        QCOMPARE(dialog->WorkingCopy().input, 128);
        QCOMPARE(dialog->WorkingCopy().frequency, 474.0);
        Choose(Get<QComboBox>(*dialog, "input"), QStringLiteral("Receiver 75 ohm"));
        QCOMPARE(frequency->text(), QStringLiteral("474."));
        QVERIFY(frequency->isEnabled());
    }

    void fieldsAreCheckedWhenLeft() {
        doc_->SetReceiver(QamSettings());
        auto dialog = OpenReceiver();
        auto* frequency = Get<QLineEdit>(*dialog, "frequency");
        auto* rate = Get<QLineEdit>(*dialog, "symbolRate");
        // Enter leaves the field for the next control instead of closing the dialog.
        TypeAndLeave(frequency, QStringLiteral("20"), Qt::Key_Return);
        QCOMPARE(frequency->text(), QStringLiteral("48."));
        QCOMPARE(dialog->WorkingCopy().frequency, 48.0);
        QVERIFY(dialog->isVisible());
        QCOMPARE(QApplication::focusWidget(), Get<QComboBox>(*dialog, "qamOrder"));
        TypeAndLeave(frequency, QStringLiteral("5000"));
        QCOMPARE(frequency->text(), QStringLiteral("862."));
        TypeAndLeave(rate, QStringLiteral("6.9004"), Qt::Key_Return);
        QCOMPARE(rate->text(), QStringLiteral("6.9"));
        QCOMPARE(dialog->WorkingCopy().symbolRate, 6.9);

        Choose(Get<QComboBox>(*dialog, "mode"), QStringLiteral("QAM / DVB-C / J.83/A Analyzer/Demodulator (KVRY1/Y3)"));
        TypeAndLeave(rate, QStringLiteral("7.5"));
        QCOMPARE(rate->text(), QStringLiteral("6.999"));
        TypeAndLeave(frequency, QStringLiteral("5000"));
        QCOMPARE(frequency->text(), QStringLiteral("1000."));
        // A click on OK leaves the field before OK takes the copy.
        frequency->setFocus(Qt::MouseFocusReason);
        frequency->selectAll();
        QTest::keyClicks(frequency, QStringLiteral("abc"));
        QTest::mouseClick(Get<QPushButton>(*dialog, "ok"), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(doc_->Receiver().frequency, 3.0);
        QCOMPARE(doc_->Receiver().symbolRate, 6.999);
        QCOMPARE(doc_->Receiver().mode, 6);
    }

    void writeThenCancelLeavesTheDocument() {
        doc_->SetReceiver(QamSettings());
        auto dialog = OpenReceiver();
        TypeAndLeave(Get<QLineEdit>(*dialog, "frequency"), QStringLiteral("500"));
        // A timer due now runs during the instrument's pause, before the write has ended; a close
        // asked for meanwhile is not taken.
        bool servedDuringWrite = false;
        QTimer::singleShot(0, dialog.get(), [&] {
            servedDuringWrite = messages_.texts.isEmpty();
            dialog->close();
        });
        const Clock::Duration start = Clock::Instance().Now();
        Get<QPushButton>(*dialog, "write")->click();
        QCOMPARE(messages_.texts, QStringList{"Write process completed."});
        QCOMPARE(messages_.buttonsDisabled, QList<bool>{true});
        QVERIFY(Get<QPushButton>(*dialog, "write")->isEnabled() && Get<QPushButton>(*dialog, "read")->isEnabled() &&
                Get<QPushButton>(*dialog, "ok")->isEnabled());
        QVERIFY(servedDuringWrite);
        QVERIFY(dialog->isVisible());
        QVERIFY(MsSince(start) >= 1000);
        const sim::ReceiverState& instrument = sim::SimReceiver::Instance().State();
        QCOMPARE(instrument.frequencyHz, 500e6);
        QCOMPARE(instrument.qamOrder, 256);
        QCOMPARE(instrument.rollOff, 13);
        QCOMPARE(instrument.sawBandwidth, 6);
        QCOMPARE(instrument.symbolRate, 6.875e6);

        QTest::mouseClick(Get<QPushButton>(*dialog, "cancel"), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(doc_->Receiver(), QamSettings());
    }

    void writeReportsAFailedConnection() {
        PortSettings port = doc_->Port();
        port.baudRate = 9600;  // the receiver answers at 19200
        doc_->SetPort(port);
        auto dialog = OpenReceiver();
        Get<QPushButton>(*dialog, "write")->click();
        QCOMPARE(messages_.texts, QStringList{kConnectionFailed});
        QVERIFY(Get<QPushButton>(*dialog, "write")->isEnabled());
    }

    void readInTheSameDriversModeKeepsTheConnection() {
        SetInstrument([](sim::ReceiverState& s) {
            s.mode = 5;
            s.input = 50;
            s.qamOrder = 16;
            s.rollOff = 18;
            s.sawBandwidth = 2;
            s.frequencyHz = 610e6;
            s.symbolRate = 5e6;
        });
        auto dialog = OpenReceiver();  // mode 4
        const Clock::Duration start = Clock::Instance().Now();
        Get<QPushButton>(*dialog, "read")->click();
        const long long took = MsSince(start);
        QCOMPARE(messages_.texts, QStringList{"Read process completed"});
        QCOMPARE(messages_.buttonsDisabled, QList<bool>{true});
        QVERIFY2(took >= 1000 && took < 2000, qPrintable(QString::number(took)));
        QCOMPARE(Get<QComboBox>(*dialog, "mode")->currentText(), QStringLiteral("QAM Analyzer (KVRT1/T3)"));
        QCOMPARE(Get<QComboBox>(*dialog, "input")->currentText(), QStringLiteral("Receiver 50 ohm"));
        QCOMPARE(Get<QLineEdit>(*dialog, "frequency")->text(), QStringLiteral("610."));
        QCOMPARE(Get<QComboBox>(*dialog, "qamOrder")->currentText(), QStringLiteral("16"));
        QCOMPARE(Get<QComboBox>(*dialog, "rollOff")->currentText(), QStringLiteral("0.18"));
        QCOMPARE(Get<QComboBox>(*dialog, "sawFilter")->currentText(), QStringLiteral("2.0 MHz"));
        QCOMPARE(Get<QLineEdit>(*dialog, "symbolRate")->text(), QStringLiteral("5."));
        QCOMPARE(doc_->Receiver(), ReceiverSettings{});  // the copy only, until OK
        Get<QPushButton>(*dialog, "ok")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Get<QPushButton>(*dialog, "ok"), Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(doc_->Receiver().mode, 5);
        QCOMPARE(doc_->Receiver().frequency, 610.0);
    }

    void readInAnotherDriversModeReconnects() {
        SetInstrument([](sim::ReceiverState& s) {
            s.mode = 13;
            s.input = 2;
            s.qamOrder = 16;
            s.channelBandwidth = 7;
            s.sawBandwidth = 7;
            s.frequencyHz = 650e6;
        });
        auto dialog = OpenReceiver();  // mode 4: its driver cannot tell the channel bandwidth
        const Clock::Duration start = Clock::Instance().Now();
        Get<QPushButton>(*dialog, "read")->click();
        const long long took = MsSince(start);
        QCOMPARE(messages_.texts, QStringList{"Read process completed"});
        QVERIFY2(took >= 3000, qPrintable(QString::number(took)));
        QCOMPARE(Get<QLabel>(*dialog, "rateLabel")->text(), QStringLiteral("Channel Bandwidth:"));
        QCOMPARE(Get<QComboBox>(*dialog, "channelBandwidth")->currentText(), QStringLiteral("7.0 MHz"));
        QCOMPARE(Get<QComboBox>(*dialog, "qamOrder")->currentText(), QStringLiteral("16"));
        QCOMPARE(Get<QComboBox>(*dialog, "sawFilter")->currentText(), QStringLiteral("7.0 MHz"));
        QCOMPARE(Get<QLineEdit>(*dialog, "frequency")->text(), QStringLiteral("650."));
        QCOMPARE(dialog->WorkingCopy().mode, 13);
    }

    void enterMovesOnOrPressesTheFocusedButton() {
        doc_->SetReceiver(QamSettings());
        auto dialog = OpenReceiver();
        auto* input = Get<QComboBox>(*dialog, "input");
        input->setFocus(Qt::TabFocusReason);
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), Get<QLineEdit>(*dialog, "frequency"));
        QVERIFY(dialog->isVisible());

        auto* write = Get<QPushButton>(*dialog, "write");
        write->setFocus(Qt::TabFocusReason);
        QTest::keyClick(write, Qt::Key_Return);
        QCOMPARE(messages_.texts, QStringList{"Write process completed."});
        QCOMPARE(QApplication::focusWidget(), write);

        auto* cancel = Get<QPushButton>(*dialog, "cancel");
        cancel->setFocus(Qt::TabFocusReason);
        QTest::keyClick(cancel, Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(!dialog->isVisible());
    }

    void guardsWhileMeasuring() {
        doc_->SetReceiver(QamSettings());
        const sim::ReceiverState before = sim::SimReceiver::Instance().State();
        auto receiver = OpenReceiver();
        doc_->measuring = 1;
        const Clock::Duration start = Clock::Instance().Now();
        Get<QPushButton>(*receiver, "write")->click();
        Get<QPushButton>(*receiver, "read")->click();
        const QString busy = QStringLiteral("Measurement is in progress,\ncan't use port.");
        QCOMPARE(messages_.texts, (QStringList{busy, busy}));
        QCOMPARE(MsSince(start), 0LL);
        QVERIFY(sim::SimReceiver::Instance().State() == before);
        QTest::keyClick(receiver.get(), Qt::Key_Escape);
        receiver.reset();
        QCOMPARE(doc_->measuring.load(), 1);  // nothing was connected, so nothing cleared it

        messages_ = {};
        const PortSettings port = doc_->Port();
        auto dialog = OpenPort();
        Choose(Get<QComboBox>(*dialog, "baudRate"), QStringLiteral("9600"));
        Get<QPushButton>(*dialog, "testPort")->click();
        QCOMPARE(messages_.texts, QStringList{"Measurement is in progress,\ncan't use COM port."});
        QCOMPARE(doc_->Port(), port);
        QCOMPARE(doc_->measuring.load(), 1);
    }

    void serialShowRules() {
        PortSettings port;
        port.comPort = 0;
        port.baudRate = 38400;
        port.parity = "X";
        port.handshake = 5;
        port.board = 7;  // not shown in this method: kept
        doc_->SetPort(port);
        auto dialog = OpenPort();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Port Settings"));
        QCOMPARE(Get<QComboBox>(*dialog, "rcMethod")->currentText(), QStringLiteral("RS 232"));
        QCOMPARE(Get<QLabel>(*dialog, "firstLabel")->text(), QStringLiteral("Port:"));
        QCOMPARE(Get<QLabel>(*dialog, "secondLabel")->text(), QStringLiteral("Baud Rate:"));
        auto* com = Get<QComboBox>(*dialog, "comPort");
        QCOMPARE(com->currentIndex(), 0);
        QCOMPARE(com->currentText(), QStringLiteral("1"));
        QCOMPARE(Get<QComboBox>(*dialog, "baudRate")->currentText(), QStringLiteral("1200"));
        QCOMPARE(Get<QComboBox>(*dialog, "parity")->currentText(), QStringLiteral("No"));
        QCOMPARE(Get<QComboBox>(*dialog, "handshake")->currentText(), QStringLiteral("Hardware"));
        QCOMPARE(Get<QComboBox>(*dialog, "dataBits")->currentText(), QStringLiteral("8 Bit"));
        QCOMPARE(Get<QComboBox>(*dialog, "stopBits")->currentText(), QStringLiteral("1 Bit"));
        for (const char* name : {"dataBitsLabel", "parityLabel", "stopBitsLabel", "handshakeLabel"})
            QVERIFY(Get<QLabel>(*dialog, name)->isVisible());
        for (const char* name : {"board", "primaryAddress"}) QVERIFY(!Get<QComboBox>(*dialog, name)->isVisible());
        QVERIFY(!Get<QWidget>(*dialog, "remoteHost")->isVisible());
        QVERIFY(!Get<QLineEdit>(*dialog, "remotePort")->isVisible());

        Get<QPushButton>(*dialog, "ok")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Get<QPushButton>(*dialog, "ok"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        PortSettings stored = port;
        stored.comPort = 1;
        stored.baudRate = 1200;
        stored.parity = "N";
        stored.handshake = 2;
        QCOMPARE(doc_->Port(), stored);
    }

    void typedComPorts() {
        PortSettings port;
        port.comPort = 150;
        doc_->SetPort(port);
        auto dialog = OpenPort();
        auto* com = Get<QComboBox>(*dialog, "comPort");
        QCOMPARE(com->currentIndex(), -1);
        QCOMPARE(com->currentText(), QStringLiteral("99"));

        Choose(com, QStringLiteral("2"));
        com->setFocus(Qt::MouseFocusReason);
        com->lineEdit()->selectAll();
        QTest::keyClicks(com, QStringLiteral("123"));  // two characters taken
        QCOMPARE(com->currentText(), QStringLiteral("12"));
        QCOMPARE(com->currentIndex(), -1);  // typing is no longer the entry chosen
        QTest::keyClick(com, Qt::Key_Return);
        QVERIFY(QApplication::focusWidget() != com && QApplication::focusWidget() != com->lineEdit());
        QCOMPARE(dialog->WorkingCopy().comPort, 12);
        QCOMPARE(com->currentText(), QStringLiteral("12"));

        TypeAndLeave(com, QStringLiteral("3"));
        QCOMPARE(dialog->WorkingCopy().comPort, 3);
        QCOMPARE(com->currentIndex(), 2);
        TypeAndLeave(com, QStringLiteral("x"));
        QCOMPARE(dialog->WorkingCopy().comPort, 1);
        QCOMPARE(com->currentIndex(), 0);
        com->setFocus(Qt::TabFocusReason);
        QTest::keyClick(com, Qt::Key_Escape);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(doc_->Port().comPort, 150);
    }

    // The device each COM number names shows beside the port, following the number picked or
    // typed: whole in the tool tip, and beside the port as much of it as the label shows in full.
    void deviceBesideTheComPort() {
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0");
        const QString settings = dir_->filePath(QStringLiteral("kvr-tarvos.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Serial Ports]\nCOM7=" + byId.toUtf8() + "\n");
        file.close();
        ShareSettingsFile(settings.toStdString());
        const auto unshare = qScopeGuard([] { ShareSettingsFile(std::nullopt); });
        PortSettings port;
        port.comPort = 7;
        doc_->SetPort(port);
        auto dialog = OpenPort();
        auto* device = Get<QLabel>(*dialog, "comDevice");
        auto* com = Get<QComboBox>(*dialog, "comPort");
        QVERIFY(device->isVisible());
        QCOMPARE(device->toolTip(), QStringLiteral("COM7: ") + byId + QStringLiteral(", map"));
        QVERIFY2(IsElisionOf(device->text(), byId), qPrintable(device->text()));
        QVERIFY2(device->text().endsWith(QStringLiteral("-if00-port0")), qPrintable(device->text()));
        QVERIFY(device->fontMetrics().horizontalAdvance(device->text()) <= device->width());
        QVERIFY(!device->geometry().intersects(com->geometry()));

        Choose(com, QStringLiteral("2"));
        QCOMPARE(device->text(), QStringLiteral("/dev/ttyS1"));
        com->setFocus(Qt::MouseFocusReason);
        com->lineEdit()->selectAll();
        QTest::keyClicks(com, QStringLiteral("98"));
        QCOMPARE(device->text(), QStringLiteral("no device"));
        Choose(Get<QComboBox>(*dialog, "rcMethod"), QStringLiteral("GPIB"));
        QVERIFY(!device->isVisible());
    }

    void gpibShowsBoardAndAddress() {
        PortSettings port;
        port.board = 7;
        port.primaryAddress = 31;
        doc_->SetPort(port);
        auto dialog = OpenPort();
        Choose(Get<QComboBox>(*dialog, "rcMethod"), QStringLiteral("GPIB"));
        QCOMPARE(Get<QLabel>(*dialog, "firstLabel")->text(), QStringLiteral("Board:"));
        QCOMPARE(Get<QLabel>(*dialog, "secondLabel")->text(), QStringLiteral("Primary Address:"));
        for (const char* name : {"comPort", "baudRate", "dataBits", "parity", "stopBits", "handshake"})
            QVERIFY2(!Get<QComboBox>(*dialog, name)->isVisible(), name);
        for (const char* name : {"dataBitsLabel", "parityLabel", "stopBitsLabel", "handshakeLabel"})
            QVERIFY2(!Get<QLabel>(*dialog, name)->isVisible(), name);
        auto* board = Get<QComboBox>(*dialog, "board");
        auto* address = Get<QComboBox>(*dialog, "primaryAddress");
        QVERIFY(board->isVisible() && address->isVisible());
        QCOMPARE(Entries(board), (QStringList{"0", "1", "2", "3"}));
        QCOMPARE(board->currentText(), QStringLiteral("3"));
        QCOMPARE(address->count(), 31);
        QCOMPARE(address->currentText(), QStringLiteral("30"));
        Choose(address, QStringLiteral("12"));
        Get<QPushButton>(*dialog, "ok")->click();
        QCOMPARE(doc_->Port().rcMethod, 1);
        QCOMPARE(doc_->Port().board, 3);
        QCOMPARE(doc_->Port().primaryAddress, 12);
    }

    void storedNetworkMethod() {
        PortSettings port;
        port.rcMethod = rcTCPIP;
        port.remoteHost = {192, 168, 1, 20};
        port.remotePort = 5025;
        doc_->SetPort(port);
        auto dialog = OpenPort();
        QCOMPARE(Get<QComboBox>(*dialog, "rcMethod")->currentIndex(), -1);
        QCOMPARE(Get<QLabel>(*dialog, "firstLabel")->text(), QStringLiteral("Remote Host:"));
        QCOMPARE(Get<QLabel>(*dialog, "secondLabel")->text(), QStringLiteral("Remote Port:"));
        auto* host = Get<Ipv4AddressField>(*dialog, "remoteHost");
        auto* remotePort = Get<QLineEdit>(*dialog, "remotePort");
        QVERIFY(host->isVisible() && remotePort->isVisible());
        QVERIFY(!Get<QComboBox>(*dialog, "comPort")->isVisible() && !Get<QComboBox>(*dialog, "board")->isVisible());
        QCOMPARE(host->Box(0)->text() + "." + host->Box(3)->text(), QStringLiteral("192.20"));
        QCOMPARE(remotePort->text(), QStringLiteral("5025"));

        TypeAndLeave(host->Box(1), QStringLiteral("300"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), remotePort);  // the other boxes are no tab stops
        QCOMPARE(host->Box(1)->text(), QStringLiteral("255"));
        QCOMPARE(dialog->WorkingCopy().remoteHost, (std::array<std::uint8_t, 4>{192, 255, 1, 20}));
        TypeAndLeave(remotePort, QStringLiteral("1234567"), Qt::Key_Return);
        QCOMPARE(dialog->WorkingCopy().remotePort, 123456);
        QCOMPARE(remotePort->text(), QStringLiteral("123456"));

        Get<QPushButton>(*dialog, "testPort")->click();
        QCOMPARE(messages_.texts, QStringList{kConnectionFailed});
        QCOMPARE(doc_->Port().remotePort, 123456);
    }

    void testedSettingsSurviveCancel() {
        auto dialog = OpenPort();
        Choose(Get<QComboBox>(*dialog, "baudRate"), QStringLiteral("9600"));
        auto* test = Get<QPushButton>(*dialog, "testPort");
        test->setFocus(Qt::TabFocusReason);
        QTest::keyClick(test, Qt::Key_Return);
        QCOMPARE(messages_.texts, QStringList{kConnectionFailed});
        QCOMPARE(messages_.buttonsDisabled, QList<bool>{true});
        QVERIFY(test->isEnabled() && Get<QPushButton>(*dialog, "ok")->isEnabled());
        QTest::mouseClick(Get<QPushButton>(*dialog, "cancel"), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(doc_->Port().baudRate, 9600);

        messages_ = {};
        dialog = OpenPort();
        QCOMPARE(Get<QComboBox>(*dialog, "baudRate")->currentText(), QStringLiteral("9600"));
        Choose(Get<QComboBox>(*dialog, "baudRate"), QStringLiteral("19200"));
        Get<QPushButton>(*dialog, "testPort")->click();
        QCOMPARE(messages_.texts, QStringList{"Test completed successfully."});
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(doc_->Port(), PortSettings{});
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::SettingsDialogsTest)
#include "settings_dialogs_test.moc"
