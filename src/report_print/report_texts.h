// The texts of a report, in the interface language: the figures with their labels, the
// period, a result's place against the target. The window and the printed pages use
// the same ones.
#pragma once
#include <QLocale>
#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "report/poor_control.h"
#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra {

// The English text through TranslateText.
QString Tr(const char* text);

// "2.5" with the locale's decimal separator, as the list shows numbers.
QString TenthsLabel(int tenths);
// "2.0 – 3.0"
QString RangeLabel(TargetRange range);
// The first and the last day as DateLabel writes them, "03.01.2024 – 13.01.2024" (one
// date when both are the same day)
QString PeriodLabel(const ReportFigures& f);
// The same for any two days.
QString DaysLabel(TDateTime first, TDateTime last);
// The desktop's short date with a four-digit year and two-digit day and month:
// 03.01.2024 (German), 2024/01/03 (Chinese), 01/03/2024 (US English); yyyy-MM-dd for the
// C locale, whose short date has month names.
QString DateLabel(TDateTime day);
// The Qt date format behind DateLabel for a locale.
QString ReportDateFormat(const QLocale& locale);
// The stored sample type ("Downloaded Sample", "EC", ...) in the interface language.
QString SampleTypeLabel(const std::string& stored);
// "2.5", or "INR ↑" / "INR ↓" for an arrow.
QString ValueLabel(const ReportResult& r);
// "In range", "Below", "Above".
QString AgainstTargetLabel(const ReportResult& r, TargetRange range);

// The figures as label and value, in the order the report shows them: tests, TTR, days
// below, days above, tests in range, mean, last result. The three shares of days are
// "-" when no day could be interpolated.
std::vector<std::pair<QString, QString>> FigureRows(const ReportFigures& f);
// Why the TTR is "-", or an empty text when it is not.
QString NoTtrNote(const ReportFigures& f);

// The variability of the tests as label and value: the variance growth rate and the mean
// days between tests, each "-" with fewer than two test days.
std::vector<std::pair<QString, QString>> VariabilityRows(const std::vector<ReportResult>& tests);

// The patient's name and birth date as label and value, those that are known.
std::vector<std::pair<QString, QString>> PatientRows(const ReportPatient& patient);

// "Markers of poor control, 08.11.2023 – 08.05.2024": the 6 months they look at.
QString MarkersHeading(const PoorControlMarkers& m);
// "Two results below 1.5" and the others, in the interface language.
QString MarkerLabel(PoorControl marker);
// A result as the markers list it: "09.01.2024 09:00  1.7", with no-break spaces.
QString MarkerResultLabel(const ReportResult& r);
// Each raised marker with the results that raised it, a line each; "None" when none is.
QString MarkersText(const PoorControlMarkers& m);

}  // namespace movra
