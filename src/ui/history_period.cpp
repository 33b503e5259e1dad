#include "ui/history_period.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace movra {

namespace {

// The day TDateTime counts from.
const QDate kDayZero(1899, 12, 30);

int MonthsOf(HistoryPeriod p) {
  switch (p) {
    case HistoryPeriod::Last3Months: return 3;
    case HistoryPeriod::Last6Months: return 6;
    case HistoryPeriod::Last12Months: return 12;
    default: return 0;
  }
}

}  // namespace

QDate ToQDate(TDateTime t) { return kDayZero.addDays(static_cast<qint64>(std::floor(t))); }

TDateTime FromQDate(QDate d) { return static_cast<TDateTime>(kDayZero.daysTo(d)); }

HistoryQuery PeriodQuery(const Patient& patient, HistoryPeriod period, QDate today, QDate from, QDate to) {
  HistoryQuery q;
  q.meters = patient.meters;
  if (const int months = MonthsOf(period)) {
    // The day after the same day of the month then: three months back from 15 May start
    // on 16 February, so a period holds its months and never a day more.
    q.firstDay = FromQDate(today.addMonths(-months).addDays(1));
  } else if (period == HistoryPeriod::FromTo) {
    // A period typed the wrong way round is read as the days between the two.
    q.firstDay = FromQDate(std::min(from, to));
    q.lastDay = FromQDate(std::max(from, to));
  }
  return q;
}

QString FourDigitYearFormat(const QString& shortFormat) {
  QString f = shortFormat;
  static const QRegularExpression years("y+");
  f.replace(years, "yyyy");
  if (!f.contains("yyyy")) f += " yyyy";
  return f;
}

}  // namespace movra
