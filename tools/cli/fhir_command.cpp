// movra-cli fhir --group SN/PATIENT [--from DAY] [--to DAY] (--out FILE | --post URL): the
// patient's kept results over the period as a FHIR R4 transaction Bundle, written to a file,
// posted to a clinic's FHIR server, or both.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "app/config.h"
#include "app/dialogs.h"
#include "app/language.h"
#include "clinic_choice.h"
#include "clinic_option.h"
#include "download_store.h"
#include "fhir/fhir_history_bundle.h"
#include "fhir/fhir_sender.h"
#include "history_args.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

// The file as written, or false with the reason told.
bool WriteBundleFile(const std::string& path, const std::string& json) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << json;
  out.close();
  if (out) return true;
  ShowError("The FHIR file " + path + " cannot be written.");
  return false;
}

int RunFhir(const ParsedOptions& options) {
  const auto out = options.value("out");
  const auto post = options.value("post");
  if (!out && !post) throw UsageError("fhir wants --out FILE, --post URL, or both");
  if (out && out->empty()) throw UsageError("a FHIR file name must not be empty");
  if (post) {
    if (std::string problem = FhirAddressProblem(*post); !problem.empty()) throw UsageError("--post: " + problem);
  }
  CheckGroupPeriod(options);
  const MeterPatient pair = ParseGroup(*options.value("group"));

  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  ClinicHistory history = OpenChosenHistory(*dm, options);
  HistoryStore& store = *history.store;
  std::vector<HistoryEntry> entries;
  Patient patient;
  const int read = WithHistoryErrors([&] {
    if (!KnownGroup(options, store, "fhir")) return kExitUsage;
    entries = store.Read(QueryOf(options, store));
    patient = store.PatientOf(pair);
    return kExitOk;
  });
  if (read != kExitOk) return read;
  if (FhirObservationCount(entries) == 0) {
    ShowInfo(TranslateText(kNoFhirResultsText));
    return kExitNoResults;
  }
  const std::string json = HistoryBundleJson(patient, entries, FhirSoftware{"Movra", MOVRA_VERSION});
  if (out) {
    if (!WriteBundleFile(*out, json)) return kExitFailure;
    PrintLine("Written\t" + *out);
  }
  if (post) {
    FhirToken token = FindFhirToken(GlobalOption.Fhir.TokenFile);
    if (!token.error.empty()) {
      ShowError(token.error);
      return kExitSendFailed;
    }
    FhirSendOutcome sent = PostFhirBundle(FhirPostRequest{*post, json, token.token});
    if (!sent.ok()) {
      ShowError(sent.message);
      return kExitSendFailed;
    }
    PrintLine(sent.message);
  }
  return kExitOk;
}

}  // namespace

Subcommand FhirSubcommand() {
  return Subcommand{
      "fhir",
      "a patient's kept results as a FHIR R4 transaction Bundle, for a clinic's record system",
      [] {
        std::vector<OptionSpec> specs = GroupPeriodOptions(true);
        specs.push_back({"out", "FILE", "write the Bundle to FILE (UTF-8 JSON, pretty-printed)", false});
        specs.push_back({"post", "URL", "send it to the FHIR server with this base URL (https; plain http to\n"
                                        "                       this computer alone)",
                         false});
        specs.push_back(DatabaseOption());
        return specs;
      }(),
      &RunFhir,
      "    Give --out, --post or both (the file is written first). Control results are left out.\n"
      "    The bearer token for --post: MOVRA_FHIR_TOKEN, else the first line of the file the\n"
      "    settings name ([FHIR] TokenFile=); none when neither is set. --post prints how many\n"
      "    results the server created and how many it already had.\n"
      "    Exit codes: 0 written and sent; 1 the file cannot be written; 2 usage, a bad day or URL,\n"
      "    or a group the history does not hold; 4 the database is in use by another copy, cannot\n"
      "    be opened, or has no history yet; 6 the patient has no results in the period (nothing\n"
      "    written or sent); 8 the send failed (the server's own text is printed) or the token\n"
      "    file cannot be read.\n",
  };
}

}  // namespace movra::cli
