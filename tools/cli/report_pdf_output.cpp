#include "report_pdf_output.h"

#include "app/config.h"
#include "app/datetime.h"
#include "report_print/offscreen_gui.h"
#include "report_print/report_pdf.h"

namespace movra::cli {

std::optional<std::string> WriteReportPdfFile(const ReportGroup& group, TargetRange range, const std::string& path) {
  OffscreenGui gui;
  ReportDocument doc{QString::fromStdString(GlobalOption.Title), group, range, Now()};
  return WriteReportPdf(doc, path);
}

}  // namespace movra::cli
