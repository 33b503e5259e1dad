#include <gtest/gtest.h>

#include <random>

#include "meter/meter_commands.h"
#include "meter/meter_crc.h"
#include "meter_test_support.h"

using namespace movra;
using movra::test::Hex;
using movra::test::ToHex;

namespace {

// CRC-16/MODBUS one bit at a time, to hold the nibble-table version against.
uint16_t BitwiseCrc(const std::string& bytes) {
  uint16_t reg = 0xFFFF;
  for (unsigned char b : bytes) {
    reg ^= b;
    for (int i = 0; i < 8; ++i) reg = (reg & 1) ? (reg >> 1) ^ 0xA001 : reg >> 1;
  }
  return reg;
}

struct CrcCase {
  const char* name;
  std::string bytes;
  std::string wire;
};

TEST(MeterCrc, KnownVectors) {
  const CrcCase cases[] = {
      {"check string", "123456789", Hex("4B 37")},
      {"abc", "abc", Hex("57 49")},
      {"empty", "", Hex("FF FF")},
      {"serial number command", Hex("26 50 50 00 00 00 00"), Hex("9E 90")},
      {"download command", Hex("26 50 5A 00 00 00 00"), Hex("9F 08")},
      {"worked example record", Hex("26 50 5A 00 00 00 11") + movra::test::ExamplePayload17(), Hex("A9 37")},
  };
  for (const auto& c : cases) EXPECT_EQ(ToHex(CrcText(c.bytes)), ToHex(c.wire)) << c.name;
}

TEST(MeterCrc, NibbleTableEntries) {
  EXPECT_EQ(CrcNibbleTable()[0], 0x0000);
  EXPECT_EQ(CrcNibbleTable()[1], 0xCC01);
  EXPECT_EQ(CrcNibbleTable()[8], 0xA001);
}

TEST(MeterCrc, AgreesWithBitwiseCrcOnRandomBytes) {
  std::mt19937 rng(7);
  for (int len = 0; len < 300; ++len) {
    std::string s(len, '\0');
    for (auto& ch : s) ch = static_cast<char>(rng());
    ASSERT_EQ(Crc16(s), BitwiseCrc(s)) << ToHex(s);
  }
}

TEST(MeterCrc, CheckCrcComparesFirstWithFirst) {
  std::string body = Hex("26 50 50 00 00 00 00");
  EXPECT_TRUE(CheckCrc(body, Hex("9E 90")));
  EXPECT_FALSE(CheckCrc(body, Hex("90 9E")));
  EXPECT_FALSE(CheckCrc(body, Hex("9E")));
}

TEST(MeterCommands, Bytes) {
  EXPECT_EQ(ToHex(QuerySNCommand()), "26 50 50 00 00 00 00 9E 90 0D ");
  EXPECT_EQ(ToHex(DownloadRecordsCommand()), "26 50 5A 00 00 00 00 9F 08 0D ");
  EXPECT_EQ(ToHex(RecordAckCommand(5)), "26 50 5A 05 00 00 01 01 96 92 0D ");
  std::string enter = EnterDevCommand();
  ASSERT_EQ(enter.size(), 14u);
  EXPECT_EQ(enter.substr(0, 11), Hex("26 50 41 00 00 00 04") + "R4=v");
  EXPECT_TRUE(CheckCrc(enter.substr(0, 11), enter.substr(11, 2)));
  EXPECT_EQ(enter.back(), '\r');
}

}  // namespace
