#include "clinic_choice.h"

#include "app/dialogs.h"
#include "clinic/clinic_texts.h"
#include "subcommand.h"

namespace movra::cli {

const char* const kNoClinicDatabaseText =
    "No clinic database is set: give --database URL, set MOVRA_DATABASE, or give Url in the [DATABASE] section of "
    "MovraT.INI.";

ClinicHistory OpenChosenHistory(TDM& dm, const ParsedOptions& options) {
  const ClinicTarget target = ClinicTargetOfRun(options.value("database"));
  ClinicHistory history = OpenHistory(dm.adoConn.database(), target);
  if (!history.onServer && history.send.attempted)
    ShowNotice(TranslatedErrorNotice(HistorySourceText(history, target) + "\r\n" + PlainReason(history.send.failure)));
  else if (!history.send.failure.empty())
    ShowNotice(TranslatedErrorNotice(ClinicAwayMessage(history.send)));
  return history;
}

int WithHistoryErrors(const std::function<int()>& work) {
  try {
    return work();
  } catch (const DbError& e) {
    ShowError(e.what());
    return kExitDatabase;
  } catch (const ClinicError& e) {
    ShowNotice(TranslatedErrorNotice(e.what()));
    return kExitClinic;
  }
}

}  // namespace movra::cli
