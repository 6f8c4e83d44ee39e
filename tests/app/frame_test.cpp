// The main window against scripted prompts and dialogs: the guards, the request timer, the
// KVR Settings range fit, the file commands, printing scales, the diagram's settings across a
// restart, whole runs on the simulated receiver (also closing the window during one), the save
// prompt before a run or new receiver settings replace samples, and the run journal.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTimer>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <algorithm>
#include <deque>
#include <functional>

#include "app/dia_frame.h"
#include "app/program_dialogs.h"
#include "app/qt_frame_prompts.h"
#include "diagram/dia_view.h"
#include "document/csv_export.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "measurement/measurement_dialog.h"
#include "platform/clock.h"
#include "simdriver/class_factories.h"
#include "simdriver/sim_receiver.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

class ScriptedPrompts : public FramePrompts {
public:
    std::vector<std::string> errors, questions, retries, proposals;
    std::deque<SaveChoice> saveAnswers;
    std::deque<RecoveryChoice> recoveryAnswers;
    std::vector<std::string> recoveryQuestions;
    std::deque<std::optional<std::string>> files;  // answers of the file dialogs in turn
    bool retry = true;
    bool csvFilter = false;  // the filter chosen in the Save As Text dialog

    SaveChoice AskSaveChanges(const std::string& question) override {
        questions.push_back(question);
        if (saveAnswers.empty()) return SaveChoice::Cancel;
        const SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseDocumentToOpen() override { return NextFile("open"); }
    std::optional<std::string> ChooseDocumentToSave(const std::string& proposal) override { return NextFile(proposal); }
    std::optional<TextFileChoice> ChooseTextFile(const std::string& proposal) override {
        const std::optional<std::string> file = NextFile(proposal);
        if (!file) return std::nullopt;
        return TextFileChoice{*file, csvFilter};
    }
    bool AskRetry(const std::string& message) override {
        retries.push_back(message);
        return retry;
    }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    RecoveryChoice AskRecoverJournal(const std::string& question) override {
        recoveryQuestions.push_back(question);
        if (recoveryAnswers.empty()) return RecoveryChoice::Later;
        const RecoveryChoice answer = recoveryAnswers.front();
        recoveryAnswers.pop_front();
        return answer;
    }

private:
    std::optional<std::string> NextFile(const std::string& proposal) {
        proposals.push_back(proposal);
        if (files.empty()) return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
};

class CountingDialogs : public SettingsDialogs {
public:
    int port = 0, receiver = 0, advanced = 0, elements = 0;
    int open = 0, mostOpen = 0;  // settings dialogs open at once
    bool measuringWhenOpened = false;
    C_KVR_DiaDoc* doc = nullptr;
    std::function<void()> whileOpen;  // what the user does in the settings dialog
    void RunPortSettings(QWidget*) override { ++port; Note(); }
    void RunReceiverSettings(QWidget*) override { ++receiver; Note(); }
    void RunAdvanced(QWidget*, C_KVR_DiaView&) override { ++advanced; }
    void RunDiagramElements(QWidget*, C_KVR_DiaView&) override { ++elements; }

private:
    void Note() {
        measuringWhenOpened = doc && doc->measuring != 0;
        mostOpen = std::max(mostOpen, ++open);
        if (whileOpen) whileOpen();
        --open;
    }
};

// The desktop's notifications, kept instead of shown.
class RecordingNotifier : public DesktopNotifier {
public:
    std::vector<std::pair<std::string, std::string>> notes;  // title, body
    void Notify(const std::string& title, const std::string& body) override { notes.emplace_back(title, body); }
};

ReceiverSettings SawOff() {
    ReceiverSettings rs;
    rs.sawBandwidth = 0;  // S/N = C/N
    return rs;
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private:
    testing::TempDir dir_;
    std::unique_ptr<C_KVR_DiaDoc> doc_;
    std::unique_ptr<C_KVR_DiaFrame> frame_;
    ScriptedPrompts* prompts_ = nullptr;
    CountingDialogs* dialogs_ = nullptr;
    RecordingNotifier* notifier_ = nullptr;

    void Simulate(const std::string& faults) {
        testing::WriteBytes(dir_.path() / "sim.ini", "[Simulator]\nSeed=5\nImplementation Loss=1.0\nState File=" +
                                                         (dir_.path() / "state.ini").string() + "\n[Faults]\n" + faults);
        std::filesystem::remove(dir_.path() / "state.ini");
        sim::SimReceiver::Reconfigure(sim::LoadSimConfig(dir_.path() / "sim.ini"));
    }

    void MakeFrame(std::optional<std::filesystem::path> settingsFile = std::nullopt) {
        frame_.reset();
        FrameServices services;
        auto prompts = std::make_unique<ScriptedPrompts>();
        auto dialogs = std::make_unique<CountingDialogs>();
        prompts_ = prompts.get();
        dialogs_ = dialogs.get();
        dialogs_->doc = doc_.get();
        services.prompts = std::move(prompts);
        services.dialogs = std::move(dialogs);
        services.settingsFile = std::move(settingsFile);
        services.recoveryFolder = Recovery();
        auto notifier = std::make_unique<RecordingNotifier>();
        notifier_ = notifier.get();
        services.notifier = std::move(notifier);
        frame_ = std::make_unique<C_KVR_DiaFrame>(*doc_, std::move(services));
        frame_->View().resize(800, 600);
    }

    QPushButton* Button(const char* name) { return frame_->Dialog().findChild<QPushButton*>(name); }
    std::filesystem::path Recovery() const { return dir_.path() / "recovery"; }

    // The title as the window shows it: Qt's "[*]" becomes the modified mark or nothing, and a
    // doubled "[*][*]" a plain "[*]".
    QString ShownTitle() const {
        const QString mark = frame_->isWindowModified() ? QStringLiteral("*") : QString();
        return frame_->windowTitle()
            .replace(QStringLiteral("[*][*]"), QStringLiteral("\x01"))
            .replace(QStringLiteral("[*]"), mark)
            .replace(QStringLiteral("\x01"), QStringLiteral("[*]"));
    }

    void AddSamples() {
        doc_->AppendSample(20.0, 1e-3);
        doc_->AppendSample(22.0, 1e-5);
        doc_->SetModifiedFlag();
    }

    // Starts a run with the dialog's Start button and waits for its end.
    void RunToTheEnd() {
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QVERIFY(frame_->RunInProgress() || doc_->MeasuredCount() > 0);
        // Measuring alone clears before the end of the run (with the connection).
        QTRY_VERIFY_WITH_TIMEOUT(!frame_->RunInProgress(), 20000);
        QTRY_VERIFY(Button("startButton")->isEnabled());
        QCOMPARE(doc_->measuring.load(), 0);
    }

private slots:
    void initTestCase() {
        Clock::Instance().SetVirtual();
        sim::ServeSimulatorInProcess();
    }

    void init() {
        Clock::Instance().SetVirtual();
        Simulate("");
        doc_ = std::make_unique<C_KVR_DiaDoc>();  // the simulated receiver's own settings
        std::filesystem::remove_all(Recovery());   // no journal of an earlier test
        MakeFrame();
    }

    void cleanup() {
        frame_.reset();
        doc_.reset();
    }

    void menusToolbarAndStatusBar() {
        for (const FrameCommand& command : kFrameCommands) {
            QAction* action = frame_->Action(command.id);
            QVERIFY(action);
            QCOMPARE(action->statusTip().toStdString(), std::string(PromptStatusText(command.prompt)));
        }
        QCOMPARE(frame_->Action(kCmdFileNew)->toolTip(), QStringLiteral("New"));
        QCOMPARE(frame_->Action(kCmdPrintPreview)->statusTip(), QStringLiteral("Diaplay full pages"));
        QCOMPARE(frame_->Action(kCmdFileSave)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

        const QList<QAction*> buttons = frame_->ToolBar()->actions();
        QCOMPARE(buttons.size(), static_cast<qsizetype>(kToolbarOrder.size()));
        for (std::size_t i = 0; i < kToolbarOrder.size(); ++i) {
            if (kToolbarOrder[i] == 0) QVERIFY(buttons[i]->isSeparator());
            else QCOMPARE(buttons[i]->data().toInt(), kToolbarOrder[i]);
        }
        QCOMPARE(frame_->ToolBar()->iconSize(), QSize(20, 15));
        QCOMPARE(frame_->statusBar()->findChild<QLabel*>("readyText")->text(), QStringLiteral("Ready"));
        QCOMPARE(ShownTitle(), QStringLiteral("Untitled - KVR Tarvos"));
    }

    void guardsRefuseWhileMeasuring() {
        AddSamples();
        doc_->measuring = 1;
        frame_->RunCommand(kCmdKvrSettings);
        frame_->RunCommand(kCmdPortSettings);
        frame_->RunCommand(kCmdFileNew);
        frame_->RunCommand(kCmdFileOpen);
        doc_->measuring = 0;
        const std::vector<std::string> expected{
            "Can't change KVR settings\nwhile measurement is in progress.\nExit measurement and try again.",
            "Can't change port settings\nwhile measurement is in progress.\nExit measurement and try again.",
            "Can't open new document.\nPlease cancel measurement\nand try again.",
            "Can't open document.\nPlease cancel measurement\nand try again."};
        QCOMPARE(prompts_->errors, expected);
        QCOMPARE(dialogs_->port + dialogs_->receiver, 0);
        QVERIFY(prompts_->questions.empty() && prompts_->proposals.empty());
        QCOMPARE(doc_->MeasuredCount(), std::size_t{2});
        // Not guarded: they open during a run.
        doc_->measuring = 1;
        frame_->RunCommand(kCmdAdvanced);
        frame_->RunCommand(kCmdDiagramElements);
        doc_->measuring = 0;
        QCOMPARE(dialogs_->advanced + dialogs_->elements, 2);
    }

    void timerServesEachRequestOnce() {
        frame_->Requests().RequestPortSettings();
        frame_->Requests().RequestReceiverSettings();
        frame_->ServeRequests();
        QCOMPARE(dialogs_->port, 1);
        QCOMPARE(dialogs_->receiver, 0);  // port settings first, the other on a later tick
        frame_->ServeRequests();
        frame_->ServeRequests();
        QCOMPARE(dialogs_->port, 1);
        QCOMPARE(dialogs_->receiver, 1);

        // The real timer: within about 300 ms and without any call of ours.
        frame_->Requests().RequestReceiverSettings();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs_->receiver, 2, 1500);
        QTest::qWait(700);
        QCOMPARE(dialogs_->receiver, 2);

        // While measuring the request is spent on the guard.
        doc_->measuring = 1;
        frame_->Requests().RequestPortSettings();
        frame_->ServeRequests();
        doc_->measuring = 0;
        frame_->ServeRequests();
        QCOMPARE(dialogs_->port, 1);
        QCOMPARE(prompts_->errors.size(), std::size_t{1});
    }

    void kvrSettingsFitsTheRangeAndResetsTheDiagram() {
        ReceiverSettings rs = SawOff();  // mode 4, offset 0: generator 12..62 dB
        rs.snrBegin = 10;
        rs.snrEnd = 70;
        doc_->SetReceiver(rs);
        frame_->RunCommand(kCmdKvrSettings);  // the dialog changes nothing, as after Cancel
        QCOMPARE(dialogs_->receiver, 1);
        QCOMPARE(doc_->Receiver().snrBegin, 12.0);
        QCOMPARE(doc_->Receiver().snrEnd, 62.0);
        QCOMPARE(frame_->View().State().geometry.snrMin, 12.0);
        QCOMPARE(frame_->View().State().geometry.snrMax, 62.0);
        QCOMPARE(frame_->Dialog().findChild<QLineEdit*>("startField")->text(), QStringLiteral("12."));

        rs.snrBegin = 80;
        rs.snrEnd = 90;
        doc_->SetReceiver(rs);
        frame_->RunCommand(kCmdKvrSettings);
        QCOMPARE(doc_->Receiver().snrBegin, 61.999);
        QCOMPARE(doc_->Receiver().snrEnd, 62.0);
    }

    void fileNewAsksAndSavesBeforeClearing() {
        AddSamples();
        prompts_->saveAnswers = {SaveChoice::Cancel};
        frame_->RunCommand(kCmdFileNew);
        QCOMPARE(doc_->MeasuredCount(), std::size_t{2});
        QCOMPARE(prompts_->questions, std::vector<std::string>{"Save changes to Untitled?"});

        const std::string saved = (dir_.path() / "kept.tvd").string();
        prompts_->saveAnswers = {SaveChoice::Yes};
        prompts_->files = {saved};
        frame_->RunCommand(kCmdFileNew);
        QCOMPARE(prompts_->proposals.back(), std::string("Untitled.tvd"));
        QCOMPARE(doc_->MeasuredCount(), std::size_t{0});
        QVERIFY(!doc_->IsModified());
        QCOMPARE(ShownTitle(), QStringLiteral("Untitled - KVR Tarvos"));
        C_KVR_DiaDoc reread;
        QVERIFY(OpenDocument(reread, saved).ok());
        QCOMPARE(reread.MeasuredCount(), std::size_t{2});  // saved with its samples
    }

    void openAndSaveKeepTheTitleAndRefreshTheDialog() {
        ReceiverSettings rs = SawOff();
        rs.snrBegin = 15;
        rs.snrEnd = 25;
        C_KVR_DiaDoc other;
        other.SetReceiver(rs);
        other.AppendSample(16, 1e-3);
        const std::string path = (dir_.path() / "result.tvd").string();
        QVERIFY(SaveDocument(other, path).ok());

        prompts_->files = {path};
        frame_->RunCommand(kCmdFileOpen);
        QCOMPARE(ShownTitle(), QStringLiteral("result.tvd - KVR Tarvos"));
        QCOMPARE(frame_->Dialog().findChild<QLineEdit*>("startField")->text(), QStringLiteral("15."));
        QCOMPARE(frame_->View().State().geometry.snrMin, 15.0);

        testing::WriteBytes(dir_.path() / "bad.tvd", std::string(10, '\0'));  // shorter than its header
        prompts_->files = {(dir_.path() / "bad.tvd").string()};
        frame_->RunCommand(kCmdFileOpen);
        QCOMPARE(prompts_->errors, std::vector<std::string>{"Unexpected file format."});
        QCOMPARE(ShownTitle(), QStringLiteral("result.tvd - KVR Tarvos"));
        QCOMPARE(doc_->MeasuredCount(), std::size_t{1});
    }

    void compareWithOverlaysReadOnlyUntilRemovedOrReplaced() {
        QList<QAction*> file = frame_->menuBar()->actions().front()->menu()->actions();
        QCOMPARE(file[2], frame_->Action(kCmdCompareWith));  // right after Open
        QVERIFY(!frame_->Action(kCmdRemoveComparisons)->isEnabled());
        C_KVR_DiaDoc other;
        other.AppendSample(16, 1e-3);
        const std::string path = (dir_.path() / "other.tvd").string();
        QVERIFY(SaveDocument(other, path).ok());
        testing::WriteBytes(dir_.path() / "bad.tvd", std::string(10, '\0'));
        AddSamples();

        prompts_->files = {path, (dir_.path() / "bad.tvd").string()};
        frame_->RunCommand(kCmdCompareWith);
        frame_->RunCommand(kCmdCompareWith);
        QCOMPARE(prompts_->errors, std::vector<std::string>{"Unexpected file format."});
        const std::vector<OverlayCurve>& overlays = frame_->View().State().overlays;
        QCOMPARE(overlays.size(), std::size_t{1});
        QCOMPARE(overlays.front().name, std::string("other.tvd"));
        QVERIFY(frame_->Action(kCmdRemoveComparisons)->isEnabled());
        QVERIFY(doc_->IsModified());  // the document itself is as it was
        QCOMPARE(doc_->MeasuredCount(), std::size_t{2});

        // Saving writes the document alone.
        const std::string saved = (dir_.path() / "own.tvd").string();
        prompts_->files = {saved};
        frame_->RunCommand(kCmdFileSaveAs);
        C_KVR_DiaDoc reread;
        QVERIFY(OpenDocument(reread, saved).ok());
        QCOMPARE(reread.MeasuredCount(), std::size_t{2});

        frame_->RunCommand(kCmdRemoveComparisons);
        QVERIFY(overlays.empty());
        QVERIFY(!frame_->Action(kCmdRemoveComparisons)->isEnabled());

        prompts_->files = {path};
        frame_->RunCommand(kCmdCompareWith);
        QCOMPARE(overlays.size(), std::size_t{1});
        frame_->RunCommand(kCmdFileNew);  // saved: no question
        QVERIFY(overlays.empty());
    }

    void saveAsTextAsksAgainUntilTheFileCanBeWritten() {
        AddSamples();
        const std::string bad = (dir_.path() / "missing" / "table.txt").string();
        const std::string good = (dir_.path() / "table.txt").string();
        prompts_->files = {bad, good};
        frame_->RunCommand(kCmdSaveAsText);
        QCOMPARE(prompts_->retries,
                 std::vector<std::string>{"Can't open file:\n " + bad + "\nPlease change file name\nand try again."});
        QCOMPARE(prompts_->proposals.size(), std::size_t{2});
        QCOMPARE(prompts_->proposals[1], bad);  // the failed path is proposed again
        QVERIFY(std::filesystem::file_size(good) > 0);

        prompts_->retry = false;
        prompts_->files = {bad, good};
        std::filesystem::remove(good);
        frame_->RunCommand(kCmdSaveAsText);
        QVERIFY(!std::filesystem::exists(good));  // Cancel ended the command
    }

    void saveAsTextWritesCsvForTheCsvFilterOrName() {
        AddSamples();
        const std::filesystem::path byName = dir_.path() / "table.CSV";
        const std::filesystem::path byFilter = dir_.path() / "table.dat";
        const std::filesystem::path text = dir_.path() / "table.txt";
        prompts_->files = {byName.string()};
        frame_->RunCommand(kCmdSaveAsText);
        prompts_->csvFilter = true;
        prompts_->files = {byFilter.string()};
        frame_->RunCommand(kCmdSaveAsText);
        prompts_->csvFilter = false;
        prompts_->files = {text.string()};
        frame_->RunCommand(kCmdSaveAsText);
        const std::string csv = FormatCsvExport(*doc_);
        QCOMPARE(testing::ReadBytes(byName), csv);
        QCOMPARE(testing::ReadBytes(byFilter), csv);
        QCOMPARE(testing::ReadBytes(text), FormatTextExport(*doc_));
    }

    // The real dialog: text first and selected, CSV beside it; picking CSV gives a .csv name.
    void saveAsTextDialogOffersCsvBesideText() {
        QtFramePrompts prompts(nullptr);
        QStringList filters;
        QString selectedFirst, nameAfterPick;
        // Checked after the dialog has closed: a failure in here must not leave it open.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            filters = dialog->nameFilters();
            selectedFirst = dialog->selectedNameFilter();
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (types == nullptr || name == nullptr) return dialog->reject();
            QTest::keyClick(types, Qt::Key_Down);  // the user picks the next filter: CSV
            nameAfterPick = name->text();
            name->setText(QStringLiteral("sweep"));  // no extension: the chosen filter's is added
            static_cast<QDialog*>(dialog)->accept();  // Save, through the dialog's own check
        });
        const std::optional<TextFileChoice> choice = prompts.ChooseTextFile((dir_.path() / "Meas1.txt").string());
        QCOMPARE(filters, (QStringList{"Text Files (*.txt)", "CSV Files (*.csv)", "All Files (*)"}));
        QCOMPARE(selectedFirst, QStringLiteral("Text Files (*.txt)"));
        QCOMPARE(nameAfterPick, QStringLiteral("Meas1.csv"));
        QVERIFY(choice.has_value());
        QVERIFY(choice->csvFilter);
        QCOMPARE(QString::fromStdString(std::filesystem::path(choice->path).filename().string()), QStringLiteral("sweep.csv"));
    }

    void printScales() {
        frame_->View().resize(800, 600);
        QImage page(10, 10, QImage::Format_RGB32);
        {
            QPainter painter(&page);
            frame_->View().PaintPage(painter, PaintTarget::Printer, Rect{0, 0, 4800, 6600});
        }
        QCOMPARE(frame_->View().State().geometry.printScale, 6.0);
        {
            QPainter painter(&page);
            frame_->View().PaintPage(painter, PaintTarget::Preview, Rect{0, 0, 4800, 6600});
        }
        QCOMPARE(frame_->View().State().geometry.printScale, 6.0);  // the page that prints

        AddSamples();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const auto pdf = dir_.path() / "page.pdf";
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        frame_->PrintOn(printer, PaintTarget::Printer);
        QVERIFY(std::filesystem::file_size(pdf) > 1000);
        QVERIFY(frame_->View().State().geometry.printScale >= 1.0);
    }

    void previewDrawsThePageAtThePrintedScale() {
        AddSamples();
        frame_->show();
        double pageScale = 0, printedScale = 0;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(preview);
            // Read the scale right after the frame has drawn the page (screen repaints reset it).
            connect(preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* printer) {
                pageScale = frame_->View().State().geometry.printScale;
                const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
                printedScale = PrintScaleFor(PaintTarget::Printer, Rect{0, 0, page.width(), page.height()},
                                             Rect{0, 0, frame_->View().width(), frame_->View().height()});
            });
            preview->findChild<QPrintPreviewWidget*>()->updatePreview();
            QTRY_VERIFY(pageScale != 0);
            preview->reject();
        });
        frame_->RunCommand(kCmdPrintPreview);
        QVERIFY(pageScale > 1.0);
        QCOMPARE(pageScale, printedScale);
        frame_->View().repaint();  // the window's own repaint goes back to screen scale
        QCOMPARE(frame_->View().State().geometry.printScale, 1.0);
    }

    void diagramSettingsSurviveARestart() {
        const auto ini = dir_.path() / "kvr-tarvos.ini";
        const std::string before = "[Diagram Settings]\r\nMaximum Grid=80\r\nOwn Key=kept\r\n[Other]\r\nA=1\r\n";
        testing::WriteBytes(ini, before);
        MakeFrame(ini);
        QCOMPARE(frame_->View().State().settings.maxGridSpacing, 80);
        frame_->View().State().settings.boxCorner = 2;
        frame_->View().State().settings.boxOffsetX = 30;
        frame_->View().State().settings.showLegend = 0;
        frame_.reset();  // program end

        const std::string after = testing::ReadBytes(ini);
        QVERIFY(after.find("Own Key=kept\r\n") != std::string::npos);
        QVERIFY(after.find("[Other]\r\nA=1") != std::string::npos);
        MakeFrame(ini);
        const DiagramSettings& s = frame_->View().State().settings;
        QCOMPARE(s.boxCorner, 2);
        QCOMPARE(s.boxOffsetX, 30);
        QCOMPARE(s.showLegend, 0);
        QCOMPARE(s.maxGridSpacing, 80);
    }

    void legendDraggedToTheTopRightIsStoredAtExit() {
        const auto ini = dir_.path() / "kvr-tarvos.ini";
        MakeFrame(ini);
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        C_KVR_DiaView& view = frame_->View();
        view.repaint();
        const Rect box = view.State().boxRect;
        const Rect plot = view.State().geometry.plot;
        QVERIFY(box.right > box.left);
        const QPoint press((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        const QPoint drop = press + QPoint(plot.right - 30 - box.right, plot.top + 12 - box.top);
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
        };
        send(QEvent::MouseButtonPress, press, Qt::LeftButton);
        QCOMPARE(view.cursor().shape(), Qt::SizeAllCursor);
        send(QEvent::MouseMove, (press + drop) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, drop, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, drop, Qt::NoButton);
        QCOMPARE(view.State().settings.boxCorner, 2);
        frame_.reset();  // program end

        const std::string file = testing::ReadBytes(ini);
        QVERIFY2(file.find("Corner=2") != std::string::npos, file.c_str());
        QVERIFY(file.find("X-Offset=30") != std::string::npos);
        QVERIFY(file.find("Y-Offset=12") != std::string::npos);
    }

    void aWholeRunInTheWindow() {
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        RunToTheEnd();
        QVERIFY(doc_->MeasuredCount() >= 5);
        QVERIFY(doc_->End().valid != 0);
        QVERIFY(doc_->IsModified());
        QVERIFY(!Button("cancelButton")->isEnabled());
        QCOMPARE(frame_->Dialog().findChild<QLabel*>("responseLine")->text(),
                 QStringLiteral("Check settings and start measurement"));
        QVERIFY(frame_->View().State().marker.shown == 0);
        // The diagram shows the END label.
        QImage shot = frame_->View().grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(frame_->View().State().boxRect.right > frame_->View().State().boxRect.left);
        QCOMPARE(prompts_->errors.size(), std::size_t{0});
    }

    void aFailedConnectionOpensThePortSettingsAfterTheMessage() {
        Simulate("Refuse Connection=1\n");
        frame_->show();
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = frame_->findChild<QMessageBox*>("runMessage")) != nullptr, 10000);
        QCOMPARE(box->text(), QStringLiteral("Connection to KVR failed.\nPlease check port settings."));
        QCOMPARE(dialogs_->port, 0);
        box->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs_->port, 1, 3000);
        QVERIFY(!dialogs_->measuringWhenOpened);
        QCOMPARE(prompts_->errors.size(), std::size_t{0});  // never spent on the guard
        QCOMPARE(doc_->MeasuredCount(), std::size_t{0});
    }

    void notificationsTellARunsWaitsAndItsEnd() {
        frame_->show();
        RunToTheEnd();
        QTRY_COMPARE(notifier_->notes.size(), std::size_t{1});
        const auto& [endTitle, endBody] = notifier_->notes.back();
        QCOMPARE(endTitle, std::string("KVR Tarvos: the measurement has ended"));
        QVERIFY2(endBody.rfind(std::to_string(doc_->MeasuredCount()) + " samples stored, END ", 0) == 0, endBody.c_str());

        // A run that waits for an answer says so at once, and again when it has ended.
        notifier_->notes.clear();
        doc_->SetModifiedFlag(false);  // no save prompt before the next run
        Simulate("Refuse Connection=1\n");
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = frame_->findChild<QMessageBox*>("runMessage")) != nullptr, 10000);
        QCOMPARE(notifier_->notes.size(), std::size_t{1});
        QCOMPARE(notifier_->notes[0].first, std::string("KVR Tarvos: the measurement waits for an answer"));
        QCOMPARE(notifier_->notes[0].second, std::string("Connection to KVR failed. Please check port settings."));
        box->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(notifier_->notes.size(), std::size_t{2}, 5000);
        QCOMPARE(notifier_->notes[1].first, std::string("KVR Tarvos: the measurement has ended"));
        QTRY_COMPARE_WITH_TIMEOUT(dialogs_->port, 1, 3000);

        // The retry policy answers in the user's place: no box, and the end tells why.
        notifier_->notes.clear();
        Simulate("Negative BER Reads=1000000\n");
        MeasurementOptions options = doc_->Options();
        options.onInstrumentError = InstrumentErrorPolicy::Retry;
        doc_->SetOptions(options);
        doc_->SetModifiedFlag(false);
        RunToTheEnd();
        QVERIFY(frame_->findChild<QMessageBox*>("runMessage") == nullptr);
        QTRY_COMPARE(notifier_->notes.size(), std::size_t{1});
        const std::string& body = notifier_->notes[0].second;
        QVERIFY2(body.find("(KVR doesn't response, cancelled after 3 retries)") != std::string::npos, body.c_str());
    }

    void settingsThatDifferOpenTheKvrSettingsAfterTheMessage() {
        ReceiverSettings rs;
        rs.mode = 13;  // the simulated receiver is in mode 4
        doc_->SetReceiver(rs);
        frame_->show();
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = frame_->findChild<QMessageBox*>("runMessage")) != nullptr, 10000);
        QVERIFY(box->text().startsWith(QStringLiteral("Settings of KVR and this program")));
        box->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs_->receiver, 1, 3000);
        QCOMPARE(dialogs_->port, 0);
        QVERIFY(!dialogs_->measuringWhenOpened);
        QTRY_VERIFY(Button("startButton")->isEnabled());
    }

    void advancedDialogChangesTheThresholdAndTheEnd() {
        frame_.reset();
        FrameServices services;
        services.prompts = std::make_unique<ScriptedPrompts>();
        services.dialogs = std::make_unique<ProgramDialogs>(*doc_);
        services.recoveryFolder = Recovery();
        frame_ = std::make_unique<C_KVR_DiaFrame>(*doc_, std::move(services));
        doc_->AppendSample(20.0, 1e-2);
        doc_->AppendSample(24.0, 1e-4);
        doc_->AppendSample(28.0, 1e-6);
        doc_->UpdateEnd();
        const double before = doc_->End().measuredSnr;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            for (auto [name, text] : {std::pair{"berField", "1e-5"}, std::pair{"gridField", "5000"}}) {
                auto* field = dialog->findChild<QLineEdit*>(name);
                field->selectAll();
                QTest::keyClicks(field, text);
            }
            dialog->findChild<QComboBox*>("onInstrumentError")->setCurrentIndex(1);
            dialog->accept();
        });
        frame_->RunCommand(kCmdAdvanced);
        QCOMPARE(doc_->ThresholdBer(), 1e-5);
        QCOMPARE(frame_->View().State().settings.maxGridSpacing, 2000);
        QCOMPARE(doc_->Options().onInstrumentError, InstrumentErrorPolicy::Retry);
        QVERIFY(doc_->End().valid != 0);
        QVERIFY(doc_->End().measuredSnr > before);
        QCOMPARE(doc_->MeasuredCount(), std::size_t{3});  // the samples are untouched
    }

    void closingDuringARunCancelsAndWaits() {
        Clock::Instance().SetRealTime(0.002);
        frame_->show();
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(doc_->MeasuredCount() >= 1, 20000);
        QVERIFY(doc_->measuring != 0);
        const std::optional<std::filesystem::path> journal = frame_->Journal().Path();
        QVERIFY(journal && std::filesystem::exists(*journal));
        prompts_->saveAnswers = {SaveChoice::No};
        QVERIFY(frame_->close());
        QCOMPARE(doc_->measuring.load(), 0);
        QVERIFY(doc_->MeasuredCount() >= 1);  // the samples measured so far are kept
        QCOMPARE(prompts_->questions.size(), std::size_t{1});
        QVERIFY(!std::filesystem::exists(*journal));  // thrown away with No
        frame_.reset();
        Clock::Instance().SetVirtual();
    }

    void startAsksBeforeARunClearsUnsavedSamples() {
        AddSamples();
        prompts_->saveAnswers = {SaveChoice::Cancel};
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QVERIFY(!frame_->RunInProgress());
        QCOMPARE(doc_->MeasuredCount(), std::size_t{2});
        QCOMPARE(prompts_->questions, std::vector<std::string>{"Save changes to Untitled?"});

        const std::string saved = (dir_.path() / "before-run.tvd").string();
        prompts_->saveAnswers = {SaveChoice::Yes};
        prompts_->files = {saved};
        RunToTheEnd();
        C_KVR_DiaDoc reread;
        QVERIFY(OpenDocument(reread, saved).ok());
        QCOMPARE(reread.MeasuredCount(), std::size_t{2});  // saved before the run cleared them
        QVERIFY(doc_->MeasuredCount() >= 5);
        QCOMPARE(prompts_->questions.size(), std::size_t{2});
    }

    void newReceiverSettingsNeverRelabelMeasuredSamples() {
        C_KVR_DiaDoc measured;  // a 64-QAM measurement on file
        measured.AppendSample(20, 1e-3);
        measured.AppendSample(24, 1e-6);
        const auto file = dir_.path() / "qam64.tvd";
        QVERIFY(SaveDocument(measured, file).ok());
        const std::string bytes = testing::ReadBytes(file);
        dialogs_->whileOpen = [this] {
            ReceiverSettings rs = doc_->Receiver();
            rs.qamOrder = 256;
            doc_->SetReceiver(rs);
        };
        struct Case {
            bool modified;
            SaveChoice answer;
            bool replaced;  // a new untitled document with the new settings
        };
        for (const Case c : {Case{false, SaveChoice::Cancel, true}, Case{true, SaveChoice::Cancel, false},
                             Case{true, SaveChoice::No, true}}) {
            QVERIFY(frame_->OpenFile(file.string()));
            doc_->SetModifiedFlag(c.modified);
            prompts_->questions.clear();
            prompts_->saveAnswers = {c.answer};
            frame_->RunCommand(kCmdKvrSettings);
            QCOMPARE(prompts_->questions.size(), std::size_t{c.modified ? 1u : 0u});
            QCOMPARE(doc_->MeasuredCount(), std::size_t{c.replaced ? 0u : 2u});
            QCOMPARE(doc_->Receiver().qamOrder, c.replaced ? 256 : 64);
            QCOMPARE(ShownTitle(), c.replaced ? QStringLiteral("Untitled - KVR Tarvos")
                                              : QStringLiteral("qam64.tvd* - KVR Tarvos"));
            frame_->RunCommand(kCmdFileSave);  // an untitled document asks for a name: none given
            QCOMPARE(testing::ReadBytes(file), bytes);
        }
        // A new measure range alone leaves the samples where they are.
        QVERIFY(frame_->OpenFile(file.string()));
        dialogs_->whileOpen = [this] {
            ReceiverSettings rs = doc_->Receiver();
            rs.snrBegin = 22;
            doc_->SetReceiver(rs);
        };
        frame_->RunCommand(kCmdKvrSettings);
        QCOMPARE(doc_->MeasuredCount(), std::size_t{2});
        QCOMPARE(ShownTitle(), QStringLiteral("qam64.tvd - KVR Tarvos"));
    }

    void aRequestIsServedByTheCommandChosenMeanwhile() {
        // The user chooses the command while the sweep's request waits; the timer fires while
        // the dialog is open and must not open it a second time.
        dialogs_->whileOpen = [] { QTest::qWait(400); };  // longer than the timer's 300 ms
        for (const auto& [command, request] : {std::pair{kCmdPortSettings, &FrameRequests::RequestPortSettings},
                                              std::pair{kCmdKvrSettings, &FrameRequests::RequestReceiverSettings}}) {
            (frame_->Requests().*request)();
            frame_->RunCommand(command);
            QTest::qWait(350);
        }
        QCOMPARE(dialogs_->port, 1);
        QCOMPARE(dialogs_->receiver, 1);
        QCOMPARE(dialogs_->mostOpen, 1);
    }

    void theTitleShowsTheModifiedMark() {
        QCOMPARE(ShownTitle(), QStringLiteral("Untitled - KVR Tarvos"));
        doc_->SetModifiedFlag();  // as the run does on its worker
        QTRY_COMPARE_WITH_TIMEOUT(ShownTitle(), QStringLiteral("Untitled* - KVR Tarvos"), 2000);
        prompts_->files = {(dir_.path() / "a[*].tvd").string()};
        frame_->RunCommand(kCmdFileSave);
        QCOMPARE(ShownTitle(), QStringLiteral("a[*].tvd - KVR Tarvos"));
        QVERIFY(!frame_->isWindowModified());
    }

    void anOrphanedJournalIsOfferedAtTheNextStart() {
        struct Case {
            RecoveryChoice answer;
            std::size_t samples;  // in the document afterwards
            bool journalStays;
        };
        for (const Case c : {Case{RecoveryChoice::Later, 0, true}, Case{RecoveryChoice::Discard, 0, false},
                             Case{RecoveryChoice::Recover, 3, true}}) {
            std::filesystem::remove_all(Recovery());
            {
                C_KVR_DiaDoc crashed;  // the run of a program that ended during it
                crashed.AppendSample(20, 1e-3);
                crashed.AppendSample(22, 1e-4);
                crashed.AppendSample(24, 1e-5);
                RunJournal writer(Recovery());
                writer.BeginRun("");
                QVERIFY(writer.Record(crashed).ok());
            }
            const std::vector<JournalInfo> orphans = OrphanedJournals(Recovery());
            QCOMPARE(orphans.size(), std::size_t{1});
            frame_.reset();  // the frame refers to the document until it goes
            doc_ = std::make_unique<C_KVR_DiaDoc>();
            MakeFrame();
            prompts_->recoveryAnswers = {c.answer};
            frame_->OfferRecovery();
            QCOMPARE(prompts_->recoveryQuestions.size(), std::size_t{1});
            QVERIFY(prompts_->recoveryQuestions[0].find("Samples: 3") != std::string::npos);
            QCOMPARE(doc_->MeasuredCount(), c.samples);
            QCOMPARE(std::filesystem::exists(orphans[0].file), c.journalStays);
        }
        // The recovered measurement: untitled and modified, its journal held until it is saved.
        QCOMPARE(ShownTitle(), QStringLiteral("Untitled* - KVR Tarvos"));
        QVERIFY(OrphanedJournals(Recovery()).empty());
        prompts_->files = {(dir_.path() / "recovered.tvd").string()};
        frame_->RunCommand(kCmdFileSave);
        QVERIFY(ListJournals(Recovery()).empty());
    }

    void quitInOrderKeepsTheJournalAndAsksNothing() {
        Clock::Instance().SetRealTime(0.002);
        frame_->show();
        QTest::mouseClick(Button("startButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(doc_->MeasuredCount() >= 1, 20000);
        frame_->QuitInOrder();
        QVERIFY(!frame_->isVisible());
        QVERIFY(!frame_->RunInProgress());
        QVERIFY(prompts_->questions.empty());
        const std::size_t measured = doc_->MeasuredCount();
        frame_.reset();
        Clock::Instance().SetVirtual();
        const std::vector<JournalInfo> orphans = OrphanedJournals(Recovery());
        QCOMPARE(orphans.size(), std::size_t{1});
        QCOMPARE(orphans[0].samples, measured);
    }

    void closingIsRefusedWhenTheSaveIsCancelled() {
        AddSamples();
        frame_->show();
        prompts_->saveAnswers = {SaveChoice::Cancel};
        QVERIFY(!frame_->close());
        QVERIFY(frame_->isVisible());
    }
};

}  // namespace tarvos

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvos::FrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frame_test.moc"
