// Any bytes as a translation file: decoding and parsing never crash, a file that loads has
// a known language identifier, and its keys with placeholders translate any text safely.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  (void)movra::DecodeTranslationText(bytes, text);
  static const std::string path = [] {
    char tmpl[] = "/tmp/movra-fuzz-XXXXXX";
    return std::string(mkdtemp(tmpl)) + "/MovraT.txt";
  }();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  movra::LanguageInfo info;
  std::string why;
  if (!movra::LoadTranslationFile(path, info, why)) return 0;
  if (!movra::IsKnownLanguageId(info.id)) __builtin_trap();
  size_t tried = 0;
  for (const auto& [key, value] : info.entries) {
    if (++tried > 64) break;
    (void)movra::TranslateWith(info, key);
    (void)movra::TranslateWith(info, "Record 12 " + key + "\r\n" + value);
  }
  (void)movra::TranslateWith(info, "Com 3 disconnected!, Please check the meter or cable!\n%1 %2");
  return 0;
}
