// The periods the History window offers, as the whole days a history query reads, and the
// date format its table shows.
#pragma once
#include <QDate>
#include <QString>

#include "data/history_store.h"

namespace movra {

enum class HistoryPeriod { Last3Months, Last6Months, Last12Months, All, FromTo };

// The query for one patient's pairs over the period: the last months are counted back
// from today (today's results included); FromTo takes both days whole.
HistoryQuery PeriodQuery(const Patient& patient, HistoryPeriod period, QDate today, QDate from, QDate to);

QDate ToQDate(TDateTime t);
TDateTime FromQDate(QDate d);

// The desktop's short date format with the year always in four digits: a history spans
// decades, and "03/04/25" leaves a reader guessing.
QString FourDigitYearFormat(const QString& shortFormat);

}  // namespace movra
