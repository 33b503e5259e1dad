#include <gtest/gtest.h>

#include <stdexcept>

#include "comm/usb_comm_list.h"
#include "recording_presenter.h"
#include "usb_fixtures.h"

using namespace movra;
using movra::test::FakeDeviceRoot;
using movra::test::ScopedPresenter;
using movra::test::TraceCapture;

namespace {

PortLister namesLister(std::vector<std::string> names) {
  return [names](std::vector<std::string>& list) { list = names; };
}

struct NameCase {
  const char* displayName;
  const char* fromQuery;    // the UsbPorts entry QueryUSBComm makes, or null when skipped
  const char* fromGetList;  // the entry GetUSBCommList makes, or null when skipped
};

const NameCase kNameCases[] = {
    {"USB to UART Bridge (COM12)", "COM12", "COM12"},
    {"CP2102 USB to UART Bridge Controller (COM1)", "COM1", "COM1"},
    {"USB Serial Port (COM4)", nullptr, nullptr},
    {"usb to uart (COM4)", nullptr, nullptr},
    {"USB to UART (COM 3)", "COM 3", "COM3"},
    {"USB to UART (COM+7)", "COM+7", "COM7"},
    {"USB to UART (COMx)", nullptr, nullptr},
    {"USB to UART (COM)", nullptr, nullptr},
    {"USB to UART", nullptr, nullptr},
    {"USB to UART (COM 3 )", nullptr, nullptr},
    {"USB to UART (COM99999999999)", nullptr, nullptr},
    // Without a closing parenthesis the last digit is what gets cut off.
    {"USB to UART COM5", nullptr, nullptr},
    {"USB to UART COM15", "COM1", "COM1"},
    // "COM" must come after "USB to UART".
    {"COM9 USB to UART", nullptr, nullptr},
};

TEST(UsbCommList, DisplayNames) {
  for (const NameCase& c : kNameCases) {
    SCOPED_TRACE(c.displayName);
    TraceCapture trace;
    std::vector<std::string> usbPorts{"COM99"};
    QueryUSBComm(usbPorts, false, namesLister({c.displayName}));
    std::vector<std::string> target{"COM98"};
    GetUSBCommList(target, namesLister({c.displayName}));

    std::string log = trace.text();
    // Every listed name is traced, taken or not.
    EXPECT_NE(log.find(std::string(":") + c.displayName + "\n\r\r\n"), std::string::npos);
    if (c.fromQuery) {
      EXPECT_EQ(usbPorts, std::vector<std::string>{c.fromQuery});
      EXPECT_NE(log.find(std::string(":QueryUSB检测到USB串口 ") + c.fromQuery + "\n\r"), std::string::npos);
    } else {
      EXPECT_TRUE(usbPorts.empty());
      EXPECT_EQ(log.find("QueryUSB"), std::string::npos);
    }
    if (c.fromGetList) {
      EXPECT_EQ(target, std::vector<std::string>{c.fromGetList});
      EXPECT_NE(log.find(std::string(":增加USB串口 ") + c.fromGetList + "\n\r"), std::string::npos);
    } else {
      EXPECT_TRUE(target.empty());
      EXPECT_EQ(log.find("增加USB串口"), std::string::npos);
    }
  }
}

TEST(UsbCommList, PortNumberText) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"3", 3},   {"  12", 12}, {"-2", -2}, {"+0", 0},          {"", std::nullopt},
      {"-", std::nullopt},      {" ", std::nullopt},            {"3 ", std::nullopt},
      {"0x1", std::nullopt},    {"2147483647", 2147483647},     {"2147483648", std::nullopt},
      {"-2147483648", -2147483647 - 1}, {"\t3", std::nullopt},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(ParsePortNumber(text), want) << '"' << text << '"';
}

TEST(UsbCommList, QueryLeavesTheListAloneWhileATransferRuns) {
  bool listed = false;
  std::vector<std::string> usbPorts{"COM3"};
  QueryUSBComm(usbPorts, true, [&](std::vector<std::string>&) { listed = true; });
  EXPECT_FALSE(listed);
  EXPECT_EQ(usbPorts, std::vector<std::string>{"COM3"});
}

TEST(UsbCommList, FailedListing) {
  ScopedPresenter presenter;
  auto failing = [](std::vector<std::string>&) -> void { throw std::runtime_error("listing broke"); };

  // QueryUSBComm keeps what it had and returns the error.
  std::vector<std::string> usbPorts{"COM3", "COM4"};
  std::optional<Notice> queried = QueryUSBComm(usbPorts, false, failing);
  EXPECT_EQ(usbPorts, (std::vector<std::string>{"COM3", "COM4"}));
  ASSERT_TRUE(queried);
  EXPECT_EQ(queried->text, "listing broke");
  EXPECT_EQ(queried->caption, "Error");

  // GetUSBCommList returns the text as a message and leaves its list empty.
  std::vector<std::string> target{"COM3"};
  std::optional<Notice> got = GetUSBCommList(target, failing);
  EXPECT_TRUE(target.empty());
  ASSERT_TRUE(got);
  EXPECT_EQ(got->text, "listing broke");
  EXPECT_EQ(got->caption, "Message");
}

// The whole road on a device tree: two adapters and one that is not a USB-to-UART bridge.
TEST(UsbCommList, PortsOfTheDeviceTreeInOrder) {
  FakeDeviceRoot root;
  TraceCapture trace;
  root.addUsbSerial("ttyUSB10", "CP2102 USB to UART Bridge Controller", "1-3");
  root.addUsbSerial("ttyUSB2", "FT232R USB UART", "1-2");
  root.addUsbSerial("ttyUSB1", "CP2102 USB to UART Bridge Controller", "1-1");
  root.addAcm("ttyACM0", "CH9102 USB to UART", "1-4");

  const std::vector<std::string> want{"COM2", "COM11", "COM65"};
  std::vector<std::string> target;
  GetUSBCommList(target);
  EXPECT_EQ(target, want);
  std::vector<std::string> usbPorts;
  QueryUSBComm(usbPorts, false);
  EXPECT_EQ(usbPorts, want);
  EXPECT_NE(trace.text().find(":FT232R USB UART (COM3)\n\r"), std::string::npos);
}

}  // namespace
