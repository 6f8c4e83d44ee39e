// "tarvos info" and "tarvos export" on documents written here with the document library.
#include "cli_fixture.h"
#include "document/dia_doc.h"
#include "document/document_file.h"
#include "document/text_export.h"
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
