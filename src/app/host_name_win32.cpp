#include "app/host_name.h"

#include "app/win32_strings.h"

namespace movra {

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return WideToUtf8(std::wstring(name, size));
}

}  // namespace movra
