// movra-cli report [--range LOW-HIGH] [--group SN/PATIENT] [--pdf FILE]: the figures
// of the INR report over the ticked rows of the stored result list, as the window's
// Report command makes them.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/config.h"
#include "app/dialogs.h"
#include "clinic_choice.h"
#include "clinic_option.h"
#include "data/sql_result_store.h"
#include "download_store.h"
#include "history_args.h"
#include "record_output.h"
#include "report/report_file.h"
#include "report/report_lines.h"
#include "report/report_rows.h"
#include "report/report_settings.h"
#include "report_pdf_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

std::string GroupList(const std::vector<ReportGroup>& groups) {
  std::string out;
  for (const ReportGroup& g : groups) out += "  " + GroupName(g) + "\n";
  return out;
}

// The rows earlier downloads stored, as the result list shows them. The window's list
// starts empty (it lists patient 0, and the window empties the table when it closes);
// the store's stored results are what `download --store` left.
std::vector<InrResult> StoredResultList(TDM& dm) {
  NullStoreUi noWindow;
  return SqlResultStore(dm, noWindow).Stored();
}

// The results of the group's patient in the history over the period; the patient's own
// range unless --range gives one. The exit code: kExitOk, or why the report cannot be made
// (told already).
int HistoryRows(TDM& dm, const ParsedOptions& options, std::vector<InrResult>& rows,
                std::optional<TargetRange>& range, ReportPatient& who) {
  ClinicHistory history = OpenChosenHistory(dm, options);
  HistoryStore& store = *history.store;
  return WithHistoryErrors([&] {
    if (!KnownGroup(options, store, "report")) return kExitUsage;
    for (const HistoryEntry& e : store.Read(QueryOf(options, store))) rows.push_back(e.result);
    if (auto group = options.value("group")) {
      const Patient patient = store.PatientOf(ParseGroup(*group));
      who = ReportPatient{patient.name, patient.born};
      if (patient.range && !range) range = TargetRange{patient.range->lowTenths, patient.range->highTenths};
    }
    return kExitOk;
  });
}

// A patient's meters make one group, named by the pair asked for, oldest first.
ReportGroup MergedGroup(const std::vector<ReportGroup>& groups, const MeterPatient& named, const ReportPatient& who) {
  ReportGroup merged{named.serialNumber, named.patientId, {}, {}, who};
  for (const ReportGroup& g : groups) {
    merged.tests.insert(merged.tests.end(), g.tests.begin(), g.tests.end());
    merged.controls.insert(merged.controls.end(), g.controls.begin(), g.controls.end());
  }
  auto older = [](const ReportResult& a, const ReportResult& b) { return a.when < b.when; };
  std::stable_sort(merged.tests.begin(), merged.tests.end(), older);
  std::stable_sort(merged.controls.begin(), merged.controls.end(), older);
  return merged;
}

int RunReport(const ParsedOptions& options) {
  const bool history = options.has("history");
  if (!history && (options.has("from") || options.has("to"))) throw UsageError("--from and --to need --history");
  if (!history && options.has("database")) throw UsageError("--database needs --history");
  if (history) {
    if (auto group = options.value("group")) ParseGroup(*group);
    if (auto from = options.value("from")) ParseDay("from", *from);
    if (auto to = options.value("to")) ParseDay("to", *to);
  }
  std::optional<TargetRange> range;
  if (auto text = options.value("range")) {
    range = ParseTargetRangeText(*text);
    if (!range)
      throw UsageError("--range wants LOW-HIGH with one decimal at most, 0.8 <= LOW < HIGH <= 6.9, not \"" + *text +
                       "\"");
  }
  if (auto pdf = options.value("pdf"); pdf && pdf->empty()) throw UsageError("a PDF file name must not be empty");

  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  std::vector<InrResult> rows;
  ReportPatient who;
  if (history) {
    if (int code = HistoryRows(*dm, options, rows, range, who); code != kExitOk) return code;
  } else {
    rows = StoredResultList(*dm);
  }
  if (!range) range = ReadConfiguredTargetRange();

  if (std::none_of(rows.begin(), rows.end(), [](const InrResult& r) { return r.checked; })) {
    ShowInfo("No Records!");
    return kExitNoResults;
  }
  std::vector<ReportGroup> groups = GroupReportRows(rows);
  if (history && options.has("group") && !groups.empty())
    groups = {MergedGroup(groups, ParseGroup(*options.value("group")), who)};
  if (groups.empty()) {
    ShowInfo("The ticked records hold no patient results, only control results!");
    return kExitNoResults;
  }
  const ReportGroup* chosen = nullptr;
  if (auto wanted = options.value("group")) {
    for (const ReportGroup& g : groups)
      if (GroupName(g) == *wanted) chosen = &g;
    if (!chosen) {
      std::fprintf(stderr, "movra-cli report: no results of %s; the stored results are of:\n%s", wanted->c_str(),
                   GroupList(groups).c_str());
      return kExitUsage;
    }
  } else if (groups.size() > 1) {
    std::fprintf(stderr, "movra-cli report: the results are of several meters or patients; choose one with --group:\n%s",
                 GroupList(groups).c_str());
    return kExitUsage;
  } else {
    chosen = &groups.front();
  }

  for (const std::string& line : FigureLines(*chosen, *range, ComputeFigures(chosen->tests, *range)))
    PrintLine(line);
  if (auto pdf = options.value("pdf")) {
    if (auto error = WriteReportPdfFile(*chosen, *range, PdfTargetName(*pdf))) {
      ShowError(*error);
      return kExitFailure;
    }
  }
  return kExitOk;
}

}  // namespace

Subcommand ReportSubcommand() {
  return Subcommand{
      "report",
      "the INR report of the ticked rows of the stored result list: time in therapeutic range\n"
      "    (Rosendaal) and the other figures of the window's Report command",
      {
          {"range", "LOW-HIGH", "target range, e.g. 2.0-3.0 (default: [REPORT] TargetLow/TargetHigh of\n"
                                "                       MovraT.INI, else 2.0-3.0); one decimal at most, 0.8 <= LOW < HIGH <= 6.9",
           false},
          {"group", "SN/PATIENT", "meter serial number and patient ID to report on, needed when there are several",
           false},
          {"pdf", "FILE", "also write the printed report to FILE (\".pdf\" is added unless FILE ends so)", false},
          {"history", "", "report over the history instead of the list: every kept result of the group's\n"
                          "                       patient (all its meters), with its own range unless --range is given",
           false},
          {"from", "YYYY-MM-DD", "with --history: from this day on", false},
          {"to", "YYYY-MM-DD", "with --history: up to and including this day", false},
          DatabaseOption(),
      },
      &RunReport,
      "    Prints one line per figure, name TAB value: Group (SN/PATIENT), Target (LOW-HIGH),\n"
      "    Tests (count), TTR, Below, Above (shares of the interpolated days in per cent, one\n"
      "    decimal), InRangeTests (count TAB per cent of the tests), Mean (INR, two decimals), Last\n"
      "    (INR with one decimal, or INR ↑ / INR ↓ beyond the measuring range), From, To\n"
      "    (yyyy-mm-dd). Numbers always take a point. Control results (EC, CS, Downloaded EC,\n"
      "    Downloaded CS) are left out of the figures. An arrow counts as 7.0 or 0.7.\n"
      "    Then VGR (Fihn's variance growth rate, INR² per week, two decimals), Interval (mean\n"
      "    days between test days, one decimal), each \"-\" with fewer than two test days, and\n"
      "    Flags: the markers of poor control over the 6 months up to the last result,\n"
      "    comma-separated from ttr-below-65, two-below-1.5, two-above-5, above-8, above-range\n"
      "    (a result above the measuring range of 7.0), or none.\n"
      "    Exit codes: 0 done; 1 the PDF cannot be written; 2 usage, a bad --range, or several\n"
      "    meters or patients without a matching --group (they are listed on stderr); 4 the\n"
      "    database is in use by another copy or cannot be opened; 6 no ticked results, or only\n"
      "    control results. With --history, 2 is also a bad day or a group the history does not\n"
      "    hold, and 4 a database without a history yet.\n",
  };
}

}  // namespace movra::cli
