#include "app/tlog.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "app/datetime.h"
#include "app/format_settings.h"

namespace movra {

namespace {
std::mutex& logLock() {
  static std::mutex m;
  return m;
}
}  // namespace

std::string HexText(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
    out += ' ';
  }
  return out;
}

std::string Tlog::DefaultFileName() {
  DateParts p = NowParts();
  char buf[32];
  std::snprintf(buf, sizeof buf, "HB%04d%02d%02d.log", p.year, p.month, p.day);
  return buf;
}

std::string Tlog::TimeStamp() {
  DateParts p = NowParts();
  char t = FormatSettings().TimeSeparator;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d%c%02d%c%02d%c%03d", p.year, p.month, p.day, p.hour, t, p.minute, t,
                p.second, t, p.msec);
  return buf;
}

Tlog::Tlog(const std::string& fileName) : fileName_(fileName.empty() ? DefaultFileName() : fileName) {
  file_ = OpenPrivateAppend(fileName_);
  if (!file_) throw TlogError(std::string("Cannot open ") + fileName_ + ": " + std::strerror(errno));
}

Tlog::~Tlog() noexcept(false) {
  if (file_ && std::fclose(file_) != 0) {
    file_ = nullptr;
    // Never throw while another exception is already unwinding.
    if (std::uncaught_exceptions() == 0) throw TlogError(std::string("I/O error ") + std::strerror(errno));
  }
}

void Tlog::Close() noexcept {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void Tlog::WriteLine(const std::string& text, const std::string& prefix, bool hex) {
  std::lock_guard<std::mutex> lock(logLock());
  std::string line = TimeStamp() + " " + prefix + (hex ? HexText(text) : text) + "\r\n";
  if (!RotateBeforeAppend(file_, fileName_, line.size()))
    throw TlogError(std::string("Cannot open ") + fileName_ + ": " + std::strerror(errno));
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
    throw TlogError(std::string("I/O error ") + std::strerror(errno));
}

}  // namespace movra
