#include "meter/raw_log.h"

#include <exception>

#include "app/folders.h"
#include "app/tlog.h"
#include "app/trace.h"

namespace movra {

bool WriteRawLog(const std::string& text, const std::string& prefix, bool asHex) {
  try {
    // One writer per line, so the line is on disk when the writer is gone.
    Tlog log(RawLogPath());
    log.WriteLine(text, prefix, asHex);
    return true;
  } catch (const std::exception& e) {
    BugMessage(std::string("Write Log Error in FillMeterData!") + e.what());
    return false;
  }
}

void WriteCommDataLog(const std::string& chunk) {
  Tlog log(CommDataLogPath());
  log.WriteLine(chunk, "", true);
}

}  // namespace movra
