#include "app/advanced_dialog.h"

#include <algorithm>
#include <iterator>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_enter_key.h"

namespace tarvos {
namespace {

// The policies in the order the list offers them.
constexpr InstrumentErrorPolicy kPolicies[] = {InstrumentErrorPolicy::Ask, InstrumentErrorPolicy::Retry,
                                               InstrumentErrorPolicy::Cancel};

// Typing limits of the two fields.
constexpr int kBerChars = 20;
constexpr int kGridChars = 10;

QLineEdit* MakeField(QWidget* parent, const char* name, int maxChars, int shownChars) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setMaxLength(maxChars);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * shownChars);
    return field;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QLatin1String(text), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

AdvancedDialog::AdvancedDialog(double threshold, int maxGridSpacing, int manualMode,
                               InstrumentErrorPolicy onInstrumentError, QWidget* parent)
    : QDialog(parent),
      threshold_(threshold),
      maxGridSpacing_(maxGridSpacing),
      manualMode_(manualMode),
      onInstrumentError_(onInstrumentError),
      shownThreshold_(threshold),
      shownSpacing_(maxGridSpacing) {
    setObjectName(QStringLiteral("advancedDialog"));
    setWindowTitle(QStringLiteral("Advanced Settings"));
    setModal(true);
    BuildControls();
    ShowBer(ShowBerField(threshold));
    ShowGrid(maxGridSpacing);
    manualModeCheck_->setChecked(manualMode != 0);
    for (int i = 0; i < static_cast<int>(std::size(kPolicies)); ++i)
        if (kPolicies[i] == onInstrumentError) onErrorList_->setCurrentIndex(i);

    berField_->installEventFilter(this);
    gridField_->installEventFilter(this);
    connect(berDefault_, &QPushButton::clicked, this, [this] { ShowBer(ShowBerField(kDefaultThresholdBer)); });
    connect(gridDefault_, &QPushButton::clicked, this, [this] { ShowGrid(kDefaultGridSpacing); });
    connect(okButton_, &QPushButton::clicked, this, &AdvancedDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &AdvancedDialog::reject);
    berField_->setFocus();
}

void AdvancedDialog::BuildControls() {
    auto* berLabel = new QLabel(QStringLiteral("&BER for END measurement:"), this);
    berField_ = MakeField(this, "berField", kBerChars, 14);
    berLabel->setBuddy(berField_);
    berDefault_ = MakeButton(this, "berDefault", "Default");

    auto* gridLabel = new QLabel(QStringLiteral("Enter maximum grid &spacing:"), this);
    gridField_ = MakeField(this, "gridField", kGridChars, 8);
    gridLabel->setBuddy(gridField_);
    auto* pixels = new QLabel(QStringLiteral("Pixels"), this);
    gridDefault_ = MakeButton(this, "gridDefault", "Default");

    // Kept for the flag it carries; the option is not offered.
    manualModeCheck_ = new QCheckBox(QStringLiteral("Set input attenuation to MANUAL mode"), this);
    manualModeCheck_->setObjectName(QStringLiteral("manualMode"));
    manualModeCheck_->setEnabled(false);
    manualModeCheck_->setVisible(false);

    auto* onErrorLabel = new QLabel(QStringLiteral("On &instrument error:"), this);
    onErrorList_ = new QComboBox(this);
    onErrorList_->setObjectName(QStringLiteral("onInstrumentError"));
    onErrorList_->addItems({QStringLiteral("Ask (Retry/Cancel message)"),
                            QStringLiteral("Retry up to %1 times, then cancel").arg(kMaxRetriesPerPoint),
                            QStringLiteral("Cancel the measurement")});
    onErrorLabel->setBuddy(onErrorList_);

    okButton_ = MakeButton(this, "okButton", "&OK");
    okButton_->setDefault(true);
    cancelButton_ = MakeButton(this, "cancelButton", "&Cancel");

    auto* fields = new QGridLayout;
    fields->addWidget(berLabel, 0, 0);
    fields->addWidget(berField_, 0, 1);
    fields->addWidget(berDefault_, 0, 3);
    fields->addWidget(gridLabel, 1, 0);
    fields->addWidget(gridField_, 1, 1);
    fields->addWidget(pixels, 1, 2);
    fields->addWidget(gridDefault_, 1, 3);
    fields->addWidget(manualModeCheck_, 2, 0, 1, 4);
    fields->addWidget(onErrorLabel, 3, 0);
    fields->addWidget(onErrorList_, 3, 1, 1, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(berField_, berDefault_);
    setTabOrder(berDefault_, gridField_);
    setTabOrder(gridField_, gridDefault_);
    setTabOrder(gridDefault_, onErrorList_);
    setTabOrder(onErrorList_, okButton_);
    setTabOrder(okButton_, cancelButton_);
}

void AdvancedDialog::accept() {
    // A click on OK has already taken the focus from the field; the mnemonic, Enter on a focused
    // OK reached from elsewhere, or a caller's accept() have not.
    QWidget* const focus = focusWidget();
    if (focus == berField_ || berField_->isModified()) CheckBerField();
    if (focus == gridField_ || gridField_->isModified()) CheckGridField();
    threshold_ = shownThreshold_;
    maxGridSpacing_ = shownSpacing_;
    onInstrumentError_ = kPolicies[std::clamp(onErrorList_->currentIndex(), 0, static_cast<int>(std::size(kPolicies)) - 1)];
    QDialog::accept();
}

bool AdvancedDialog::eventFilter(QObject* watched, QEvent* event) {
    // A field checks its value whenever the focus leaves it, also when another window becomes
    // active; a context menu of the field is not leaving it.
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == berField_)
            CheckBerField();
        else if (watched == gridField_)
            CheckGridField();
    }
    return QDialog::eventFilter(watched, event);
}

void AdvancedDialog::keyPressEvent(QKeyEvent* event) {
    if (!ApplyEnterKey(*this, *event, [this] { focusNextChild(); })) QDialog::keyPressEvent(event);
}

void AdvancedDialog::CheckBerField() { ShowBer(LeaveBerField(berField_->text().toStdString())); }

void AdvancedDialog::CheckGridField() {
    ShowGrid(LeaveGridField(gridField_->text().toStdString(), shownSpacing_));
}

void AdvancedDialog::ShowBer(const BerFieldView& view) {
    shownThreshold_ = view.threshold;
    berField_->setText(QString::fromStdString(view.text));
}

void AdvancedDialog::ShowGrid(int spacing) {
    shownSpacing_ = spacing;
    gridField_->setText(QString::fromStdString(GridFieldText(spacing)));
}

}  // namespace tarvos
