// Help > Content on the main window: the manual opens at its first page in a window of its own,
// every link of every page leads to a page or place that exists, every page of the contents
// opens under its title, back and forward retrace the links followed, the search in the page
// finds and misses, and the troubleshooting page quotes the program's messages as it shows them.
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

#include "app/dia_frame.h"
#include "app/frame_rules.h"
#include "app/help_window.h"
#include "document/document_file.h"
#include "measurement/sweep_engine.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<C_KVR_DiaDoc> doc_;
    std::unique_ptr<C_KVR_DiaFrame> frame_;

    HelpWindow* OpenHelp() {
        frame_->Action(kCmdHelpContent)->trigger();
        return frame_->findChild<HelpWindow*>();
    }

private slots:
    void init() {
        dir_ = std::make_unique<testing::TempDir>();
        doc_ = std::make_unique<C_KVR_DiaDoc>();
        FrameServices services;
        services.recoveryFolder = dir_->path() / "recovery";
        frame_ = std::make_unique<C_KVR_DiaFrame>(*doc_, std::move(services));
        frame_->show();
    }
    void cleanup() {
        frame_.reset();
        doc_.reset();
        dir_.reset();
    }

    void ContentOpensOneManualWindowAtTheFirstPage() {
        QAction* content = frame_->Action(kCmdHelpContent);
        QVERIFY(content->isEnabled());
        QCOMPARE(content->text(), QStringLiteral("&Content"));
        QCOMPARE(content->statusTip(), QStringLiteral("Show info text"));

        HelpWindow* help = OpenHelp();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QVERIFY(help->isWindow());
        QVERIFY(!help->isModal());
        QCOMPARE(help->CurrentPage(), QStringLiteral("index.html"));
        QCOMPARE(help->Browser()->documentTitle(), QStringLiteral("KVR Tarvos Manual"));
        QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("How a sweep works")));

        // Closed and asked for again: the same window comes back.
        help->close();
        QCOMPARE(OpenHelp(), help);
        QVERIFY(help->isVisible());
        QCOMPARE(frame_->findChildren<HelpWindow*>().size(), 1);
    }

    void EveryLinkOfEveryPageLeadsToAPageOrPlaceThatExists() {
        const Manual manual = LoadManual();
        QVERIFY(manual.Pages().size() >= 9);
        for (const std::string& broken : manual.BrokenLinks()) QFAIL(broken.c_str());
        for (const std::string& loose : manual.PagesOutsideContents())
            QFAIL(("not in the contents: " + loose).c_str());
        // The browser resolves links as URLs against the page's own; each must name a resource.
        for (const ManualPage& page : manual.Pages()) {
            const QUrl base(QStringLiteral("qrc:/manual/") + Text(page.name));
            for (const std::string& href : LinksOf(page.html)) {
                const QUrl target = base.resolved(QUrl(Text(href)));
                if (target.scheme() != QStringLiteral("qrc")) continue;
                QVERIFY2(QFile::exists(QLatin1Char(':') + target.path()), (page.name + ": " + href).c_str());
            }
        }
    }

    void EveryContentsEntryOpensItsPageUnderItsTitle() {
        HelpWindow* help = OpenHelp();
        QTreeWidget* tree = help->ContentsTree();
        QCOMPARE(tree->topLevelItemCount(), static_cast<int>(LoadManual().Contents().size()));
        for (const ContentsEntry& entry : LoadManual().Contents()) {
            QTreeWidgetItem* item = nullptr;
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                if (tree->topLevelItem(i)->text(0) == Text(entry.title)) item = tree->topLevelItem(i);
            QVERIFY2(item != nullptr, entry.title.c_str());
            emit tree->itemClicked(item, 0);
            QCOMPARE(help->CurrentPage(), Text(entry.page));
            QCOMPARE(help->Browser()->documentTitle(), Text(entry.title));
            QVERIFY(!help->Browser()->toPlainText().trimmed().isEmpty());
            QCOMPARE(item->childCount(), static_cast<int>(entry.sections.size()));
        }
        // A section entry opens its page at that place, and the contents follow the page shown.
        help->ShowPage(QStringLiteral("settings.html#port-settings"));
        QCOMPARE(help->CurrentPage(), QStringLiteral("settings.html"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Port Settings"));
    }

    void LinksFollowedAreRetracedByBackAndForward() {
        HelpWindow* help = OpenHelp();
        QTextBrowser* browser = help->Browser();
        // The keyboard reaches the first link of the page; Enter follows it as a click does.
        browser->setFocus();
        QTest::keyClick(browser, Qt::Key_Tab);
        QVERIFY(browser->textCursor().hasSelection());
        QTest::keyClick(browser, Qt::Key_Return);
        QCOMPARE(help->CurrentPage(), QStringLiteral("sweep.html"));
        QVERIFY(browser->isBackwardAvailable());
        browser->backward();
        QCOMPARE(help->CurrentPage(), QStringLiteral("index.html"));
        QVERIFY(browser->isForwardAvailable());
        browser->forward();
        QCOMPARE(help->CurrentPage(), QStringLiteral("sweep.html"));
    }

    void FindInPageStartsOverAtTheEndAndReportsAMiss() {
        HelpWindow* help = OpenHelp();
        help->ShowPage(QStringLiteral("troubleshooting.html"));
        const QString word = QStringLiteral("Retry");
        // The search, as users expect of one, ignores case.
        const int count = static_cast<int>(help->Browser()->toPlainText().count(word, Qt::CaseInsensitive));
        QVERIFY(count >= 2);
        std::vector<int> found;
        for (int i = 0; i <= count; ++i) {
            QVERIFY(help->FindInPage(word));
            QCOMPARE(help->Browser()->textCursor().selectedText().toLower(), word.toLower());
            found.push_back(help->Browser()->textCursor().selectionStart());
        }
        for (int i = 1; i < count; ++i) QVERIFY(found[i] > found[i - 1]);
        QCOMPARE(found[count], found[0]);  // past the last one, the search starts over
        QVERIFY(help->FindInPage(QStringLiteral("Retry"), true));
        QVERIFY(!help->FindInPage(QStringLiteral("no such words in the manual")));
    }

    void TroubleshootingQuotesTheProgramsMessages() {
        HelpWindow* help = OpenHelp();
        help->ShowPage(QStringLiteral("troubleshooting.html"));
        const QString page = help->Browser()->toPlainText();
        C_KVR_DiaDoc running;
        running.measuring = 1;
        std::vector<std::string> messages = {kMsgNotPossible, kMsgConnectionFailed, kMsgSettingsDiffer,
                                             kMsgSyncFailed,  kMsgNoResponse,       kLineSyncFailed,
                                             kLineError,      kLineGeneratorOn,     kLineGeneratorNotKnown,
                                             kUnexpectedFileFormat};
        for (GuardedCommand command : {GuardedCommand::KvrSettings, GuardedCommand::PortSettings,
                                       GuardedCommand::FileNew, GuardedCommand::FileOpen})
            messages.push_back(GuardMessage(command, running).value_or("(no guard)"));
        for (const std::string& message : messages) QVERIFY2(page.contains(Text(message)), message.c_str());
    }
};

}  // namespace tarvos

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvos::HelpWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "help_window_test.moc"
