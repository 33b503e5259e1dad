#include "app/trace.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/datetime.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "app/tlog.h"

namespace movra {

namespace {
std::mutex gTraceMutex;
std::FILE* gTrace = nullptr;
std::string gTracePath;
std::atomic<bool> gTraceOpen{false};
// A full disk fails every record; the user hears of it once until a record goes through.
std::atomic<bool> gFailureShown{false};
std::mutex gHandlerMutex;
TraceFailureHandler gFailureHandler;

void tellTraceFailure(const Notice& notice) {
  TraceFailureHandler handler;
  {
    std::lock_guard<std::mutex> lock(gHandlerMutex);
    handler = gFailureHandler;
  }
  if (handler) handler(notice);
}
}  // namespace

TraceFailureHandler SetTraceFailureHandler(TraceFailureHandler handler) {
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  std::swap(gFailureHandler, handler);
  return handler;
}

const char* const kTraceNotWritten = "The debug trace could not be written:";

bool TraceOpen() { return gTraceOpen.load(); }

std::string TraceRecord(double when, const std::string& text) {
  const TFormatSettings& fs = FormatSettings();
  std::string stamp = FormatDateTime(fs.ShortDateFormat, when);
  DateParts p = DecodeDateTime(when);
  if (p.hour || p.minute || p.second || p.msec) stamp += " " + FormatDateTime(fs.LongTimeFormat, when);
  return stamp + ":" + text + "\n\r" + "\r\n";
}

StepResult OpenTrace() {
  std::string path = TraceFilePath();
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (gTrace) std::fclose(gTrace);
  gTracePath = path;
  gTrace = OpenPrivateAppend(path);
  if (!gTrace) {
    std::string reason = std::strerror(errno);
    gTraceOpen = false;
    return StepResult::Failed(ErrorNotice("Can't open the file " + path + "\r\n" + reason));
  }
  gTraceOpen = true;
  return {};
}

void BugMessage(const std::string& text) {
  if (!gTraceOpen) return;
  bool failed = false;
  int err = 0;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    if (!gTraceOpen) return;
    std::string rec = TraceRecord(Now(), text);
    // Written and flushed whole under the lock, so records of two threads never mix; a
    // record that would take the trace past its size starts a new file.
    failed = !RotateBeforeAppend(gTrace, gTracePath, rec.size()) ||
             std::fwrite(rec.data(), 1, rec.size(), gTrace) != rec.size() || std::fflush(gTrace) != 0;
    if (failed) {
      err = errno ? errno : EIO;  // a short write may leave no reason of its own
      path = gTracePath;
      if (gTrace) std::clearerr(gTrace);
    }
  }
  if (!failed) {
    gFailureShown = false;
  } else if (!gFailureShown.exchange(true)) {
    // The designed words, then what happened in plain words with the system's reason.
    std::string text = TranslateText("Error in BugMessage");
    text += "\r\n" + TranslateText(kTraceNotWritten);
    text += " " + path + ": " + std::strerror(err);
    tellTraceFailure(ErrorNotice(text));
  }
}

void CloseTrace() {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (gTrace) std::fclose(gTrace);
  gTrace = nullptr;
  gTraceOpen = false;
}

}  // namespace movra
