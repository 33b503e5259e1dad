#include "app/tlog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::FILE* OpenPrivateAppend(const std::string& path) {
  // The logs hold health data: a new file is readable by the user alone.
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "ab");
  if (!f) close(fd);
  return f;
}

bool RotateBeforeAppend(std::FILE*& file, const std::string& path, std::size_t adding, std::uintmax_t limit) {
  struct stat opened {}, named {};
  const bool isNamed = file && fstat(fileno(file), &opened) == 0 && stat(path.c_str(), &named) == 0 &&
                       named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
  if (isNamed) {
    const auto size = static_cast<std::uintmax_t>(named.st_size);
    if (size == 0 || size + adding <= limit) return true;
    // When the rename fails the line still goes to the file as it is: nothing is lost.
    if (std::rename(path.c_str(), (path + ".1").c_str()) != 0) return true;
  }
  if (file) std::fclose(file);
  file = OpenPrivateAppend(path);
  return file != nullptr;
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

void Tlog::WriteLine(const std::string& text, const std::string& prefix, bool hex) {
  std::lock_guard<std::mutex> lock(logLock());
  std::string line = TimeStamp() + " " + prefix + (hex ? HexText(text) : text) + "\r\n";
  if (!RotateBeforeAppend(file_, fileName_, line.size()))
    throw TlogError(std::string("Cannot open ") + fileName_ + ": " + std::strerror(errno));
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
    throw TlogError(std::string("I/O error ") + std::strerror(errno));
}

}  // namespace movra
