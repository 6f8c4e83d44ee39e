// The main window's status bar during a run on the simulated receiver under the virtual clock:
// the step with its C/N and estimate, a pause, the END refinement, and the summary that stays
// after the run until the next command.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <algorithm>

#include "app/dia_frame.h"
#include "measurement/measurement_dialog.h"
#include "platform/clock.h"
#include "simdriver/class_factories.h"
#include "simdriver/sim_receiver.h"
#include "tests/support/temp_dir.h"

namespace tarvos {

class RunStatusTest : public QObject {
    Q_OBJECT

private:
    testing::TempDir dir_;

    void Simulate() {
        testing::WriteBytes(dir_.path() / "sim.ini", "[Simulator]\nSeed=5\nImplementation Loss=1.0\nState File=" +
                                                         (dir_.path() / "state.ini").string() + "\n");
        std::filesystem::remove(dir_.path() / "state.ini");
        sim::SimReceiver::Reconfigure(sim::LoadSimConfig(dir_.path() / "sim.ini"));
    }

private slots:
    void initTestCase() {
        Clock::Instance().SetVirtual();
        sim::ServeSimulatorInProcess();
        Simulate();
    }

    void statusBarFollowsTheRunAndKeepsItsSummary() {
        C_KVR_DiaDoc doc;
        MeasurementOptions options = doc.Options();
        options.zeroExit = 0;  // the whole grid
        doc.SetOptions(options);
        FrameServices services;
        services.recoveryFolder = dir_.path() / "recovery";
        C_KVR_DiaFrame frame(doc, std::move(services));
        auto* pane = frame.statusBar()->findChild<QLabel*>("readyText");
        QVERIFY(pane);
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
        auto* pause = frame.Dialog().findChild<QPushButton*>("pauseButton");

        // Every text the pane shows, in order; Pause is pressed once the first step shows and
        // Continue once the run shows that it has paused (at its next pause point).
        QStringList shown;
        bool pressed = false;
        connect(&frame, &C_KVR_DiaFrame::runStatusChanged, this, [&](const QString& text) {
            shown << text;
            if (!pressed && text.startsWith(QStringLiteral("Step "))) {
                pressed = true;
                pause->click();
            } else if (text == QStringLiteral("Paused")) {
                pause->click();
            }
        });
        frame.Dialog().findChild<QPushButton*>("startButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!frame.RunInProgress(), 30000);
        QTRY_COMPARE(frame.Progress().State(), RunState::Done);

        const QString dot = QString::fromUtf8(" \xC2\xB7 ");
        QVERIFY2(!shown.isEmpty() && shown.front() == QStringLiteral("Starting measurement"), qPrintable(shown.join('\n')));
        const auto any = [&](const auto& match) { return std::any_of(shown.begin(), shown.end(), match); };
        // A step with its C/N and the estimate for the rest of the sweep.
        QVERIFY2(any([&](const QString& t) {
                     return t.startsWith(QStringLiteral("Step 5 of 20") + dot + QStringLiteral("C/N ")) &&
                            t.contains(QStringLiteral(" dB") + dot) && t.endsWith(QStringLiteral(" left"));
                 }),
                 qPrintable(shown.join('\n')));
        // Paused in a step, and back to where it stood on Continue.
        const qsizetype pausedAt = shown.indexOf(QStringLiteral("Paused"));
        QVERIFY2(pausedAt > 0 && pausedAt + 1 < shown.size(), qPrintable(shown.join('\n')));
        QVERIFY2(shown[pausedAt - 1].startsWith(QStringLiteral("Step ")) ||
                     shown[pausedAt - 1].startsWith(QStringLiteral("Refining END")),
                 qPrintable(shown.join('\n')));
        QCOMPARE(shown[pausedAt + 1], shown[pausedAt - 1]);
        QVERIFY2(any([](const QString& t) { return t.startsWith(QStringLiteral("Refining END")); }),
                 qPrintable(shown.join('\n')));
        QVERIFY(doc.End().valid);

        // The summary stays after the run, with the counts the run left in the document.
        const RunSummary summary = frame.Progress().Summary();
        QCOMPARE(summary.ending, RunEnding::Completed);
        QCOMPARE(summary.steps, 20);
        QCOMPARE(summary.counts.Ended(), 20);
        QVERIFY(summary.counts.stored > 0 && summary.counts.stored <= static_cast<int>(doc.MeasuredCount()));
        QVERIFY(summary.endValid);
        QCOMPARE(summary.endDb, doc.End().EndDb());
        const QString text = pane->text();
        QCOMPARE(text, QString::fromStdString(RunSummaryText(summary)));
        QVERIFY2(text.startsWith(QStringLiteral("END ")) && text.contains(QStringLiteral(" dB at 2.0E-4") + dot), qPrintable(text));
        QVERIFY2(text.contains(dot + QString::number(summary.counts.stored) + QStringLiteral(" of 20 steps stored")),
                 qPrintable(text));
        QCOMPARE(shown.back(), text);
        QTest::qWait(50);
        QCOMPARE(pane->text(), text);

        // Until the next command.
        frame.RunCommand(kCmdMeasurement);
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::RunStatusTest)
#include "run_status_test.moc"
