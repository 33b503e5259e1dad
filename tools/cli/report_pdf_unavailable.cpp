// A build without Qt draws no PDF.
#include "report_pdf_output.h"

namespace movra::cli {

std::optional<std::string> WriteReportPdfFile(const ReportGroup&, TargetRange, const std::string&) {
  return std::string("This movra-cli was built without Qt and cannot write a PDF.");
}

}  // namespace movra::cli
