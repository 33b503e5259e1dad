// The PDF of `movra-cli report --pdf`: drawn with Qt's Gui module on the offscreen
// platform. A build without Qt has a stand-in that says so.
#pragma once
#include <optional>
#include <string>

#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra::cli {

// Nothing when the file was written; otherwise the message for the user.
std::optional<std::string> WriteReportPdfFile(const ReportGroup& group, TargetRange range, const std::string& path);

}  // namespace movra::cli
