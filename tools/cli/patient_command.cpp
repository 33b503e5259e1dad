// movra-cli patient list | patient set SN/PATIENT [--name] [--born] [--range] [--add-meter]:
// the patients of the history, and naming one, its birth date, target range and meters.
#include <cstdio>
#include <string>

#include "app/dialogs.h"
#include "app/format_settings.h"
#include "app/utf8.h"
#include "clinic_choice.h"
#include "clinic_option.h"
#include "download_store.h"
#include "history_args.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

std::string TenthsText(int tenths) { return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10); }

std::string PatientLine(const PatientSummary& s) {
  const Patient& p = s.patient;
  std::string meters;
  for (const MeterPatient& m : p.meters) meters += (meters.empty() ? "" : ",") + m.serialNumber + "/" + m.patientId;
  std::string line = p.name + "\t" + (p.born ? FormatDateTime("YYYY-MM-DD", *p.born) : "") + "\t" +
                     (p.range ? TenthsText(p.range->lowTenths) + "-" + TenthsText(p.range->highTenths) : "") + "\t" +
                     meters + "\t" + std::to_string(s.results);
  if (s.lastResult) line += "\t" + s.lastResult->dateText + "\t" + s.lastResult->inrText;
  return line;
}

int List(HistoryStore& store) {
  for (const PatientSummary& s : store.Patients()) PrintLine(PatientLine(s));
  return kExitOk;
}

int Set(HistoryStore& store, const MeterPatient& pair, const ParsedOptions& options) {
  Patient p = store.PatientOf(pair);
  if (auto name = options.value("name")) p.name = *name;
  if (auto born = options.value("born")) p.born = ParseDay("born", *born);
  if (auto range = options.value("range")) p.range = ParseRangeOption(*range);
  if (auto more = options.value("add-meter")) {
    MeterPatient added = ParseGroup(*more);
    bool has = false;
    for (const MeterPatient& m : p.meters) has = has || m == added;
    if (!has) p.meters.push_back(added);
  }
  store.SavePatient(p);
  PatientSummary saved;
  saved.patient = store.PatientOf(pair);
  for (const PatientSummary& s : store.Patients())
    if (s.patient.id == saved.patient.id) saved = s;
  PrintLine(PatientLine(saved));
  return kExitOk;
}

int RunPatient(const ParsedOptions& options) {
  const auto& words = options.words();
  const bool list = words.size() == 1 && words[0] == "list";
  const bool set = words.size() == 2 && words[0] == "set";
  if (!list && !set) throw UsageError("patient wants \"list\" or \"set SN/PATIENT\"");
  if (list && (options.has("name") || options.has("born") || options.has("range") || options.has("add-meter")))
    throw UsageError("patient list takes no options");
  std::optional<MeterPatient> pair;
  if (set) {
    pair = ParseGroup(words[1]);
    if (auto name = options.value("name"); name && Utf8Length(*name) > 50)
      throw UsageError("--name takes 50 characters at most");
    if (auto born = options.value("born")) ParseDay("born", *born);
    if (auto range = options.value("range")) ParseRangeOption(*range);
    if (auto more = options.value("add-meter")) ParseGroup(*more);
  }

  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  ClinicHistory history = OpenChosenHistory(*dm, options);
  HistoryStore& store = *history.store;
  return WithHistoryErrors([&] { return list ? List(store) : Set(store, *pair, options); });
}

}  // namespace

Subcommand PatientSubcommand() {
  return Subcommand{
      "patient",
      "list | set SN/PATIENT: the patients of the history; name one, give its birth date, target\n"
      "    range and further meters",
      {
          {"name", "TEXT", "the patient's name (50 characters at most; \"\" removes it)", false},
          {"born", "YYYY-MM-DD", "the day of birth", false},
          {"range", "LOW-HIGH", "the patient's own target range, e.g. 2.5-3.5", false},
          {"add-meter", "SN/PATIENT", "link another meter's patient ID to the same patient (a replaced meter);\n"
                                      "                       it leaves any patient it belonged to",
           false},
          DatabaseOption(),
      },
      &RunPatient,
      "    Prints one line per patient, tab-separated: name, birth date, range, its meters\n"
      "    (SN/PATIENT, comma-separated), the number of patient results, and the day and INR of the\n"
      "    last one. `set` prints the patient's line as saved.\n"
      "    Exit codes: 0 done; 2 usage, a bad day, range or name; 4 the database is in use by another copy,\n"
      "    cannot be opened or written.\n",
      2,
  };
}

}  // namespace movra::cli
