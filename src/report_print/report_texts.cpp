#include "report_print/report_texts.h"

#include "app/format_settings.h"
#include "app/language.h"

namespace movra {

QString Tr(const char* text) { return QString::fromStdString(TranslateText(text)); }

QString TenthsLabel(int tenths) { return QString::fromStdString(FormatFloat("%.1f", tenths / 10.0)); }

QString RangeLabel(TargetRange range) {
  return TenthsLabel(range.lowTenths) + QString::fromUtf8(" \u2013 ") + TenthsLabel(range.highTenths);
}

QString DateLabel(TDateTime day) { return QString::fromStdString(FormatDateTime("yyyy-mm-dd", day)); }

QString PeriodLabel(const ReportFigures& f) {
  if (f.firstDay == f.lastDay) return DateLabel(f.firstDay);
  return DateLabel(f.firstDay) + QString::fromUtf8(" \u2013 ") + DateLabel(f.lastDay);
}

QString ValueLabel(const ReportResult& r) {
  if (r.measured == Measured::Above) return QString::fromUtf8("INR \u2191");
  if (r.measured == Measured::Below) return QString::fromUtf8("INR \u2193");
  return TenthsLabel(r.tenths);
}

QString AgainstTargetLabel(const ReportResult& r, TargetRange range) {
  switch (CompareWithTarget(r, range)) {
    case AgainstTarget::Below: return Tr("Below");
    case AgainstTarget::Above: return Tr("Above");
    case AgainstTarget::In: break;
  }
  return Tr("In range");
}

namespace {

QString Percent(double v) { return QString::fromStdString(FormatFloat("%.1f", v)) + " %"; }

}  // namespace

std::vector<std::pair<QString, QString>> FigureRows(const ReportFigures& f) {
  return {
      {Tr("Tests"), QString::number(f.tests)},
      {Tr("Time in therapeutic range (TTR)"),
       Percent(f.ttrPercent()) + "  " + Tr("(%1 of %2 days)").arg(f.daysIn).arg(f.days)},
      {Tr("Days below range"), Percent(f.belowPercent())},
      {Tr("Days above range"), Percent(f.abovePercent())},
      {Tr("Tests in range"),
       Percent(f.inRangeTestsPercent()) + "  " + Tr("(%1 of %2 tests)").arg(f.inRangeTests).arg(f.tests)},
      {Tr("Mean INR"), QString::fromStdString(FormatFloat("%.2f", f.meanInr))},
      {Tr("Last result"), f.last ? ValueLabel(*f.last) + "  (" + DateLabel(f.last->when) + ")" : QString()},
  };
}

}  // namespace movra
