// The measured curve as CSV for spreadsheets and scripts: a header row with units, then one row
// per sample with its counts, 95 % interval, time and ending. Numbers read back to the same
// double; a field that is not known is left empty.
#pragma once

#include <filesystem>
#include <string>

#include "document/sample_table.h"
#include "platform/result.h"

namespace tarvos {

class C_KVR_DiaDoc;

inline constexpr const char* kCsvExportHeader =
    "Nr.,S/N (dB),C/N (dB),Theoretical BER,Measured BER,Errors,Bits,BER lower 95 %,BER upper 95 %,"
    "One-sided,Time (UTC),Ending";
// Offered beside the text table's filter in the Save As Text dialog.
inline constexpr const char* kCsvExportFilter = "CSV Files (*.csv)";

// The shortest text that reads back to `value` ("1e-08", "20", "0.30000000000000004"); empty
// for a value that is not finite.
std::string RoundTripNumber(double value);

// Header and rows, each line ended by CR LF as RFC 4180 has it.
std::string FormatCsvExport(const SampleTable& table);
std::string FormatCsvExport(const C_KVR_DiaDoc& doc);

// Writes the CSV to `path` (atomically).
Status SaveCsvExport(const C_KVR_DiaDoc& doc, const std::filesystem::path& path);

// Whether a file name asks for CSV: it ends in ".csv", in any case.
bool IsCsvFileName(const std::filesystem::path& path);

}  // namespace tarvos
