// What a measurement report says, as text: per measurement its run records, END with its 95 %
// interval and the sample table; with several measurements a summary row per file. Qt-free, so
// that what goes into each line and cell is checked without drawing a page.
#pragma once

#include <string>
#include <vector>

#include "document/sample_table.h"

namespace tarvos::cli {

struct ReportTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;  // each as wide as the header
};

// One measurement's part of the report, below its diagram.
struct MeasurementReport {
    std::string title;                   // the file's name
    std::vector<std::string> runLines;   // "Start (UTC): ..." or "no run records"
    std::vector<std::string> endLines;   // END, its interval; "END: none"
    ReportTable samples;
};

// The measurement's report from its tabulation (END at the document's threshold); `fileName`
// is the title, `recordsNote` why a trailer with records was not used (empty when none was).
MeasurementReport MakeMeasurementReport(const SampleTable& table, const std::string& fileName,
                                        const std::string& recordsNote = {});

// "QAM Receiver, 64-QAM", "ATSC / 8VSB".
std::string ModulationText(const ReceiverSettings& receiver);

// The summary table's header and one row of it per document.
std::vector<std::string> SummaryHeader();
std::vector<std::string> SummaryRow(const SampleTable& table, const std::string& fileName);

}  // namespace tarvos::cli
