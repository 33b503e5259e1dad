#include "app/sample_type_text.h"

#include "app/language.h"

namespace movra {

std::string SampleTypeText(const std::string& stored) {
  for (const char* known : {"Downloaded Sample", "EC", "CS", "Downloaded EC", "Downloaded CS"})
    if (stored == known) return TranslateText(stored);
  return stored;
}

}  // namespace movra
