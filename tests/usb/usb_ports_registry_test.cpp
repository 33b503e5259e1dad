// The port listing as it reads the registry: the COM-port interfaces of present devices,
// each shown by its device's FriendlyName. The keys are written here, as a driver writes
// them, and removed again at the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/usb_comm_list.h"
#include "comm/usb_ports.h"
#include "recording_presenter.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

using namespace movra;

namespace {

const std::wstring kClass =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
const std::wstring kGuid = L"{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

struct Device {
  std::wstring enumerator, id, instance;
  const wchar_t* friendlyName;      // nullptr: no value
  const DWORD* referenceCount;      // nullptr: no value
  std::wstring interfaceName() const { return L"##?#" + enumerator + L"#" + id + L"#" + instance + L"#" + kGuid; }
  std::wstring deviceKey() const { return L"SYSTEM\\CurrentControlSet\\Enum\\" + enumerator + L"\\" + id + L"\\" + instance; }
};

void writeValue(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  if (name) RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(k);
}

// Writes the keys of each device and removes them (and only them) at the end.
class RegisteredDevices {
 public:
  explicit RegisteredDevices(std::vector<Device> devices) : devices_(std::move(devices)) {
    for (const Device& d : devices_) {
      std::wstring control = kClass + L"\\" + d.interfaceName() + L"\\Control";
      writeValue(control, d.referenceCount ? L"ReferenceCount" : nullptr, REG_DWORD, d.referenceCount, sizeof(DWORD));
      const wchar_t* name = d.friendlyName;
      writeValue(d.deviceKey(), name ? L"FriendlyName" : nullptr, REG_SZ, name,
                 name ? DWORD((wcslen(name) + 1) * sizeof(wchar_t)) : 0);
    }
  }
  ~RegisteredDevices() {
    for (const Device& d : devices_) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClass + L"\\" + d.interfaceName()).c_str());
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, d.deviceKey().c_str());
    }
  }

 private:
  std::vector<Device> devices_;
};

const DWORD kPresent = 1;
const DWORD kAbsent = 0;

}  // namespace

TEST(RegistryPorts, PresentAdaptersInRegistryOrder) {
  // Interface names sort as the registry hands them out: VID_067B before VID_10C4 before VID_1A86.
  RegisteredDevices devices({
      {L"USB", L"VID_10C4&PID_EA60", L"0001", L"Silicon Labs CP210x USB to UART Bridge (COM3)", &kPresent},
      {L"USB", L"VID_067B&PID_2303", L"5&2a1b&0&2", L"Prolific USB to UART Bridge (COM12)", &kPresent},
      // Installed once, unplugged now: not listed.
      {L"USB", L"VID_1A86&PID_7523", L"5&1f&0&1", L"CH340 USB to UART (COM5)", &kAbsent},
      // A present port of another kind is listed but not taken for a download.
      {L"ACPI", L"PNP0501", L"1", L"Communications Port (COM1)", &kPresent},
  });
  std::vector<std::string> names;
  ListUsbSerialPorts(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Communications Port (COM1)", "Prolific USB to UART Bridge (COM12)",
                                             "Silicon Labs CP210x USB to UART Bridge (COM3)"}));

  test::ScopedPresenter presenter;
  std::vector<std::string> ports;
  GetUSBCommList(ports);
  EXPECT_EQ(ports, (std::vector<std::string>{"COM12", "COM3"}));
}

TEST(RegistryPorts, DeviceWithoutFriendlyNameGivesAnEmptyName) {
  RegisteredDevices devices({{L"USB", L"VID_0403&PID_6001", L"A50285BI", nullptr, &kPresent}});
  std::vector<std::string> names{"old"};
  ListUsbSerialPorts(names);
  EXPECT_EQ(names, std::vector<std::string>{""});
}

TEST(RegistryPorts, MissingReferenceCountFailsTheWholeListing) {
  RegisteredDevices devices({
      {L"USB", L"VID_10C4&PID_EA60", L"0001", L"CP2102 USB to UART Bridge Controller (COM3)", &kPresent},
      {L"USB", L"VID_10C4&PID_EA60", L"0002", L"CP2102 USB to UART Bridge Controller (COM4)", nullptr},
  });
  std::vector<std::string> names;
  EXPECT_THROW(ListUsbSerialPorts(names), std::runtime_error);

  test::ScopedPresenter presenter;
  std::vector<std::string> ports{"COM9"};
  std::optional<Notice> failure = GetUSBCommList(ports);
  EXPECT_TRUE(ports.empty());
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->text.find("Invalid data type for 'ReferenceCount'"), std::string::npos) << failure->text;
}
