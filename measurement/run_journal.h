// The run journal: while a run stores samples, the document so far is kept in a recovery file so
// that a crash, kill or power loss loses nothing; the journals a dead process left behind are
// listed, read and discarded here (the window program and `tarvos recover` offer them).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/document_file.h"
#include "platform/result.h"

namespace tarvos {

class C_KVR_DiaDoc;

// $XDG_STATE_HOME/kvr-tarvos/recovery (XDG_STATE_HOME unset or not absolute: ~/.local/state).
std::filesystem::path RecoveryFolder();

struct JournalInfo {
    std::filesystem::path file;     // the journal (.tvd bytes: the document so far)
    long pid = 0;                   // the process that wrote it
    std::string startedUtc;         // run start, e.g. "2026-12-08T12:34:56Z"
    std::size_t samples = 0;        // measured samples it holds
    bool writerRunning = false;     // the writing process still holds it
    std::string documentPath;       // the document's file when the run began (may be empty)
};

// Every journal in `folder`, oldest first; unreadable ones are listed with samples = 0.
std::vector<JournalInfo> ListJournals(const std::filesystem::path& folder = RecoveryFolder());
// Those whose writer no longer runs (offered for recovery).
std::vector<JournalInfo> OrphanedJournals(const std::filesystem::path& folder = RecoveryFolder());
// Reads a journal's document (receiver settings + samples) as a .tvd would be read.
Result<DocumentContents> ReadJournal(const std::filesystem::path& journal);
// Removes a journal (and its companion files). Refuses one whose writer still runs.
Status DiscardJournal(const std::filesystem::path& journal);

// One writer's journal. Lives as long as the owner (the main window's frame, or tarvos sweep).
// Thread use: Record is called on the sweep's worker; the other members on the owner's thread;
// internally synchronised.
class RunJournal {
public:
    explicit RunJournal(std::filesystem::path folder = RecoveryFolder());
    ~RunJournal();                  // releases the writer's hold; the file stays (Keep)
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // A new run begins: the next Record writes a new journal (pid + start time in its name);
    // a previous journal of this object that was not discarded stays on disk.
    void BeginRun(const std::string& documentPath);
    // The document so far, written atomically (called after every stored or inserted sample).
    // A failure is returned (and remembered for LastError), never thrown; the run goes on.
    Status Record(const C_KVR_DiaDoc& doc);
    // The samples are safe elsewhere (document saved) or the user threw them away: remove it.
    void Discard();
    // Take over an orphaned journal that was recovered into the window's document: it stays
    // until that document is saved or discarded, and this process now holds it.
    Status Adopt(const std::filesystem::path& journal);
    std::optional<std::filesystem::path> Path() const;   // the current journal file, if any
    // The last failure of Record, Discard or Adopt; ok when the latest of them succeeded.
    Status LastError() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tarvos
