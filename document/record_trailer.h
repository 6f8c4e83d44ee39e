// The optional trailer of a measurement file that carries its records. It follows the samples,
// so readers that know only settings and samples load the file unchanged:
//   "TVDR", uint32 version, uint32 payload length, uint32 CRC-32 of the payload, payload.
// The payload: the run record, then a uint32 count of point records (0 or the sample count)
// and the point records in sample order. All little-endian; strings are uint32 length + UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document/run_records.h"

namespace tarvos {

inline constexpr std::uint32_t kRecordTrailerVersion = 1;
inline constexpr std::size_t kRecordTrailerHeaderBytes = 16;
inline constexpr std::size_t kPointRecordBytes = 48;

// The trailer for `records`; empty when there is nothing to record.
std::string EncodeRecordTrailer(const MeasurementRecords& records);

struct DecodedTrailer {
    std::optional<MeasurementRecords> records;  // none when the bytes hold no usable trailer
    std::string note;                            // why a trailer was not used; empty otherwise
};

// Reads the bytes after the samples. No bytes: no records, no note. Anything that is not a
// whole, intact trailer of this version, or whose point count is neither 0 nor `sampleCount`,
// gives no records and a note saying why; it is never an error of the file.
DecodedTrailer DecodeRecordTrailer(std::string_view bytes, std::size_t sampleCount);

std::uint32_t Crc32(std::string_view bytes);

}  // namespace tarvos
