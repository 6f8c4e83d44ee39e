// The main window's file conveniences offscreen: a document dropped on the window opens as File
// Open opens it, the recent files in the File menu survive a restart, and the window keeps its
// size and place across starts, fitted to the screen.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include <deque>

#include "app/dia_frame.h"
#include "document/document_file.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

class Prompts : public FramePrompts {
public:
    std::vector<std::string> errors, questions;
    std::deque<SaveChoice> saveAnswers;
    std::deque<std::string> files;  // the Open and Save As dialogs' answers in turn

    SaveChoice AskSaveChanges(const std::string& question) override {
        questions.push_back(question);
        if (saveAnswers.empty()) return SaveChoice::Cancel;
        const SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseDocumentToOpen() override { return NextFile(); }
    std::optional<std::string> ChooseDocumentToSave(const std::string&) override { return NextFile(); }
    std::optional<TextFileChoice> ChooseTextFile(const std::string&) override { return std::nullopt; }
    bool AskRetry(const std::string&) override { return false; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    RecoveryChoice AskRecoverJournal(const std::string&) override { return RecoveryChoice::Later; }

private:
    std::optional<std::string> NextFile() {
        if (files.empty()) return std::nullopt;
        std::string file = files.front();
        files.pop_front();
        return file;
    }
};

}  // namespace

class FrameFilesTest : public QObject {
    Q_OBJECT

private:
    testing::TempDir dir_;
    std::unique_ptr<C_KVR_DiaDoc> doc_;
    std::unique_ptr<C_KVR_DiaFrame> frame_;
    Prompts* prompts_ = nullptr;

    std::filesystem::path Ini() const { return dir_ / "kvr-tarvos.ini"; }

    // A new frame on the same document, as at the next start of the program.
    void MakeFrame(std::optional<std::filesystem::path> settingsFile = std::nullopt) {
        frame_.reset();
        FrameServices services;
        auto prompts = std::make_unique<Prompts>();
        prompts_ = prompts.get();
        services.prompts = std::move(prompts);
        services.settingsFile = std::move(settingsFile);
        services.recoveryFolder = dir_ / "recovery";
        frame_ = std::make_unique<C_KVR_DiaFrame>(*doc_, std::move(services));
    }

    std::string Document(const char* name, double snr) {
        C_KVR_DiaDoc doc;
        doc.AppendSample(snr, 1e-3);
        const std::string path = (dir_ / name).string();
        if (!SaveDocument(doc, path).ok()) return {};
        return path;
    }

    // The File menu's visible items between Print's separator and Exit: the recent files.
    QStringList RecentItems() const {
        QStringList texts;
        bool afterPrint = false;
        for (QAction* item : frame_->menuBar()->actions().front()->menu()->actions()) {
            if (item == frame_->Action(kCmdExit)) break;
            if (afterPrint && item->isVisible() && !item->isSeparator()) texts << item->text();
            afterPrint = afterPrint || item == frame_->Action(kCmdPrint);
        }
        return texts;
    }

    QAction* RecentItem(const QString& text) const {
        for (QAction* item : frame_->menuBar()->actions().front()->menu()->actions())
            if (item->isVisible() && item->text() == text) return item;
        return nullptr;
    }

    // Drags `file` over the window and drops it; whether the window took the drag.
    bool Drop(const std::string& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &drop);
        QCoreApplication::processEvents();  // the document opens after the drop
        return drop.isAccepted();
    }

private slots:
    void init() {
        doc_ = std::make_unique<C_KVR_DiaDoc>();
        std::filesystem::remove(Ini());
        MakeFrame();
    }

    void cleanup() {
        frame_.reset();
        doc_.reset();
    }

    void aDroppedDocumentOpensAsFileOpenOpensIt() {
        const std::string file = Document("dropped.TVD", 16);
        const std::string text = (dir_ / "notes.txt").string();
        testing::WriteBytes(text, "not a measurement");
        QVERIFY(!Drop(text));

        // Unsaved samples are offered for saving first; Cancel keeps them.
        doc_->AppendSample(30, 1e-6);
        doc_->SetModifiedFlag();
        QVERIFY(Drop(file));
        QCOMPARE(prompts_->questions, std::vector<std::string>{"Save changes to Untitled?"});
        QCOMPARE(doc_->MeasuredCount(), std::size_t{1});
        QCOMPARE(doc_->PathName(), std::string());

        // No measurement is replaced while it runs.
        doc_->measuring = 1;
        QVERIFY(Drop(file));
        doc_->measuring = 0;
        QCOMPARE(prompts_->errors, std::vector<std::string>{"Can't open document.\nPlease cancel measurement\nand try again."});
        QCOMPARE(prompts_->questions.size(), std::size_t{1});
        {
            // Nor under an open dialog.
            QDialog settings(frame_.get());
            settings.setModal(true);
            settings.show();
            QVERIFY(!Drop(file));
        }

        prompts_->saveAnswers = {SaveChoice::No};
        QVERIFY(Drop(file));
        QCOMPARE(doc_->PathName(), file);
        QCOMPARE(doc_->MeasuredSamples().front().snr, 16.0);
        QCOMPARE(RecentItems(), QStringList{QStringLiteral("&1 dropped.TVD")});
    }

    void recentFilesSurviveARestart() {
        const std::string parts = "[Measurement]\r\nSamples=33\r\nTreshold=1.e-005\r\n[KVR Settings]\r\nMode=13\r\n";
        testing::WriteBytes(Ini(), parts);
        const std::string a = Document("a.tvd", 16), b = Document("b.tvd", 18);
        MakeFrame(Ini());
        QVERIFY(RecentItems().isEmpty());
        prompts_->files = {a, b};
        frame_->RunCommand(kCmdFileOpen);
        frame_->RunCommand(kCmdFileOpen);
        frame_.reset();  // program end

        QCOMPARE(testing::ReadBytes(Ini()).substr(0, parts.size()), parts);
        MakeFrame(Ini());
        QCOMPARE(RecentItems(), (QStringList{QStringLiteral("&1 b.tvd"), QStringLiteral("&2 a.tvd")}));
        QCOMPARE(RecentItem(QStringLiteral("&2 a.tvd"))->statusTip().toStdString(), a);
        RecentItem(QStringLiteral("&2 a.tvd"))->trigger();
        QCOMPARE(doc_->PathName(), a);
        QCOMPARE(RecentItems(), (QStringList{QStringLiteral("&1 a.tvd"), QStringLiteral("&2 b.tvd")}));

        // A file that is gone leaves the list with a message, before any save prompt.
        doc_->SetModifiedFlag();
        std::filesystem::remove(b);
        RecentItem(QStringLiteral("&2 b.tvd"))->trigger();
        QCOMPARE(prompts_->errors, std::vector<std::string>{b + " was not found.\nIt has been removed from the list of recent files."});
        QVERIFY(prompts_->questions.empty());
        QCOMPARE(RecentItems(), QStringList{QStringLiteral("&1 a.tvd")});
        doc_->SetModifiedFlag(false);
        frame_.reset();
        MakeFrame(Ini());
        QCOMPARE(RecentItems(), QStringList{QStringLiteral("&1 a.tvd")});
    }

    void exitAndPrintHaveTheUsualKeys() {
        QCOMPARE(frame_->Action(kCmdExit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(frame_->Action(kCmdPrint)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        QCOMPARE(frame_->Action(kCmdFileNew)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(frame_->Action(kCmdFileOpen)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(frame_->Action(kCmdFileSave)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    }

    void theWindowKeepsItsPlaceFittedToTheScreen() {
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        auto inside = [&room](const QRect& window) {
            // With room for a title bar above the window.
            return room.contains(window) && window.top() - room.top() >= 30;
        };
        MakeFrame(Ini());
        QVERIFY(inside(frame_->geometry()));  // also the default size, whatever the screen
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        const QRect chosen(room.left() + 60, room.top() + 70, room.width() / 2, room.height() / 2);
        frame_->setGeometry(chosen);
        frame_.reset();
        MakeFrame(Ini());
        QCOMPARE(frame_->geometry(), chosen);

        // Stored at a smaller scale factor, or on a screen that is gone: shrunk and brought back.
        testing::WriteBytes(Ini(), "[Window]\nX=-3000\nY=5000\nWidth=4000\nHeight=3000\nMaximized=0\n");
        MakeFrame(Ini());
        QVERIFY(inside(frame_->geometry()));
        QVERIFY(frame_->geometry().width() > room.width() / 2);
    }
};

}  // namespace tarvos

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvos::FrameFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frame_files_test.moc"
