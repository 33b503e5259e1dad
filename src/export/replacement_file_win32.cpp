#include "export/replacement_file.h"

#include <algorithm>

#include "export/export_target.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

namespace {

constexpr size_t kFlushAt = 64 * 1024;

HANDLE handleOf(intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : destination_(target) {
  // Looked at before anything is opened: a pipe or a device is never opened.
  if (auto why = NotARegularFile(target)) throw ExportFileError(CannotCreateFileText(target, *why));
  // A new name, made exclusively: it is a fresh regular file whatever else is around.
  DWORD err = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; attempt < 100 && fd_ == -1; ++attempt) {
    temp_ = FolderOf(destination_) + "/." + NameOf(destination_) + "." + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "-" + std::to_string(attempt);
    HANDLE h = CreateFileW(Utf8ToWide(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      fd_ = reinterpret_cast<intptr_t>(h);
      break;
    }
    err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
  }
  if (fd_ == -1) {
    temp_.clear();
    throw ExportFileError(CannotCreateFileText(target, SystemErrorText(err)));
  }
  buffer_.reserve(kFlushAt);
}

ReplacementFile::~ReplacementFile() {
  if (fd_ != -1) CloseHandle(handleOf(fd_));
  if (!committed_ && !temp_.empty()) DeleteFileW(Utf8ToWide(temp_).c_str());
}

void ReplacementFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushAt) Flush();
}

void ReplacementFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    DWORD n = 0;
    DWORD piece = static_cast<DWORD>(std::min<size_t>(buffer_.size() - done, 1u << 30));
    if (!WriteFile(handleOf(fd_), buffer_.data() + done, piece, &n, nullptr))
      throw ExportFileError(SystemErrorText(GetLastError()));
    done += n;
  }
  buffer_.clear();
}

void ReplacementFile::Commit() {
  Flush();
  // The new name must not reach the disk before the data do.
  if (!FlushFileBuffers(handleOf(fd_))) throw ExportFileError(SystemErrorText(GetLastError()));
  HANDLE h = handleOf(fd_);
  fd_ = -1;
  if (!CloseHandle(h)) throw ExportFileError(SystemErrorText(GetLastError()));
  std::wstring from = Utf8ToWide(temp_);
  std::wstring to = Utf8ToWide(destination_);
  // Replacing keeps the replaced file's attributes and access rights; a new target is a move.
  bool replaced = GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES
                      ? ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                      : MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!replaced) throw ExportFileError(SystemErrorText(GetLastError()));
  committed_ = true;
}

}  // namespace movra
