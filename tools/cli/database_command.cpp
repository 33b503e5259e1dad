// movra-cli database init|sync|copy: the clinic's shared database. init makes or brings up
// its tables and roles; sync sends what waits on this PC; copy uploads this PC's whole
// history, once per result, and goes on where an earlier copy stopped.
#include <exception>
#include <memory>
#include <string>

#include "app/clinic_settings.h"
#include "app/config.h"
#include "app/dialogs.h"
#include "app/language.h"
#include "clinic/clinic_history.h"
#include "clinic/clinic_schema.h"
#include "clinic/clinic_texts.h"
#include "clinic/pg_history_store.h"
#include "clinic_choice.h"
#include "clinic_option.h"
#include "cli_environment.h"
#include "record_output.h"
#include "subcommand.h"

namespace movra::cli {

namespace {

void PrintSent(const QueueSendOutcome& sent) {
  PrintLine("Sent\t" + std::to_string(sent.sent));
  PrintLine("Created\t" + std::to_string(sent.created));
  PrintLine("AlreadyThere\t" + std::to_string(sent.alreadyThere));
  PrintLine("Waiting\t" + std::to_string(sent.left));
}

int Init(const ClinicTarget& target) {
  try {
    ClinicInitOutcome out = InitClinicDatabase(target);
    PrintLine("Schema\t" + std::to_string(out.fromVersion) + "\t" + std::to_string(out.toVersion));
  } catch (const ClinicError& e) {
    ShowNotice(TranslatedErrorNotice(e.what()));
    return kExitClinic;
  }
  return kExitOk;
}

int Sync(const ClinicTarget& target) {
  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  SqlDatabase& db = dm->adoConn.database();
  try {
    PrepareClinicQueue(db, target);
  } catch (const std::exception& e) {
    ShowError(e.what());
    return kExitDatabase;
  }
  ClinicSend send = SendToClinic(db, target);
  PrintSent(send.sent);
  if (!send.failure.empty()) {
    ShowNotice(TranslatedErrorNotice(PlainReason(send.failure)));
    return kExitClinic;
  }
  return kExitOk;
}

int Copy(const ClinicTarget& target) {
  std::unique_ptr<TDM> dm = OpenProgramDatabase();
  if (!dm) return kExitDatabase;
  return WithHistoryErrors([&] {
    std::unique_ptr<PgHistoryStore> server = PgHistoryStore::Connect(target);
    PrintSent(CopyHistory(dm->adoConn.database(), *server, target.url));
    return kExitOk;
  });
}

int RunDatabase(const ParsedOptions& options) {
  if (options.words().size() != 1) throw UsageError("database wants one of init, sync, copy");
  const std::string& action = options.words()[0];
  if (action != "init" && action != "sync" && action != "copy") throw UsageError("unknown action \"" + action + "\"");
  if (action == "copy" && !options.has("to")) throw UsageError("copy wants --to URL");
  if (action != "copy" && options.has("to")) throw UsageError("--to belongs to copy");
  if (action == "copy" && options.has("database")) throw UsageError("copy takes --to URL, not --database");
  if (auto to = options.value("to"); to && !ClinicUrlAccepted(*to)) throw UsageError(TranslateText(kClinicUrlRefusedText));
  PrepareCliEnvironment();
  ClinicTarget target = action == "copy" ? ClinicTargetOf(*options.value("to"), GlobalOption.Database.Site)
                                         : ClinicTargetOfRun(options.value("database"));
  if (target.url.empty()) {
    ShowError(TranslateText(kNoClinicDatabaseText));
    return kExitUsage;
  }
  if (action == "init") return Init(target);
  if (action == "sync") return Sync(target);
  return Copy(target);
}

}  // namespace

Subcommand DatabaseSubcommand() {
  return Subcommand{
      "database",
      "init|sync|copy: the clinic's shared history on its PostgreSQL server",
      {DatabaseOption(), {"to", "URL", "copy: the clinic's database this PC's history goes to", false}},
      &RunDatabase,
      "    init makes the tables and roles, or brings them up to this version (Schema TAB was TAB now).\n"
      "    sync sends the results that wait on this PC because the server could not be reached.\n"
      "    copy --to URL uploads this PC's whole history, each result once; run it again to go on.\n"
      "    sync and copy print Sent, Created, AlreadyThere and Waiting, each TAB a count.\n"
      "    The user name, password and TLS come from libpq: ~/.pgpass, PGSERVICE, PGSSLMODE, or\n"
      "    the URL's own parameters (sslmode=verify-full&sslrootcert=FILE). Never put a password\n"
      "    into MovraT.INI.\n"
      "    Exit codes: 0 done; 2 usage, or no clinic database configured; 4 this PC's database\n"
      "    cannot be opened; 9 the clinic's database cannot be used (the reason is on stderr;\n"
      "    nothing waiting was lost).\n",
      1,
  };
}

}  // namespace movra::cli
