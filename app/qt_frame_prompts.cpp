#include "app/qt_frame_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "document/csv_export.h"

namespace tarvos {

namespace {

const QString kTitle = QStringLiteral("KVR Tarvos");

std::optional<std::string> RunSaveDialog(QWidget* parent, const std::string& proposal, const QString& filter,
                                         const QString& suffix) {
    QFileDialog dialog(parent, QString(), QString::fromStdString(proposal), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectFile(QString::fromStdString(proposal));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

SaveChoice QtFramePrompts::AskSaveChanges(const std::string& question) {
    const auto answer = QMessageBox::warning(parent_, kTitle, QString::fromStdString(question),
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) return SaveChoice::Yes;
    if (answer == QMessageBox::No) return SaveChoice::No;
    return SaveChoice::Cancel;
}

std::optional<std::string> QtFramePrompts::ChooseDocumentToOpen() {
    const QString path = QFileDialog::getOpenFileName(parent_, QString(), QString(), QString::fromUtf8(kDocumentFilter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtFramePrompts::ChooseDocumentToSave(const std::string& proposal) {
    return RunSaveDialog(parent_, proposal, QString::fromUtf8(kDocumentFilter), QStringLiteral("tvd"));
}

std::optional<TextFileChoice> QtFramePrompts::ChooseTextFile(const std::string& proposal) {
    const QString text = QStringLiteral("Text Files (*.txt)");
    const QString csv = QString::fromUtf8(kCsvExportFilter);
    QFileDialog dialog(parent_, QString(), QString::fromStdString(proposal),
                       text + QStringLiteral(";;") + csv + QStringLiteral(";;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectNameFilter(text);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    // A name typed without extension gets the one of the filter in view.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, csv](const QString& filter) {
        dialog.setDefaultSuffix(filter == csv ? QStringLiteral("csv") : QStringLiteral("txt"));
    });
    dialog.selectFile(QString::fromStdString(proposal));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return TextFileChoice{dialog.selectedFiles().first().toStdString(), dialog.selectedNameFilter() == csv};
}

bool QtFramePrompts::AskRetry(const std::string& message) {
    return QMessageBox::critical(parent_, kTitle, QString::fromStdString(message),
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

RecoveryChoice QtFramePrompts::AskRecoverJournal(const std::string& question) {
    QMessageBox box(QMessageBox::Question, kTitle, QString::fromStdString(question), QMessageBox::NoButton, parent_);
    QPushButton* recover = box.addButton(QStringLiteral("&Recover"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(QStringLiteral("&Later"), QMessageBox::RejectRole);
    box.setDefaultButton(recover);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == recover) return RecoveryChoice::Recover;
    if (box.clickedButton() == discard) return RecoveryChoice::Discard;
    return RecoveryChoice::Later;
}

void QtFramePrompts::ShowError(const std::string& message) {
    QMessageBox::critical(parent_, kTitle, QString::fromStdString(message), QMessageBox::Ok);
}

}  // namespace tarvos
