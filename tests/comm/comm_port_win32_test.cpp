// Opening COM ports on Windows: the device name the component opens, and the outcome for
// a port that is not there. Transfers over a real line are tested against the simulator.
#include <gtest/gtest.h>

#include "comm/comm.h"
#include "comm/port_names.h"

using namespace movra;

TEST(CommPortWin32, DeviceNames) {
  struct Case {
    const char* commName;
    std::optional<std::string> path;
  } cases[] = {
      {"COM1", "\\\\.\\COM1"},
      {"COM12", "\\\\.\\COM12"},
      {"\\\\.\\COM7", "\\\\.\\COM7"},
      {"COM", std::nullopt},
      {"COMx", std::nullopt},
      {"COM0", std::nullopt},
      {"LPT1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DevicePathForCommName(c.commName), c.path) << c.commName;
}

TEST(CommPortWin32, AbsentPortDoesNotOpen) {
  TComm comm;
  comm.SetCommPort(250);
  comm.OpenPort();
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_EQ(comm.PortOpenError(), "Error opening serial port");
  EXPECT_EQ(comm.LastFailure(), PortFailure::NoSuchDevice) << comm.LastFailureText();
  comm.ClosePort();
  EXPECT_EQ(comm.PortOpenError(), "");
}
