// The records' trailer: files stay what older readers load, records round-trip exactly, stay
// aligned with their samples, and any damage to the trailer costs the records, never the samples.
#include "document/record_trailer.h"

#include <gtest/gtest.h>

#include "document/dia_doc.h"
#include "document/document_file.h"
#include "platform/atomic_file.h"
#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

SampleList ThreeSamples() {
    SampleList s;
    s.AppendSample(20.0, 3e-3);
    s.AppendSample(21.5, 2.5e-5);
    s.AppendSample(23.0, 0.0);
    return s;
}

MeasurementRecords ThreeRecords() {
    MeasurementRecords r;
    r.run = {1765200000123, 1765200600456, {"KVR-A 100734", "KVR", "KVR-A", "100734", "1.30"}, "KVR Tarvos 1.1",
             2e-4, "DUT 7, firmware \"2.1\"\nsecond line"};
    r.points = {{20.0, 299978, 99992640, 3, 10, 10, 1765200100000, PointEnding::Complete},
                {21.5, 2500, 99992640, 5, 10, 10, 1765200200000, PointEnding::Refinement},
                {23.0, 0, 49996320, 8, 5, 10, 1765200300000, PointEnding::ZeroRule}};
    return r;
}

TEST(RecordTrailer, FollowsTheUnchangedSamplesAndRoundTrips) {
    const ReceiverSettings rs;
    const std::string plain = SerializeDocument(rs, ThreeSamples());
    const std::string with = SerializeDocument(rs, ThreeSamples(), ThreeRecords());
    ASSERT_EQ(plain.size(), kDocumentHeaderBytes + 3 * kSampleRecordBytes);
    EXPECT_EQ(with.substr(0, plain.size()), plain);
    EXPECT_EQ(with.substr(plain.size(), 4), "TVDR");
    Result<DocumentContents> back = DeserializeDocument(with);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value().records, ThreeRecords());
    EXPECT_EQ(back.value().recordsNote, "");
    EXPECT_EQ(SerializeDocument(back.value().receiver, back.value().samples, back.value().records), with);
    // Nothing recorded: no trailer at all.
    EXPECT_EQ(SerializeDocument(rs, ThreeSamples(), MeasurementRecords{}), plain);
}

TEST(RecordTrailer, DamageCostsTheRecordsNotTheSamples) {
    const std::string good = SerializeDocument(ReceiverSettings{}, ThreeSamples(), ThreeRecords());
    const std::size_t trailer = kDocumentHeaderBytes + 3 * kSampleRecordBytes;
    std::string laterVersion = good;
    laterVersion[trailer + 4] = 2;
    std::string flipped = good;
    flipped[good.size() - 10] ^= 0x10;
    struct Case {
        const char* name;
        std::string bytes;
        const char* note;
    } cases[] = {
        {"cut in the header", good.substr(0, trailer + 7), "unknown bytes after the samples"},
        {"cut in the payload", good.substr(0, good.size() - 1), "the file is cut short"},
        {"one bit flipped", flipped, "checksum mismatch"},
        {"later version", laterVersion, "version 2"},
        {"garbage", good.substr(0, trailer) + "garbage after the samples", "unknown bytes"},
        {"extra bytes", good + "x", "unknown bytes after the records"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result<DocumentContents> read = DeserializeDocument(c.bytes);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.value().samples.ToVector(), ThreeSamples().ToVector());
        EXPECT_TRUE(read.value().records.Empty());
        EXPECT_NE(read.value().recordsNote.find(c.note), std::string::npos) << read.value().recordsNote;
    }
}

TEST(RecordTrailer, PointCountMustMatchTheSamples) {
    MeasurementRecords runOnly = ThreeRecords();
    runOnly.points.clear();
    Result<DocumentContents> read = DeserializeDocument(SerializeDocument({}, ThreeSamples(), runOnly));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().records, runOnly);
    // Two point records for three samples are never pinned on the wrong points.
    const std::string trailer = EncodeRecordTrailer(ThreeRecords());
    SampleList two;
    two.AppendSample(1, 1e-3);
    two.AppendSample(2, 1e-4);
    read = DeserializeDocument(SerializeDocument({}, two) + trailer);
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read.value().records.Empty());
    EXPECT_NE(read.value().recordsNote.find("3 point records for 2 samples"), std::string::npos);
}

TEST(RecordTrailer, InsertedAndReplacedSamplesKeepTheirRecords) {
    C_KVR_DiaDoc doc;
    PointRecord a{20.0, 1, 1e7, 7, 1, 10, 1, PointEnding::Complete};
    PointRecord b = a, c = a, d = a;
    b.cnr = 22.0;
    c.cnr = 21.0;
    c.ending = PointEnding::Refinement;
    d.cnr = 22.0;
    d.errors = 9;
    doc.AppendSample(20.0, 1e-3, a);
    doc.AppendSample(22.0, 1e-5, b);
    doc.InsertOrReplaceSample(21.0, 1e-4, c);  // between: inserted in the middle
    doc.InsertOrReplaceSample(22.0, 2e-5, d);  // same S/N: replaces sample and record
    doc.AppendSample(23.0, 1e-6);              // without a record: an empty one keeps the order
    const MeasurementRecords r = doc.Records();
    ASSERT_EQ(r.points.size(), 4u);
    EXPECT_EQ(r.points[0], a);
    EXPECT_EQ(r.points[1], c);
    EXPECT_EQ(r.points[2], d);
    EXPECT_FALSE(r.points[3].HasCounts());
}

TEST(RecordTrailer, OpenAndSaveKeepTheFileByteForByte) {
    testing::TempDir dir;
    const std::string bytes = SerializeDocument(ReceiverSettings{}, ThreeSamples(), ThreeRecords());
    ASSERT_TRUE(WriteFileAtomically(dir / "a.tvd", bytes).ok());
    C_KVR_DiaDoc doc;
    ASSERT_TRUE(OpenDocument(doc, dir / "a.tvd").ok());
    ASSERT_TRUE(SaveDocument(doc, dir / "b.tvd").ok());
    EXPECT_EQ(ReadWholeFile(dir / "b.tvd", 1 << 20).value(), bytes);
    // A new run starts without the old run's records but keeps the user's comment.
    doc.ResetMeasurement();
    EXPECT_TRUE(doc.Records().points.empty());
    EXPECT_EQ(doc.Run().comment, ThreeRecords().run.comment);
    EXPECT_EQ(doc.Run().startUtcMs, 0);
}

}  // namespace
}  // namespace tarvos
