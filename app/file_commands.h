// The File commands on the document without the windows: the save prompt before a document is
// replaced or the program ends, New, Open, Save, Save As and Save As Text with their messages.
// The dialogs and message boxes come in through FramePrompts, so the commands run in tests.
#pragma once

#include <optional>
#include <string>

#include "document/dia_doc.h"

namespace tarvos {

enum class SaveChoice { Yes, No, Cancel };
enum class RecoveryChoice { Recover, Discard, Later };

// The file chosen in the Save As Text dialog, and whether the CSV filter was selected there.
struct TextFileChoice {
    std::string path;
    bool csvFilter = false;
};

class FramePrompts {
public:
    virtual ~FramePrompts() = default;
    // "Save changes to %1?" with Yes, No and Cancel.
    virtual SaveChoice AskSaveChanges(const std::string& question) = 0;
    // File dialogs; none when the user cancels.
    virtual std::optional<std::string> ChooseDocumentToOpen() = 0;
    virtual std::optional<std::string> ChooseDocumentToSave(const std::string& proposal) = 0;
    virtual std::optional<TextFileChoice> ChooseTextFile(const std::string& proposal) = 0;
    // The export's "Can't open file:" box with OK and Cancel: true for OK.
    virtual bool AskRetry(const std::string& message) = 0;
    // A message box with the error icon and OK (failures, the guards of the main window).
    virtual void ShowError(const std::string& message) = 0;
    // The samples a run left when the program ended during it: Recover, Discard or Later.
    virtual RecoveryChoice AskRecoverJournal(const std::string& question) = 0;
};

inline constexpr const char* kDocumentFilter = "KVR Tarvos Files (*.tvd)";

std::string SaveChangesQuestion(const C_KVR_DiaDoc& doc);
// "Can't open file:\n <path>\nPlease change file name\nand try again."
std::string CantOpenFileMessage(const std::string& path);

// Save: to the document's file, or Save As when it has none. False when nothing was saved.
bool SaveDocumentCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts);
// Save As: the file dialog proposes the document's file or its title with ".tvd".
bool SaveDocumentAsCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts);
// Before the document is replaced or the program ends: true when it may go on (unmodified, No,
// or Yes and saved).
bool SaveModified(C_KVR_DiaDoc& doc, FramePrompts& prompts);
// New: after the save prompt, an empty measurement titled "Untitled"; the receiver settings stay.
// True when the document was replaced.
bool NewDocumentCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts);
// Open, once its file dialog (or the recent files, or a drop on the window) has named the file:
// the save prompt, then the load with the framework's messages.
enum class OpenOutcome { Opened, Cancelled, Failed };
OpenOutcome OpenChosenDocument(C_KVR_DiaDoc& doc, const std::string& path, FramePrompts& prompts);
// Whether a file's name marks it as a measurement document (".tvd" in any letter case).
bool IsDocumentFileName(const std::string& path);
// Opens `path` (the command line's file) with the framework's messages. True when loaded.
bool OpenDocumentFile(C_KVR_DiaDoc& doc, const std::string& path, FramePrompts& prompts);
// Save As Text: the proposal, the dialog, and the retry loop while the file cannot be written.
// CSV when the dialog's CSV filter was chosen or the name ends in ".csv", else the text table.
// The file written, or none.
std::optional<std::string> SaveAsTextCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts);

}  // namespace tarvos
