#include "app/config.h"

#include "app/folders.h"
#include "app/ini_file.h"

namespace movra {

TGlobalOption GlobalOption;

uint8_t ParityFromText(const std::string& text) {
  if (text == "odd") return 1;
  if (text == "even") return 2;
  return 0;
}

void ReadConfigFrom(const std::string& path, TGlobalOption& o) {
  IniFile ini(path);
  // The order of reading is kept; "Title" is read twice with two defaults, so without
  // the key the window and the about box show different titles.
  o.Title = ini.readString("APPEARANCE", "Title", kDefaultTitle);
  o.Icon = ini.readString("APPEARANCE", "Icon", "Image\\PTLogo.ico");
  o.Logo = ini.readString("APPEARANCE", "Logo", "Image\\PTLogo.bmp");
  o.Background = ini.readString("APPEARANCE", "Background", "Image\\Down.jpg");
  o.Company = ini.readString("APPEARANCE", "Company", kDefaultCompany);
  o.AboutTitle = ini.readString("APPEARANCE", "Title", kDefaultAboutTitle);
  o.LanguageID = ini.readInteger("LANGUAGE", "LanguageID", 1);
  // Not a designed key: which of several installed translations the window shows.
  o.InterfaceLanguage = ini.readInteger("LANGUAGE", "InterfaceLanguage", 0);
  o.CommOption.Port = ini.readInteger("COMM", "Port", 1);
  o.CommOption.BaudRate = ini.readInteger("COMM", "BaudRate", 4800);
  o.CommOption.Parity = ParityFromText(ini.readString("COMM", "Parity", "None"));
  o.CommOption.ByteSize = ini.readString("COMM", "ByteSize", "_8");
  o.CommOption.StopBit = ini.readString("COMM", "StopBit", "_1");
  o.Fhir.Url = ini.readString("FHIR", "Url", "");
  o.Fhir.TokenFile = ini.readString("FHIR", "TokenFile", "");
  // Read as written: a malformed value is refused where the server is used (ClinicSettingsProblem).
  o.Database.Url = ini.readString("DATABASE", "Url", "");
  o.Database.Site = ini.readString("DATABASE", "Site", "");
}

void ReadConfig() { ReadConfigFrom(ConfigFilePath(), GlobalOption); }

}  // namespace movra
