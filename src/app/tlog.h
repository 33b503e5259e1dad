// Log-file lines: "YYYY-MM-DD hh:mm:ss:zzz" + blank + prefix + text (or its hex) + CR LF.
#pragma once
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace movra {

// Opens a file for appending, creating it readable by the user alone.
std::FILE* OpenPrivateAppend(const std::string& path);

// The logs hold every record read, so they are kept to about this size.
inline constexpr std::uintmax_t kLogSizeLimit = 1024 * 1024;

// Keeps a log bounded. When appending `adding` bytes would take the file at `path` past
// `limit`, the file is renamed to path + ".1" (replacing an older one) and `file` becomes a
// new, empty file at `path`; a line is therefore never split between the two. A full `file`
// that no longer is the one at `path` (another writer rotated it), or none, is reopened at
// `path`; lines that fit go to the open file without looking at the name.
// False when the file cannot be reopened; `file` is then null.
bool RotateBeforeAppend(std::FILE*& file, const std::string& path, std::size_t adding,
                        std::uintmax_t limit = kLogSizeLimit);

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
  // Closes the file now, without raising; the destructor then has nothing left to do.
  void Close() noexcept;
  Tlog(const Tlog&) = delete;
  Tlog& operator=(const Tlog&) = delete;

  // One line under the process-wide lock, after rotating a full file to ".1"; raises
  // TlogError when the write fails.
  void WriteLine(const std::string& text, const std::string& prefix, bool hex);
  const std::string& fileName() const { return fileName_; }

  static std::string DefaultFileName();
  static std::string TimeStamp();

 private:
  std::string fileName_;
  std::FILE* file_ = nullptr;
};

}  // namespace movra
