#include "instrument/port_settings_dialog.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "instrument/connection.h"
#include "instrument/ipv4_address_field.h"
#include "instrument/port_check.h"
#include "instrument/port_fields.h"

namespace tarvos {
namespace {

// Room for a /dev/serial/by-id name of the usual length without its folders.
constexpr int kComDeviceWidthChars = 40;

void Select(QComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(C_KVR_DiaDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), work_(doc.Port()), messages_(MessageBoxSink(this)) {
    setWindowTitle(QStringLiteral("Port Settings"));
    BuildControls();
    // Loaded before the first show so that the dialog is sized for the method's parameters.
    LoadFromDocument();
}

PortSettingsDialog::~PortSettingsDialog() { ReleasePortObject(doc_, client_); }

void PortSettingsDialog::BuildControls() {
    auto list = [this](const char* name, const QStringList& entries) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->addItems(entries);
        return box;
    };
    auto label = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto numbers = [](int from, int to) {
        QStringList texts;
        for (int i = from; i <= to; ++i) texts << QString::number(i);
        return texts;
    };

    // Created in the order of the focus chain.
    auto* methodLabel = new QLabel(QStringLiteral("RC Method:"), this);
    rcMethod_ = list("rcMethod", {QStringLiteral("RS 232"), QStringLiteral("GPIB")});
    group_ = new QGroupBox(QStringLiteral("Settings"), this);
    firstLabel_ = label(QString(), "firstLabel");
    secondLabel_ = label(QString(), "secondLabel");

    comPort_ = list("comPort", numbers(1, kComPortEntries));
    comPort_->setEditable(true);
    comPort_->setInsertPolicy(QComboBox::NoInsert);
    comPort_->setCompleter(nullptr);
    comPort_->lineEdit()->setMaxLength(static_cast<int>(kComPortTextLength));
    comDevice_ = label(QString(), "comDevice");
    comDevice_->setTextFormat(Qt::PlainText);  // a path is shown as it is, never as markup
    comDevice_->setMinimumWidth(comDevice_->fontMetrics().averageCharWidth() * kComDeviceWidthChars);
    baudRate_ = list("baudRate", {});
    for (const int rate : kBaudRateChoices) baudRate_->addItem(QString::number(rate));
    dataBitsLabel_ = label(QStringLiteral("Data Bits:"), "dataBitsLabel");
    dataBits_ = list("dataBits", {QStringLiteral("7 Bit"), QStringLiteral("8 Bit")});
    parityLabel_ = label(QStringLiteral("Parity:"), "parityLabel");
    parity_ = list("parity", {QStringLiteral("No"), QStringLiteral("Even"), QStringLiteral("Odd")});
    stopBitsLabel_ = label(QStringLiteral("Stop Bits:"), "stopBitsLabel");
    stopBits_ = list("stopBits", {QStringLiteral("1 Bit"), QStringLiteral("2 Bit")});
    handshakeLabel_ = label(QStringLiteral("Handshake:"), "handshakeLabel");
    handshake_ = list("handshake", {QStringLiteral("No"), QStringLiteral("XOn / XOff"), QStringLiteral("Hardware")});
    board_ = list("board", numbers(0, kMaxBoard));
    primaryAddress_ = list("primaryAddress", numbers(0, kMaxPrimaryAddress));
    remoteHost_ = new Ipv4AddressField(this);
    remoteHost_->setObjectName(QStringLiteral("remoteHost"));
    remotePort_ = new QLineEdit(this);
    remotePort_->setObjectName(QStringLiteral("remotePort"));
    remotePort_->setMaxLength(static_cast<int>(kRemotePortTextLength));

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        // Enter is given its meaning by the rule below, not by a default button.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    testPort_ = button(QStringLiteral("&Test Port"), "testPort");
    ok_ = button(QStringLiteral("&OK"), "ok");
    cancel_ = button(QStringLiteral("&Cancel"), "cancel");

    // The parameters of the three methods share the group's first two rows.
    auto* grid = new QGridLayout(group_);
    grid->addWidget(firstLabel_, 0, 0);
    grid->addWidget(comPort_, 0, 1);
    grid->addWidget(board_, 0, 1);
    grid->addWidget(remoteHost_, 0, 1);
    grid->addWidget(comDevice_, 0, 2);
    grid->addWidget(secondLabel_, 1, 0);
    grid->addWidget(baudRate_, 1, 1);
    grid->addWidget(primaryAddress_, 1, 1);
    grid->addWidget(remotePort_, 1, 1);
    grid->addWidget(dataBitsLabel_, 2, 0);
    grid->addWidget(dataBits_, 2, 1);
    grid->addWidget(parityLabel_, 3, 0);
    grid->addWidget(parity_, 3, 1);
    grid->addWidget(stopBitsLabel_, 4, 0);
    grid->addWidget(stopBits_, 4, 1);
    grid->addWidget(handshakeLabel_, 5, 0);
    grid->addWidget(handshake_, 5, 1);
    // Nothing is shown before the method is known; a method the dialog does not know keeps it so.
    for (QWidget* w : group_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->hide();

    auto* method = new QHBoxLayout;
    method->addWidget(methodLabel);
    method->addWidget(rcMethod_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(testPort_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(method);
    layout->addWidget(group_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(rcMethod_, &QComboBox::activated, this, [this](int index) {
        if (index < 0) return;
        work_.rcMethod = index;
        Layout();
    });
    connect(baudRate_, &QComboBox::activated, this,
            [this](int i) { work_.baudRate = kBaudRateChoices[static_cast<std::size_t>(i)]; });
    connect(dataBits_, &QComboBox::activated, this,
            [this](int i) { work_.dataBits = kDataBitChoices[static_cast<std::size_t>(i)]; });
    connect(parity_, &QComboBox::activated, this,
            [this](int i) { work_.parity = kParityChoices[static_cast<std::size_t>(i)]; });
    connect(stopBits_, &QComboBox::activated, this,
            [this](int i) { work_.stopBits = kStopBitChoices[static_cast<std::size_t>(i)]; });
    connect(handshake_, &QComboBox::activated, this,
            [this](int i) { work_.handshake = kHandshakeChoices[static_cast<std::size_t>(i)]; });
    connect(board_, &QComboBox::activated, this, [this](int i) { work_.board = i; });
    connect(primaryAddress_, &QComboBox::activated, this, [this](int i) { work_.primaryAddress = i; });
    connect(remoteHost_, &Ipv4AddressField::Left, this, [this] { work_.remoteHost = remoteHost_->GetOctets(); });
    connect(comPort_->lineEdit(), &QLineEdit::textEdited, this, &PortSettingsDialog::OnComPortTyped);
    // An entry picked from the drop-down is stored when the list is left; its device shows at once.
    connect(comPort_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) ShowComDevice(index + 1);
    });
    comPort_->installEventFilter(this);
    comPort_->lineEdit()->installEventFilter(this);
    remotePort_->installEventFilter(this);

    connect(testPort_, &QPushButton::clicked, this, &PortSettingsDialog::OnTestPort);
    connect(ok_, &QPushButton::clicked, this, &PortSettingsDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &PortSettingsDialog::reject);

    auto* enter = new EnterKeyRule(this, [this] { focusNextChild(); });
    for (QWidget* control : std::initializer_list<QWidget*>{
             rcMethod_, comPort_, comPort_->lineEdit(), baudRate_, dataBits_, parity_, stopBits_, handshake_, board_,
             primaryAddress_, remoteHost_->Box(0), remoteHost_->Box(1), remoteHost_->Box(2), remoteHost_->Box(3),
             remotePort_, testPort_, ok_, cancel_})
        enter->Watch(control);
}

void PortSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (!client_.HasObject()) CreatePortObject(client_);
    LoadFromDocument();
}

void PortSettingsDialog::LoadFromDocument() {
    work_ = doc_.Port();
    serialPorts_ = CurrentSerialPortMap();
    // The list offers RS-232 and GPIB; a TCP/IP method from the settings file selects nothing.
    Select(rcMethod_, work_.rcMethod == rcRS232 || work_.rcMethod == rcGPIB ? work_.rcMethod : -1);
    Layout();
}

void PortSettingsDialog::Layout() {
    const PortLayout layout = LayoutOf(work_.rcMethod);
    if (layout == PortLayout::None) return;
    CorrectShownPortFields(work_);
    const bool serial = layout == PortLayout::Serial;
    const bool gpib = layout == PortLayout::Gpib;
    const bool network = layout == PortLayout::Network;
    for (QWidget* w : std::initializer_list<QWidget*>{comPort_, comDevice_, baudRate_, dataBitsLabel_, dataBits_,
                                                       parityLabel_, parity_, stopBitsLabel_, stopBits_,
                                                       handshakeLabel_, handshake_})
        w->setVisible(serial);
    board_->setVisible(gpib);
    primaryAddress_->setVisible(gpib);
    remoteHost_->setVisible(network);
    remotePort_->setVisible(network);
    firstLabel_->show();
    secondLabel_->show();

    if (serial) {
        firstLabel_->setText(QStringLiteral("Port:"));
        secondLabel_->setText(QStringLiteral("Baud Rate:"));
        ShowComPort();
        Select(baudRate_, BaudRateEntry(work_.baudRate));
        Select(dataBits_, DataBitsEntry(work_.dataBits));
        Select(parity_, ParityEntry(work_.parity));
        Select(stopBits_, StopBitsEntry(work_.stopBits));
        Select(handshake_, HandshakeEntry(work_.handshake));
    } else if (gpib) {
        firstLabel_->setText(QStringLiteral("Board:"));
        secondLabel_->setText(QStringLiteral("Primary Address:"));
        Select(board_, work_.board);
        Select(primaryAddress_, work_.primaryAddress);
    } else {
        firstLabel_->setText(QStringLiteral("Remote Host:"));
        secondLabel_->setText(QStringLiteral("Remote Port:"));
        remoteHost_->SetOctets(work_.remoteHost);
        ShowRemotePort();
    }
}

void PortSettingsDialog::ShowComPort() {
    const QSignalBlocker quiet(comPort_);
    if (work_.comPort <= kComPortEntries) {
        comPort_->setCurrentIndex(work_.comPort - 1);
        comPort_->setEditText(comPort_->itemText(work_.comPort - 1));
    } else {
        comPort_->setCurrentIndex(-1);
        comPort_->setEditText(QString::number(work_.comPort));
    }
    ShowComDevice(work_.comPort);
}

// A long path is shortened to the label's width; the tool tip holds it whole.
void PortSettingsDialog::ShowComDevice(int comPort) {
    const QFontMetrics metrics = comDevice_->fontMetrics();
    const int width = comDevice_->minimumWidth();
    const std::string device = ElideDevicePath(ComPortDeviceText(serialPorts_, comPort), [&](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) <= width;
    });
    comDevice_->setText(QString::fromStdString(device));
    comDevice_->setToolTip(QString::fromStdString(ComPortDeviceDetail(serialPorts_, comPort)));
}

void PortSettingsDialog::ShowRemotePort() { remotePort_->setText(QString::number(work_.remotePort)); }

// A typed port is no longer the listed entry that was selected; the text stays as typed.
void PortSettingsDialog::OnComPortTyped(const QString& text) {
    ShowComDevice(ComPortFromText(text.toStdString()));
    if (comPort_->currentIndex() < 0) return;
    QLineEdit* edit = comPort_->lineEdit();
    const int cursor = edit->cursorPosition();
    const QSignalBlocker quiet(comPort_);
    comPort_->setCurrentIndex(-1);
    comPort_->setEditText(text);
    edit->setCursorPosition(cursor);
}

void PortSettingsDialog::OnComPortLeft() {
    const int entry = comPort_->currentIndex();
    work_.comPort = entry >= 0 ? entry + 1 : ComPortFromText(comPort_->currentText().toStdString());
    ShowComPort();
}

void PortSettingsDialog::OnRemotePortLeft() {
    work_.remotePort = RemotePortFromText(remotePort_->text().toStdString());
    ShowRemotePort();
}

bool PortSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    // The list's own drop-down or a context menu taking the focus is no leaving of the field.
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == comPort_ || watched == comPort_->lineEdit()) OnComPortLeft();
        if (watched == remotePort_) OnRemotePortLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void PortSettingsDialog::OnTestPort() {
    if (busy_) return;
    busy_ = true;
    const bool hadFocus = testPort_->hasFocus();
    testPort_->setEnabled(false);
    ok_->setEnabled(false);
    const PortCheck check = CheckPortSettings(doc_, client_, work_);
    messages_(QString::fromStdString(check.message));
    testPort_->setEnabled(true);
    ok_->setEnabled(true);
    busy_ = false;
    if (hadFocus) testPort_->setFocus(Qt::OtherFocusReason);
}

void PortSettingsDialog::accept() {
    if (busy_) return;
    doc_.SetPort(work_);
    if (client_.GetOnLine() != 0) DisconnectInstrument(doc_, client_);
    QDialog::accept();
}

// The close box and Escape end here too. What a Test Port gave the document stays there.
void PortSettingsDialog::reject() {
    if (busy_) return;
    QDialog::reject();
}

}  // namespace tarvos
