// The report as a PDF file: the pages of report_pages on the paper of the user's locale.
#pragma once
#include <optional>
#include <string>

#include "report_print/report_pages.h"

namespace movra {

// Writes the whole file, then puts it in the target's place (an existing file is
// replaced only by a whole new one). Nothing when written; otherwise the message for
// the user ("Cannot create file ..." with the reason).
std::optional<std::string> WriteReportPdf(const ReportDocument& doc, const std::string& path);

// The PDF's bytes (tests and the benchmark).
QByteArray ReportPdfBytes(const ReportDocument& doc);

}  // namespace movra
