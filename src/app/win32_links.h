// Links on Windows: symbolic links and junctions are reparse points. A file opened with
// FILE_FLAG_OPEN_REPARSE_POINT is the link itself, which the program's own files never are.
// Only *_win32.cpp files include this.
#pragma once
#include "app/win32_strings.h"

namespace movra {

inline bool IsReparsePoint(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace movra
