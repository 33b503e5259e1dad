// Log-file lines: "YYYY-MM-DD hh:mm:ss:zzz" + blank + prefix + text (or its hex) + CR LF.
#pragma once
#include <cstdio>
#include <stdexcept>
#include <string>

namespace movra {

// Opens a file for appending, creating it readable by the user alone.
std::FILE* OpenPrivateAppend(const std::string& path);

// Each byte as two upper-case hex digits and a blank; empty for the empty input.
std::string HexText(const std::string& bytes);

class TlogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Tlog {
 public:
  // Opens the file for appending, creating it when missing. An empty name gives
  // "HB" + yyyymmdd + ".log" in the current directory. Raises TlogError on failure.
  explicit Tlog(const std::string& fileName);
  // Closes the file; a failing close raises TlogError (as the original writer did).
  ~Tlog() noexcept(false);
  Tlog(const Tlog&) = delete;
  Tlog& operator=(const Tlog&) = delete;

  // One line under the process-wide lock; raises TlogError when the write fails.
  void WriteLine(const std::string& text, const std::string& prefix, bool hex);
  const std::string& fileName() const { return fileName_; }

  static std::string DefaultFileName();
  static std::string TimeStamp();

 private:
  std::string fileName_;
  std::FILE* file_ = nullptr;
};

}  // namespace movra
