#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>

#include "app/tlog.h"
#include "app/win32_links.h"
#include "app/win32_strings.h"

namespace movra {

namespace {

int errnoFor(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
  }
}

bool sameFile(HANDLE a, HANDLE b, uint64_t& sizeOfB) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return false;
  sizeOfB = (uint64_t(ib.nFileSizeHigh) << 32) | ib.nFileSizeLow;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace

std::FILE* OpenPrivateAppend(const std::string& path) {
  // Shared for deletion as well, so a full log can be renamed while another writer has it
  // open, as it can on Linux. A new file in the user's data folder is the user's alone.
  // A link (reparse point) in the log's place is opened itself, not followed, and refused.
  HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errnoFor(GetLastError());
    return nullptr;
  }
  if (IsReparsePoint(h)) {
    CloseHandle(h);
    errno = ELOOP;
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_APPEND | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "ab");
  if (!f) _close(fd);
  return f;
}

bool RotateBeforeAppend(std::FILE*& file, const std::string& path, std::size_t adding, std::uintmax_t limit) {
  if (file) {
    // A line that fits the open file needs no look at the name: opening it for every line
    // is what costs. Another writer's rotation is seen once this file is full.
    LARGE_INTEGER own{};
    HANDLE opened = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (opened != INVALID_HANDLE_VALUE && GetFileSizeEx(opened, &own) &&
        (own.QuadPart == 0 || uint64_t(own.QuadPart) + adding <= limit))
      return true;
  }
  std::wstring w = Utf8ToWide(path);
  bool isNamed = false;
  uint64_t size = 0;
  if (file) {
    HANDLE named = CreateFileW(w.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named != INVALID_HANDLE_VALUE) {
      HANDLE opened = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
      isNamed = opened != INVALID_HANDLE_VALUE && sameFile(opened, named, size);
      CloseHandle(named);
    }
  }
  if (isNamed) {
    if (size == 0 || size + adding <= limit) return true;
    // When the rename fails the line still goes to the file as it is: nothing is lost.
    if (!MoveFileExW(w.c_str(), Utf8ToWide(path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  }
  if (file) std::fclose(file);
  file = OpenPrivateAppend(path);
  return file != nullptr;
}

}  // namespace movra
