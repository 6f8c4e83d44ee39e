// The manual's window (Help > Content): a non-modal browser over the pages compiled into the
// program, with their contents beside it, back and forward, and a search in the page shown.
#pragma once

#include <QString>
#include <QWidget>

#include "app/manual_pages.h"

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvos {

// Every page and picture of the manual as compiled into the program.
Manual LoadManual();

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return browser_; }
    QTreeWidget* ContentsTree() const { return contents_; }
    // A page of the manual by its name, with an optional "#place".
    void ShowPage(const QString& page);
    // The page shown, by its name in the manual ("settings.html").
    QString CurrentPage() const;
    // Selects the next (or previous) occurrence of `text` in the page shown, starting over at
    // the page's other end; false when the page does not hold it.
    bool FindInPage(const QString& text, bool backward = false);

private:
    void FillContents(const Manual& manual);
    void FollowSource();
    void FindFromField(bool backward);

    QTreeWidget* contents_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLabel* findResult_ = nullptr;
};

}  // namespace tarvos
