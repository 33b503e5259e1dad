// The settings record read from MovraT.INI (beside the program, or the user's own copy);
// nothing is written back.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

// The meter settings row of the database (System_Info), filled by the data module.
struct TMeterSetting {
  std::string Unit;
  double UnitScale = 0;
  std::string Com;
  std::string DefaultMeterType;
  std::string DefaultDll;
  std::string DefaultUnit;
  int32_t DefaultHighValue = 0;
  int32_t DefaultLowValue = 0;
  int32_t DefaultHypoValue = 0;
  int32_t LastUser = 0;
  std::string AdminPassword;
};

struct TCommOption {
  int32_t Port = 0;
  int32_t BaudRate = 0;
  uint8_t Parity = 0;  // 0 none, 1 odd, 2 even
  std::string ByteSize;
  std::string StopBit;
};

// The clinic's FHIR server: its base URL, and the file the bearer token is read from (the
// token itself is never kept in the settings file).
struct TFhirOption {
  std::string Url;        // [FHIR] Url=
  std::string TokenFile;  // [FHIR] TokenFile=
};

// The clinic's shared history on its database server; empty when the history stays on this
// PC alone. Who connects, and how, is libpq's own business (~/.pgpass, pg_service.conf, PG*
// variables): no user or password is kept here.
struct TDatabaseOption {
  std::string Url;   // [DATABASE] Url=postgresql://host[:port]/dbname
  std::string Site;  // [DATABASE] Site=: this PC's clinic site, "" when none
};

struct TGlobalOption {
  std::string Title;
  std::string AboutTitle;
  std::string Icon;
  std::string Logo;
  std::string Company;
  std::string Background;
  int32_t LanguageID = 0;
  int32_t InterfaceLanguage = 0;  // 0: the desktop's language chooses among installed translations
  TMeterSetting MeterSetting;
  TCommOption CommOption;
  TFhirOption Fhir;
  TDatabaseOption Database;
};

extern TGlobalOption GlobalOption;

// The application title, shown on the task bar and as the caption of the storing boxes.
constexpr const char* kApplicationTitle = "Movra Data Management Software";
constexpr const char* kConfigFileName = "MovraT.INI";
constexpr const char* kDefaultTitle = "Movra Management Software";
constexpr const char* kDefaultAboutTitle = "Velbrook Diabetes Management System";
constexpr const char* kDefaultCompany = "Velbrook Medical";

// Reads ConfigFilePath() into GlobalOption (all but MeterSetting). Never raises.
void ReadConfig();
// The same from a given file (tests and tools).
void ReadConfigFrom(const std::string& path, TGlobalOption& into);

// 1 for exactly "odd", 2 for exactly "even", 0 otherwise (case-sensitive).
uint8_t ParityFromText(const std::string& text);

}  // namespace movra
