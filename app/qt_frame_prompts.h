// The main window's file dialogs and message boxes on Qt.
#pragma once

#include "app/file_commands.h"

class QWidget;

namespace tarvos {

class QtFramePrompts final : public FramePrompts {
public:
    explicit QtFramePrompts(QWidget* parent) : parent_(parent) {}

    SaveChoice AskSaveChanges(const std::string& question) override;
    std::optional<std::string> ChooseDocumentToOpen() override;
    std::optional<std::string> ChooseDocumentToSave(const std::string& proposal) override;
    std::optional<TextFileChoice> ChooseTextFile(const std::string& proposal) override;
    bool AskRetry(const std::string& message) override;
    void ShowError(const std::string& message) override;
    RecoveryChoice AskRecoverJournal(const std::string& question) override;

private:
    QWidget* parent_;
};

}  // namespace tarvos
