#include "report/report_lines.h"

#include <cstdio>

#include "app/format_settings.h"
#include "export/export_values.h"
#include "report/poor_control.h"
#include "report/report_settings.h"
#include "report/test_interval.h"
#include "report/vgr.h"

namespace movra {

namespace {

std::string Fixed(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string FixedOrDash(const std::optional<double>& v, int decimals) { return v ? Fixed(*v, decimals) : "-"; }

std::string MarkerNames(const PoorControlMarkers& m) {
  if (m.raised.empty()) return "none";
  std::string out;
  for (const RaisedMarker& r : m.raised) out += (out.empty() ? "" : ",") + std::string(MarkerName(r.marker));
  return out;
}

}  // namespace

std::string ResultValueText(const ReportResult& r, char decimalPoint) {
  if (r.measured == Measured::Above) return ArrowText(InrRange::Above);
  if (r.measured == Measured::Below) return ArrowText(InrRange::Below);
  return std::to_string(r.tenths / 10) + decimalPoint + std::to_string(r.tenths % 10);
}

std::vector<std::string> FigureLines(const ReportGroup& group, TargetRange range, const ReportFigures& f) {
  auto day = [](TDateTime d) { return FormatDateTime("yyyy-mm-dd", d); };
  auto dayShare = [&f](double share) { return f.HasTtr() ? Fixed(share, 1) : std::string("-"); };
  return {
      "Group\t" + GroupName(group),
      "Target\t" + TenthsText(range.lowTenths) + "-" + TenthsText(range.highTenths),
      "Tests\t" + std::to_string(f.tests),
      "TTR\t" + dayShare(f.ttrPercent()),
      "Below\t" + dayShare(f.belowPercent()),
      "Above\t" + dayShare(f.abovePercent()),
      "InRangeTests\t" + std::to_string(f.inRangeTests) + "\t" + Fixed(f.inRangeTestsPercent(), 1),
      "Mean\t" + Fixed(f.meanInr, 2),
      "Last\t" + (f.last ? ResultValueText(*f.last) : std::string()),
      "From\t" + day(f.firstDay),
      "To\t" + day(f.lastDay),
      "VGR\t" + FixedOrDash(VarianceGrowthRate(group.tests), 2),
      "Interval\t" + FixedOrDash(MeanDaysBetweenTests(group.tests), 1),
      "Flags\t" + MarkerNames(FindPoorControl(group.tests, range)),
  };
}

bool UsesLetterPaper(const std::string& code) {
  // North America and the countries of Central and South America that kept US paper.
  static const char* letter[] = {"US", "CA", "MX", "PR", "GT", "SV", "HN", "NI", "CR",
                                 "PA", "DO", "CO", "VE", "CL", "PH"};
  for (const char* c : letter)
    if (code == c) return true;
  return false;
}

}  // namespace movra
