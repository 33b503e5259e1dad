// The texts of a report, in the interface language: the figures with their labels, the
// period, a result's place against the target. The window and the printed pages use
// the same ones.
#pragma once
#include <QString>
#include <utility>
#include <vector>

#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra {

// The English text through TranslateText.
QString Tr(const char* text);

// "2.5" with the locale's decimal separator, as the list shows numbers.
QString TenthsLabel(int tenths);
// "2.0 – 3.0"
QString RangeLabel(TargetRange range);
// "2024-03-01 – 2024-03-11" (one date when both are the same day)
QString PeriodLabel(const ReportFigures& f);
// "2024-03-01"
QString DateLabel(TDateTime day);
// "2.5", or "INR ↑" / "INR ↓" for an arrow.
QString ValueLabel(const ReportResult& r);
// "In range", "Below", "Above".
QString AgainstTargetLabel(const ReportResult& r, TargetRange range);

// The figures as label and value, in the order the report shows them: tests, TTR, days
// below, days above, tests in range, mean, last result.
std::vector<std::pair<QString, QString>> FigureRows(const ReportFigures& f);

}  // namespace movra
