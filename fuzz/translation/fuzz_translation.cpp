// Any bytes as a translation file: decoding and parsing never crash, and a file that
// loads has a known language identifier.
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
  if (movra::LoadTranslationFile(path, info, why) && !movra::IsKnownLanguageId(info.id)) __builtin_trap();
  return 0;
}
