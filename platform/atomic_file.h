// Whole-file reads and crash-safe whole-file writes (temporary file in the same folder,
// flushed, then renamed over the target), so a failed write never destroys the old file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarvos {

// Reads the whole file; fails with the errno of the failing call. Files larger than
// `maxBytes` are refused (systemError EFBIG) before anything is allocated for them.
Result<std::string> ReadWholeFile(const std::filesystem::path& path,
                                  std::size_t maxBytes = std::size_t{1} << 30);

// Replaces the file's contents with `bytes` atomically. An existing file keeps its permission
// bits. On failure the old file is untouched and no temporary file is left behind.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tarvos
