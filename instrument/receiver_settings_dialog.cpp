#include "instrument/receiver_settings_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "instrument/connection.h"
#include "instrument/settings_transfer.h"

namespace tarvos {
namespace {

// Fills a list with its entries, each carrying its value, and selects `value` (nothing when the
// list does not hold it, which only an empty list leaves possible after the entry-0 rule).
void Fill(QComboBox* box, const ReceiverList& list, std::int32_t value) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const ListEntry& e : list.entries) box->addItem(QString::fromStdString(e.text), e.value);
    box->setEnabled(list.enabled);
    const auto entry = FindEntry(list, value);
    box->setCurrentIndex(entry ? static_cast<int>(*entry) : -1);
}

void Show(QLineEdit* field, const FieldView& view) {
    field->setText(QString::fromStdString(view.text));
    field->setEnabled(view.enabled);
}

}  // namespace

// The transfer's messages, refreshes and pauses, as this dialog shows them.
class ReceiverSettingsDialog::TransferUi final : public SettingsTransferUi {
public:
    explicit TransferUi(ReceiverSettingsDialog& dialog) : dialog_(dialog) {}
    void Message(const std::string& text) override { dialog_.messages_(QString::fromStdString(text)); }
    void Refresh() override { dialog_.RefreshAll(); }
    void Wait(std::chrono::milliseconds duration) override { WaitKeepingWindowsPainted(duration); }

private:
    ReceiverSettingsDialog& dialog_;
};

ReceiverSettingsDialog::ReceiverSettingsDialog(C_KVR_DiaDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc), work_(doc.Receiver()), messages_(MessageBoxSink(this)) {
    setWindowTitle(QStringLiteral("KVR Settings"));
    BuildControls();
    // Filled before the first show so that the dialog is sized for its lists.
    RefreshAll();
}

ReceiverSettingsDialog::~ReceiverSettingsDialog() { ReleasePortObject(doc_, client_); }

void ReceiverSettingsDialog::BuildControls() {
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* control) {
        auto* text = new QLabel(label, this);
        grid->addWidget(text, row, 0);
        grid->addWidget(control, row, 1);
        ++row;
        return text;
    };
    auto list = [&](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    auto field = [&](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->installEventFilter(this);
        return edit;
    };

    // Created in the order of the focus chain.
    mode_ = list("mode");
    addRow(QStringLiteral("Operating Mode:"), mode_);
    input_ = list("input");
    addRow(QStringLiteral("KVR Input:"), input_);
    frequency_ = field("frequency");
    addRow(QStringLiteral("Frequency in MHz:"), frequency_);
    qamOrder_ = list("qamOrder");
    addRow(QStringLiteral("Order of QAM:"), qamOrder_);
    // The symbol rate field and the DVB-T channel bandwidth list take turns in one place.
    symbolRate_ = field("symbolRate");
    channelBandwidth_ = list("channelBandwidth");
    rateLabel_ = addRow(QStringLiteral("Symbol Rate in MSymb/s:"), symbolRate_);
    rateLabel_->setObjectName(QStringLiteral("rateLabel"));
    grid->addWidget(channelBandwidth_, row - 1, 1);
    sawFilter_ = list("sawFilter");
    addRow(QStringLiteral("SAW Filter Bandwidth:"), sawFilter_);
    rollOff_ = list("rollOff");
    addRow(QStringLiteral("Roll-Off-Factor:"), rollOff_);
    berPoint_ = list("berPoint");
    addRow(QStringLiteral("Measure BER:"), berPoint_);

    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        // Enter is given its meaning by the rule below, not by a default button.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    write_ = button(QStringLiteral("&Write Settings to KVR"), "write");
    read_ = button(QStringLiteral("&Read Settings from KVR"), "read");
    ok_ = button(QStringLiteral("&OK"), "ok");
    cancel_ = button(QStringLiteral("&Cancel"), "cancel");

    auto* transfer = new QHBoxLayout;
    transfer->addWidget(write_);
    transfer->addWidget(read_);
    auto* close = new QHBoxLayout;
    close->addStretch();
    close->addWidget(ok_);
    close->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(transfer);
    layout->addSpacing(8);
    layout->addLayout(close);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto storeOnSelection = [this](QComboBox* box, std::int32_t ReceiverSettings::*field) {
        connect(box, &QComboBox::activated, this, [this, box, field](int index) {
            if (index >= 0) work_.*field = box->itemData(index).toInt();
        });
    };
    storeOnSelection(mode_, &ReceiverSettings::mode);
    connect(mode_, &QComboBox::activated, this, [this] { RefreshAll(); });
    storeOnSelection(input_, &ReceiverSettings::input);
    connect(input_, &QComboBox::activated, this, [this] { ShowFrequency(); });
    storeOnSelection(qamOrder_, &ReceiverSettings::qamOrder);
    storeOnSelection(channelBandwidth_, &ReceiverSettings::channelBandwidth);
    storeOnSelection(sawFilter_, &ReceiverSettings::sawBandwidth);
    storeOnSelection(rollOff_, &ReceiverSettings::rollOff);
    storeOnSelection(berPoint_, &ReceiverSettings::berPoint);

    connect(write_, &QPushButton::clicked, this, &ReceiverSettingsDialog::OnWrite);
    connect(read_, &QPushButton::clicked, this, &ReceiverSettingsDialog::OnRead);
    connect(ok_, &QPushButton::clicked, this, &ReceiverSettingsDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &ReceiverSettingsDialog::reject);

    auto* enter = new EnterKeyRule(this, [this] { focusNextChild(); });
    for (QWidget* control : std::initializer_list<QWidget*>{mode_, input_, frequency_, qamOrder_, symbolRate_,
                                                             channelBandwidth_, sawFilter_, rollOff_, berPoint_,
                                                             write_, read_, ok_, cancel_})
        enter->Watch(control);
}

void ReceiverSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (!client_.HasObject()) CreatePortObject(client_);
    work_ = doc_.Receiver();
    RefreshAll();
}

void ReceiverSettingsDialog::RefreshAll() {
    ApplyModeToLists(work_);
    Fill(mode_, ModeList(), work_.mode);
    Fill(input_, InputList(), work_.input);
    ShowFrequency();
    Fill(rollOff_, RollOffList(work_.mode), work_.rollOff);
    Fill(sawFilter_, SawFilterList(work_.mode), work_.sawBandwidth);
    Fill(channelBandwidth_, ChannelBandwidthList(), work_.channelBandwidth);
    Fill(qamOrder_, QamOrderList(work_.mode), work_.qamOrder);
    Fill(berPoint_, BerPointList(work_.mode), work_.berPoint);
    ShowSymbolRate();
    const bool dvbt = work_.mode == kModeDvbt;
    rateLabel_->setText(dvbt ? QStringLiteral("Channel Bandwidth:") : QStringLiteral("Symbol Rate in MSymb/s:"));
    symbolRate_->setVisible(!dvbt);
    channelBandwidth_->setVisible(dvbt);
}

void ReceiverSettingsDialog::ShowFrequency() { Show(frequency_, FrequencyField(work_)); }
void ReceiverSettingsDialog::ShowSymbolRate() { Show(symbolRate_, SymbolRateField(work_)); }

void ReceiverSettingsDialog::OnFrequencyLeft() {
    // The IF input's fixed frequency is no value of the field.
    if (work_.input != kInputIf) work_.frequency = FrequencyFromText(frequency_->text().toStdString(), work_.mode);
    ShowFrequency();
}

void ReceiverSettingsDialog::OnSymbolRateLeft() {
    work_.symbolRate = SymbolRateFromText(symbolRate_->text().toStdString(), work_.mode, work_.symbolRate);
    ShowSymbolRate();
}

bool ReceiverSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    // A context menu opened on the field is no leaving of it.
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == frequency_) OnFrequencyLeft();
        if (watched == symbolRate_) OnSymbolRateLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void ReceiverSettingsDialog::OnWrite() { Transfer(&WriteSettings, write_); }
void ReceiverSettingsDialog::OnRead() { Transfer(&ReadSettings, read_); }

void ReceiverSettingsDialog::Transfer(
    bool (*operation)(C_KVR_DiaDoc&, KvrPortClient&, ReceiverSettings&, SettingsTransferUi&), QPushButton* pressed) {
    if (busy_) return;
    busy_ = true;
    const bool hadFocus = pressed->hasFocus();
    for (QPushButton* b : {read_, write_, ok_}) b->setEnabled(false);
    TransferUi ui(*this);
    operation(doc_, client_, work_, ui);
    for (QPushButton* b : {read_, write_, ok_}) b->setEnabled(true);
    busy_ = false;
    // A transfer that stopped early may have taken fields without showing them yet.
    RefreshAll();
    if (hadFocus) pressed->setFocus(Qt::OtherFocusReason);
}

void ReceiverSettingsDialog::DisconnectIfOnLine() {
    if (client_.GetOnLine() != 0) DisconnectInstrument(doc_, client_);
}

void ReceiverSettingsDialog::accept() {
    if (busy_) return;
    doc_.SetReceiver(work_);
    DisconnectIfOnLine();
    QDialog::accept();
}

// The close box and Escape end here too; while the instrument is being talked to the dialog
// takes no notice of them.
void ReceiverSettingsDialog::reject() {
    if (busy_) return;
    DisconnectIfOnLine();
    QDialog::reject();
}

}  // namespace tarvos
