// Serial ports from the registry: the device interfaces of the COM-port class, the
// present ones only (an interface whose Control key counts no reference is a device that
// is not plugged in), each shown by its device's "FriendlyName".
#include <stdexcept>

#include "app/win32_strings.h"
#include "comm/usb_ports.h"

namespace movra {

namespace {

const wchar_t kPortInterfaces[] =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
const wchar_t kDeviceKeys[] = L"SYSTEM\\CurrentControlSet\\Enum\\";

class RegKey {
 public:
  RegKey(HKEY parent, const std::wstring& path) {
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

  std::vector<std::wstring> subkeyNames() const {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD len = 256;
      LONG r = RegEnumKeyExW(key_, i, name, &len, nullptr, nullptr, nullptr, nullptr);
      if (r == ERROR_NO_MORE_ITEMS) break;
      if (r == ERROR_SUCCESS) names.emplace_back(name, len);
      else if (r != ERROR_MORE_DATA) break;
    }
    return names;
  }

  // A missing or non-integer value fails the whole listing, as the registry reader the
  // listing was made with did.
  DWORD integer(const wchar_t* name) const {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
      throw std::runtime_error("Invalid data type for '" + WideToUtf8(name) + "'");
    return value;
  }

  // Empty when the value is not there.
  std::string text(const wchar_t* name) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
      return {};
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return WideToUtf8(value);
  }

 private:
  HKEY key_ = nullptr;
};

std::vector<std::wstring> splitAtHash(const std::wstring& s) {
  std::vector<std::wstring> fields;
  size_t from = 0;
  for (;;) {
    size_t hash = s.find(L'#', from);
    fields.push_back(s.substr(from, hash == std::wstring::npos ? std::wstring::npos : hash - from));
    if (hash == std::wstring::npos) return fields;
    from = hash + 1;
  }
}

}  // namespace

void ListUsbSerialPorts(std::vector<std::string>& list) {
  list.clear();
  RegKey interfaces(HKEY_LOCAL_MACHINE, kPortInterfaces);
  if (!interfaces) return;
  const std::wstring base = std::wstring(kPortInterfaces) + L"\\";
  for (const std::wstring& name : interfaces.subkeyNames()) {
    {
      RegKey control(HKEY_LOCAL_MACHINE, base + name + L"\\Control");
      if (!control || control.integer(L"ReferenceCount") == 0) continue;
    }
    // ##?#USB#VID_10C4&PID_EA60#0001#{86e0d1e0-…}: the device is Enum\USB\VID_…\0001.
    std::vector<std::wstring> fields = splitAtHash(name);
    if (fields.size() <= 5) continue;
    RegKey device(HKEY_LOCAL_MACHINE, kDeviceKeys + fields[3] + L"\\" + fields[4] + L"\\" + fields[5]);
    if (device) list.push_back(device.text(L"FriendlyName"));
  }
}

}  // namespace movra
