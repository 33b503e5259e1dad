#include "clinic_choice.h"

#include <cstdlib>

#include "app/config.h"
#include "app/dialogs.h"
#include "clinic/clinic_history.h"
#include "clinic/clinic_texts.h"

namespace movra::cli {

const char* const kNoClinicDatabaseText =
    "No clinic database is set: give --database URL, set MOVRA_DATABASE, or set Url= in the [DATABASE] section of "
    "MovraT.INI.";

OptionSpec DatabaseOptionSpec() {
  return {"database", "URL",
          "the clinic's database (postgresql://host[:port]/dbname), instead of MOVRA_DATABASE or\n"
          "                       [DATABASE] Url= of MovraT.INI",
          false};
}

ClinicTarget ChosenClinicTarget(const std::optional<std::string>& option) {
  const char* env = std::getenv("MOVRA_DATABASE");
  return ClinicTargetOf(ClinicUrlChosen(option.value_or(""), env ? env : "", GlobalOption.Database.Url),
                        ChosenClinicSite());
}

ClinicTarget ChosenClinicTarget(const ParsedOptions& options) { return ChosenClinicTarget(options.value("database")); }

std::string ChosenClinicSite() { return GlobalOption.Database.Site; }

ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options) {
  const ClinicTarget target = ChosenClinicTarget(options);
  ClinicHistory history = OpenHistory(dm.adoConn.database(), target);
  if (!history.onServer && history.send.attempted) ShowError(HistorySourceText(history, target) + "\r\n" + history.send.failure);
  else if (!history.send.failure.empty()) ShowError(ClinicAwayMessage(history.send));
  return history;
}

}  // namespace movra::cli
