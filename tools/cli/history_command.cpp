// movra-cli history [--group SN/PATIENT] [--from DAY] [--to DAY] [--csv FILE]: the kept
// results, oldest first, one tab-separated line each.
#include <cstdio>
#include <exception>
#include <string>

#include "app/dialogs.h"
#include "clinic_choice.h"
#include "clinic_option.h"
#include "download_store.h"
#include "export/history_csv.h"
#include "history_args.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

int RunHistory(const ParsedOptions& options) {
  if (auto csv = options.value("csv"); csv && csv->empty()) throw UsageError("a CSV file name must not be empty");
  CheckGroupPeriod(options);

  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  ClinicHistory history = OpenChosenHistory(*dm, options);
  HistoryStore& store = *history.store;
  std::vector<HistoryEntry> entries;
  const int read = WithHistoryErrors([&] {
    if (!KnownGroup(options, store, "history")) return kExitUsage;
    entries = store.Read(QueryOf(options, store));
    return kExitOk;
  });
  if (read != kExitOk) return read;
  for (const HistoryEntry& e : entries) {
    const InrResult& r = e.result;
    PrintLine(r.serialNumber + "\t" + r.patientId + "\t" + r.dateText + "\t" + r.timeText + "\t" + r.inrText + "\t" +
              r.sampleType);
  }
  if (auto csv = options.value("csv")) {
    try {
      WriteHistoryCsv(entries, *csv);
    } catch (const std::exception& e) {
      ShowError(e.what());
      return kExitFailure;
    }
  }
  return kExitOk;
}

}  // namespace

Subcommand HistorySubcommand() {
  return Subcommand{
      "history",
      "the results every download kept, oldest first, also after the list was cleared",
      [] {
        std::vector<OptionSpec> specs = GroupPeriodOptions(false);
        specs.push_back({"csv", "FILE",
                         "also write them to FILE as data (UTF-8, header, ISO dates, INR with a point; an\n"
                         "                       arrow as 7.0 or 0.7 with > or < in inr_comparator)",
                         false});
        specs.push_back(DatabaseOption());
        return specs;
      }(),
      &RunHistory,
      "    Prints one line per result, tab-separated: serial number, patient ID, date (yyyy-mm-dd),\n"
      "    time (hh:mm), INR as the list shows it, sample type.\n"
      "    Exit codes: 0 done; 1 the CSV file cannot be written; 2 usage, a bad day or a group the\n"
      "    history does not hold; 4 the database is in use by another copy, cannot be opened, or\n"
      "    has no history yet.\n",
  };
}

}  // namespace movra::cli
