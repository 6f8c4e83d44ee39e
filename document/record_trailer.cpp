#include "document/record_trailer.h"

#include <array>
#include <bit>

namespace tarvos {
namespace {

constexpr std::string_view kMagic = "TVDR";

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

class Out {
public:
    void U32(std::uint32_t v) { Bytes(v, 4); }
    void I32(std::int32_t v) { Bytes(static_cast<std::uint32_t>(v), 4); }
    void I64(std::int64_t v) { Bytes(static_cast<std::uint64_t>(v), 8); }
    void F64(double v) { Bytes(std::bit_cast<std::uint64_t>(v), 8); }
    void Str(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_ += s;
    }
    std::string& Bytes() { return out_; }

private:
    void Bytes(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    std::string out_;
};

// Reads fields until the first one that does not fit; after that every read yields zero and
// ok() is false, so a decoder checks once at the end.
class In {
public:
    explicit In(std::string_view b) : b_(b) {}
    bool ok() const { return ok_; }
    std::size_t Remaining() const { return b_.size() - pos_; }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Bytes(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Bytes(4))); }
    std::int64_t I64() { return static_cast<std::int64_t>(Bytes(8)); }
    double F64() { return std::bit_cast<double>(Bytes(8)); }
    std::string Str() {
        const std::uint32_t n = U32();
        if (!ok_ || n > Remaining()) return Fail(), std::string();
        std::string s(b_.substr(pos_, n));
        pos_ += n;
        return s;
    }

private:
    void Fail() { ok_ = false; }
    std::uint64_t Bytes(int n) {
        if (!ok_ || Remaining() < static_cast<std::size_t>(n)) return Fail(), 0;
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= std::uint64_t{static_cast<unsigned char>(b_[pos_ + i])} << (8 * i);
        pos_ += n;
        return v;
    }
    std::string_view b_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

std::string EncodePayload(const MeasurementRecords& r) {
    Out o;
    o.I64(r.run.startUtcMs);
    o.I64(r.run.endUtcMs);
    o.F64(r.run.thresholdBer);
    o.Str(r.run.programVersion);
    o.Str(r.run.instrument.identity);
    o.Str(r.run.instrument.manufacturer);
    o.Str(r.run.instrument.modelNumber);
    o.Str(r.run.instrument.serialNumber);
    o.Str(r.run.instrument.firmwareVersion);
    o.Str(r.run.comment);
    o.U32(static_cast<std::uint32_t>(r.points.size()));
    for (const PointRecord& p : r.points) {
        o.F64(p.cnr);
        o.F64(p.errors);
        o.F64(p.bits);
        o.I32(p.exponent);
        o.I32(p.counter);
        o.I32(p.counterMax);
        o.I64(p.timeUtcMs);
        o.I32(static_cast<std::int32_t>(p.ending));
    }
    return std::move(o.Bytes());
}

DecodedTrailer Ignored(std::string note) { return {std::nullopt, "records ignored: " + std::move(note)}; }

DecodedTrailer DecodePayload(std::string_view payload, std::size_t sampleCount) {
    In in(payload);
    MeasurementRecords r;
    r.run.startUtcMs = in.I64();
    r.run.endUtcMs = in.I64();
    r.run.thresholdBer = in.F64();
    r.run.programVersion = in.Str();
    r.run.instrument.identity = in.Str();
    r.run.instrument.manufacturer = in.Str();
    r.run.instrument.modelNumber = in.Str();
    r.run.instrument.serialNumber = in.Str();
    r.run.instrument.firmwareVersion = in.Str();
    r.run.comment = in.Str();
    const std::uint32_t count = in.U32();
    if (!in.ok()) return Ignored("the run record is cut short");
    if (count != 0 && count != sampleCount)
        return Ignored(std::to_string(count) + " point records for " + std::to_string(sampleCount) + " samples");
    if (in.Remaining() != std::size_t{count} * kPointRecordBytes) return Ignored("the point records do not fit");
    r.points.resize(count);
    for (PointRecord& p : r.points) {
        p.cnr = in.F64();
        p.errors = in.F64();
        p.bits = in.F64();
        p.exponent = in.I32();
        p.counter = in.I32();
        p.counterMax = in.I32();
        p.timeUtcMs = in.I64();
        p.ending = static_cast<PointEnding>(in.I32());
    }
    return {std::move(r), {}};
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string EncodeRecordTrailer(const MeasurementRecords& records) {
    if (records.Empty()) return {};
    const std::string payload = EncodePayload(records);
    Out o;
    o.Bytes() += kMagic;
    o.U32(kRecordTrailerVersion);
    o.U32(static_cast<std::uint32_t>(payload.size()));
    o.U32(Crc32(payload));
    o.Bytes() += payload;
    return std::move(o.Bytes());
}

DecodedTrailer DecodeRecordTrailer(std::string_view bytes, std::size_t sampleCount) {
    if (bytes.empty()) return {};
    if (bytes.size() < kRecordTrailerHeaderBytes || bytes.substr(0, kMagic.size()) != kMagic)
        return Ignored("unknown bytes after the samples");
    In header(bytes.substr(kMagic.size()));
    const std::uint32_t version = header.U32();
    const std::uint32_t length = header.U32();
    const std::uint32_t crc = header.U32();
    if (version != kRecordTrailerVersion)
        return Ignored("written in record version " + std::to_string(version) + ", this program reads version " +
                       std::to_string(kRecordTrailerVersion));
    const std::string_view payload = bytes.substr(kRecordTrailerHeaderBytes);
    if (payload.size() < length) return Ignored("the file is cut short");
    if (payload.size() > length) return Ignored("unknown bytes after the records");
    if (Crc32(payload) != crc) return Ignored("checksum mismatch (damaged file)");
    return DecodePayload(payload, sampleCount);
}

}  // namespace tarvos
