// The files of one run journal on disk: the journal's name (start time, process, sequence), its
// companion files (".info" with the document's path, ".lock" held by the writer) and the
// advisory lock that tells a running writer from a dead one.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/result.h"

namespace tarvos::journal {

// What a journal's file name says: "run-20261208T123456Z-4711-1.tvd".
struct JournalName {
    std::string startedCompact;  // "20261208T123456Z"
    long pid = 0;
    int sequence = 0;
};

std::string FormatJournalName(const JournalName& name);
// Only names this program writes; anything else in the folder (temporary files, garbage) is not.
std::optional<JournalName> ParseJournalName(const std::string& fileName);
// "20261208T123456Z" for a UTC time.
std::string CompactUtc(std::time_t t);
// "20261208T123456Z" -> "2026-12-08T12:34:56Z".
std::string ReadableUtc(const std::string& compact);

std::filesystem::path InfoPath(const std::filesystem::path& journal);
std::filesystem::path LockPath(const std::filesystem::path& journal);

// The document path a journal's ".info" names; empty when the file is missing or unreadable.
std::string ReadDocumentPath(const std::filesystem::path& journal);
Status WriteInfo(const std::filesystem::path& journal, const std::string& documentPath);

// An exclusive advisory lock on a journal's ".lock" file, held while the object lives. The
// kernel drops it when the process dies in whatever way, which is what makes a journal an orphan.
class JournalLock {
public:
    JournalLock() = default;
    ~JournalLock();
    JournalLock(JournalLock&& other) noexcept;
    JournalLock& operator=(JournalLock&& other) noexcept;
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // A new lock file that must not exist yet (a name taken by someone else fails with EEXIST).
    static Result<JournalLock> CreateNew(const std::filesystem::path& lockFile);
    // Takes the lock of an existing journal, creating its lock file when it has none; fails with
    // EWOULDBLOCK while another holder (in this or another process) has it.
    static Result<JournalLock> Take(const std::filesystem::path& lockFile);

    bool Held() const { return fd_ >= 0; }
    // Removes the lock file while still holding it, then lets go.
    void RemoveAndRelease();

private:
    explicit JournalLock(int fd, std::filesystem::path file) : fd_(fd), file_(std::move(file)) {}
    int fd_ = -1;
    std::filesystem::path file_;
};

// Whether some process holds the journal's lock right now.
bool WriterHolds(const std::filesystem::path& journal);

}  // namespace tarvos::journal
