#include "app/help_window.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvos {
namespace {

// Where the pages lie among the program's resources, as a file path and as a URL.
const QString kResourceFolder = QStringLiteral(":/manual/");
const QString kResourceUrl = QStringLiteral("qrc:/manual/");

constexpr int kPageRole = Qt::UserRole;

// The pages are plain HTML; this gives them the same look in the browser window.
const char* const kStyle =
    "body { font-size: 10pt; }"
    "h1 { font-size: 16pt; color: #1f3f6f; }"
    "h2 { font-size: 13pt; color: #1f3f6f; margin-top: 14px; }"
    "h3 { font-size: 11pt; }"
    "code, pre { font-family: monospace; }"
    "pre { background-color: #f2f2f2; }"
    "th { background-color: #e4e8f0; text-align: left; }"
    "td, th { padding: 3px; }"
    "p.note { background-color: #fff6d8; }";

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

Manual LoadManual() {
    std::vector<ManualPage> pages;
    std::vector<std::string> files;
    QDirIterator it(kResourceFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const std::string name = path.mid(kResourceFolder.size()).toStdString();
        if (!path.endsWith(QStringLiteral(".html"))) {
            files.push_back(name);
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        pages.push_back({name, file.readAll().toStdString()});
    }
    std::sort(pages.begin(), pages.end(), [](const ManualPage& a, const ManualPage& b) { return a.name < b.name; });
    return Manual(std::move(pages), std::move(files));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("KVR Tarvos Help"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    contents_ = new QTreeWidget(this);
    contents_->setObjectName(QStringLiteral("helpContents"));
    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->document()->setDefaultStyleSheet(QString::fromLatin1(kStyle));

    auto* tools = new QToolBar(this);
    QAction* back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"));
    QAction* forward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"));
    QAction* home = tools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"));
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, [this] { ShowPage(Text(std::string(kManualFirstPage))); });
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    tools->addSeparator();

    tools->addWidget(new QLabel(QStringLiteral(" Find in page: "), tools));
    findField_ = new QLineEdit(tools);
    findField_->setObjectName(QStringLiteral("helpFind"));
    findField_->setClearButtonEnabled(true);
    findField_->setMaximumWidth(240);
    tools->addWidget(findField_);
    QAction* previous = tools->addAction(style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral("Previous"));
    QAction* next = tools->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral("Next"));
    previous->setShortcut(QKeySequence::FindPrevious);
    next->setShortcut(QKeySequence::FindNext);
    findResult_ = new QLabel(tools);
    findResult_->setObjectName(QStringLiteral("helpFindResult"));
    tools->addWidget(findResult_);
    connect(previous, &QAction::triggered, this, [this] { FindFromField(true); });
    connect(next, &QAction::triggered, this, [this] { FindFromField(false); });
    connect(findField_, &QLineEdit::returnPressed, this, [this] { FindFromField(false); });
    // Typing searches on from where the last match began, so the match grows with the word.
    connect(findField_, &QLineEdit::textEdited, this, [this] {
        QTextCursor cursor = browser_->textCursor();
        cursor.setPosition(cursor.selectionStart());
        browser_->setTextCursor(cursor);
        FindFromField(false);
    });
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, [this] {
        findField_->setFocus();
        findField_->selectAll();
    });
    addAction(find);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 720});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(splitter, 1);

    FillContents(LoadManual());
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ShowPage(item->data(0, kPageRole).toString()); });
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { ShowPage(item->data(0, kPageRole).toString()); });
    // A page opened at a place of it changes the history but is not always announced as a new
    // source, so the contents listen to both.
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::FollowSource);
    connect(browser_, &QTextBrowser::historyChanged, this, &HelpWindow::FollowSource);

    QSize size(980, 700);
    if (const QScreen* screen = parent ? parent->screen() : nullptr)
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
    ShowPage(Text(std::string(kManualFirstPage)));
}

void HelpWindow::FillContents(const Manual& manual) {
    for (const ContentsEntry& entry : manual.Contents()) {
        auto* item = new QTreeWidgetItem(contents_, QStringList(Text(entry.title)));
        item->setData(0, kPageRole, Text(entry.page));
        for (const ManualSection& section : entry.sections) {
            auto* child = new QTreeWidgetItem(item, QStringList(Text(section.title)));
            child->setData(0, kPageRole, Text(entry.page + "#" + section.anchor));
        }
    }
}

void HelpWindow::ShowPage(const QString& page) { browser_->setSource(QUrl(kResourceUrl + page)); }

QString HelpWindow::CurrentPage() const {
    const QString path = browser_->source().path();
    const QString folder = kResourceUrl.mid(4);  // "/manual/"
    return path.startsWith(folder) ? path.mid(folder.size()) : path;
}

// The contents mark the page (and the section) shown, whichever way it was reached.
void HelpWindow::FollowSource() {
    const QString page = CurrentPage();
    const QString fragment = browser_->source().fragment();
    const QString exact = fragment.isEmpty() ? page : page + QLatin1Char('#') + fragment;
    QTreeWidgetItem* best = nullptr;
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        const QString target = (*it)->data(0, kPageRole).toString();
        if (target == exact) {
            best = *it;
            break;
        }
        if (target == page && best == nullptr) best = *it;
    }
    if (best != nullptr) {
        contents_->setCurrentItem(best);
        if (best->parent()) best->parent()->setExpanded(true);
        else best->setExpanded(true);
    }
    findResult_->clear();
}

bool HelpWindow::FindInPage(const QString& text, bool backward) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags)) return true;
    QTextCursor cursor = browser_->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(cursor);
    return browser_->find(text, flags);
}

void HelpWindow::FindFromField(bool backward) {
    const QString text = findField_->text();
    const bool found = FindInPage(text, backward);
    findResult_->setText(text.isEmpty() || found ? QString() : QStringLiteral(" Not found"));
}

}  // namespace tarvos
