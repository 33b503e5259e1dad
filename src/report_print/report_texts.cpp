#include "report_print/report_texts.h"

#include <QDate>
#include <cmath>

#include "app/format_settings.h"
#include "app/language.h"
#include "app/sample_type_text.h"
#include "report/test_interval.h"
#include "report/vgr.h"

namespace movra {

QString Tr(const char* text) { return QString::fromStdString(TranslateText(text)); }

QString TenthsLabel(int tenths) { return QString::fromStdString(FormatFloat("%.1f", tenths / 10.0)); }

QString RangeLabel(TargetRange range) {
  return TenthsLabel(range.lowTenths) + QString::fromUtf8(" \u2013 ") + TenthsLabel(range.highTenths);
}

QString ReportDateFormat(const QLocale& locale) {
  if (locale.language() == QLocale::C) return "yyyy-MM-dd";
  const QString format = locale.dateFormat(QLocale::ShortFormat);
  QString out;
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == '\'') {  // a quoted literal, copied as it is
      qsizetype end = format.indexOf('\'', i + 1);
      end = end < 0 ? format.size() : end + 1;
      out += format.mid(i, end - i);
      i = end;
      continue;
    }
    qsizetype run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    if (c == 'y')
      out += "yyyy";
    else if ((c == 'M' || c == 'd') && run <= 2)
      out += QString(2, c);
    else
      out += format.mid(i, run);  // names of months and days, separators
    i += run;
  }
  return out;
}

QString DateLabel(TDateTime day) {
  // Day 0 of TDateTime is 1899-12-30.
  const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(day)));
  const QLocale desktop = QLocale::system();
  return desktop.toString(date, ReportDateFormat(desktop));
}

QString SampleTypeLabel(const std::string& stored) { return QString::fromStdString(SampleTypeText(stored)); }

QString DaysLabel(TDateTime first, TDateTime last) {
  if (first == last) return DateLabel(first);
  return DateLabel(first) + QString::fromUtf8(" \u2013 ") + DateLabel(last);
}

QString PeriodLabel(const ReportFigures& f) { return DaysLabel(f.firstDay, f.lastDay); }

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
  const bool ttr = f.HasTtr();
  return {
      {Tr("Tests"), QString::number(f.tests)},
      {Tr("Time in therapeutic range (TTR)"),
       ttr ? Percent(f.ttrPercent()) + "  " + Tr("(%1 of %2 days)").arg(f.daysIn).arg(f.days) : QString("-")},
      {Tr("Days below range"), ttr ? Percent(f.belowPercent()) : QString("-")},
      {Tr("Days above range"), ttr ? Percent(f.abovePercent()) : QString("-")},
      {Tr("Tests in range"),
       Percent(f.inRangeTestsPercent()) + "  " + Tr("(%1 of %2 tests)").arg(f.inRangeTests).arg(f.tests)},
      {Tr("Mean INR"), QString::fromStdString(FormatFloat("%.2f", f.meanInr))},
      {Tr("Last result"), f.last ? ValueLabel(*f.last) + "  (" + DateLabel(f.last->when) + ")" : QString()},
  };
}

std::vector<std::pair<QString, QString>> VariabilityRows(const std::vector<ReportResult>& tests) {
  auto shown = [](std::optional<double> v, const char* format) {
    return v ? QString::fromStdString(FormatFloat(format, *v)) : QString("-");
  };
  return {
      {Tr("INR variability (VGR, INR²/week)"), shown(VarianceGrowthRate(tests), "%.2f")},
      {Tr("Mean days between tests"), shown(MeanDaysBetweenTests(tests), "%.1f")},
  };
}

std::vector<std::pair<QString, QString>> PatientRows(const ReportPatient& patient) {
  std::vector<std::pair<QString, QString>> rows;
  if (!patient.name.empty()) rows.push_back({Tr("Name"), QString::fromStdString(patient.name)});
  if (patient.born) rows.push_back({Tr("Born"), DateLabel(*patient.born)});
  return rows;
}

QString MarkersHeading(const PoorControlMarkers& m) {
  return Tr("Markers of poor control, %1").arg(DaysLabel(m.firstDay, m.lastDay));
}

QString MarkerLabel(PoorControl marker) {
  switch (marker) {
    case PoorControl::TtrBelow65: return Tr("TTR below 65 %");
    case PoorControl::TwoBelow15: return Tr("Two results below 1.5");
    case PoorControl::TwoAbove5: return Tr("Two results above 5");
    case PoorControl::Above8: return Tr("A result above 8");
    case PoorControl::AboveMeasuringRange: break;
  }
  return Tr("A result above the measuring range");
}

QString MarkerResultLabel(const ReportResult& r) {
  // No-break spaces: a long list wraps between results, never inside one.
  const QString space(QChar(0x00a0));
  return DateLabel(r.when) + space + QString::fromStdString(r.timeText) + space + space +
         ValueLabel(r).replace(' ', space);
}

QString MarkersText(const PoorControlMarkers& m) {
  if (m.raised.empty()) return Tr("None");
  QStringList lines;
  for (const RaisedMarker& raised : m.raised) {
    QStringList results;
    for (const ReportResult& r : raised.results) results << MarkerResultLabel(r);
    lines << MarkerLabel(raised.marker) + ": " + results.join("; ");
  }
  return lines.join("\n");
}

QString NoTtrNote(const ReportFigures& f) {
  if (f.HasTtr() || f.tests == 0) return QString();
  return Tr("The TTR needs two tests at most %1 days apart.").arg(kMaxInterpolatedGapDays);
}

}  // namespace movra
