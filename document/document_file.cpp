#include "document/document_file.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <filesystem>

#include "document/dia_doc.h"
#include "document/record_trailer.h"
#include "platform/atomic_file.h"

namespace tarvos {
namespace {

// Largest file taken into memory: 64 million samples with their records, far beyond any sweep.
constexpr std::size_t kMaxDocumentBytes = kDocumentHeaderBytes + kRecordTrailerHeaderBytes + (std::size_t{1} << 20) +
                                          (kSampleRecordBytes + kPointRecordBytes) * (std::size_t{1} << 26);

class Writer {
public:
    void Int(std::int32_t v) { Bytes(static_cast<std::uint32_t>(v), 4); }
    void Double(double v) { Bytes(std::bit_cast<std::uint64_t>(v), 8); }
    std::string Take() { return std::move(out_); }
    void Reserve(std::size_t n) { out_.reserve(n); }

private:
    void Bytes(std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    std::string out_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Remaining() const { return bytes_.size() - pos_; }
    std::int32_t Int() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Bytes(4))); }
    double Double() { return std::bit_cast<double>(Bytes(8)); }

private:
    // Callers check Remaining() first.
    std::uint64_t Bytes(int count) {
        std::uint64_t v = 0;
        for (int i = 0; i < count; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
        pos_ += count;
        return v;
    }
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::string WithPath(std::string text, const std::filesystem::path& path) {
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, path.string());
    return text;
}

Error ReadFailure(const Error& e, const std::filesystem::path& path) {
    switch (e.systemError) {
        case ENOENT: case ENOTDIR: return {WithPath("%1 was not found.", path), e.systemError};
        case EACCES: case EPERM: return {WithPath("%1 could not be accessed.", path), e.systemError};
        case EFBIG: return {kUnexpectedFileFormat, e.systemError};
        default: return {WithPath("An unexpected error occurred while reading %1.", path), e.systemError};
    }
}

bool FolderExists(const std::filesystem::path& file) {
    std::error_code ignored;
    return std::filesystem::is_directory(file.parent_path().empty() ? "." : file.parent_path(), ignored);
}

Error WriteFailure(const Error& e, const std::filesystem::path& path) {
    constexpr const char* kNotWritable = "Unable to write to %1, it is read-only or opened by someone else.";
    switch (e.systemError) {
        case EACCES: case EPERM: case EROFS: case ETXTBSY: return {WithPath(kNotWritable, path), e.systemError};
        case ENOSPC: case EDQUOT: return {"There is not enough space on the disk.", e.systemError};
        case ENOENT: case ENOTDIR:
            // A folder that is there but takes no new file (/proc, some mounts) answers ENOENT
            // too; its path is valid, the folder is just not writable.
            if (FolderExists(path)) return {WithPath(kNotWritable, path), e.systemError};
            return {WithPath("%1 contains an invalid path.", path), e.systemError};
        default: return {WithPath("An unexpected error occurred while writing %1.", path), e.systemError};
    }
}

}  // namespace

std::string SerializeDocument(const ReceiverSettings& rs, const SampleList& samples,
                              const MeasurementRecords& records) {
    Writer w;
    w.Reserve(kDocumentHeaderBytes + kSampleRecordBytes * samples.Count());
    w.Int(rs.sawBandwidth);
    w.Int(rs.channelBandwidth);
    w.Double(rs.frequency);
    w.Int(rs.input);
    w.Int(rs.berPoint);
    w.Int(rs.mode);
    w.Int(rs.qamOrder);
    w.Int(rs.rollOff);
    w.Double(rs.snrBegin);
    w.Double(rs.snrEnd);
    w.Double(rs.symbolRate);
    w.Int(static_cast<std::int32_t>(samples.Count()));
    for (const MeasurementSample& s : samples) {
        w.Double(s.snr);
        w.Double(s.ber);
    }
    std::string bytes = w.Take();
    // Point records that are not aligned with these samples are left out rather than written
    // against the wrong points.
    if (records.points.empty() || records.points.size() == samples.Count()) {
        bytes += EncodeRecordTrailer(records);
    } else {
        MeasurementRecords runOnly{records.run, {}};
        bytes += EncodeRecordTrailer(runOnly);
    }
    return bytes;
}

Result<DocumentContents> DeserializeDocument(std::string_view bytes) {
    if (bytes.size() < kDocumentHeaderBytes) return Error{kUnexpectedFileFormat};
    Reader r(bytes);
    DocumentContents c;
    ReceiverSettings& rs = c.receiver;
    rs.sawBandwidth = r.Int();
    rs.channelBandwidth = r.Int();
    rs.frequency = r.Double();
    rs.input = r.Int();
    rs.berPoint = r.Int();
    rs.mode = r.Int();
    rs.qamOrder = r.Int();
    rs.rollOff = r.Int();
    rs.snrBegin = r.Double();
    rs.snrEnd = r.Double();
    rs.symbolRate = r.Double();
    const std::int32_t n = r.Int();
    // The count is checked against the bytes that are really there before anything is built.
    if (n < 0 || static_cast<std::size_t>(n) > r.Remaining() / kSampleRecordBytes)
        return Error{kUnexpectedFileFormat};
    for (std::int32_t i = 0; i < n; ++i) {
        const double snr = r.Double();
        const double ber = r.Double();
        c.samples.AppendSample(snr, ber);
    }
    const std::size_t used = kDocumentHeaderBytes + kSampleRecordBytes * static_cast<std::size_t>(n);
    DecodedTrailer trailer = DecodeRecordTrailer(bytes.substr(used), static_cast<std::size_t>(n));
    if (trailer.records) c.records = std::move(*trailer.records);
    c.recordsNote = std::move(trailer.note);
    return c;
}

Status SaveDocument(C_KVR_DiaDoc& doc, const std::filesystem::path& path) {
    const ReceiverSettings rs = doc.Receiver();
    const std::string bytes =
        doc.WithCurves([&](const DocumentCurves& c) { return SerializeDocument(rs, c.measured, c.records); });
    if (Status written = WriteFileAtomically(path, bytes); !written.ok())
        return WriteFailure(written.error(), path);
    doc.SetPathName(path.string());
    doc.SetModifiedFlag(false);
    return {};
}

Status OpenDocument(C_KVR_DiaDoc& doc, const std::filesystem::path& path, std::string* recordsNote) {
    Result<std::string> bytes = ReadWholeFile(path, kMaxDocumentBytes);
    if (!bytes.ok()) return ReadFailure(bytes.error(), path);
    Result<DocumentContents> contents = DeserializeDocument(bytes.value());
    if (!contents.ok()) return contents.error();
    if (recordsNote != nullptr) *recordsNote = std::move(contents.value().recordsNote);
    doc.ReplaceMeasurement(contents.value().receiver, std::move(contents.value().samples),
                           std::move(contents.value().records));
    doc.SetPathName(path.string());
    doc.SetModifiedFlag(false);
    return {};
}

}  // namespace tarvos
