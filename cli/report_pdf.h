// Draws a laid-out measurement report on A4 PDF pages: real text in a standard font (a PDF
// reader or pdftotext gets the words back) and each measurement's diagram as the printed page
// draws it. Needs a QGuiApplication for its fonts.
#pragma once

#include <string>
#include <vector>

#include "cli/report_layout.h"
#include "diagram/view_state.h"
#include "document/dia_doc.h"
#include "platform/result.h"

namespace tarvos::cli {

// The diagram of a part: the document and the view it is drawn with; none for the summary.
struct ReportDiagram {
    const C_KVR_DiaDoc* doc = nullptr;
    ViewState view;
};

// The PDF's bytes: the parts' lines wrapped to the page's text width in the font they are drawn
// with, laid out on pages and drawn. `diagrams` runs parallel to `parts`.
Result<std::string> DrawReportPdf(std::vector<ReportPart> parts, std::vector<ReportDiagram>& diagrams,
                                  const PageMetrics& metrics, const std::string& title);

}  // namespace tarvos::cli
