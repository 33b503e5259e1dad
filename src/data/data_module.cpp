#include "data/data_module.h"

#include "app/clinic_settings.h"
#include "app/config.h"
#include "app/file_system.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "app/language_choice.h"
#include "app/trace.h"
#include "data/connection_string.h"
#include "data/history_schema.h"
#include "data/operator_record.h"
#include "data/result_queries.h"
#include "data/server_queue.h"
#include "data/user_database.h"

namespace movra {

const char* const kDamagedDatabaseAdvice =
    "This database file is damaged. It has been left as it is: keep a copy of it and put an "
    "intact database file in its place.";
const char* const kDatabaseFileNotReachable =
    "The file could not be looked at: permission to read it or a folder above it is denied.";
const char* const kUserDatabaseNotMade = "The empty database could not be made in your data folder:";
const char* const kDatabaseNotWritableText = "The database cannot be written, so nothing could be stored. "
                                             "The download is not started.";

std::string DatabaseNotWritableMessage(const std::string& path, const std::string& reason) {
  return TranslateText(kDatabaseNotWritableText) + "\n" + path + "\n" + reason;
}

TDM::TDM() {
  SetupCheckData(qryCheckData, adoConn);
  SetupCheckDataEntry(qryCheckDataEntry, adoConn);
  SetupCheckDataEntryHis(qryCheckDataEntryHis, adoConn);
}

TDM::~TDM() {
  if (created_) DataModuleDestroy();
  adoConn.close();
}

std::vector<Notice> TDM::DataModuleCreate() {
  created_ = true;
  std::vector<Notice> told;
  // Nothing is opened in a folder of another user's; the user is told in their language.
  if (!DataFolderRefusal().empty()) {
    ChooseLanguage();
    told.push_back(Notice{DataFolderRefusal() + "\r\n" + TranslateText(kFolderOfAnotherUserAdvice), "Error",
                          NoticeIcon::Error});
    RequestTerminate();
    return told;
  }
  RemoveStaleDatabaseScraps(DataRoot + "/Data");
  if (DataIsPerUser()) {
    std::string why;
    if (!EnsureUserDatabase(DataFilePath(), why))
      told.push_back(Notice{std::string(kUserDatabaseNotMade) + "\r\n" + DataFilePath() + "\r\n" + why, "Error",
                            NoticeIcon::Warning});
  }
  // Either failure ends the program once start-up has said so; both are told.
  for (StepResult step : {OpenTrace(), OpenDatabase(DataFilePath())}) {
    if (step) continue;
    told.push_back(step.failure);
    RequestTerminate();
  }
  ChooseLanguage();
  return told;
}

void TDM::ChooseLanguage() {
  // The installed folder holds every translation: the settings or the desktop choose one.
  // A portable folder keeps the designed rule, the last folder in name order, unless the
  // settings name a language.
  int preferred = 0;
  if (IsInstalledProgramFolder() || GlobalOption.InterfaceLanguage != 0)
    preferred = PreferredInterfaceLanguage(GlobalOption.InterfaceLanguage);
  ScanLanguages(ExeDir, "MovraT.txt", preferred);
  SetPrimaryLanguage(PrimaryLanguageFromIndex(kLanManIndex));
  ApplyFormatSettings();
}

void TDM::DataModuleDestroy() {
  created_ = false;
  adoConn.close();
  CloseTrace();
}

StepResult TDM::OpenDatabase(const std::string& path) {
  if (KindOfPath(path) != PathKind::Regular) {
    std::string text = TranslateText("Database File") + path + TranslateText("Doesn't Exists!");
    if (LookDenied(path)) text += "\r\n" + TranslateText(kDatabaseFileNotReachable);
    return StepResult::Failed(Notice{text, TranslateText("Error"), NoticeIcon::Warning});
  }
  adoConn.close();
  connectStep_ = 0;
  bool damaged = false, untouched = false;
  try {
    adoConn.setConnectionString(BuildConnectionString(path));
    adoConn.open();
    // Damage in a page that start-up never reads would otherwise show only when a
    // download writes there. The file is small: it is emptied at each exit.
    damaged = true;
    std::string findings = adoConn.database().quickCheck();
    if (findings != "ok") throw DbError(findings);
    damaged = false;
    // The history is added to an older file here. A newer file is refused and, like a
    // damaged one, never written; one that cannot be written still shows the list, and its
    // history waits for an open that may write.
    untouched = true;
    const bool writable = DatabaseWriteProblem().empty();
    if (SchemaVersion(adoConn.database()) > kSchemaVersion || writable) MigrateDatabase(adoConn.database());
    untouched = false;
    qryCheckData.parameter("ProviderID").value = int64_t{-1000};
    connectStep_ = 1;
    qryCheckData.open();
    connectStep_ = 2;
    qryCheckDataEntry.open();
    connectStep_ = 3;
    qryCheckDataEntryHis.open();
    connectStep_ = 4;
    ReadSystemInfo();
    // From this start on, what a download keeps is queued for the clinic's server when one is
    // configured; a file that cannot be written queues nothing.
    if (writable) SetServerQueueing(adoConn.database(), !ClinicUrlOfRun().empty());
    connectStep_ = 5;
    return {};
  } catch (const std::exception& e) {
    std::string text = "Can't Connect To the Database\r\nDataFile : " + path + "\r\n" + e.what() + "\r\nStep : " +
                       std::to_string(connectStep_);
    if (damaged) text += "\r\n" + TranslateText(kDamagedDatabaseAdvice);
    // A damaged file, a newer one or one whose migration failed is never written to, not
    // even by the closing of the program.
    if (damaged || untouched) adoConn.close();
    return StepResult::Failed(Notice{text, "Error", NoticeIcon::Warning});
  }
}

std::string TDM::DatabaseWriteProblem() const {
  if (!adoConn.connected()) return "Connection is not open";
  const std::string& path = adoConn.dataFile();
  std::string why = WriteAccessProblem(path);
  if (!why.empty()) return why;
  // The engine keeps its journal beside the file while it writes.
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  why = WriteAccessProblem(folder);
  if (!why.empty()) return folder + ": " + why;
  if (adoConn.database().readOnly()) return "attempt to write a readonly database";
  return {};
}

void TDM::ReadSystemInfo() {
  RowSet q("qrySystemInfo");
  q.setConnection(&adoConn);
  q.setCommandText("Select * from System_Info");
  q.setReadOnly(true);
  q.open();
  if (q.recordCount() == 0) return;
  TMeterSetting& m = GlobalOption.MeterSetting;
  m.Unit = q.fieldByName("fUnit").asString();
  // The settings record keeps the scale in single precision.
  m.UnitScale = static_cast<float>(q.fieldByName("fUnitScale").asFloat());
  m.Com = q.fieldByName("fCom").asString();
  m.DefaultMeterType = q.fieldByName("fDefaultMeterType").asString();
  m.DefaultDll = q.fieldByName("fDefaultDll").asString();
  m.DefaultUnit = q.fieldByName("fDefaultUnit").asString();
  m.DefaultHighValue = q.fieldByName("fDefaultHighValue").asInteger();
  m.DefaultLowValue = q.fieldByName("fDefaultLowValue").asInteger();
  m.DefaultHypoValue = q.fieldByName("fDefaultHypoValue").asInteger();
  Operator.LastUser = q.fieldByName("fLastUser").asInteger();
  m.LastUser = Operator.LastUser;
  Operator.AdminPassword = q.fieldByName("fAdminPassword").asString();
  m.AdminPassword = Operator.AdminPassword;
}

void TDM::ApplyFormatSettings() {
  TFormatSettings& fs = FormatSettings();
  fs.DateSeparator = '/';
  fs.ShortDateFormat = "mm/dd/yyyy";
  fs.LongDateFormat = "mm/dd/yyyy";
  fs.TimeSeparator = ':';
  fs.LongTimeFormat = "hh:nn:ss";
  fs.TimeAMString = TranslateText("AM");
  fs.TimePMString = TranslateText("PM");
  static const char* longDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* shortDays[] = {"SUN", "MON", "TWE", "WED", "THU", "FRI", "SAT"};
  for (int i = 0; i < 7; ++i) {
    fs.LongDayNames[static_cast<size_t>(i)] = TranslateText(longDays[i]);
    fs.ShortDayNames[static_cast<size_t>(i)] = TranslateText(shortDays[i]);
  }
}

CreatedDataModule CreateDataModule() {
  CreatedDataModule created{std::make_unique<TDM>(), {}};
  created.notices = created.dm->DataModuleCreate();
  return created;
}

}  // namespace movra
