// The .tvd file: exact byte layout, bit-exact round trips, refusal of damaged files without
// touching the open document, and crash-safe saving.
#include "document/document_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "document/dia_doc.h"
#include "platform/atomic_file.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

using testing::TempDir;

ReceiverSettings DistinctSettings() {
    ReceiverSettings rs;
    rs.sawBandwidth = 7;
    rs.channelBandwidth = 6;
    rs.frequency = 474.0;
    rs.input = 75;
    rs.berPoint = 2;
    rs.mode = 8;
    rs.qamOrder = 256;
    rs.rollOff = 13;
    rs.snrBegin = 21.5;
    rs.snrEnd = 33.25;
    rs.symbolRate = 6.875;
    return rs;
}

std::int32_t IntAt(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return static_cast<std::int32_t>(v);
}

double DoubleAt(const std::string& b, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return std::bit_cast<double>(v);
}


TEST(DocumentFile, FieldsSitAtTheirOffsetsLittleEndianUnaligned) {
    SampleList samples;
    samples.AppendSample(20.5, 1e-3);
    samples.AppendSample(22.0, 0.0);
    const std::string b = SerializeDocument(DistinctSettings(), samples);
    ASSERT_EQ(b.size(), 64u + 2 * 16);
    EXPECT_EQ(IntAt(b, 0), 7);
    EXPECT_EQ(IntAt(b, 4), 6);
    EXPECT_EQ(DoubleAt(b, 8), 474.0);
    EXPECT_EQ(IntAt(b, 16), 75);
    EXPECT_EQ(IntAt(b, 20), 2);
    EXPECT_EQ(IntAt(b, 24), 8);
    EXPECT_EQ(IntAt(b, 28), 256);
    EXPECT_EQ(IntAt(b, 32), 13);
    EXPECT_EQ(DoubleAt(b, 36), 21.5);
    EXPECT_EQ(DoubleAt(b, 44), 33.25);
    EXPECT_EQ(DoubleAt(b, 52), 6.875);
    EXPECT_EQ(IntAt(b, 60), 2);
    EXPECT_EQ(DoubleAt(b, 64), 20.5);
    EXPECT_EQ(DoubleAt(b, 72), 1e-3);
    EXPECT_EQ(DoubleAt(b, 80), 22.0);
    EXPECT_EQ(DoubleAt(b, 88), 0.0);
    // First byte of the file is the low byte of the SAW bandwidth.
    EXPECT_EQ(b[0], 7);
    EXPECT_EQ(b[1], 0);
}

TEST(DocumentFile, RoundTripIsBitExactAndKeepsOrderAndDuplicates) {
    SampleList samples;
    const double odd[] = {-0.0, std::numeric_limits<double>::denorm_min(), 1e-300, 0.1 + 0.2,
                          std::numeric_limits<double>::infinity()};
    for (double v : odd) samples.AppendSample(v, v);
    samples.AppendSample(5, 1);
    samples.AppendSample(5, 1);  // duplicates are kept
    samples.AppendSample(1, 2);  // and the order is not changed
    const Result<DocumentContents> back = DeserializeDocument(SerializeDocument(DistinctSettings(), samples));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value().receiver, DistinctSettings());
    const auto a = samples.ToVector();
    const auto b = back.value().samples.ToVector();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a[i].snr), std::bit_cast<std::uint64_t>(b[i].snr));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a[i].ber), std::bit_cast<std::uint64_t>(b[i].ber));
    }
}

TEST(DocumentFile, DamagedFilesAreUnexpectedFormat) {
    const std::string good = SerializeDocument(DistinctSettings(), SampleList{});
    ASSERT_EQ(good.size(), 64u);
    EXPECT_TRUE(DeserializeDocument(good).ok());
    for (std::size_t size : {0, 1, 60, 63}) {
        auto r = DeserializeDocument(good.substr(0, size));
        ASSERT_FALSE(r.ok()) << size;
        EXPECT_EQ(r.error().message, "Unexpected file format.");
    }
    auto withCount = [&](std::int32_t n, std::size_t extra) {
        std::string b = good;
        const auto u = static_cast<std::uint32_t>(n);
        for (int i = 0; i < 4; ++i) b[60 + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
        return b + std::string(extra, '\0');
    };
    EXPECT_FALSE(DeserializeDocument(withCount(1, 6)).ok());   // 70 bytes claiming one sample
    EXPECT_FALSE(DeserializeDocument(withCount(-1, 16)).ok());
    EXPECT_FALSE(DeserializeDocument(withCount(std::numeric_limits<std::int32_t>::max(), 16)).ok());
    EXPECT_FALSE(DeserializeDocument(withCount(std::numeric_limits<std::int32_t>::min(), 16)).ok());
    EXPECT_TRUE(DeserializeDocument(withCount(1, 16)).ok());
}

TEST(DocumentFile, OpenReplacesReceiverAndSamplesAndRecomputes) {
    TempDir dir;
    C_KVR_DiaDoc writer;
    for (double snr = 21; snr <= 29.01; snr += 1) writer.AppendSample(snr, writer.TheoreticalBer(snr - 1));
    ASSERT_TRUE(SaveDocument(writer, dir / "m.tvd").ok());
    EXPECT_EQ(writer.Title(), "m.tvd");
    EXPECT_FALSE(writer.IsModified());

    C_KVR_DiaDoc doc;
    doc.AppendSample(1, 1);
    doc.SetModifiedFlag();
    doc.SetThresholdBer(1e-6);  // the threshold of the running program applies
    ASSERT_TRUE(OpenDocument(doc, dir / "m.tvd").ok());
    EXPECT_EQ(doc.MeasuredSamples(), writer.MeasuredSamples());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Title(), "m.tvd");
    EXPECT_FALSE(doc.TheoreticalSamples().empty());
    EXPECT_EQ(doc.TheoreticalSamples().front().snr, 20);
    ASSERT_EQ(doc.End().valid, 1);
    EXPECT_EQ(doc.End().theoryBer, 1e-6);
    EXPECT_NEAR(doc.End().EndDb(), 1.0, 0.1);
}

TEST(DocumentFile, AnEmptyDocumentIs64BytesAndEmptiesTheCurve) {
    TempDir dir;
    C_KVR_DiaDoc empty;
    ASSERT_TRUE(SaveDocument(empty, dir / "e.tvd").ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "e.tvd"), 64u);
    C_KVR_DiaDoc doc;
    doc.AppendSample(20, 1e-3);
    ASSERT_TRUE(OpenDocument(doc, dir / "e.tvd").ok());
    EXPECT_EQ(doc.MeasuredCount(), 0u);
}

TEST(DocumentFile, AFailedOpenLeavesTheDocumentAsItWas) {
    TempDir dir;
    C_KVR_DiaDoc doc;
    ASSERT_TRUE(SaveDocument(doc, dir / "mine.tvd").ok());
    doc.AppendSample(20, 1e-3);
    doc.SetModifiedFlag();
    const ReceiverSettings before = doc.Receiver();
    std::string damaged = SerializeDocument(DistinctSettings(), SampleList{});
    damaged[60] = 1;  // one sample claimed, none present
    testing::WriteBytes(dir / "bad.tvd", damaged + "123456");

    const Status st = OpenDocument(doc, dir / "bad.tvd");
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().message, "Unexpected file format.");
    EXPECT_EQ(doc.Receiver(), before);
    EXPECT_EQ(doc.MeasuredSamples(), (std::vector<MeasurementSample>{{20, 1e-3}}));
    EXPECT_EQ(doc.Title(), "mine.tvd");
    EXPECT_TRUE(doc.IsModified());

    const Status missing = OpenDocument(doc, dir / "none.tvd");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, (dir / "none.tvd").string() + " was not found.");
}

TEST(DocumentFile, AFailedSaveKeepsThePreviousFile) {
    TempDir dir;
    C_KVR_DiaDoc doc;
    doc.AppendSample(20, 1e-3);
    ASSERT_TRUE(SaveDocument(doc, dir / "keep.tvd").ok());
    const std::string before = ReadWholeFile(dir / "keep.tvd").value();
    // A folder where the file should be: the rename cannot replace it.
    std::filesystem::create_directory(dir / "folder.tvd");
    const Status st = SaveDocument(doc, dir / "folder.tvd");
    EXPECT_FALSE(st.ok());
    EXPECT_FALSE(st.error().message.empty());
    EXPECT_EQ(ReadWholeFile(dir / "keep.tvd").value(), before);
    // No temporary files are left behind.
    EXPECT_EQ(dir.EntryCount(), 2u);
    // A path through a regular file.
    const Status through = SaveDocument(doc, dir / "keep.tvd" / "x.tvd");
    ASSERT_FALSE(through.ok());
    EXPECT_NE(through.error().message.find("x.tvd"), std::string::npos);
}

TEST(DocumentFile, AFolderThatTakesNoFileIsNotAnInvalidPath) {
    TempDir dir;
    C_KVR_DiaDoc doc;
    doc.AppendSample(20, 1e-3);
    const struct {
        std::filesystem::path file;
        std::string message;
    } cases[] = {
        // /proc is there for everyone but takes no new file (ENOENT as root, EACCES otherwise).
        {"/proc/x.tvd", "Unable to write to /proc/x.tvd, it is read-only or opened by someone else."},
        {dir / "missing" / "x.tvd", (dir / "missing" / "x.tvd").string() + " contains an invalid path."},
    };
    for (const auto& c : cases) {
        const Status st = SaveDocument(doc, c.file);
        ASSERT_FALSE(st.ok()) << c.file;
        EXPECT_EQ(st.error().message, c.message);
    }
}

}  // namespace
}  // namespace tarvos
