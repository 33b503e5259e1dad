#include "clinic_choice.h"

#include "app/clinic_settings.h"
#include "app/config.h"
#include "app/dialogs.h"
#include "clinic/clinic_texts.h"

namespace movra::cli {

const char* const kNoClinicDatabaseText =
    "No clinic database is set: give --database URL, set MOVRA_DATABASE, or give Url in the [DATABASE] section of "
    "MovraT.INI.";

ClinicTarget ChosenClinicTarget(const std::optional<std::string>& option) {
  return ClinicTargetOf(ClinicUrlOfRun(option), GlobalOption.Database.Site);
}

ClinicTarget ChosenClinicTarget(const ParsedOptions& options) { return ChosenClinicTarget(options.value("database")); }

ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options) {
  const ClinicTarget target = ChosenClinicTarget(options);
  ClinicHistory history = OpenHistory(dm.adoConn.database(), target);
  if (!history.onServer && history.send.attempted)
    ShowError(HistorySourceText(history, target) + "\r\n" + PlainReason(history.send.failure));
  else if (!history.send.failure.empty())
    ShowError(ClinicAwayMessage(history.send));
  return history;
}

}  // namespace movra::cli
