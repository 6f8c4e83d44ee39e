#include "measurement/journal_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/atomic_file.h"

namespace tarvos::journal {
namespace {

constexpr const char* kPrefix = "run-";
constexpr const char* kExtension = ".tvd";
constexpr const char* kInfoKey = "document=";
constexpr std::size_t kCompactLength = 16;  // "20261208T123456Z"
constexpr std::size_t kMaxInfoBytes = 64 * 1024;
// A lister's probe holds a shared lock for a moment; a writer or taker meeting it waits this
// long before it concludes that a live holder has the journal.
constexpr int kLockAttempts = 20;
constexpr auto kLockRetryDelay = std::chrono::milliseconds(5);

bool Digits(const std::string& s, std::size_t from, std::size_t count) {
    if (from + count > s.size()) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

bool CompactValid(const std::string& c) {
    return c.size() == kCompactLength && Digits(c, 0, 8) && c[8] == 'T' && Digits(c, 9, 6) && c[15] == 'Z';
}

// A whole decimal number of 1 to `maxDigits` digits, no sign, no leading zero.
std::optional<long> Number(const std::string& s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits || !Digits(s, 0, s.size()) || s[0] == '0') return std::nullopt;
    return std::stol(s);
}

Error SystemError(const std::string& what, const std::filesystem::path& file, int err) {
    return {what + " " + file.string() + ": " + std::strerror(err), err};
}

// Tries the lock a few times: a lister's momentary shared lock is no holder.
bool LockWithRetry(int fd) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        std::this_thread::sleep_for(kLockRetryDelay);
    }
    errno = EWOULDBLOCK;
    return false;
}

// The locked file is still the one the path names (not removed or replaced while we waited).
bool StillNamed(int fd, const std::filesystem::path& file) {
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) != 0 || ::stat(file.c_str(), &named) != 0) return false;
    return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

Result<int> Locked(int fd, const std::filesystem::path& file, const char* what) {
    if (fd < 0) return SystemError(std::string("cannot ") + what, file, errno);
    if (!LockWithRetry(fd)) {
        const int err = errno;
        ::close(fd);
        return SystemError("cannot lock", file, err);
    }
    if (!StillNamed(fd, file)) {
        ::close(fd);
        return SystemError("cannot lock", file, ENOENT);
    }
    return fd;
}

}  // namespace

std::string FormatJournalName(const JournalName& name) {
    return kPrefix + name.startedCompact + "-" + std::to_string(name.pid) + "-" + std::to_string(name.sequence) +
           kExtension;
}

std::optional<JournalName> ParseJournalName(const std::string& fileName) {
    const std::string prefix = kPrefix, extension = kExtension;
    if (fileName.size() <= prefix.size() + kCompactLength + extension.size() || fileName.rfind(prefix, 0) != 0 ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0)
        return std::nullopt;
    JournalName name;
    name.startedCompact = fileName.substr(prefix.size(), kCompactLength);
    std::string rest = fileName.substr(prefix.size() + kCompactLength);
    rest.resize(rest.size() - extension.size());
    if (!CompactValid(name.startedCompact) || rest.size() < 4 || rest[0] != '-') return std::nullopt;
    const std::size_t dash = rest.find('-', 1);
    if (dash == std::string::npos) return std::nullopt;
    const std::optional<long> pid = Number(rest.substr(1, dash - 1), 10);
    const std::optional<long> sequence = Number(rest.substr(dash + 1), 6);
    if (!pid || !sequence) return std::nullopt;
    name.pid = *pid;
    name.sequence = static_cast<int>(*sequence);
    return name;
}

std::string CompactUtc(std::time_t t) {
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::string ReadableUtc(const std::string& c) {
    if (!CompactValid(c)) return c;
    return c.substr(0, 4) + "-" + c.substr(4, 2) + "-" + c.substr(6, 2) + "T" + c.substr(9, 2) + ":" +
           c.substr(11, 2) + ":" + c.substr(13, 2) + "Z";
}

std::filesystem::path InfoPath(const std::filesystem::path& journal) {
    return std::filesystem::path(journal).replace_extension(".info");
}

std::filesystem::path LockPath(const std::filesystem::path& journal) {
    return std::filesystem::path(journal).replace_extension(".lock");
}

std::string ReadDocumentPath(const std::filesystem::path& journal) {
    Result<std::string> text = ReadWholeFile(InfoPath(journal), kMaxInfoBytes);
    if (!text.ok() || text.value().rfind(kInfoKey, 0) != 0) return {};
    std::string path = text.value().substr(std::strlen(kInfoKey));
    // The path runs to the end of the file, so that any character a file name may hold survives.
    if (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

Status WriteInfo(const std::filesystem::path& journal, const std::string& documentPath) {
    return WriteFileAtomically(InfoPath(journal), kInfoKey + documentPath + "\n");
}

JournalLock::~JournalLock() {
    if (fd_ >= 0) ::close(fd_);
}

JournalLock::JournalLock(JournalLock&& other) noexcept : fd_(other.fd_), file_(std::move(other.file_)) {
    other.fd_ = -1;
}

JournalLock& JournalLock::operator=(JournalLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        file_ = std::move(other.file_);
        other.fd_ = -1;
    }
    return *this;
}

Result<JournalLock> JournalLock::CreateNew(const std::filesystem::path& lockFile) {
    const int created = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const Result<int> fd = Locked(created, lockFile, "create");
    if (!fd.ok()) {
        if (created >= 0) ::unlink(lockFile.c_str());  // ours, and never held: no leftover
        return fd.error();
    }
    return JournalLock(fd.value(), lockFile);
}

Result<JournalLock> JournalLock::Take(const std::filesystem::path& lockFile) {
    const Result<int> fd = Locked(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600), lockFile, "open");
    if (!fd.ok()) return fd.error();
    return JournalLock(fd.value(), lockFile);
}

void JournalLock::RemoveAndRelease() {
    if (fd_ < 0) return;
    // Removed while held: whoever opened the old file meanwhile finds it no longer named.
    ::unlink(file_.c_str());
    ::close(fd_);
    fd_ = -1;
}

bool WriterHolds(const std::filesystem::path& journal) {
    const std::filesystem::path lockFile = LockPath(journal);
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    // No lock file: the writer creates it before the journal, so none runs. Any other reason
    // not to know counts as running: such a journal is neither offered nor removed.
    if (fd < 0) return errno != ENOENT;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

}  // namespace tarvos::journal
