#include "app/file_commands.h"

#include <cctype>
#include <filesystem>

#include "document/csv_export.h"
#include "document/document_file.h"
#include "document/text_export.h"

namespace tarvos {

namespace {

// A save or export must never run into the loop for ever: a user who keeps choosing files that
// cannot be written is asked again, but not more often than this.
constexpr int kMaxRetries = 1000;

std::string DocumentProposal(const C_KVR_DiaDoc& doc) {
    const std::string path = doc.PathName();
    if (!path.empty()) return path;
    std::filesystem::path name(doc.Title());
    if (!name.has_extension()) name += ".tvd";
    return name.string();
}

bool SaveTo(C_KVR_DiaDoc& doc, const std::string& path, FramePrompts& prompts) {
    const Status saved = SaveDocument(doc, path);
    if (!saved) prompts.ShowError(saved.error().message);
    return saved.ok();
}

}  // namespace

std::string SaveChangesQuestion(const C_KVR_DiaDoc& doc) { return "Save changes to " + doc.Title() + "?"; }

std::string CantOpenFileMessage(const std::string& path) {
    return "Can't open file:\n " + path + "\nPlease change file name\nand try again.";
}

bool SaveDocumentAsCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts) {
    const std::optional<std::string> path = prompts.ChooseDocumentToSave(DocumentProposal(doc));
    return path && SaveTo(doc, *path, prompts);
}

bool SaveDocumentCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts) {
    const std::string path = doc.PathName();
    if (path.empty()) return SaveDocumentAsCommand(doc, prompts);
    return SaveTo(doc, path, prompts);
}

bool SaveModified(C_KVR_DiaDoc& doc, FramePrompts& prompts) {
    if (!doc.IsModified()) return true;
    switch (prompts.AskSaveChanges(SaveChangesQuestion(doc))) {
        case SaveChoice::Yes: return SaveDocumentCommand(doc, prompts);
        case SaveChoice::No: return true;
        case SaveChoice::Cancel: return false;
    }
    return false;
}

bool NewDocumentCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts) {
    // The samples go only after the save prompt: saving with Yes writes them first.
    if (!SaveModified(doc, prompts)) return false;
    doc.ResetMeasurement();
    doc.SetPathName("");
    doc.SetModifiedFlag(false);
    return true;
}

bool OpenDocumentFile(C_KVR_DiaDoc& doc, const std::string& path, FramePrompts& prompts) {
    const Status opened = OpenDocument(doc, path);
    if (!opened) prompts.ShowError(opened.error().message);
    return opened.ok();
}

OpenOutcome OpenChosenDocument(C_KVR_DiaDoc& doc, const std::string& path, FramePrompts& prompts) {
    if (!SaveModified(doc, prompts)) return OpenOutcome::Cancelled;
    return OpenDocumentFile(doc, path, prompts) ? OpenOutcome::Opened : OpenOutcome::Failed;
}

bool IsDocumentFileName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".tvd";
}

std::optional<std::string> SaveAsTextCommand(C_KVR_DiaDoc& doc, FramePrompts& prompts) {
    std::string proposal = ProposeTextFileName(doc.Title());
    for (int attempt = 0; attempt < kMaxRetries; ++attempt) {
        const std::optional<TextFileChoice> choice = prompts.ChooseTextFile(proposal);
        if (!choice) return std::nullopt;
        const std::string& path = choice->path;
        const bool csv = choice->csvFilter || IsCsvFileName(path);
        if ((csv ? SaveCsvExport(doc, path) : SaveTextExport(doc, path)).ok()) return path;
        if (!prompts.AskRetry(CantOpenFileMessage(path))) return std::nullopt;
        proposal = path;
    }
    return std::nullopt;
}

}  // namespace tarvos
