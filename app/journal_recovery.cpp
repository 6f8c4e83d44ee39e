#include "app/journal_recovery.h"

#include <utility>

namespace tarvos {

namespace {

// A prompt lists at most this many journals before the rest wait for a later start: a folder
// full of journals must not keep the user answering for ever.
constexpr std::size_t kMaxOffered = 20;

bool Recover(C_KVR_DiaDoc& doc, RunJournal& journal, FramePrompts& prompts, const JournalInfo& info) {
    Result<DocumentContents> contents = ReadJournal(info.file);
    if (!contents) {
        prompts.ShowError("The unsaved measurement could not be read:\n" + contents.error().message);
        return false;
    }
    DocumentContents& read = contents.value();
    doc.ReplaceMeasurement(read.receiver, std::move(read.samples), std::move(read.records));
    // Untitled, so that a save never overwrites the file the run began with unasked.
    doc.SetPathName("");
    doc.SetModifiedFlag(true);
    if (const Status adopted = journal.Adopt(info.file); !adopted)
        prompts.ShowError("The recovered measurement is not protected against another crash:\n" +
                          adopted.error().message);
    return true;
}

}  // namespace

std::string RecoverJournalQuestion(const JournalInfo& info) {
    std::string question = "A measurement was not saved before the program ended.\n\nStarted: " +
                           (info.startedUtc.empty() ? std::string("unknown") : info.startedUtc) +
                           "\nSamples: " + std::to_string(info.samples);
    if (!info.documentPath.empty()) question += "\nDocument: " + info.documentPath;
    return question + "\n\nRecover it now, discard it, or decide at the next start?";
}

std::optional<std::filesystem::path> OfferOrphanedJournals(C_KVR_DiaDoc& doc, RunJournal& journal,
                                                           FramePrompts& prompts,
                                                           const std::filesystem::path& folder) {
    std::size_t offered = 0;
    for (const JournalInfo& info : OrphanedJournals(folder)) {
        if (++offered > kMaxOffered) break;
        switch (prompts.AskRecoverJournal(RecoverJournalQuestion(info))) {
            case RecoveryChoice::Recover:
                if (Recover(doc, journal, prompts, info)) return info.file;
                break;
            case RecoveryChoice::Discard:
                if (const Status gone = DiscardJournal(info.file); !gone)
                    prompts.ShowError("The unsaved measurement could not be discarded:\n" + gone.error().message);
                break;
            case RecoveryChoice::Later: break;
        }
    }
    return std::nullopt;
}

}  // namespace tarvos
