#include "app/user_folders.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

void ReadUserFolders(DataLocationInput& in) {
  in.convention = FolderConvention::Windows;
  // Read as UTF-16: a user name outside the ANSI code page must survive.
  wchar_t buf[32768];
  DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buf, 32768);
  in.localAppData = n > 0 && n < 32768 ? WideToUtf8(std::wstring(buf, n)) : std::string();
}

}  // namespace movra
