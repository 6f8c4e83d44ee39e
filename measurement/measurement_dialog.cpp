#include "measurement/measurement_dialog.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "measurement/dialog_rules.h"

namespace tarvos {
namespace {

// Entry 0 of the zero tolerance list stands for the resolution 8, each further entry for one more.
constexpr int kFirstEntryResolution = 8;

// Typing limits of the three edit fields.
constexpr int kSnrChars = 7;
constexpr int kSamplesChars = 4;

QString Text(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* MakeField(QWidget* parent, const char* name, int maxChars) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setMaxLength(maxChars);
    // Room for the longest S/N text and a little more.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (kSnrChars + 4));
    return field;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QLatin1String(text), parent);
    button->setObjectName(QLatin1String(name));
    // Enter must never fall on a default button: it either presses the focused button or moves on.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Enabling before disabling lets a focused control that gets disabled hand its focus to one that
// is already usable in the new state.
void SetEnabledStates(std::initializer_list<std::pair<QWidget*, bool>> states) {
    for (const auto& [widget, on] : states)
        if (on) widget->setEnabled(true);
    for (const auto& [widget, on] : states)
        if (!on) widget->setEnabled(false);
}

}  // namespace

MeasurementDialog::MeasurementDialog(C_KVR_DiaDoc& doc, std::function<void()> startMeasurement,
                                     std::function<void()> measureRangeChanged, QWidget* parent)
    : QDialog(parent),
      doc_(doc),
      startMeasurement_(std::move(startMeasurement)),
      measureRangeChanged_(std::move(measureRangeChanged)) {
    setObjectName(QStringLiteral("measurementDialog"));
    setWindowTitle(QStringLiteral("Measurement"));
    setModal(false);
    BuildControls();
    ConnectControls();
    Refresh();
    startField_->setFocus();
}

void MeasurementDialog::BuildControls() {
    // Measure Range group.
    auto* rangeGroup = new QGroupBox(QStringLiteral("Measure Range"), this);
    startField_ = MakeField(rangeGroup, "startField", kSnrChars);
    stopField_ = MakeField(rangeGroup, "stopField", kSnrChars);
    samplesField_ = MakeField(rangeGroup, "samplesField", kSamplesChars);
    findEndCheck_ = new QCheckBox(QStringLiteral("Search for END"), rangeGroup);
    findEndCheck_->setObjectName(QStringLiteral("findEndCheck"));
    auto* rangeForm = new QFormLayout;
    rangeForm->addRow(QStringLiteral("Start S/N in dB:"), startField_);
    rangeForm->addRow(QStringLiteral("Stop S/N in dB:"), stopField_);
    rangeForm->addRow(QStringLiteral("Number of samples:"), samplesField_);
    auto* rangeLayout = new QVBoxLayout(rangeGroup);
    rangeLayout->addLayout(rangeForm);
    rangeLayout->addWidget(findEndCheck_);

    // Exit Measurement group.
    auto* exitGroup = new QGroupBox(QStringLiteral("Exit Measurement"), this);
    zeroToleranceList_ = new QComboBox(exitGroup);
    zeroToleranceList_->setObjectName(QStringLiteral("zeroToleranceList"));
    zeroExitCheck_ = new QCheckBox(QStringLiteral("Exit measurement if BER = 0"), exitGroup);
    zeroExitCheck_->setObjectName(QStringLiteral("zeroExitCheck"));
    auto* exitForm = new QFormLayout;
    exitForm->addRow(QStringLiteral("Zero tolerance:"), zeroToleranceList_);
    auto* exitLayout = new QVBoxLayout(exitGroup);
    exitLayout->addLayout(exitForm);
    exitLayout->addWidget(zeroExitCheck_);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(rangeGroup);
    leftColumn->addWidget(exitGroup);
    leftColumn->addStretch();

    // Run buttons; Skip and Accept are set in a little.
    startButton_ = MakeButton(this, "startButton", "&Start Measurement");
    pauseButton_ = MakeButton(this, "pauseButton", "Pause &Measurement");
    cancelButton_ = MakeButton(this, "cancelButton", "&Cancel Measurement");
    skipButton_ = MakeButton(this, "skipButton", "S&kip Sample");
    acceptButton_ = MakeButton(this, "acceptButton", "&Accept Sample");
    hideButton_ = MakeButton(this, "hideButton", "&Hide Window");
    auto* sampleButtons = new QVBoxLayout;
    sampleButtons->setContentsMargins(fontMetrics().averageCharWidth() * 3, 0, 0, 0);
    sampleButtons->addWidget(skipButton_);
    sampleButtons->addWidget(acceptButton_);

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(startButton_);
    rightColumn->addWidget(pauseButton_);
    rightColumn->addWidget(cancelButton_);
    rightColumn->addSpacing(fontMetrics().height() / 2);
    rightColumn->addLayout(sampleButtons);
    rightColumn->addSpacing(fontMetrics().height() / 2);
    rightColumn->addWidget(hideButton_);
    rightColumn->addStretch();

    // Progress: the remaining-time text left of the bar, the response line across the bottom. The
    // run shows and hides the first two; they keep their room so that the dialog does not jump.
    remainingTime_ = new QLabel(QStringLiteral("Remaining Time:"), this);
    remainingTime_->setObjectName(QStringLiteral("remainingTime"));
    remainingTime_->setTextFormat(Qt::PlainText);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setTextVisible(false);
    for (QWidget* w : {static_cast<QWidget*>(remainingTime_), static_cast<QWidget*>(progressBar_)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    responseLine_ = new QLabel(QStringLiteral("Process Response"), this);
    responseLine_->setObjectName(QStringLiteral("responseLine"));
    responseLine_->setTextFormat(Qt::PlainText);
    responseLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    auto* grid = new QGridLayout(this);
    grid->addLayout(leftColumn, 0, 0);
    grid->addLayout(rightColumn, 0, 1);
    grid->addWidget(remainingTime_, 1, 0);
    grid->addWidget(progressBar_, 1, 1);
    grid->addWidget(responseLine_, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order: the fields and switches top to bottom, then the buttons.
    QWidget* const order[] = {startField_,   stopField_,    samplesField_, findEndCheck_,
                              zeroToleranceList_, zeroExitCheck_, startButton_, pauseButton_,
                              cancelButton_, skipButton_,   acceptButton_, hideButton_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void MeasurementDialog::ConnectControls() {
    for (QLineEdit* field : {startField_, stopField_, samplesField_}) field->installEventFilter(this);

    connect(zeroToleranceList_, &QComboBox::currentIndexChanged, this, &MeasurementDialog::ZeroToleranceChosen);
    connect(findEndCheck_, &QCheckBox::clicked, this, &MeasurementDialog::SetFindEnd);
    connect(zeroExitCheck_, &QCheckBox::clicked, this, &MeasurementDialog::SetZeroExit);

    connect(startButton_, &QPushButton::clicked, this, [this] {
        if (startMeasurement_) startMeasurement_();
    });
    connect(pauseButton_, &QPushButton::clicked, this,
            [this] { pauseButton_->setText(Text(PressPauseContinue(doc_))); });
    connect(cancelButton_, &QPushButton::clicked, this,
            [this] { pauseButton_->setText(Text(PressCancel(doc_))); });
    connect(skipButton_, &QPushButton::clicked, this, [this] { doc_.skipRequested = 1; });
    connect(acceptButton_, &QPushButton::clicked, this, [this] { doc_.acceptRequested = 1; });
    connect(hideButton_, &QPushButton::clicked, this, &QWidget::hide);
}

void MeasurementDialog::Refresh() {
    const ReceiverSettings& rs = doc_.Receiver();
    startField_->setText(Text(SnrFieldText(rs.snrBegin)));
    stopField_->setText(Text(SnrFieldText(rs.snrEnd)));

    MeasurementOptions options = doc_.Options();
    samplesField_->setText(QString::number(options.samples));
    findEndCheck_->setChecked(options.findEnd != 0);
    zeroExitCheck_->setChecked(options.zeroExit != 0);

    {
        // Filling the list is not a choice of the user.
        const QSignalBlocker quiet(zeroToleranceList_);
        zeroToleranceList_->clear();
        for (const std::string& entry : ZeroToleranceEntries(rs.mode)) zeroToleranceList_->addItem(Text(entry));
        const int shown = ShownResolution(rs.mode, options.resolution);
        if (shown != options.resolution) {
            options.resolution = shown;
            doc_.SetOptions(options);
        }
        zeroToleranceList_->setCurrentIndex(shown - kFirstEntryResolution);
    }

    SetRunControls(RunControls::Idle);
    SetResponseLine(QStringLiteral("Check settings and start measurement"));
    ShowRemainingTime(false, QString(), 0, 0);
}

void MeasurementDialog::SetRunControls(RunControls controls) {
    const RunControlState state = RunControlStateFor(controls);
    pauseButton_->setText(Text(state.pauseText));
    SetEnabledStates({
        {zeroToleranceList_, state.settingsEnabled},
        {samplesField_, state.settingsEnabled},
        {startField_, state.settingsEnabled},
        {stopField_, state.settingsEnabled},
        {startButton_, state.startEnabled},
        {pauseButton_, state.runButtonsEnabled},
        {cancelButton_, state.runButtonsEnabled},
        {skipButton_, state.runButtonsEnabled},
        {acceptButton_, state.runButtonsEnabled},
    });
}

void MeasurementDialog::EnableSkipAccept(bool enabled) {
    skipButton_->setEnabled(enabled);
    acceptButton_->setEnabled(enabled);
}

void MeasurementDialog::SetResponseLine(const QString& text) { responseLine_->setText(text); }

void MeasurementDialog::ShowRemainingTime(bool show, const QString& text, int counter, int counterMax) {
    if (!show) {
        remainingTime_->hide();
        progressBar_->hide();
        return;
    }
    remainingTime_->setText(text);
    // A range of 0 .. 0 would turn the bar into a busy indicator; nothing counted yet is empty.
    const int top = std::max(counterMax, 0);
    progressBar_->setRange(0, top > 0 ? top : 1);
    progressBar_->setValue(std::clamp(counter, 0, top));
    remainingTime_->show();
    progressBar_->show();
}

void MeasurementDialog::reject() { hide(); }

bool MeasurementDialog::eventFilter(QObject* watched, QEvent* event) {
    // A field checks its value whenever the focus leaves it, also when another window becomes
    // active; a context menu of the field is not leaving it.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == startField_)
            CheckStartField();
        else if (watched == stopField_)
            CheckStopField();
        else if (watched == samplesField_)
            CheckSamplesField();
    }
    return QDialog::eventFilter(watched, event);
}

void MeasurementDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    QWidget* const focus = focusWidget();
    for (QPushButton* button : {hideButton_, startButton_, pauseButton_, cancelButton_, acceptButton_, skipButton_}) {
        if (focus == button) {
            button->click();
            event->accept();
            return;
        }
    }
    focusNextChild();
    event->accept();
}

void MeasurementDialog::CheckStartField() {
    const double v = StartFieldLeft(doc_, startField_->text().toStdString());
    startField_->setText(Text(SnrFieldText(v)));
    ReceiverSettings rs = doc_.Receiver();
    rs.snrBegin = v;
    doc_.SetReceiver(rs);
    if (measureRangeChanged_) measureRangeChanged_();
}

void MeasurementDialog::CheckStopField() {
    const double v = StopFieldLeft(doc_, stopField_->text().toStdString());
    stopField_->setText(Text(SnrFieldText(v)));
    ReceiverSettings rs = doc_.Receiver();
    rs.snrEnd = v;
    doc_.SetReceiver(rs);
    if (measureRangeChanged_) measureRangeChanged_();
}

void MeasurementDialog::CheckSamplesField() {
    const int samples = SamplesFieldLeft(samplesField_->text().toStdString());
    samplesField_->setText(QString::number(samples));
    MeasurementOptions options = doc_.Options();
    options.samples = samples;
    doc_.SetOptions(options);
}

void MeasurementDialog::ZeroToleranceChosen(int entry) {
    if (entry < 0) return;  // the list was emptied
    MeasurementOptions options = doc_.Options();
    options.resolution = entry + kFirstEntryResolution;
    doc_.SetOptions(options);
}

void MeasurementDialog::SetFindEnd(bool on) {
    MeasurementOptions options = doc_.Options();
    options.findEnd = on ? 1 : 0;
    doc_.SetOptions(options);
}

void MeasurementDialog::SetZeroExit(bool on) {
    MeasurementOptions options = doc_.Options();
    options.zeroExit = on ? 1 : 0;
    doc_.SetOptions(options);
}

}  // namespace tarvos
