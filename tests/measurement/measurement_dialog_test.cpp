// The measurement dialog's widgets: what Refresh shows, the field checks on real focus changes,
// the Enter and Escape keys, and what the buttons do to the document's run flags.
#include "measurement/measurement_dialog.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace tarvos {

// A dialog on a document of the given mode and SAW filter, shown and active so that focus
// changes really happen.
struct DialogUnderTest {
    C_KVR_DiaDoc doc;
    int starts = 0;
    int rangeChanges = 0;
    std::unique_ptr<MeasurementDialog> dialog;

    DialogUnderTest(int mode, int saw, int resolution = 10) {
        ReceiverSettings rs = doc.Receiver();
        rs.mode = mode;
        rs.sawBandwidth = saw;
        doc.SetReceiver(rs);
        MeasurementOptions options = doc.Options();
        options.resolution = resolution;
        doc.SetOptions(options);
        dialog = std::make_unique<MeasurementDialog>(
            doc, [this] { ++starts; }, [this] { ++rangeChanges; });
    }

    bool Show() {
        dialog->show();
        dialog->activateWindow();
        return QTest::qWaitForWindowActive(dialog.get());
    }

    template <class T>
    T* Get(const char* name) {
        T* w = dialog->findChild<T*>(QLatin1String(name));
        if (w == nullptr) qFatal("control %s missing", name);
        return w;
    }
    QLineEdit* Field(const char* name) { return Get<QLineEdit>(name); }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }

    // Replaces the field's text the way a user does: focus, select all, type.
    void TypeInto(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, text);
    }

    // A key as the user presses it: to whatever has the focus.
    static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
};

class MeasurementDialogTest : public QObject {
    Q_OBJECT

private slots:
    void RefreshLoadsTheDocumentAndTheIdleLook() {
        DialogUnderTest t(4, 0);
        QCOMPARE(t.Field("startField")->text(), QStringLiteral("20."));
        QCOMPARE(t.Field("stopField")->text(), QStringLiteral("35."));
        QCOMPARE(t.Field("samplesField")->text(), QStringLiteral("20"));

        // A run left its traces and the document changed: Refresh shows the document again.
        ReceiverSettings rs = t.doc.Receiver();
        rs.snrBegin = 21.125;
        t.doc.SetReceiver(rs);
        MeasurementOptions options = t.doc.Options();
        options.samples = 7;
        options.findEnd = 0;
        t.doc.SetOptions(options);
        t.dialog->SetRunControls(RunControls::Running);
        t.dialog->SetResponseLine(QStringLiteral("Measure BER: 2.3 E-5"));
        t.dialog->ShowRemainingTime(true, QStringLiteral("Remaining time: 42 sec"), 1, 2);
        t.dialog->Refresh();
        QCOMPARE(t.Field("startField")->text(), QStringLiteral("21.125"));
        QCOMPARE(t.Field("samplesField")->text(), QStringLiteral("7"));
        QVERIFY(!t.Get<QCheckBox>("findEndCheck")->isChecked());
        QVERIFY(t.Get<QCheckBox>("zeroExitCheck")->isChecked());
        QCOMPARE(t.Get<QLabel>("responseLine")->text(), QStringLiteral("Check settings and start measurement"));
        QVERIFY(t.Get<QLabel>("remainingTime")->isHidden());
        QVERIFY(t.Get<QProgressBar>("progressBar")->isHidden());
        QVERIFY(t.Button("startButton")->isEnabled());
        QCOMPARE(t.rangeChanges, 0);
    }

    void StartFieldIsCheckedWhenTheFocusLeavesIt() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        QLineEdit* start = t.Field("startField");
        t.TypeInto(start, QStringLiteral("3"));
        QCOMPARE(t.doc.Receiver().snrBegin, 20.0);  // nothing stored while typing
        QTest::keyClick(start, Qt::Key_Tab);
        QCOMPARE(start->text(), QStringLiteral("12."));
        QCOMPARE(t.doc.Receiver().snrBegin, 12.0);
        QCOMPARE(t.rangeChanges, 1);

        // Back from the stop field: leaving it checks it too, and the diagram follows the range
        // although the stop kept its value. Then above the stop, left by a click elsewhere.
        t.TypeInto(start, QStringLiteral("40"));
        QCOMPARE(t.rangeChanges, 2);
        t.Get<QCheckBox>("findEndCheck")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(start->text(), QStringLiteral("34.999"));
        QCOMPARE(t.doc.Receiver().snrBegin, 34.999);
        QCOMPARE(t.doc.Receiver().snrEnd, 35.0);
        QCOMPARE(t.rangeChanges, 3);

        DialogUnderTest dvbt(13, 8);
        QVERIFY(dvbt.Show());
        dvbt.TypeInto(dvbt.Field("startField"), QStringLiteral("1"));
        QTest::keyClick(dvbt.Field("startField"), Qt::Key_Tab);
        QCOMPARE(dvbt.Field("startField")->text(), QStringLiteral("4.8847"));
        QCOMPARE(dvbt.doc.Receiver().snrBegin, 4.8847);
    }

    void EnterInAFieldMovesOnAndChecksIt() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        t.TypeInto(t.Field("stopField"), QStringLiteral("10.123456"));
        QCOMPARE(t.Field("stopField")->text(), QStringLiteral("10.1234"));  // seven characters typed
        const int changesBefore = t.rangeChanges;  // the start field was left on the way
        DialogUnderTest::Press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), t.Field("samplesField"));
        QCOMPARE(t.Field("stopField")->text(), QStringLiteral("20.001"));
        QCOMPARE(t.doc.Receiver().snrEnd, 20.001);
        QCOMPARE(t.rangeChanges, changesBefore + 1);

        t.TypeInto(t.Field("samplesField"), QStringLiteral("50000"));
        QCOMPARE(t.Field("samplesField")->text(), QStringLiteral("5000"));
        DialogUnderTest::Press(Qt::Key_Enter);  // the keypad's Enter
        QCOMPARE(QApplication::focusWidget(), t.Get<QCheckBox>("findEndCheck"));
        QCOMPARE(t.Field("samplesField")->text(), QStringLiteral("1000"));
        QCOMPARE(t.doc.Options().samples, 1000);
        t.TypeInto(t.Field("samplesField"), QString());
        t.Field("startField")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(t.Field("samplesField")->text(), QStringLiteral("1"));
        QCOMPARE(t.doc.Options().samples, 1);
        QCOMPARE(t.rangeChanges, changesBefore + 1);  // the samples are not part of the range
        QCOMPARE(t.starts, 0);
    }

    void ZeroToleranceListFollowsTheMode() {
        DialogUnderTest t(4, 0, 14);
        auto* list = t.Get<QComboBox>("zeroToleranceList");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentText(), QStringLiteral("0.1 E-9"));
        QCOMPARE(t.doc.Options().resolution, 10);

        QVERIFY(t.Show());
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(t.doc.Options().resolution, 8);

        ReceiverSettings rs = t.doc.Receiver();
        rs.mode = 13;
        t.doc.SetReceiver(rs);
        t.dialog->Refresh();
        QCOMPARE(list->count(), 9);
        QCOMPARE(list->currentText(), QStringLiteral("0.1 E-7"));  // refilling is not a choice
        QCOMPARE(t.doc.Options().resolution, 8);
    }

    void RunControlsAndTheirButtons() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        const char* settings[] = {"startField", "stopField", "samplesField", "zeroToleranceList", "startButton"};
        const char* runButtons[] = {"pauseButton", "cancelButton", "skipButton", "acceptButton"};
        auto enabled = [&t](const char* name) { return t.Get<QWidget>(name)->isEnabled(); };
        for (const char* n : runButtons) QVERIFY2(!enabled(n), n);

        t.doc.measuring = 1;
        t.dialog->SetRunControls(RunControls::Running);
        for (const char* n : settings) QVERIFY2(!enabled(n), n);
        for (const char* n : runButtons) QVERIFY2(enabled(n), n);
        t.dialog->EnableSkipAccept(false);  // during the END refinement
        QVERIFY(!enabled("skipButton") && !enabled("acceptButton") && enabled("pauseButton"));
        t.dialog->EnableSkipAccept(true);

        // The check boxes stay usable during a run.
        QTest::mouseClick(t.Get<QCheckBox>("findEndCheck"), Qt::LeftButton);
        QCOMPARE(t.doc.Options().findEnd, 0);
        QTest::mouseClick(t.Get<QCheckBox>("zeroExitCheck"), Qt::LeftButton);
        QCOMPARE(t.doc.Options().zeroExit, 0);

        QPushButton* pause = t.Button("pauseButton");
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(t.doc.paused.load(), 1);
        QCOMPARE(pause->text(), QStringLiteral("Continue &Measurement"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(t.doc.paused.load(), 0);
        QCOMPARE(pause->text(), QStringLiteral("Pause &Measurement"));
        QTest::mouseClick(t.Button("skipButton"), Qt::LeftButton);
        QCOMPARE(t.doc.skipRequested.load(), 1);
        QCOMPARE(t.doc.acceptRequested.load(), 0);
        QTest::mouseClick(t.Button("acceptButton"), Qt::LeftButton);
        QCOMPARE(t.doc.acceptRequested.load(), 1);

        QTest::mouseClick(pause, Qt::LeftButton);
        t.dialog->SetRunControls(RunControls::Idle);
        QCOMPARE(pause->text(), QStringLiteral("Pause &Measurement"));
        for (const char* n : settings) QVERIFY2(enabled(n), n);
        for (const char* n : runButtons) QVERIFY2(!enabled(n), n);
        QVERIFY(enabled("findEndCheck") && enabled("zeroExitCheck") && enabled("hideButton"));
    }

    void EnterOnAFocusedButtonPressesIt() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        t.doc.measuring = 1;
        t.dialog->SetRunControls(RunControls::Running);
        QTest::mouseClick(t.Button("pauseButton"), Qt::LeftButton);
        QCOMPARE(t.doc.paused.load(), 1);

        t.Button("cancelButton")->setFocus(Qt::TabFocusReason);
        DialogUnderTest::Press(Qt::Key_Return);
        QCOMPARE(t.doc.cancelRequested.load(), 1);
        QCOMPARE(t.doc.paused.load(), 0);
        QCOMPARE(t.Button("pauseButton")->text(), QStringLiteral("Pause &Measurement"));
        QCOMPARE(QApplication::focusWidget(), t.Button("cancelButton"));  // pressed, not passed on

        t.Button("hideButton")->setFocus(Qt::TabFocusReason);
        DialogUnderTest::Press(Qt::Key_Enter);
        QVERIFY(!t.dialog->isVisible());
        QCOMPARE(t.starts, 0);
    }

    void EnterWalksTheControlsWithoutStartingARun() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        QCOMPARE(QApplication::focusWidget(), t.Field("startField"));  // the first control
        const char* walk[] = {"stopField", "samplesField", "findEndCheck", "zeroToleranceList", "zeroExitCheck",
                              "startButton"};
        for (const char* next : walk) {
            DialogUnderTest::Press(Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), t.Get<QWidget>(next));
        }
        QCOMPARE(t.starts, 0);
        QCOMPARE(t.doc.Options().findEnd, 1);  // Enter does not toggle a check box
        DialogUnderTest::Press(Qt::Key_Return);
        QCOMPARE(t.starts, 1);
    }

    void EscapeAndCloseOnlyHide() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        t.doc.measuring = 1;
        t.dialog->SetRunControls(RunControls::Running);
        t.dialog->SetResponseLine(QStringLiteral("Set carrier to noise ratio: 21.0 dB"));
        t.Button("cancelButton")->setFocus(Qt::TabFocusReason);
        DialogUnderTest::Press(Qt::Key_Escape);
        QVERIFY(!t.dialog->isVisible());
        QCOMPARE(t.doc.cancelRequested.load(), 0);

        // Shown again, it has kept its running state.
        QVERIFY(t.Show());
        QVERIFY(t.Button("cancelButton")->isEnabled());
        QVERIFY(!t.Button("startButton")->isEnabled());
        QCOMPARE(t.Get<QLabel>("responseLine")->text(), QStringLiteral("Set carrier to noise ratio: 21.0 dB"));
        QVERIFY(t.dialog->close());
        QVERIFY(!t.dialog->isVisible());
        QCOMPARE(t.doc.cancelRequested.load(), 0);
        QCOMPARE(t.doc.measuring.load(), 1);
    }

    void RemainingTimeAndProgress() {
        DialogUnderTest t(4, 0);
        QVERIFY(t.Show());
        auto* text = t.Get<QLabel>("remainingTime");
        auto* bar = t.Get<QProgressBar>("progressBar");
        t.dialog->ShowRemainingTime(true, QStringLiteral("Remaining time: 1 h, 5 min, 0 sec"), 3, 10);
        QVERIFY(text->isVisible() && bar->isVisible());
        QCOMPARE(text->text(), QStringLiteral("Remaining time: 1 h, 5 min, 0 sec"));
        QCOMPARE(bar->maximum(), 10);
        QCOMPARE(bar->value(), 3);
        t.dialog->ShowRemainingTime(true, QStringLiteral("Remaining time: 42 sec"), 15, 10);
        QCOMPARE(bar->value(), 10);  // at most the end of the range
        // Nothing to count yet: an empty bar rather than a busy indicator.
        t.dialog->ShowRemainingTime(true, QStringLiteral("Remaining time: 0 sec"), 0, 0);
        QVERIFY(bar->maximum() > bar->minimum());
        QCOMPARE(bar->value(), 0);
        t.dialog->ShowRemainingTime(false, QString(), 0, 0);
        QVERIFY(!text->isVisible() && !bar->isVisible());
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::MeasurementDialogTest)
#include "measurement_dialog_test.moc"
