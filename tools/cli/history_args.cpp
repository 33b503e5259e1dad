#include "history_args.h"

#include <cstdio>

#include "report/report_settings.h"

namespace movra::cli {

TDateTime ParseDay(const std::string& option, const std::string& text) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  std::optional<TDateTime> day;
  if (text.size() == 10 && std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 && text[4] == '-' &&
      text[7] == '-')
    day = EncodeDate(y, m, d);
  if (!day) throw UsageError("--" + option + " wants a day as YYYY-MM-DD, not \"" + text + "\"");
  return *day;
}

MeterPatient ParseGroup(const std::string& text) {
  size_t slash = text.find('/');
  if (slash == std::string::npos || slash == 0)
    throw UsageError("a group is SN/PATIENT (the meter's serial number and the patient ID), not \"" + text + "\"");
  return {text.substr(0, slash), text.substr(slash + 1)};
}

TenthsRange ParseRangeOption(const std::string& text) {
  auto range = ParseTargetRangeText(text);
  if (!range)
    throw UsageError("--range wants LOW-HIGH with one decimal at most, 0.8 <= LOW < HIGH <= 6.9, not \"" + text + "\"");
  return {range->lowTenths, range->highTenths};
}

std::vector<OptionSpec> GroupPeriodOptions(bool groupRequired) {
  return {
      {"group", "SN/PATIENT", "the results of this pair's patient (all the pairs linked to it)", groupRequired},
      {"from", "YYYY-MM-DD", "from this day on", false},
      {"to", "YYYY-MM-DD", "up to and including this day", false},
  };
}

void CheckGroupPeriod(const ParsedOptions& options) {
  if (auto group = options.value("group")) ParseGroup(*group);
  if (auto from = options.value("from")) ParseDay("from", *from);
  if (auto to = options.value("to")) ParseDay("to", *to);
}

HistoryQuery QueryOf(const ParsedOptions& options, HistoryStore& store) {
  HistoryQuery q;
  if (auto from = options.value("from")) q.firstDay = ParseDay("from", *from);
  if (auto to = options.value("to")) q.lastDay = ParseDay("to", *to);
  if (q.firstDay && q.lastDay && *q.lastDay < *q.firstDay)
    throw UsageError("--to " + *options.value("to") + " lies before --from " + *options.value("from"));
  if (auto group = options.value("group")) q.meters = store.PatientOf(ParseGroup(*group)).meters;
  return q;
}

bool KnownGroup(const ParsedOptions& options, HistoryStore& store, const char* subcommand) {
  auto group = options.value("group");
  if (!group) return true;
  HistoryQuery any;
  any.meters = store.PatientOf(ParseGroup(*group)).meters;
  if (!store.Read(any).empty()) return true;
  std::string known;
  for (const PatientSummary& p : store.Patients())
    for (const MeterPatient& m : p.patient.meters) known += "  " + m.serialNumber + "/" + m.patientId + "\n";
  std::fprintf(stderr, "movra-cli %s: the history holds no results of %s; it holds results of:\n%s", subcommand,
               group->c_str(), known.empty() ? "  (none)\n" : known.c_str());
  return false;
}

}  // namespace movra::cli
