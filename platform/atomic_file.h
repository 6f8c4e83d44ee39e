// Whole-file reads and crash-safe whole-file writes (temporary file in the same folder,
// flushed, then renamed over the target), so a failed write never destroys the old file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarvos {

// Reads the whole file; fails with the errno of the failing call. Files larger than
// `maxBytes` are refused (systemError EFBIG) before anything is allocated for them, and so is
// anything but a regular file (EINVAL, EISDIR for a folder) before a byte is read.
Result<std::string> ReadWholeFile(const std::filesystem::path& path,
                                  std::size_t maxBytes = std::size_t{1} << 30);

// Replaces the file's contents with `bytes` atomically. An existing file keeps its permission
// bits. On failure the old file is untouched and no temporary file is left behind; leftovers
// of an earlier write that was killed are removed. A file this user may not write (see
// UserMayWrite) is never replaced (EACCES or EROFS). When the folder takes no temporary file, a
// writable file is overwritten in place as the last resort.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The file whose write left `temporary` behind when that write was killed before its rename;
// none when `temporary` is no such leftover or its writer still runs.
std::optional<std::filesystem::path> StaleTemporaryTarget(const std::filesystem::path& temporary);

// Whether `file` is a regular file this user may write: the system allows it and its
// permission bits allow someone to write it (a read-only file stays so even for root).
bool UserMayWrite(const std::filesystem::path& file);

}  // namespace tarvos
