// "tarvos info" and "tarvos export" on documents written here with the document library.
#include "cli_fixture.h"
#include "document/confidence.h"
#include "document/csv_export.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
#include "document/theory.h"
#include "platform/number_text.h"

namespace tarvos::testing {
namespace {

class DocumentCommands : public CliTest {
protected:
    // A 64-QAM sweep that falls through 2e-4 between 23 and 26 dB, and ends in a BER of 0.
    std::string WriteDocument(double lastBer = 0.0) {
        ReceiverSettings rs;
        rs.frequency = 474.0;
        SampleList samples;
        for (const MeasurementSample& s : {MeasurementSample{20, 1e-2}, {23, 1e-3}, {26, 1e-5}, {29, lastBer}})
            samples.AppendSample(s.snr, s.ber);
        const std::filesystem::path path = Path("sweep.tvd");
        WriteBytes(path, SerializeDocument(rs, samples));
        return path.string();
    }

    // The same sweep with its records: counts behind each BER, the last point without errors.
    std::string WriteRecordedDocument() {
        ReceiverSettings rs;
        SampleList samples;
        MeasurementRecords records;
        records.run = {1796744400000, 1796744700000, {"KVR-T,4711", "KVR", "T", "4711", "2.10"},
                       "KVR Tarvos 1.0", 2e-4, "receiver A\nsecond line"};
        const double offset = SnrOffset(rs);
        const struct {
            double cnr, ber;
            int counter;
            PointEnding ending;
        } points[] = {{20, 1e-2, 1, PointEnding::Complete}, {23, 1e-3, 2, PointEnding::Complete},
                      {26, 1e-5, 10, PointEnding::Accepted}, {29, 0, 30, PointEnding::ZeroRule}};
        std::int64_t time = 1796744460000;
        for (const auto& p : points) {
            samples.AppendSample(p.cnr + offset, p.ber);
            PointRecord r = CountsFromReading(p.ber, 7, p.counter, 100);
            r.cnr = p.cnr;
            r.timeUtcMs = time += 60000;
            r.ending = p.ending;
            records.points.push_back(r);
        }
        const std::filesystem::path path = Path("recorded.tvd");
        WriteBytes(path, SerializeDocument(rs, samples, records));
        return path.string();
    }

    EndResult ExpectedEnd(const std::string& path, double threshold) {
        C_KVR_DiaDoc doc;
        doc.SetThresholdBer(threshold);
        EXPECT_TRUE(OpenDocument(doc, path).ok());
        return doc.End();
    }
};

TEST_F(DocumentCommands, InfoJsonHasReceiverSamplesAndTheDocumentsEnd) {
    const std::string path = WriteDocument();
    const nlohmann::json j = RunJson({"info", path, "--json", "--threshold", "1e-4"});
    EXPECT_EQ(j["receiver"], nlohmann::json::parse(
        R"({"mode":4,"input":128,"qamOrder":64,"sawBandwidth":8,"channelBandwidth":8,"rollOff":15,
            "berPoint":1,"frequency":474.0,"symbolRate":6.9,"snrBegin":20.0,"snrEnd":35.0})"));
    EXPECT_EQ(j["samples"], nlohmann::json::parse("[[20.0,0.01],[23.0,0.001],[26.0,1e-05],[29.0,0.0]]"));
    const EndResult end = ExpectedEnd(path, 1e-4);
    ASSERT_EQ(end.valid, 1);
    EXPECT_EQ(j["end"]["valid"], 1);
    EXPECT_EQ(j["end"]["theorySnr"].get<double>(), end.theorySnr);
    EXPECT_EQ(j["end"]["measuredSnr"].get<double>(), end.measuredSnr);
    EXPECT_EQ(j["end"]["endDb"].get<double>(), end.EndDb());
}

TEST_F(DocumentCommands, InfoTakesTheSettingsFilesThresholdAndSaysWhenThereIsNoEnd) {
    const std::string path = WriteDocument();
    WriteBytes(SettingsPath(), "[Measurement]\nTreshold=1e-3\n");
    const RunResult text = Run({"info", path});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const EndResult end = ExpectedEnd(path, 1e-3);
    EXPECT_NE(text.out.find("frequency: 474.\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("samples: 4\n20.\t1.e-002\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("END: " + FormatNumber(end.EndDb()) + " dB (theory " + FormatNumber(end.theorySnr) +
                            " dB, measured " + FormatNumber(end.measuredSnr) + " dB at BER 1.e-003)\n"),
              std::string::npos) << text.out;

    // A threshold the sweep never reaches leaves END undefined.
    const nlohmann::json none = RunJson({"info", path, "--json", "--threshold", "1e-9"});
    EXPECT_EQ(none["end"]["valid"], 0);
    EXPECT_TRUE(none["end"]["endDb"].is_null());
    EXPECT_NE(Run({"info", path, "--threshold", "1e-9"}).out.find("END: none\n"), std::string::npos);
}

TEST_F(DocumentCommands, ExportIsTheTextTableByteForByte) {
    const std::string path = WriteDocument(3e-7);
    C_KVR_DiaDoc doc;
    ASSERT_TRUE(OpenDocument(doc, path).ok());
    const std::string expected = FormatTextExport(doc);

    const RunResult r = Run({"export", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.out.rfind("Nr.    SNR             CNR      Theoretical_BER      Measured_BER\r\n1 ", 0), 0u);

    const RunResult toFile = Run({"export", path, "-o", Path("table.txt").string()});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_TRUE(toFile.out.empty());
    EXPECT_EQ(ReadBytes(Path("table.txt")), expected);
}

TEST_F(DocumentCommands, InfoShowsTheRunPointRecordsAndIntervals) {
    const std::string path = WriteRecordedDocument();
    const RunResult text = Run({"info", path, "--threshold", "2e-4"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const BerInterval first = ClopperPearson(99993.0, 9999264.0);
    for (const std::string& line : std::vector<std::string>{
             "END: ", "run start: 2026-12-08T15:40:00.000Z\nrun end: 2026-12-08T15:45:00.000Z\ninstrument: KVR-T,4711\n",
          "serial number: 4711\nfirmware version: 2.10\nprogram version: KVR Tarvos 1.0\n",
          "run threshold BER: 2.e-004\ncomment: receiver A\n  second line\n",
          "point 1: C/N 20. dB, 99993 errors in 9999264 bits, 95 % interval " + FormatNumber(first.lower) + " .. " +
              FormatNumber(first.upper) + ", 2026-12-08T15:42:00.000Z, complete\n",
          "point 4: C/N 29. dB, 0 errors in 299977920 bits, 95 % interval 0. .. " +
              FormatNumber(ClopperPearson(0, 299977920.0).upper) + " one-sided, 2026-12-08T15:45:00.000Z, zero rule\n",
          "END interval: "})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
    // The older lines come first, unchanged.
    EXPECT_LT(text.out.find("END: "), text.out.find("run start: "));

    const nlohmann::json j = RunJson({"info", path, "--json", "--threshold", "2e-4"});
    EXPECT_EQ(j["run"]["serialNumber"], "4711");
    EXPECT_EQ(j["run"]["start"], "2026-12-08T15:40:00.000Z");
    ASSERT_EQ(j["points"].size(), 4u);
    EXPECT_EQ(j["points"][0]["errors"].get<double>(), 99993.0);
    EXPECT_EQ(j["points"][0]["berLower"].get<double>(), first.lower);
    EXPECT_EQ(j["points"][0]["berUpper"].get<double>(), first.upper);
    EXPECT_EQ(j["points"][0]["oneSided"], false);
    EXPECT_EQ(j["points"][3]["oneSided"], true);
    EXPECT_EQ(j["points"][2]["ending"], "accepted");
    EXPECT_EQ(j["points"][3]["counter"], 30);
    ASSERT_TRUE(j["end"]["interval"].is_object()) << j.dump();
    EXPECT_LE(j["end"]["interval"]["lowerDb"].get<double>(), j["end"]["endDb"].get<double>());
    EXPECT_GE(j["end"]["interval"]["upperDb"].get<double>(), j["end"]["endDb"].get<double>());
    EXPECT_TRUE(j["recordsNote"].is_null());
}

TEST_F(DocumentCommands, ADocumentWithoutRecordsShowsNoRecordFieldsAndNullsInJson) {
    const std::string path = WriteDocument();
    const RunResult text = Run({"info", path});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const char* field : {"run start", "point ", "END interval", "records ignored"})
        EXPECT_EQ(text.out.find(field), std::string::npos) << field << "\n" << text.out;
    const nlohmann::json j = RunJson({"info", path, "--json"});
    EXPECT_TRUE(j["run"].is_null());
    EXPECT_TRUE(j["end"]["interval"].is_null());
    ASSERT_EQ(j["points"].size(), 4u);
    EXPECT_EQ(j["points"][1]["measuredBer"].get<double>(), 1e-3);
    for (const char* key : {"errors", "bits", "berLower", "berUpper", "oneSided", "time", "ending", "counter"})
        EXPECT_TRUE(j["points"][1][key].is_null()) << key;
}

TEST_F(DocumentCommands, InfoNamesRecordsItIgnoredAndStillShowsTheSamples) {
    std::string bytes = ReadBytes(WriteRecordedDocument());
    bytes.back() ^= 0x01;  // inside the last point record: the checksum no longer matches
    WriteBytes(Path("damaged.tvd"), bytes);
    const RunResult text = Run({"info", Path("damaged.tvd").string()});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("samples: 4\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\nrecords ignored: checksum mismatch (damaged file)\n"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("point 1"), std::string::npos) << text.out;
    const nlohmann::json j = RunJson({"info", Path("damaged.tvd").string(), "--json"});
    EXPECT_EQ(j["recordsNote"], "records ignored: checksum mismatch (damaged file)");
    EXPECT_TRUE(j["run"].is_null());
}

TEST_F(DocumentCommands, ExportWritesCsvAndJsonWithTheRecords) {
    const std::string path = WriteRecordedDocument();
    C_KVR_DiaDoc doc;
    ASSERT_TRUE(OpenDocument(doc, path).ok());
    const RunResult csv = Run({"export", path, "--format", "csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out, FormatCsvExport(doc));
    ASSERT_EQ(Run({"export", path, "--format", "csv", "-o", Path("out.csv").string()}).exitCode, 0);
    EXPECT_EQ(ReadBytes(Path("out.csv")), csv.out);

    const nlohmann::json j = RunJson({"export", path, "--format", "json", "--threshold", "2e-4"});
    const nlohmann::json info = RunJson({"info", path, "--json", "--threshold", "2e-4"});
    for (const char* key : {"run", "receiver", "end", "points", "recordsNote"}) EXPECT_EQ(j[key], info[key]) << key;
    EXPECT_EQ(j["run"]["comment"], "receiver A\nsecond line");

    const RunResult text = Run({"export", path, "--format", "text"});
    EXPECT_EQ(text.out, FormatTextExport(doc));
    const RunResult bad = Run({"export", path, "--format", "xml"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.empty());
}

TEST_F(DocumentCommands, UnreadableDocumentsAndFailedWritesExitWithOne) {
    const std::string path = WriteDocument();
    WriteBytes(Path("short.tvd"), ReadBytes(path).substr(0, 70));
    for (const char* command : {"info", "export"}) {
        const RunResult truncated = Run({command, Path("short.tvd").string()});
        EXPECT_EQ(truncated.exitCode, 1) << command;
        EXPECT_NE(truncated.err.find("Unexpected file format."), std::string::npos) << truncated.err;
        EXPECT_TRUE(truncated.out.empty());
        const RunResult missing = Run({command, Path("missing.tvd").string()});
        EXPECT_EQ(missing.exitCode, 1);
        EXPECT_NE(missing.err.find("missing.tvd"), std::string::npos) << missing.err;
    }
    const RunResult badTarget = Run({"export", path, "-o", Path("sweep.tvd/table.txt").string()});
    EXPECT_EQ(badTarget.exitCode, 1);
    EXPECT_FALSE(badTarget.err.empty());
    const RunResult fullDisk = RunRaw({"export", path}, "/dev/full");
    EXPECT_EQ(fullDisk.exitCode, 1);
    EXPECT_NE(fullDisk.err.find("standard output"), std::string::npos) << fullDisk.err;
}

}  // namespace
}  // namespace tarvos::testing
