// The Advanced Settings and Diagram Elements dialogs through their widgets: fields checked when
// the focus leaves them and on OK, the Default buttons, and what OK and Cancel hand back.
#include <array>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/advanced_dialog.h"
#include "app/diagram_elements_dialog.h"

namespace tarvos {
namespace {

template <typename T = QPushButton>
T* Child(QWidget& dialog, const char* name) {
    T* const child = dialog.findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

// Shows the dialog as the active window, so that focus changes happen as with a user.
bool ShowActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

// Replaces the field's text by typing, the way a user would.
void TypeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

std::array<int, 6> Switches(const DiagramSettings& s) {
    return {s.showCnAxis, s.showLegend, s.showInfoText, s.showSamplePoints, s.showEndValue, s.showErrorBars};
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void advancedShowsItsControls();
    void berFieldIsCheckedWhenLeft_data();
    void berFieldIsCheckedWhenLeft();
    void gridFieldIsCheckedWhenLeft_data();
    void gridFieldIsCheckedWhenLeft();
    void enterInAFieldMovesOnWithoutClosing();
    void okChecksTheFieldBeingEdited();
    void okHandsBackTheNormalisedThreshold();
    void defaultButtonsRestoreTheDefaults();
    void advancedCancelChangesNothing();
    void onInstrumentErrorSitsBelowAndIsTakenOnOkOnly();
    void elementsShowTheSwitchesInOrder();
    void eachElementBoxSetsItsOwnSwitch();
    void elementsDefaultThenOkSwitchesAllOn();
    void elementsDefaultThenCancelChangesNothing();
};

void SettingsDialogsTest::advancedShowsItsControls() {
    AdvancedDialog dialog(0.0002, 60, 0);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Advanced Settings"));
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"&BER for END measurement:", "Enter maximum grid &spacing:", "Pixels"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);
    QCOMPARE(Child<QLineEdit>(dialog, "berField")->text(), QStringLiteral("2.0E-4"));
    QCOMPARE(Child<QLineEdit>(dialog, "berField")->maxLength(), 20);
    QCOMPARE(Child<QLineEdit>(dialog, "gridField")->text(), QStringLiteral("60"));
    QCOMPARE(Child<QLineEdit>(dialog, "gridField")->maxLength(), 10);
    QCOMPARE(Child(dialog, "berDefault")->text(), QStringLiteral("Default"));
    QCOMPARE(Child(dialog, "gridDefault")->text(), QStringLiteral("Default"));
    QCOMPARE(Child(dialog, "okButton")->text(), QStringLiteral("&OK"));
    QVERIFY(Child(dialog, "okButton")->isDefault());
    QCOMPARE(Child(dialog, "cancelButton")->text(), QStringLiteral("&Cancel"));
    auto* manual = Child<QCheckBox>(dialog, "manualMode");
    QCOMPARE(manual->text(), QStringLiteral("Set input attenuation to MANUAL mode"));
    QVERIFY(manual->isHidden());
    QVERIFY(!manual->isEnabled());
}

void SettingsDialogsTest::berFieldIsCheckedWhenLeft_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("below the lowest") << "1e-20" << "1.0E-16";
    QTest::newRow("above the highest") << "0.01" << "4.0E-3";
    QTest::newRow("seven digits") << "0.000123456789" << "1.234568E-4";
    QTest::newRow("no number") << "abc" << "1.0E-16";
}

void SettingsDialogsTest::berFieldIsCheckedWhenLeft() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    AdvancedDialog dialog(0.0002, 60, 1);
    QVERIFY(ShowActive(dialog));
    auto* berField = Child<QLineEdit>(dialog, "berField");
    TypeInto(berField, typed);
    QCOMPARE(berField->text(), typed);  // nothing happens while typing
    QTest::keyClick(berField, Qt::Key_Tab);
    QVERIFY(!berField->hasFocus());
    QCOMPARE(berField->text(), shown);
}

void SettingsDialogsTest::gridFieldIsCheckedWhenLeft_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("below 2") << "1" << "2";
    QTest::newRow("above 2000") << "5000" << "2000";
    QTest::newRow("zero keeps") << "0" << "45";
    QTest::newRow("no number keeps") << "abc" << "45";
}

void SettingsDialogsTest::gridFieldIsCheckedWhenLeft() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    AdvancedDialog dialog(0.0002, 45, 1);
    QVERIFY(ShowActive(dialog));
    auto* gridField = Child<QLineEdit>(dialog, "gridField");
    TypeInto(gridField, typed);
    Child<QLineEdit>(dialog, "berField")->setFocus();  // as by a click into the other field
    QCOMPARE(gridField->text(), shown);
}

void SettingsDialogsTest::enterInAFieldMovesOnWithoutClosing() {
    AdvancedDialog dialog(0.0002, 60, 1);
    QVERIFY(ShowActive(dialog));
    auto* berField = Child<QLineEdit>(dialog, "berField");
    TypeInto(berField, QStringLiteral("0.01"));
    QTest::keyClick(berField, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(berField->text(), QStringLiteral("4.0E-3"));
    QCOMPARE(dialog.focusWidget(), Child(dialog, "berDefault"));
}

void SettingsDialogsTest::okChecksTheFieldBeingEdited() {
    AdvancedDialog dialog(0.0002, 60, 1);
    QVERIFY(ShowActive(dialog));
    TypeInto(Child<QLineEdit>(dialog, "gridField"), QStringLiteral("1"));
    TypeInto(Child<QLineEdit>(dialog, "berField"), QStringLiteral("1e-20"));
    Child(dialog, "okButton")->click();  // the focus stays in the BER field
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Threshold(), 1e-16);
    QCOMPARE(dialog.MaxGridSpacing(), 2);
    QCOMPARE(dialog.ManualMode(), 1);
}

void SettingsDialogsTest::okHandsBackTheNormalisedThreshold() {
    // Untouched, the threshold comes back as the field shows it: seven significant digits.
    AdvancedDialog dialog(0.000123456789, 300, 5);
    QVERIFY(ShowActive(dialog));
    QCOMPARE(Child<QLineEdit>(dialog, "berField")->text(), QStringLiteral("1.234568E-4"));
    QCOMPARE(dialog.Threshold(), 0.000123456789);  // not yet confirmed
    Click(Child(dialog, "okButton"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Threshold(), 0.0001234568);
    QCOMPARE(dialog.MaxGridSpacing(), 300);
    QCOMPARE(dialog.ManualMode(), 5);
}

void SettingsDialogsTest::defaultButtonsRestoreTheDefaults() {
    AdvancedDialog dialog(0.003, 700, 1);
    QVERIFY(ShowActive(dialog));
    QCOMPARE(Child<QLineEdit>(dialog, "berField")->text(), QStringLiteral("3.0E-3"));
    Click(Child(dialog, "berDefault"));
    QCOMPARE(Child<QLineEdit>(dialog, "berField")->text(), QStringLiteral("2.0E-4"));
    Click(Child(dialog, "gridDefault"));
    QCOMPARE(Child<QLineEdit>(dialog, "gridField")->text(), QStringLiteral("60"));
    Click(Child(dialog, "okButton"));
    QCOMPARE(dialog.Threshold(), 0.0002);
    QCOMPARE(dialog.MaxGridSpacing(), 60);
}

void SettingsDialogsTest::advancedCancelChangesNothing() {
    AdvancedDialog dialog(0.000123456789, 700, 0);
    QVERIFY(ShowActive(dialog));
    TypeInto(Child<QLineEdit>(dialog, "berField"), QStringLiteral("0.001"));
    TypeInto(Child<QLineEdit>(dialog, "gridField"), QStringLiteral("5"));
    Click(Child(dialog, "berDefault"));
    QCOMPARE(Child<QLineEdit>(dialog, "gridField")->text(), QStringLiteral("5"));  // checked on the click
    Click(Child(dialog, "cancelButton"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.Threshold(), 0.000123456789);
    QCOMPARE(dialog.MaxGridSpacing(), 700);
    QCOMPARE(dialog.ManualMode(), 0);
}

void SettingsDialogsTest::onInstrumentErrorSitsBelowAndIsTakenOnOkOnly() {
    using P = InstrumentErrorPolicy;
    AdvancedDialog asks(0.0002, 60, 0);
    QVERIFY(ShowActive(asks));
    auto* list = Child<QComboBox>(asks, "onInstrumentError");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentIndex(), 0);  // ask, the message as ever, unless chosen otherwise
    QCOMPARE(asks.OnInstrumentError(), P::Ask);
    // Appended below the other controls, the buttons still last.
    const int y = list->mapTo(&asks, QPoint()).y();
    QVERIFY(y > Child<QLineEdit>(asks, "gridField")->mapTo(&asks, QPoint()).y());
    QVERIFY(y < Child(asks, "okButton")->mapTo(&asks, QPoint()).y());

    const struct {
        P given;
        int chosen;
        bool ok;
        P handedBack;
    } cases[] = {
        {P::Ask, 1, true, P::Retry},
        {P::Retry, 2, true, P::Cancel},
        {P::Cancel, 0, true, P::Ask},
        {P::Retry, 0, false, P::Retry},
    };
    for (const auto& c : cases) {
        AdvancedDialog dialog(0.0002, 60, 0, c.given);
        QVERIFY(ShowActive(dialog));
        auto* choice = Child<QComboBox>(dialog, "onInstrumentError");
        QCOMPARE(choice->currentIndex(), static_cast<int>(c.given));
        choice->setCurrentIndex(c.chosen);
        Click(Child(dialog, c.ok ? "okButton" : "cancelButton"));
        QCOMPARE(dialog.OnInstrumentError(), c.handedBack);
    }
}

void SettingsDialogsTest::elementsShowTheSwitchesInOrder() {
    DiagramElementsDialog dialog(DiagramSettings{});
    QVERIFY(ShowActive(dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Diagram Elements"));
    const std::pair<const char*, const char*> boxes[] = {
        {"cnAxisCheck", "Show C/N &Axis"},           {"legendCheck", "Show &Legend"},
        {"infoTextCheck", "Show &KVR Settings"},     {"samplePointsCheck", "Show &Sample Points"},
        {"endValueCheck", "Show END &Value"},        {"errorBarsCheck", "&Error bars"}};
    int lastY = -1;
    for (const auto& [name, text] : boxes) {
        auto* check = Child<QCheckBox>(dialog, name);
        QCOMPARE(check->text(), QLatin1String(text));
        QVERIFY2(check->y() > lastY, name);
        lastY = check->y();
    }
    QCOMPARE(Child(dialog, "okButton")->text(), QStringLiteral("&OK"));
    QVERIFY(Child(dialog, "okButton")->isDefault());
    QCOMPARE(Child(dialog, "cancelButton")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(Child(dialog, "defaultButton")->text(), QStringLiteral("&Default"));
}

void SettingsDialogsTest::eachElementBoxSetsItsOwnSwitch() {
    // In the order of Switches(): C/N axis, legend, KVR settings, sample points, END value, error bars.
    const char* const names[] = {"cnAxisCheck",       "legendCheck",   "infoTextCheck",
                                 "samplePointsCheck", "endValueCheck", "errorBarsCheck"};
    DiagramSettings off;
    off.showCnAxis = off.showLegend = off.showInfoText = off.showSamplePoints = off.showEndValue = 0;
    for (int on = 0; on < 6; ++on) {
        DiagramElementsDialog dialog(off);
        QVERIFY(ShowActive(dialog));
        Click(Child<QCheckBox>(dialog, names[on]));
        Click(Child(dialog, "okButton"));
        std::array<int, 6> expected{};
        expected[static_cast<std::size_t>(on)] = 1;
        QCOMPARE(Switches(dialog.Settings()), expected);
    }
}

void SettingsDialogsTest::elementsDefaultThenOkSwitchesAllOn() {
    DiagramSettings given;
    given.showCnAxis = given.showInfoText = given.showEndValue = 0;
    given.showErrorBars = 1;  // Default is the page as it always was: without error bars
    given.maxGridSpacing = 123;
    given.boxCorner = 2;
    DiagramElementsDialog dialog(given);
    QVERIFY(ShowActive(dialog));
    QVERIFY(!Child<QCheckBox>(dialog, "cnAxisCheck")->isChecked());
    Click(Child(dialog, "defaultButton"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Settings().showCnAxis, 0);  // taken only on OK
    Click(Child(dialog, "okButton"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Switches(dialog.Settings()), (std::array<int, 6>{1, 1, 1, 1, 1, 0}));
    QCOMPARE(dialog.Settings().maxGridSpacing, 123);
    QCOMPARE(dialog.Settings().boxCorner, 2);
}

void SettingsDialogsTest::elementsDefaultThenCancelChangesNothing() {
    DiagramSettings given;
    given.showLegend = given.showSamplePoints = 0;
    given.showErrorBars = 1;
    DiagramElementsDialog dialog(given);
    QVERIFY(ShowActive(dialog));
    Click(Child(dialog, "defaultButton"));
    Click(Child(dialog, "cancelButton"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(Switches(dialog.Settings()), (std::array<int, 6>{1, 0, 1, 0, 1, 1}));
}

}  // namespace tarvos

QTEST_MAIN(tarvos::SettingsDialogsTest)
#include "settings_dialogs_test.moc"
