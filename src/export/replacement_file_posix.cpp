#include "export/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "export/export_target.h"

namespace movra {

namespace {

constexpr size_t kFlushAt = 64 * 1024;

std::string Reason(int err) { return std::strerror(err); }

// The permissions a new file gets from open(…, 0666): the process's umask, read without
// changing it (changing it would race with other threads making files).
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  return 0644;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : destination_(target) {
  // Looked at before anything is opened: a pipe or a device is never opened.
  if (auto why = NotARegularFile(target)) throw ExportFileError(CannotCreateFileText(target, *why));
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved)) destination_ = resolved;
  }
  mode_ = stat(destination_.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();

  temp_ = FolderOf(destination_) + "/." + NameOf(destination_) + ".XXXXXX";
  // A new name, made exclusively: it is a fresh regular file whatever else is around.
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) throw ExportFileError(CannotCreateFileText(target, Reason(errno)));
  struct stat made {};
  if (fstat(static_cast<int>(fd_), &made) != 0 || !S_ISREG(made.st_mode)) {
    int err = errno;
    close(static_cast<int>(fd_));
    fd_ = -1;
    unlink(temp_.c_str());
    throw ExportFileError(CannotCreateFileText(target, Reason(err ? err : EINVAL)));
  }
  buffer_.reserve(kFlushAt);
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) close(static_cast<int>(fd_));
  if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
}

void ReplacementFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushAt) Flush();
}

void ReplacementFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = ::write(static_cast<int>(fd_), buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ExportFileError(Reason(errno));
    }
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

void ReplacementFile::Commit() {
  Flush();
  // The rename must not reach the disk before the data do.
  if (fsync(static_cast<int>(fd_)) != 0) throw ExportFileError(Reason(errno));
  fchmod(static_cast<int>(fd_), static_cast<mode_t>(mode_));
  int fd = static_cast<int>(fd_);
  fd_ = -1;
  if (close(fd) != 0) throw ExportFileError(Reason(errno));
  if (rename(temp_.c_str(), destination_.c_str()) != 0) throw ExportFileError(Reason(errno));
  committed_ = true;
  int dir = open(FolderOf(destination_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

}  // namespace movra
