// A file that takes the place of an export's target only once it is whole: it is written
// under a temporary name in the target's folder (so the final rename stays on one file
// system), flushed to the disk, and then renamed over the target. A failure on the way
// leaves the target as it was.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace movra {

class ExportFileError : public std::runtime_error {
 public:
  explicit ExportFileError(const std::string& message) : std::runtime_error(message) {}
};

class ReplacementFile {
 public:
  // Makes the temporary file. Throws ExportFileError with the "Cannot create file" text
  // when something other than a regular file is at the target, or the folder takes no
  // new file. A link to a file is followed: the file it leads to is replaced.
  explicit ReplacementFile(const std::string& target);
  // An uncommitted file is removed; the target stays as it was.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Throws ExportFileError with the system's reason (the disk is full …).
  void Write(std::string_view bytes);
  // Writes what is buffered, flushes it to the disk and puts the file in the target's
  // place, keeping the permissions of the file it replaces. Throws ExportFileError with
  // the system's reason; the target is then unchanged.
  void Commit();

 private:
  void Flush();
  std::string destination_;  // the target, or the file a link at the target leads to
  std::string temp_;
  intptr_t fd_ = -1;     // the descriptor, or the handle on Windows
  unsigned mode_ = 0644;  // the permissions the file gets (not used on Windows)
  std::string buffer_;
  bool committed_ = false;
};

}  // namespace movra
