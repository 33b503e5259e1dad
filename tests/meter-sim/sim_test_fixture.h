// Shared by the simulator's tests: a started simulator and reading meter frames off the
// host's end of the line.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_line.h"
#include "sim_process.h"
#include "temp_dir.h"

namespace movra::test {

// The frame whose layout and CRC are worked out by hand: record 5, 2011-03-15 09:30 PM,
// INR 2.5, downloaded sample, level 1, patient 2. The second is the same without patient.
inline const char* const kWorkedRecordLine = "5 2011 3 15 0 9 30 1 1 2.5 4 1 2";
inline const char* const kWorkedFrame =
    "26 50 5A 00 00 00 11 05 0B 03 0F 00 09 1E 01 01 40 20 00 00 04 01 00 02 A9 37 0D";
inline const char* const kWorkedShortRecordLine = "5 2011 3 15 0 9 30 1 1 2.5 4 1 -";
inline const char* const kWorkedShortFrame =
    "26 50 5A 00 00 00 0F 05 0B 03 0F 00 09 1E 01 01 40 20 00 00 04 01 F6 C0 0D";
inline const char* const kSerialAnswer =
    "26 50 50 00 00 00 0B 50 54 31 32 33 34 35 36 37 38 41 5D 01 0D";

// One meter frame: seven header bytes, then as many more as the length byte says plus
// CRC and carriage return. Whatever arrived when time runs out.
inline std::string ReadFrame(HostLine& host, int timeoutMs = 5000) {
  std::string f = host.read(7, timeoutMs);
  if (f.size() < 7) return f;
  return f + host.read(static_cast<unsigned char>(f[6]) + 3u, timeoutMs);
}

class SimTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args) {
    ASSERT_TRUE(sim.start(std::move(args))) << sim.lastError();
  }
  // Enter device mode and ask for the serial number, checking both answers.
  void Greet(HostLine& host) {
    host.send(Hex(kEnterDev));
    std::string devMode = ReadFrame(host);
    ASSERT_GT(devMode.size(), 6u);
    EXPECT_EQ(devMode.substr(0, 3), "&PA");
    EXPECT_EQ(devMode.back(), '\r');
    host.send(Hex(kQuerySN));
    EXPECT_EQ(HexOf(ReadFrame(host)), kSerialAnswer);
  }

  TempDir dir;
  SimProcess sim;
};

}  // namespace movra::test
