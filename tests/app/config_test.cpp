#include <gtest/gtest.h>

#include "app/config.h"
#include "app/ini_file.h"
#include "temp_dir.h"

using namespace movra;

namespace {

TGlobalOption readFrom(const std::string* iniText) {
  test::TempDir dir;
  if (iniText) dir.write("MovraT.INI", *iniText);
  TGlobalOption o;
  ReadConfigFrom(dir.file("MovraT.INI"), o);
  return o;
}

TEST(Config, MissingFileGivesEveryDefault) {
  TGlobalOption o = readFrom(nullptr);
  EXPECT_EQ(o.Title, "Movra Management Software");
  EXPECT_EQ(o.AboutTitle, "Velbrook Diabetes Management System");
  EXPECT_EQ(o.Icon, "Image\\PTLogo.ico");
  EXPECT_EQ(o.Logo, "Image\\PTLogo.bmp");
  EXPECT_EQ(o.Background, "Image\\Down.jpg");
  EXPECT_EQ(o.LanguageID, 1);
  EXPECT_EQ(o.CommOption.Port, 1);
  EXPECT_EQ(o.CommOption.BaudRate, 4800);
  EXPECT_EQ(o.CommOption.Parity, 0);
  EXPECT_EQ(o.CommOption.ByteSize, "_8");
  EXPECT_EQ(o.CommOption.StopBit, "_1");
}

TEST(Config, TitleKeySetsBothTitles) {
  std::string ini = "[appearance]\r\n  TITLE =  \"Clinic\"  \r\n";
  TGlobalOption o = readFrom(&ini);
  EXPECT_EQ(o.Title, "Clinic");
  EXPECT_EQ(o.AboutTitle, "Clinic");
}

struct IntCase {
  const char* value;
  int expected;
};

TEST(Config, IntegerForms) {
  const IntCase cases[] = {
      {"0x2580", 9600}, {"0X2580", 9600}, {"$2580", 9600}, {"9600", 9600}, {"fast", 4800},
      {"", 4800},       {"0x", 4800},     {"$", 4800},     {"-3", -3},     {"  19200", 19200},
      {"12ab", 4800},   {"+4800", 4800},  {"99999999999", 4800},
  };
  for (const auto& c : cases) {
    std::string ini = std::string("[COMM]\nBaudRate=") + c.value + "\nPort=" + c.value + "\n";
    TGlobalOption o = readFrom(&ini);
    int portDefault = c.expected == 4800 && std::string(c.value) != "+4800" ? 1 : c.expected;
    EXPECT_EQ(o.CommOption.BaudRate, c.expected) << c.value;
    EXPECT_EQ(o.CommOption.Port, portDefault) << c.value;
  }
}

TEST(Config, ParityText) {
  const std::pair<const char*, int> cases[] = {{"odd", 1}, {"even", 2}, {"Even", 0}, {"Odd", 0},
                                               {"EVEN", 0}, {" odd", 0}, {"", 0},    {"None", 0}};
  for (const auto& [text, v] : cases) EXPECT_EQ(ParityFromText(text), v) << text;
  std::string ini = "[COMM]\nParity=even\n";
  EXPECT_EQ(readFrom(&ini).CommOption.Parity, 2);
}

TEST(Config, GarbageLinesAreSkipped) {
  std::string ini =
      "\xEF\xBB\xBFgarbage before any section\n[COMM\nPort=7\n[COMM]\n=novalue\nno equals sign\n"
      "Port = 5\nPort=6\n\x01\x02\xff\n[LANGUAGE]\nLanguageID=2052\n";
  TGlobalOption o = readFrom(&ini);
  EXPECT_EQ(o.CommOption.Port, 5);  // the first key wins
  EXPECT_EQ(o.LanguageID, 2052);
}

TEST(Config, LongValuesAreCut) {
  std::string ini = "[APPEARANCE]\nTitle=" + std::string(3000, 'x') + "\n";
  EXPECT_EQ(readFrom(&ini).Title.size(), 2047u);
}

}  // namespace

namespace {

// The clinic's server: the URL and the token file's path are read; a token written into the
// settings file is not taken from there.
TEST(Config, FhirServerKeys) {
  TGlobalOption none = readFrom(nullptr);
  EXPECT_EQ(none.Fhir.Url, "");
  EXPECT_EQ(none.Fhir.TokenFile, "");
  std::string ini = "[fhir]\nUrl = https://fhir.example.org/r4\nTokenFile=/home/anna/.movra-token\nToken=secret\n";
  TGlobalOption o = readFrom(&ini);
  EXPECT_EQ(o.Fhir.Url, "https://fhir.example.org/r4");
  EXPECT_EQ(o.Fhir.TokenFile, "/home/anna/.movra-token");
}

}  // namespace
