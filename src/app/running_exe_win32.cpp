#include <algorithm>

#include "app/folders.h"
#include "app/win32_strings.h"

namespace movra {

std::string RunningExeDir() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "./";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);  // the path was cut short
  }
  // The program builds its paths with "/", which every Windows file function takes too.
  std::string path = WideToUtf8(buf);
  std::replace(path.begin(), path.end(), '\\', '/');
  return FolderOf(path);
}

}  // namespace movra
