#include "data/reading_progress.h"

#include "app/utf8.h"
#include "data/record_conversion.h"

namespace movra {

std::string ReadingProgressText(const std::string& serialNumber, const std::string& portName, int32_t stored,
                                int32_t announced) {
  return "Reading " + ReplaceControlCharacters(AnsiToUtf8(serialNumber)) + "(" + portName + "):  " +
         std::to_string(stored) + " / " + std::to_string(announced);
}

}  // namespace movra
