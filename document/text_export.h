// The measured curve as a plain text table (S/N, C/N, theoretical and measured BER), and the
// file name proposed for it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarvos {

class C_KVR_DiaDoc;

inline constexpr const char* kTextExportHeader =
    "Nr.    SNR             CNR      Theoretical_BER      Measured_BER";
inline constexpr const char* kTextExportFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";

// The whole table: the header, then for each sample a CR LF and its line; no final line break.
std::string FormatTextExport(const C_KVR_DiaDoc& doc);

// Writes the table to `path` (atomically).
Status SaveTextExport(const C_KVR_DiaDoc& doc, const std::filesystem::path& path);

// The name proposed in the save dialog: for an unsaved document the first of Meas1.txt,
// Meas2.txt, ... that `canOpenForReading` refuses; otherwise the title up to its first "."
// (when that is not the first character) with ".txt", else "Untitled.txt".
std::string ProposeTextFileName(std::string_view title,
                                const std::function<bool(const std::string&)>& canOpenForReading);
// The same, probing the process's current directory.
std::string ProposeTextFileName(std::string_view title);

}  // namespace tarvos
