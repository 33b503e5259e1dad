// The figures of a report as lines of text: name, tab, value(s). What movra-cli prints.
#pragma once
#include <string>
#include <vector>

#include "report/ttr.h"

namespace movra {

// "Group", "Target", then "Tests", "TTR", "Below", "Above", "InRangeTests", "Mean", "Last",
// "From", "To", "VGR", "Interval", "Flags". Shares are per cent with one decimal; TTR, Below and Above are "-" when no
// day could be interpolated; InRangeTests is the count, a tab, then its share; Mean has
// two decimals; Last is the INR with one decimal or the arrow text the list shows; From
// and To are yyyy-mm-dd; VGR (INR^2 per week) has two decimals and Interval (mean days
// between test days) one, each "-" with fewer than two test days; Flags are the names of
// the markers of poor control raised, comma-separated, or "none". Numbers always take a
// point.
std::vector<std::string> FigureLines(const ReportGroup& group, TargetRange range, const ReportFigures& f);

// A value as the list shows it: "2.5", or "INR ↑" / "INR ↓" for an arrow.
std::string ResultValueText(const ReportResult& r, char decimalPoint = '.');

// Whether paper in the country with this ISO 3166 code is US Letter (otherwise A4).
bool UsesLetterPaper(const std::string& countryCode);

}  // namespace movra
