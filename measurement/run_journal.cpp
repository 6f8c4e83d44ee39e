#include "measurement/run_journal.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <system_error>
#include <tuple>

#include "document/dia_doc.h"
#include "measurement/journal_files.h"
#include "platform/atomic_file.h"
#include "platform/user_folders.h"

namespace tarvos {
namespace {

// A run stores at most a thousand samples and the few of its END refinement (about 18 kB);
// anything much larger in the folder is not a journal of this program.
constexpr std::size_t kMaxJournalBytes = std::size_t{1} << 20;
// Bounds on what one listing looks at, however full the folder is.
constexpr std::size_t kMaxFolderEntries = 20000;
constexpr std::size_t kMaxJournals = 1000;
// Journals of one process that share a start second are told apart by a sequence number.
constexpr int kMaxSequence = 10000;

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::regular;
}

Error NotAJournal(const std::filesystem::path& path) {
    return {path.string() + " is not a run journal (run-TIME-PID-N.tvd)", EINVAL};
}

Error StillWritten(const std::filesystem::path& path, long pid) {
    // Held by its writer, or by a program that took it over after the writer had died.
    return {"the journal " + path.string() + " is held by a running program (its run was process " +
                std::to_string(pid) + ")",
            EWOULDBLOCK};
}

// Takes an existing journal's lock, so that nobody else adopts or removes it meanwhile.
Result<journal::JournalLock> TakeJournal(const std::filesystem::path& path) {
    const std::optional<journal::JournalName> name = journal::ParseJournalName(path.filename().string());
    if (!name) return NotAJournal(path);
    if (!IsRegularFile(path)) return Error{path.string() + ": no such journal", ENOENT};
    Result<journal::JournalLock> lock = journal::JournalLock::Take(journal::LockPath(path));
    if (!lock.ok()) {
        if (lock.error().systemError == EWOULDBLOCK) return StillWritten(path, name->pid);
        return lock.error();
    }
    if (!IsRegularFile(path)) {
        // Discarded by its last holder while we waited for the lock.
        lock.value().RemoveAndRelease();
        return Error{path.string() + ": no such journal", ENOENT};
    }
    return lock;
}

// The journal and its ".info"; the lock file goes last, with the lock.
Status RemoveJournalFiles(const std::filesystem::path& path, journal::JournalLock& lock) {
    for (const std::filesystem::path& file : {path, journal::InfoPath(path)}) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        if (ec) return Error{"cannot remove " + file.string() + ": " + ec.message(), ec.value()};
    }
    lock.RemoveAndRelease();
    return {};
}

// What killed writers leave beside the journals: temporaries of a write killed before its
// rename, and the ".lock" and ".info" of a run killed before its first journal was written.
// Removed whenever a journal is begun or discarded, so the folder cannot fill up with them;
// bounded, and silent: a leftover that cannot go is no reason to fail.
void RemoveLeftovers(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (std::size_t seen = 0; !ec && it != std::filesystem::directory_iterator() && seen < kMaxFolderEntries;
         it.increment(ec), ++seen)
        entries.push_back(it->path());
    for (const std::filesystem::path& entry : entries) {
        if (StaleTemporaryTarget(entry)) {
            if (IsRegularFile(entry)) std::filesystem::remove(entry, ec);
            continue;
        }
        if (entry.extension() != ".lock" && entry.extension() != ".info") continue;
        std::filesystem::path journal = entry;
        journal.replace_extension(".tvd");
        if (!journal::ParseJournalName(journal.filename().string())) continue;
        if (std::filesystem::exists(journal, ec) || journal::WriterHolds(journal)) continue;
        Result<journal::JournalLock> lock = journal::JournalLock::Take(journal::LockPath(journal));
        // A writer that got its journal out meanwhile keeps everything.
        if (!lock.ok() || std::filesystem::exists(journal, ec)) continue;
        std::filesystem::remove(journal::InfoPath(journal), ec);
        lock.value().RemoveAndRelease();
    }
}

JournalInfo Describe(const std::filesystem::path& path, const journal::JournalName& name) {
    JournalInfo info;
    info.file = path;
    info.pid = name.pid;
    info.startedUtc = journal::ReadableUtc(name.startedCompact);
    if (Result<DocumentContents> contents = ReadJournal(path); contents.ok())
        info.samples = contents.value().samples.Count();
    info.writerRunning = journal::WriterHolds(path);
    info.documentPath = journal::ReadDocumentPath(path);
    return info;
}

}  // namespace

std::filesystem::path RecoveryFolder() {
    // Without any home folder the journals still have a place, if not one that outlives a reboot.
    const std::filesystem::path base = UserStateFolder().value_or(std::filesystem::temp_directory_path());
    return base / "kvr-tarvos" / "recovery";
}

std::vector<JournalInfo> ListJournals(const std::filesystem::path& folder) {
    std::vector<std::pair<std::filesystem::path, journal::JournalName>> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (std::size_t seen = 0; !ec && it != std::filesystem::directory_iterator() && seen < kMaxFolderEntries;
         it.increment(ec), ++seen) {
        const std::filesystem::path path = it->path();
        std::optional<journal::JournalName> name = journal::ParseJournalName(path.filename().string());
        if (name && IsRegularFile(path)) found.emplace_back(path, std::move(*name));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.second.startedCompact, a.second.pid, a.second.sequence) <
               std::tie(b.second.startedCompact, b.second.pid, b.second.sequence);
    });
    if (found.size() > kMaxJournals) found.resize(kMaxJournals);
    std::vector<JournalInfo> list;
    list.reserve(found.size());
    for (const auto& [path, name] : found) list.push_back(Describe(path, name));
    return list;
}

std::vector<JournalInfo> OrphanedJournals(const std::filesystem::path& folder) {
    std::vector<JournalInfo> list = ListJournals(folder);
    std::erase_if(list, [](const JournalInfo& info) { return info.writerRunning; });
    return list;
}

Result<DocumentContents> ReadJournal(const std::filesystem::path& journal) {
    if (!IsRegularFile(journal)) return Error{journal.string() + ": no such journal", ENOENT};
    Result<std::string> bytes = ReadWholeFile(journal, kMaxJournalBytes);
    if (!bytes.ok()) return bytes.error();
    return DeserializeDocument(bytes.value());
}

Status DiscardJournal(const std::filesystem::path& journal) {
    Result<journal::JournalLock> lock = TakeJournal(journal);
    if (!lock.ok()) return lock.error();
    const Status removed = RemoveJournalFiles(journal, lock.value());
    RemoveLeftovers(journal.parent_path());
    return removed;
}

struct RunJournal::State {
    struct Held {
        std::filesystem::path file;
        journal::JournalLock lock;
    };

    std::filesystem::path folder;
    mutable std::mutex mutex;
    bool runBegun = false;
    std::string startedCompact;
    std::string documentPath;
    std::optional<Held> current;
    // Journals of earlier runs that were not discarded: their samples may be the only copy, so
    // they stay on disk and held until this object ends; then they are offered for recovery.
    std::vector<Held> kept;
    Status lastError;

    void Begin(std::string path) {
        if (current) kept.push_back(std::move(*current));
        current.reset();
        runBegun = true;
        startedCompact = journal::CompactUtc(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
        documentPath = std::move(path);
    }

    Status Remember(Status status) {
        lastError = status;
        return status;
    }

    // A new journal's lock and ".info"; the journal itself is written by the caller.
    Result<Held> Create() {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) return Error{"cannot create the recovery folder " + folder.string() + ": " + ec.message(), ec.value()};
        RemoveLeftovers(folder);
        for (int sequence = 1; sequence <= kMaxSequence; ++sequence) {
            const std::filesystem::path file =
                folder / journal::FormatJournalName({startedCompact, static_cast<long>(::getpid()), sequence});
            if (std::filesystem::exists(file, ec)) continue;
            Result<journal::JournalLock> lock = journal::JournalLock::CreateNew(journal::LockPath(file));
            if (!lock.ok() && lock.error().systemError == EEXIST) continue;
            if (!lock.ok()) return lock.error();
            if (Status info = journal::WriteInfo(file, documentPath); !info.ok()) {
                lock.value().RemoveAndRelease();
                return info.error();
            }
            return Held{file, std::move(lock.value())};
        }
        return Error{"no free journal name in " + folder.string(), EEXIST};
    }
};

RunJournal::RunJournal(std::filesystem::path folder) : state_(std::make_unique<State>()) {
    state_->folder = std::move(folder);
}

RunJournal::~RunJournal() = default;

void RunJournal::BeginRun(const std::string& documentPath) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Begin(documentPath);
}

Status RunJournal::Record(const C_KVR_DiaDoc& doc) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    State& s = *state_;
    if (!s.runBegun) s.Begin(doc.PathName());
    const ReceiverSettings receiver = doc.Receiver();
    const std::string bytes =
        doc.WithCurves([&](const DocumentCurves& curves) { return SerializeDocument(receiver, curves.measured, curves.records); });
    if (!s.current) {
        Result<State::Held> created = s.Create();
        if (!created.ok()) return s.Remember(created.error());
        s.current = std::move(created.value());
    }
    if (Status written = WriteFileAtomically(s.current->file, bytes); !written.ok())
        return s.Remember(Error{"cannot write the run journal: " + written.error().message, written.error().systemError});
    return s.Remember({});
}

void RunJournal::Discard() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    State& s = *state_;
    if (!s.current) {
        s.lastError = {};
        return;
    }
    Status removed = RemoveJournalFiles(s.current->file, s.current->lock);
    // A journal that could not be removed stays held, to be tried again by the next Discard.
    if (removed.ok()) {
        s.current.reset();
        RemoveLeftovers(s.folder);
    }
    s.lastError = removed;
}

Status RunJournal::Adopt(const std::filesystem::path& journal) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    State& s = *state_;
    if (s.current && s.current->file == journal) return s.Remember({});
    // One of our own earlier journals: ours already, it only becomes the current one again.
    auto own = std::find_if(s.kept.begin(), s.kept.end(), [&](const State::Held& h) { return h.file == journal; });
    std::optional<State::Held> taken;
    if (own != s.kept.end()) {
        taken = std::move(*own);
        s.kept.erase(own);
    } else {
        Result<journal::JournalLock> held = TakeJournal(journal);
        if (!held.ok()) return s.Remember(held.error());
        taken = State::Held{journal, std::move(held.value())};
    }
    if (s.current) s.kept.push_back(std::move(*s.current));
    s.current = std::move(taken);
    s.runBegun = true;
    s.startedCompact = journal::ParseJournalName(journal.filename().string())->startedCompact;
    s.documentPath = journal::ReadDocumentPath(journal);
    return s.Remember({});
}

std::optional<std::filesystem::path> RunJournal::Path() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->current) return std::nullopt;
    return state_->current->file;
}

Status RunJournal::LastError() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->lastError;
}

}  // namespace tarvos
