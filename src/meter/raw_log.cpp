#include "meter/raw_log.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>

#include "app/folders.h"
#include "app/tlog.h"
#include "app/trace.h"

namespace movra {

namespace {

struct LineLogs {
  std::mutex mutex;
  int holders = 0;
  std::map<std::string, std::unique_ptr<Tlog>> open;  // by path, while held
};

// Never destroyed: a transfer may still hold the logs when the process ends, and every line
// is on disk already.
LineLogs& Logs() {
  static LineLogs* logs = new LineLogs;
  return *logs;
}

void WriteLogLine(const std::string& path, const std::string& text, const std::string& prefix, bool hex) {
  LineLogs& logs = Logs();
  std::lock_guard<std::mutex> lock(logs.mutex);
  if (logs.holders == 0) {
    // One writer per line, so the line is on disk when the writer is gone.
    Tlog(path).WriteLine(text, prefix, hex);
    return;
  }
  std::unique_ptr<Tlog>& log = logs.open[path];
  if (!log) log = std::make_unique<Tlog>(path);
  log->WriteLine(text, prefix, hex);
}

}  // namespace

bool WriteRawLog(const std::string& text, const std::string& prefix, bool asHex) {
  try {
    WriteLogLine(RawLogPath(), text, prefix, asHex);
    return true;
  } catch (const std::exception& e) {
    BugMessage(std::string("Write Log Error in FillMeterData!") + e.what());
    return false;
  }
}

void WriteCommDataLog(const std::string& chunk) { WriteLogLine(CommDataLogPath(), chunk, "", true); }

void KeepLineLogsOpen() {
  LineLogs& logs = Logs();
  std::lock_guard<std::mutex> lock(logs.mutex);
  ++logs.holders;
}

void CloseLineLogs() {
  LineLogs& logs = Logs();
  std::lock_guard<std::mutex> lock(logs.mutex);
  if (logs.holders == 0 || --logs.holders > 0) return;
  // Every line was flushed as it was written: a failing close loses nothing.
  for (auto& entry : logs.open)
    if (entry.second) entry.second->Close();  // none where the log could not be opened
  logs.open.clear();
}

}  // namespace movra
