#include "app/diagram_elements_dialog.h"

#include <iterator>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_enter_key.h"

namespace tarvos {
namespace {

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, int on) {
    auto* check = new QCheckBox(QLatin1String(text), parent);
    check->setObjectName(QLatin1String(name));
    check->setChecked(on != 0);
    return check;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QLatin1String(text), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

int Flag(const QCheckBox* check) { return check->isChecked() ? 1 : 0; }

}  // namespace

DiagramElementsDialog::DiagramElementsDialog(const DiagramSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("diagramElementsDialog"));
    setWindowTitle(QStringLiteral("Diagram Elements"));
    setModal(true);
    BuildControls();

    connect(okButton_, &QPushButton::clicked, this, &DiagramElementsDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &DiagramElementsDialog::reject);
    // Only the boxes: the switches themselves change on OK.
    // Default is the page as it always was: the five classic parts on, the error bars off.
    connect(defaultButton_, &QPushButton::clicked, this, [this] {
        for (QCheckBox* check : {cnAxisCheck_, legendCheck_, infoTextCheck_, samplePointsCheck_, endValueCheck_})
            check->setChecked(true);
        errorBarsCheck_->setChecked(DiagramSettings{}.showErrorBars != 0);
    });
    cnAxisCheck_->setFocus();
}

void DiagramElementsDialog::BuildControls() {
    cnAxisCheck_ = MakeCheck(this, "cnAxisCheck", "Show C/N &Axis", settings_.showCnAxis);
    legendCheck_ = MakeCheck(this, "legendCheck", "Show &Legend", settings_.showLegend);
    infoTextCheck_ = MakeCheck(this, "infoTextCheck", "Show &KVR Settings", settings_.showInfoText);
    samplePointsCheck_ = MakeCheck(this, "samplePointsCheck", "Show &Sample Points", settings_.showSamplePoints);
    endValueCheck_ = MakeCheck(this, "endValueCheck", "Show END &Value", settings_.showEndValue);
    errorBarsCheck_ = MakeCheck(this, "errorBarsCheck", "&Error bars", settings_.showErrorBars);

    okButton_ = MakeButton(this, "okButton", "&OK");
    okButton_->setDefault(true);
    cancelButton_ = MakeButton(this, "cancelButton", "&Cancel");
    defaultButton_ = MakeButton(this, "defaultButton", "&Default");

    auto* checks = new QVBoxLayout;
    for (QCheckBox* check :
         {cnAxisCheck_, legendCheck_, infoTextCheck_, samplePointsCheck_, endValueCheck_, errorBarsCheck_})
        checks->addWidget(check);
    checks->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(defaultButton_);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(checks);
    layout->addSpacing(fontMetrics().averageCharWidth() * 3);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* const order[] = {cnAxisCheck_,   legendCheck_,    infoTextCheck_, samplePointsCheck_,
                              endValueCheck_, errorBarsCheck_, okButton_,      cancelButton_,
                              defaultButton_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void DiagramElementsDialog::accept() {
    settings_.showCnAxis = Flag(cnAxisCheck_);
    settings_.showLegend = Flag(legendCheck_);
    settings_.showInfoText = Flag(infoTextCheck_);
    settings_.showSamplePoints = Flag(samplePointsCheck_);
    settings_.showEndValue = Flag(endValueCheck_);
    settings_.showErrorBars = Flag(errorBarsCheck_);
    QDialog::accept();
}

void DiagramElementsDialog::keyPressEvent(QKeyEvent* event) {
    if (!ApplyEnterKey(*this, *event, [this] { focusNextChild(); })) QDialog::keyPressEvent(event);
}

}  // namespace tarvos
