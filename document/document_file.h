// The ".tvd" measurement file: the receiver settings and the measured samples, a flat
// little-endian record without header (64 bytes, then 16 bytes per sample), optionally followed
// by the trailer with the measurement's records (document/record_trailer.h).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "document/receiver_settings.h"
#include "document/run_records.h"
#include "document/sample_list.h"
#include "platform/result.h"

namespace tarvos {

class C_KVR_DiaDoc;

inline constexpr const char* kUnexpectedFileFormat = "Unexpected file format.";
inline constexpr std::size_t kDocumentHeaderBytes = 64;
inline constexpr std::size_t kSampleRecordBytes = 16;

struct DocumentContents {
    ReceiverSettings receiver;
    SampleList samples;
    MeasurementRecords records;
    std::string recordsNote;  // why a trailer after the samples was not used; empty otherwise
};

// Settings and samples; the records' trailer follows only when there are records.
std::string SerializeDocument(const ReceiverSettings& receiver, const SampleList& samples,
                              const MeasurementRecords& records = {});
// Fails with "Unexpected file format." when the bytes are shorter than their fields or the
// sample count does not fit the remaining length; nothing is allocated beyond the input's size.
// A trailer that cannot be used never fails the load: the records are left empty and
// `recordsNote` says why.
Result<DocumentContents> DeserializeDocument(std::string_view bytes);

// Saves atomically; afterwards the document is titled with the file and unmodified.
Status SaveDocument(C_KVR_DiaDoc& doc, const std::filesystem::path& path);
// Opens as the File Open command does: on success the receiver settings and the measured curve
// are replaced, the theory rebuilt over the loaded range and END taken at the current
// threshold; on failure the document keeps exactly what it held. `recordsNote`, when given,
// receives why a trailer after the samples was not used (empty when it was or there was none).
Status OpenDocument(C_KVR_DiaDoc& doc, const std::filesystem::path& path, std::string* recordsNote = nullptr);

}  // namespace tarvos
