// Any bytes as a settings file: the reader never crashes and every value stays in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/config.h"
#include "app/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  movra::IniFile ini = movra::IniFile::fromText(text);
  for (const char* key : {"Title", "Icon", "Port", "BaudRate", "Parity"}) {
    std::string v = ini.readString("APPEARANCE", key, "d");
    if (v.size() > 2047) __builtin_trap();
    (void)ini.readInteger("COMM", key, 1);
  }
  (void)movra::ParseIniInteger(text.substr(0, 64));
  (void)movra::ParityFromText(text);
  return 0;
}
