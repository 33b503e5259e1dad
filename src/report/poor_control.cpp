#include "report/poor_control.h"

#include <algorithm>

#include "report/test_days.h"

namespace movra {

namespace {

constexpr int kWindowMonths = 6;
constexpr int kTtrBelowPercent = 65;
constexpr int kLowTenths = 15;
constexpr int kHighTenths = 50;
constexpr int kVeryHighTenths = 80;

// The calendar day `months` months before `day`; the month's last day when it is shorter.
TDateTime MonthsBefore(long day, int months) {
  DateParts d = DecodeDateTime(static_cast<TDateTime>(day));
  int month = d.month - months;
  int year = d.year;
  while (month < 1) {
    month += 12;
    --year;
  }
  for (int dayOfMonth = d.day; dayOfMonth > 0; --dayOfMonth)
    if (auto t = EncodeDate(year, month, dayOfMonth)) return *t;
  return static_cast<TDateTime>(day);
}

// The results of `tests` that `raises` picks, as a marker when there are at least `needed`.
template <typename Pick>
void RaiseIf(PoorControlMarkers& m, PoorControl marker, const std::vector<ReportResult>& tests, size_t needed,
             Pick raises) {
  RaisedMarker r{marker, {}};
  std::copy_if(tests.begin(), tests.end(), std::back_inserter(r.results), raises);
  if (r.results.size() >= needed) m.raised.push_back(std::move(r));
}

}  // namespace

PoorControlMarkers FindPoorControl(const std::vector<ReportResult>& tests, TargetRange range,
                                   int measuringHighTenths) {
  PoorControlMarkers m;
  if (tests.empty()) return m;
  const long last = DayOf(tests.back().when);
  m.lastDay = last;
  m.firstDay = MonthsBefore(last, kWindowMonths);
  std::vector<ReportResult> window;
  for (const ReportResult& t : tests)
    if (DayOf(t.when) >= m.firstDay) window.push_back(t);

  const ReportFigures f = ComputeFigures(window, range);
  // Exact on whole days: daysIn / days < 65 %.
  if (f.HasTtr() && f.daysIn * 100 < kTtrBelowPercent * f.days)
    RaiseIf(m, PoorControl::TtrBelow65, window, 0,
            [&](const ReportResult& r) { return CompareWithTarget(r, range) != AgainstTarget::In; });
  RaiseIf(m, PoorControl::TwoBelow15, window, 2, [](const ReportResult& r) { return r.tenths < kLowTenths; });
  RaiseIf(m, PoorControl::TwoAbove5, window, 2, [](const ReportResult& r) { return r.tenths > kHighTenths; });
  // An arrow above stands for "above the limit": above 8 only when the limit is 8 or more.
  const bool arrowIsAbove8 = measuringHighTenths >= kVeryHighTenths;
  RaiseIf(m, PoorControl::Above8, window, 1, [&](const ReportResult& r) {
    return r.measured == Measured::Above ? arrowIsAbove8 : r.tenths > kVeryHighTenths;
  });
  if (!arrowIsAbove8)
    RaiseIf(m, PoorControl::AboveMeasuringRange, window, 1,
            [](const ReportResult& r) { return r.measured == Measured::Above; });
  return m;
}

const char* MarkerName(PoorControl marker) {
  switch (marker) {
    case PoorControl::TtrBelow65: return "ttr-below-65";
    case PoorControl::TwoBelow15: return "two-below-1.5";
    case PoorControl::TwoAbove5: return "two-above-5";
    case PoorControl::Above8: return "above-8";
    case PoorControl::AboveMeasuringRange: break;
  }
  return "above-range";
}

}  // namespace movra
