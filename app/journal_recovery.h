// At start the window program offers the journals that runs of ended processes left behind:
// one can be recovered into the (single) document, each can be discarded or kept for later.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/file_commands.h"
#include "document/dia_doc.h"
#include "measurement/run_journal.h"

namespace tarvos {

// The question for one journal: when its run began, how many samples it holds, its document.
std::string RecoverJournalQuestion(const JournalInfo& info);

// Asks about each orphaned journal in `folder`, oldest first. Recover loads the journal into
// `doc` as an untitled, modified document and lets `journal` take it over; the journals after
// that are left for a later start. The journal recovered, if any.
std::optional<std::filesystem::path> OfferOrphanedJournals(C_KVR_DiaDoc& doc, RunJournal& journal,
                                                           FramePrompts& prompts,
                                                           const std::filesystem::path& folder);

}  // namespace tarvos
