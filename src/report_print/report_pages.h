// The printed report: the program's name, the meter, the patient, the period and the
// target range; the chart; the figures; the table of the results and, apart, the control
// results; the date of printing and the page number at the foot of each page.
#pragma once
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QString>

#include "report/report_rows.h"
#include "report/ttr.h"

class QLocale;

namespace movra {

struct ReportDocument {
  QString programName;  // GlobalOption.Title
  ReportGroup group;
  TargetRange range;
  TDateTime printedAt = 0;
};

// A4, or US Letter where the locale's country uses it.
QPageSize ReportPageSize(const QLocale& locale);

// Paints every page onto a PDF writer or a printer (its page size and margins already
// set). Returns the number of pages.
int PaintReport(QPagedPaintDevice& device, const ReportDocument& doc);

}  // namespace movra
