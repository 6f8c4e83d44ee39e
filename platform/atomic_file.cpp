#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

namespace tarvos {
namespace {

constexpr std::size_t kReadChunk = std::size_t{64} << 10;
// A signal storm must not keep a call retrying forever.
constexpr int kMaxInterruptions = 1000;
// Same limit the kernel puts on symbolic links followed in one lookup.
constexpr int kMaxLinkDepth = 40;

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now so that a failing close (delayed write errors) can be reported.
    int Close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

Error SystemError(const std::filesystem::path& path, int error) {
    return Error{path.string() + ": " + std::generic_category().message(error), error};
}

Error NotRegularFile(const std::filesystem::path& path) {
    return Error{path.string() + " is not a regular file", EINVAL};
}

// Why this user may not write the file (an errno), 0 when it may. Root passes every access()
// check, so a file whose permission bits deny all writing (a settings file made read-only on
// purpose) must also count as not writable.
int WriteDenied(const std::string& target, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
    return ::access(target.c_str(), W_OK) == 0 ? 0 : errno;
}

bool DeniedByFolder(int error) { return error == EACCES || error == EPERM; }

// The start time of a process in clock ticks after boot (field 22 of /proc/PID/stat); with the
// pid it names one process for good, as pids are reused. None when there is no such process.
std::optional<unsigned long long> ProcessStartTime(pid_t pid) {
    char name[48];
    std::snprintf(name, sizeof name, "/proc/%ld/stat", static_cast<long>(pid));
    const UniqueFd fd(::open(name, O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return std::nullopt;
    char text[1024];
    const ssize_t got = ::read(fd.get(), text, sizeof text - 1);
    if (got <= 0) return std::nullopt;
    text[got] = '\0';
    const char* at = std::strrchr(text, ')');  // the command name may hold spaces and brackets
    if (at == nullptr) return std::nullopt;
    std::istringstream fields(at + 1);
    std::string field;
    for (int n = 3; n < 22 && fields >> field; ++n) {
    }
    unsigned long long start = 0;
    if (!(fields >> start)) return std::nullopt;
    return start;
}

// Temporary files carry the writer's pid and start time, "NAME.~PID.START.XXXXXX", so that a
// later write can tell the leftovers of a killed writer from a file another writer still uses.
constexpr std::string_view kTemporaryMark = ".~";

std::string TemporaryPattern(const std::string& target) {
    const unsigned long long start = ProcessStartTime(::getpid()).value_or(0);
    return target + std::string(kTemporaryMark) + std::to_string(::getpid()) + "." + std::to_string(start) + "." +
           std::string(6, 'X');  // mkostemp fills in the X
}

// The writer of a temporary file of `fileName`; none when the name is not one of its temporaries.
std::optional<std::pair<pid_t, unsigned long long>> TemporaryWriter(const std::string& name,
                                                                    const std::string& fileName) {
    const std::string prefix = fileName + std::string(kTemporaryMark);
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    long pid = 0;
    unsigned long long start = 0;
    char unique[8] = {};
    int used = 0;
    if (std::sscanf(name.c_str() + prefix.size(), "%ld.%llu.%7[A-Za-z0-9]%n", &pid, &start, unique, &used) != 3)
        return std::nullopt;
    if (pid <= 0 || std::strlen(unique) != 6 || prefix.size() + static_cast<std::size_t>(used) != name.size())
        return std::nullopt;
    return std::pair<pid_t, unsigned long long>{static_cast<pid_t>(pid), start};
}

// Removes the temporaries of earlier writes of this file whose writer is gone (killed between
// the temporary file and the rename). Bounded, and silent: a leftover is no reason to fail.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    constexpr int kMaxEntries = 100000;
    if (!ProcessStartTime(::getpid())) return;  // without /proc no writer can be told from another
    const std::string fileName = target.filename().string();
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (int n = 0; !error && n < kMaxEntries && it != std::filesystem::directory_iterator(); ++n) {
        const auto writer = TemporaryWriter(it->path().filename().string(), fileName);
        const std::filesystem::path entry = it->path();
        it.increment(error);
        if (!writer || ProcessStartTime(writer->first) == writer->second) continue;
        struct stat info {};
        if (::lstat(entry.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(entry.c_str());
    }
}

template <class Call>
auto RetryInterrupted(Call call) {
    auto result = call();
    for (int i = 0; i < kMaxInterruptions && result < 0 && errno == EINTR; ++i) result = call();
    return result;
}

// Non-blocking open so that a FIFO without a writer cannot hang the caller; reads then block
// as usual.
int OpenForReading(const std::filesystem::path& path) {
    const int fd = RetryInterrupted([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
    if (fd < 0) return fd;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

// Reads until end of file, but never more than limit + 1 bytes, so that files without a
// trustworthy size (/proc, pipes, files still growing) are bounded too.
Result<std::string> ReadBounded(int fd, const std::filesystem::path& path, std::size_t expected,
                                std::size_t limit) {
    std::string data;
    data.reserve(std::min(expected, limit));
    std::string chunk(kReadChunk, '\0');
    while (data.size() <= limit) {
        const std::size_t remaining = limit - data.size();  // limit + 1 could overflow
        const std::size_t want = remaining >= chunk.size() ? chunk.size() : remaining + 1;
        const ssize_t got = RetryInterrupted([&] { return ::read(fd, chunk.data(), want); });
        if (got < 0) return SystemError(path, errno);
        if (got == 0) return data;
        data.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return Error{path.string() + ": file too large", EFBIG};
}

Status WriteAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        const ssize_t written = RetryInterrupted([&] { return ::write(fd, bytes.data(), bytes.size()); });
        if (written < 0) return SystemError(path, errno);
        if (written == 0) return SystemError(path, EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// The file a write should replace: a symbolic link is followed (even a dangling one) so
// that the link itself survives and its target gets the new contents.
Result<std::filesystem::path> WriteTarget(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return target;
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) return SystemError(target, ec.value());
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return SystemError(path, ELOOP);
}

// The process umask, read without changing it (umask() would race with other threads).
mode_t CurrentUmask() {
    constexpr mode_t kUsual = 022;
    auto status = ReadWholeFile("/proc/self/status", std::size_t{1} << 16);
    if (!status) return kUsual;
    const std::string& text = status.value();
    const std::size_t at = text.find("\nUmask:");
    if (at == std::string::npos) return kUsual;
    std::size_t pos = text.find_first_not_of(" \t", at + 7);
    mode_t mask = 0;
    for (int n = 0; n < 4 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++n, ++pos) {
        mask = static_cast<mode_t>(mask * 8 + static_cast<mode_t>(text[pos] - '0'));
    }
    return mask & 0777;
}

// What is there now at the target: none for a new file. Only regular files are replaced;
// renaming over a device or a FIFO (say /dev/null, when run as root) would destroy it.
Result<std::optional<struct stat>> ExistingTarget(const std::string& target, const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) return std::optional<struct stat>{};
        return SystemError(path, errno);
    }
    if (S_ISDIR(info.st_mode)) return SystemError(path, EISDIR);
    if (!S_ISREG(info.st_mode)) return NotRegularFile(path);
    return std::optional<struct stat>{info};
}

// The new file gets the old file's permission bits and, where allowed, its owner, so that
// saving does not quietly change who may read it; a new file gets what any new file would.
Status AdoptPermissions(int fd, const std::optional<struct stat>& old, const std::filesystem::path& path) {
    if (!old) {
        if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0) return SystemError(path, errno);
        return {};
    }
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
        [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);  // best effort
    }
    if (::fchmod(fd, old->st_mode & 07777) != 0) return SystemError(path, errno);
    return {};
}

void SyncDirectory(const std::filesystem::path& file) {
    const std::filesystem::path dir = file.parent_path().empty() ? "." : file.parent_path();
    const UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());  // durability of the rename only; the data is safe already
}

// The last resort when the folder allows no temporary file: the file is overwritten where it
// lies. A crash in between can leave it half written, which is why this is never the first try.
Status WriteInPlace(const std::string& target, std::string_view bytes, const std::filesystem::path& path) {
    UniqueFd fd(RetryInterrupted([&] { return ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (!fd.valid()) return SystemError(path, errno);
    if (Status s = WriteAll(fd.get(), bytes, path); !s) return s;
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) return SystemError(path, errno);
    if (::fsync(fd.get()) != 0) return SystemError(path, errno);
    if (fd.Close() != 0) return SystemError(path, errno);
    return {};
}

Status WriteTemporary(UniqueFd& fd, const std::optional<struct stat>& old, std::string_view bytes,
                      const std::filesystem::path& path) {
    if (Status s = AdoptPermissions(fd.get(), old, path); !s) return s;
    if (Status s = WriteAll(fd.get(), bytes, path); !s) return s;
    if (::fsync(fd.get()) != 0) return SystemError(path, errno);
    if (fd.Close() != 0) return SystemError(path, errno);
    return {};
}

}  // namespace

Result<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    const UniqueFd fd(OpenForReading(path));
    if (!fd.valid()) return SystemError(path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return SystemError(path, errno);
    if (S_ISDIR(info.st_mode)) return SystemError(path, EISDIR);
    // A device or a pipe has no end to read to (/dev/zero would fill the whole limit first).
    if (!S_ISREG(info.st_mode)) return NotRegularFile(path);
    const auto expected = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    if (expected > maxBytes) return Error{path.string() + ": file too large", EFBIG};
    return ReadBounded(fd.get(), path, expected, maxBytes);
}

std::optional<std::filesystem::path> StaleTemporaryTarget(const std::filesystem::path& temporary) {
    const std::string name = temporary.filename().string();
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark == 0) return std::nullopt;
    const std::string target = name.substr(0, mark);
    const auto writer = TemporaryWriter(name, target);
    // Without /proc no writer can be told from another: nothing counts as stale then.
    if (!writer || !ProcessStartTime(::getpid()) || ProcessStartTime(writer->first) == writer->second)
        return std::nullopt;
    return temporary.parent_path() / target;
}

bool UserMayWrite(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && WriteDenied(file.string(), info) == 0;
}

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    auto resolved = WriteTarget(path);
    if (!resolved) return resolved.error();
    const std::string target = resolved.value().string();
    const auto existing = ExistingTarget(target, path);
    if (!existing) return existing.error();
    const std::optional<struct stat>& old = existing.value();
    if (old) {
        if (const int denied = WriteDenied(target, *old); denied != 0) return SystemError(path, denied);
    }
    RemoveStaleTemporaries(resolved.value());
    std::string pattern = TemporaryPattern(target);
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid()) {
        if (old && DeniedByFolder(errno)) return WriteInPlace(target, bytes, path);
        return SystemError(path, errno);
    }
    TemporaryFile temporary(pattern);
    if (Status s = WriteTemporary(fd, old, bytes, path); !s) return s;
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        // A sticky folder refuses to rename over another owner's file that we may still write.
        if (old && DeniedByFolder(errno)) return WriteInPlace(target, bytes, path);
        return SystemError(path, errno);
    }
    temporary.Keep();
    SyncDirectory(resolved.value());
    return {};
}

}  // namespace tarvos
