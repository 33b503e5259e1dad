#include "app/translated_pattern.h"

#include "app/language.h"

namespace movra {

std::string TranslatePattern(const std::string& pattern, const std::vector<std::string>& values) {
  std::string translated = TranslateText(pattern);
  std::string out;
  for (size_t i = 0; i < translated.size(); ++i) {
    char slot = i + 1 < translated.size() ? translated[i + 1] : 0;
    if (translated[i] == '%' && slot >= '1' && slot <= '9' && static_cast<size_t>(slot - '1') < values.size()) {
      out += values[slot - '1'];
      ++i;
    } else {
      out += translated[i];
    }
  }
  return out;
}

}  // namespace movra
