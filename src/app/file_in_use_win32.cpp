#include "app/file_in_use.h"

#include "app/win32_strings.h"

namespace movra {

// A spreadsheet program keeps its open workbook without write sharing, so an open for
// reading and writing that shares nothing fails while it is open.
bool FileInUse(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  if (GetFileAttributesW(w.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  HANDLE h = CreateFileW(w.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  CloseHandle(h);
  return false;
}

// The read-only attribute is what comes nearest to an unchangeable file here.
WriteRefusal FileRefusesWriting(const std::string& path) {
  std::wstring w = Utf8ToWide(path);
  HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return WriteRefusal::None;
  }
  DWORD err = GetLastError();
  if (err == ERROR_WRITE_PROTECT) return WriteRefusal::ReadOnly;
  if (err != ERROR_ACCESS_DENIED) return WriteRefusal::None;
  DWORD attributes = GetFileAttributesW(w.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return WriteRefusal::ReadOnly;
  return WriteRefusal::Denied;
}

}  // namespace movra
