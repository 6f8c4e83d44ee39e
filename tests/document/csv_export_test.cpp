// The CSV export and the sample table behind it: numbers that read back exactly, the record
// fields of each row, empty fields where nothing is known, and which names ask for CSV.
#include "document/csv_export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <vector>

#include "document/dia_doc.h"
#include "document/theory.h"

namespace tarvos {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

PointRecord Record(double cnr, double errors, double bits, std::int64_t time, PointEnding ending) {
    PointRecord r;
    r.cnr = cnr;
    r.errors = errors;
    r.bits = bits;
    r.exponent = 7;
    r.counter = 3;
    r.counterMax = 10;
    r.timeUtcMs = time;
    r.ending = ending;
    return r;
}

TEST(CsvExport, NumbersReadBackToTheSameDouble) {
    for (const double v : {1.000073605e-8, 0.1 + 0.2, 20.0, -3.25, 5e-324, 1.7976931348623157e308, 0.0}) {
        const std::string text = RoundTripNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(RoundTripNumber(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(RoundTripNumber(std::numeric_limits<double>::infinity()), "");
}

TEST(CsvExport, RowsCarryCountsIntervalTimeAndEndingOrEmptyFields) {
    C_KVR_DiaDoc doc;  // 64-QAM, S/N = C/N + offset
    const double offset = SnrOffset(doc.Receiver());
    doc.AppendSample(20.0 + offset, 1e-3, Record(20.0, 999926.0, 999926400.0, 1796744422125, PointEnding::Complete));
    doc.AppendSample(23.0 + offset, 0.0, Record(23.0, 0.0, 1999852800.0, 1796744482000, PointEnding::ZeroRule));
    doc.AppendSample(24.0, 1e-9);  // stored without a record
    const std::vector<std::string> lines = Split(FormatCsvExport(doc), "\r\n");
    ASSERT_EQ(lines.size(), 5u);  // header, three rows, nothing after the last CR LF
    EXPECT_EQ(lines[0], kCsvExportHeader);
    EXPECT_EQ(lines[4], "");

    const std::vector<std::string> first = Split(lines[1], ",");
    ASSERT_EQ(first.size(), 12u);
    const BerInterval interval = ClopperPearson(999926.0, 999926400.0);
    EXPECT_EQ(first[0], "1");
    EXPECT_EQ(std::strtod(first[1].c_str(), nullptr), 20.0 + offset);
    EXPECT_EQ(first[2], "20");  // the C/N set, not S/N - offset recomputed
    EXPECT_EQ(std::strtod(first[3].c_str(), nullptr), TheoreticalBer(doc.Receiver(), 20.0 + offset));
    EXPECT_EQ(first[4], "0.001");
    EXPECT_EQ(first[5], "999926");
    EXPECT_EQ(first[6], "999926400");
    EXPECT_EQ(std::strtod(first[7].c_str(), nullptr), interval.lower);
    EXPECT_EQ(std::strtod(first[8].c_str(), nullptr), interval.upper);
    EXPECT_EQ(first[9], "0");
    EXPECT_EQ(first[10], "2026-12-08T15:40:22.125Z");
    EXPECT_EQ(first[11], "complete");

    const std::vector<std::string> zero = Split(lines[2], ",");
    ASSERT_EQ(zero.size(), 12u);
    EXPECT_EQ(zero[5], "0");
    EXPECT_EQ(zero[7], "0");
    EXPECT_EQ(std::strtod(zero[8].c_str(), nullptr), ClopperPearson(0.0, 1999852800.0).upper);
    EXPECT_EQ(zero[9], "1");
    EXPECT_EQ(zero[11], "zero rule");

    // No record: the table's own columns, nothing invented for the rest.
    EXPECT_EQ(Split(lines[3], ","),
              (std::vector<std::string>{"3", "24", RoundTripNumber(24.0 - offset),
                                        RoundTripNumber(TheoreticalBer(doc.Receiver(), 24.0)), "1e-09", "", "", "",
                                        "", "", "", ""}));
}

TEST(CsvExport, NoTheoryAndNoRecordsLeaveTheirFieldsEmpty) {
    C_KVR_DiaDoc doc;
    ReceiverSettings rs = doc.Receiver();
    rs.mode = 7;  // no theory
    doc.SetReceiver(rs);
    doc.AppendSample(20.0, 0.5);
    const std::vector<std::string> row = Split(Split(FormatCsvExport(doc), "\r\n")[1], ",");
    EXPECT_EQ(row, (std::vector<std::string>{"1", "20", RoundTripNumber(20.0 - SnrOffset(rs)), "", "0.5", "", "", "",
                                             "", "", "", ""}));
    const SampleTable table = TabulateMeasurement(doc);
    EXPECT_FALSE(table.hasPointRecords);
    EXPECT_FALSE(table.run.has_value());
    EXPECT_FALSE(table.endInterval.valid);
}

TEST(CsvExport, CsvNamesEndInCsvInAnyCase) {
    const struct {
        const char* name;
        bool csv;
    } cases[] = {{"a.csv", true}, {"dir.txt/A.CSV", true}, {"a.Csv", true}, {"a.csv.txt", false},
                 {"csv", false},  {"a.tsv", false},         {".csv", false}};
    for (const auto& c : cases) EXPECT_EQ(IsCsvFileName(c.name), c.csv) << c.name;
}

}  // namespace
}  // namespace tarvos
