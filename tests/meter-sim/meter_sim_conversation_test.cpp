// The simulated meter's side of the conversation, seen from the host's end of the line.
#include <gtest/gtest.h>

#include <ostream>

#include <chrono>
#include <functional>
#include <thread>

#include "sim_test_fixture.h"

namespace movra::test {
namespace {

using Lines = SimProcess::Lines;
using Clock = std::chrono::steady_clock;

struct WorkedCase {
  const char* name;
  const char* recordLine;
  const char* frame;
};
void PrintTo(const WorkedCase& c, std::ostream* os) { *os << c.name; }

class WorkedExample : public SimTest, public ::testing::WithParamInterface<WorkedCase> {};

TEST_P(WorkedExample, RecordFrameHasTheWorkedOutBytes) {
  dir.write("records.txt", std::string("# one record\n\n") + GetParam().recordLine + "  # the worked one\n");
  Start({"--records", dir.file("records.txt"), "--no-pace"});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);
  host.send(Hex(kDownload));
  EXPECT_EQ(HexOf(ReadFrame(host)), GetParam().frame);
  EXPECT_TRUE(sim.waitForJournal("send 5"));
}

INSTANTIATE_TEST_SUITE_P(Frames, WorkedExample,
                         ::testing::Values(WorkedCase{"WithPatient", kWorkedRecordLine, kWorkedFrame},
                                           WorkedCase{"WithoutPatient", kWorkedShortRecordLine, kWorkedShortFrame}),
                         [](const auto& info) { return std::string(info.param.name); });

// How the host's three commands reach the meter: one by one, in one write, or byte by
// byte. The meter answers the same in every case.
enum class Delivery { OneByOne, Together, ByteByByte };
const char* NameOf(Delivery d) {
  switch (d) {
    case Delivery::OneByOne: return "OneByOne";
    case Delivery::Together: return "Together";
    case Delivery::ByteByByte: break;
  }
  return "ByteByByte";
}
void PrintTo(Delivery d, std::ostream* os) { *os << NameOf(d); }

class Conversation : public SimTest, public ::testing::WithParamInterface<Delivery> {};

TEST_P(Conversation, AnswersEachCommandAndSendsTheNextRecordOnlyAfterItsAcknowledgement) {
  Start({"--generate", "3"});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();

  std::string devMode, serial, first;
  switch (GetParam()) {
    case Delivery::OneByOne:
      host.send(Hex(kEnterDev));
      devMode = ReadFrame(host);
      host.send(Hex(kQuerySN));
      serial = ReadFrame(host);
      host.send(Hex(kDownload));
      break;
    case Delivery::Together:
      host.send(Hex(kEnterDev) + Hex(kQuerySN) + Hex(kDownload));
      devMode = ReadFrame(host);
      serial = ReadFrame(host);
      break;
    case Delivery::ByteByByte:
      for (char c : Hex(kEnterDev) + Hex(kQuerySN) + Hex(kDownload)) {
        host.send(std::string(1, c));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
      devMode = ReadFrame(host);
      serial = ReadFrame(host);
      break;
  }
  EXPECT_EQ(devMode.substr(0, 3), "&PA");
  EXPECT_GT(devMode.size(), 6u);
  EXPECT_EQ(HexOf(serial), kSerialAnswer);

  // Newest first, counting down: the first number says how many records come.
  for (int n = 3; n >= 1; --n) {
    std::string record = ReadFrame(host);
    ASSERT_EQ(record.size(), 27u) << "record " << n << ": " << HexOf(record);
    EXPECT_EQ(HexOf(record.substr(0, 7)), "26 50 5A 00 00 00 11");
    EXPECT_EQ(record[7], char(n));
    // Nothing more comes until this record is acknowledged.
    EXPECT_EQ(host.readFor(150), "");
    host.send(AckFor(n));
  }
  // No end-of-data mark after the last record.
  EXPECT_EQ(host.readFor(400), "");
  ASSERT_TRUE(sim.waitForJournal("ack 1"));
  EXPECT_EQ(sim.journalLines(), (Lines{"open 4800", "cmd A", "cmd P", "cmd Z", "send 3", "ack 3", "send 2", "ack 2",
                                       "send 1", "ack 1"}));
  EXPECT_EQ(sim.ackCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(Deliveries, Conversation,
                         ::testing::Values(Delivery::OneByOne, Delivery::Together, Delivery::ByteByByte),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

TEST_F(SimTest, IgnoresCommandsWithAWrongCrcAndNoise) {
  Start({"--generate", "2", "--no-pace"});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  host.send(Hex(kEnterDev));
  ASSERT_GT(ReadFrame(host).size(), 6u);

  host.send(Hex("26 50 50 00 00 00 00 9E 91 0D"));  // QuerySN, CRC one bit off
  EXPECT_EQ(host.readFor(300), "");
  host.send(Hex("78 79"));
  EXPECT_EQ(host.readFor(300), "");
  // The meter is not confused by either: the proper command still works.
  host.send(Hex(kQuerySN));
  EXPECT_EQ(HexOf(ReadFrame(host)), kSerialAnswer);

  host.send(Hex(kDownload));
  ASSERT_EQ(ReadFrame(host).size(), 27u);
  // An acknowledgement of another record does not release the next one.
  host.send(AckFor(1));
  EXPECT_EQ(host.readFor(300), "");
  host.send(AckFor(2));
  EXPECT_EQ(ReadFrame(host)[7], 1);

  ASSERT_TRUE(sim.waitForJournal("send 1"));
  EXPECT_EQ(sim.journalLines(), (Lines{"open 4800", "cmd A", "badcmd 265050000000009E910D", "badcmd 7879", "cmd P",
                                       "cmd Z", "send 2", "ack 1", "ack 2", "send 1"}));
}

// What each misbehaviour option does to the worked record's frame on the line.
struct MisbehaviourCase {
  const char* name;
  std::vector<std::string> args;
  size_t bytes;  // expected on the line for the record
  std::function<void(const std::string& got, const std::string& frame)> check;
  int minSpreadMs;  // the least time between first and last byte
};
void PrintTo(const MisbehaviourCase& c, std::ostream* os) { *os << c.name; }

class Misbehaviour : public SimTest, public ::testing::WithParamInterface<MisbehaviourCase> {};

TEST_P(Misbehaviour, ChangesTheRecordFrameAsAsked) {
  const auto& c = GetParam();
  dir.write("records.txt", std::string(kWorkedRecordLine) + "\n");
  std::vector<std::string> args = {"--records", dir.file("records.txt"), "--no-pace"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Start(args);
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);
  host.send(Hex(kDownload));
  std::string got = host.read(1);
  auto first = Clock::now();
  got += host.read(c.bytes - got.size());
  auto spread = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - first).count();
  ASSERT_EQ(got.size(), c.bytes) << HexOf(got);
  c.check(got, Hex(kWorkedFrame));
  EXPECT_GE(spread, c.minSpreadMs);
  EXPECT_EQ(host.readFor(200), "");
}

INSTANTIATE_TEST_SUITE_P(
    Options, Misbehaviour,
    ::testing::Values(
        MisbehaviourCase{"BadCrc", {"--bad-crc", "1"}, 27,
                         [](const std::string& got, const std::string& frame) {
                           EXPECT_EQ(got.substr(0, 24), frame.substr(0, 24));
                           EXPECT_NE(got.substr(24, 2), frame.substr(24, 2));
                           EXPECT_EQ(got.back(), '\r');
                         },
                         0},
        MisbehaviourCase{"Damaged", {"--damaged", "1"}, 27,
                         [](const std::string& got, const std::string& frame) {
                           EXPECT_EQ(got.substr(0, 26), frame.substr(0, 26));
                           EXPECT_NE(got.back(), '\r');
                         },
                         0},
        MisbehaviourCase{"Noise", {"--noise-before", "1:7879"}, 29,
                         [](const std::string& got, const std::string& frame) { EXPECT_EQ(got, "xy" + frame); }, 0},
        MisbehaviourCase{"CarriageReturns", {"--crs-before", "1:2"}, 29,
                         [](const std::string& got, const std::string& frame) { EXPECT_EQ(got, "\r\r" + frame); }, 0},
        MisbehaviourCase{"Split", {"--split", "1:3:150"}, 27,
                         [](const std::string& got, const std::string& frame) { EXPECT_EQ(got, frame); }, 250}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, SplitSerialNumberAnswerComesInPieces) {
  Start({"--split-sn", "2:200", "--no-pace"});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  host.send(Hex(kEnterDev));
  ReadFrame(host);
  host.send(Hex(kQuerySN));
  std::string first = host.readFor(100);
  EXPECT_GT(first.size(), 0u);
  EXPECT_LT(first.size(), 21u);
  EXPECT_EQ(HexOf(first + host.read(21 - first.size())), kSerialAnswer);
}

TEST_F(SimTest, SerialOptionsSetTheAnswer) {
  struct Case {
    std::vector<std::string> args;
    const char* answer;
  } cases[] = {
      {{"--serial", "MX00000042B"}, "26 50 50 00 00 00 0B 4D 58 30 30 30 30 30 30 34 32 42 EA 6A 0D"},
      {{"--serial", "MX00000042B", "--bad-crc-sn"}, "26 50 50 00 00 00 0B 4D 58 30 30 30 30 30 30 34 32 42 EA 95 0D"},
      {{"--serial", "PT123"}, "26 50 50 00 00 00 05 50 54 31 32 33 26 3B 0D"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--no-pace");
    Start(args);
    HostLine host(sim.devicePath(), B4800);
    ASSERT_TRUE(host.isOpen()) << host.error();
    host.send(Hex(kEnterDev));
    ReadFrame(host);
    host.send(Hex(kQuerySN));
    EXPECT_EQ(HexOf(ReadFrame(host)), c.answer) << c.args.back();
  }
}

TEST_F(SimTest, GeneratedRecordsCountDownUnlessAskedToCountUp) {
  struct Case {
    std::vector<std::string> args;
    std::vector<int> numbers;
  } cases[] = {
      {{"--generate", "3"}, {3, 2, 1}},
      {{"--generate", "3", "--count-up"}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--no-pace");
    Start(args);
    HostLine host(sim.devicePath(), B4800);
    ASSERT_TRUE(host.isOpen()) << host.error();
    Greet(host);
    host.send(Hex(kDownload));
    std::vector<int> numbers;
    for (size_t k = 0; k < c.numbers.size(); ++k) {
      std::string record = ReadFrame(host);
      ASSERT_EQ(record.size(), 27u) << HexOf(record);
      numbers.push_back(static_cast<uint8_t>(record[7]));
      host.send(AckFor(numbers.back()));
    }
    EXPECT_EQ(numbers, c.numbers) << c.args.back();
  }
}

class QuietMeter : public SimTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuietMeter, HearsTheCommandsButSaysNothing) {
  Start({"--generate", "2", "--no-pace", GetParam()});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  for (const char* cmd : {kEnterDev, kQuerySN, kDownload}) {
    host.send(Hex(cmd));
    EXPECT_EQ(host.readFor(250), "") << cmd;
  }
  ASSERT_TRUE(sim.waitForJournal("cmd Z"));
  EXPECT_EQ(sim.countJournal("send 1"), 0);
}

INSTANTIATE_TEST_SUITE_P(Options, QuietMeter, ::testing::Values("--silent", "--no-devmode-answer"),
                         [](const auto& info) {
                           return std::string(info.param) == "--silent" ? "Silent" : "NoDevModeAnswer";
                         });

TEST_F(SimTest, StopAfterSendsNothingBeyondThatRecord) {
  Start({"--generate", "3", "--no-pace", "--stop-after", "1"});
  HostLine host(sim.devicePath(), B4800);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);
  host.send(Hex(kDownload));
  EXPECT_EQ(ReadFrame(host)[7], 3);
  host.send(AckFor(3));
  EXPECT_EQ(host.readFor(500), "");
  host.send(Hex(kQuerySN));
  EXPECT_EQ(host.readFor(300), "");
  EXPECT_EQ(sim.countJournal("ack 3"), 1);
  EXPECT_EQ(sim.countJournal("send 2"), 0);
}

// The meter answers only at its own generation's line speed.
struct SpeedCase {
  const char* name;
  const char* generation;
  speed_t speed;
  const char* openLine;
  bool answers;
};
void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.name; }

class LineSpeed : public SimTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(LineSpeed, AnswersOnlyAtItsOwnSpeed) {
  const auto& c = GetParam();
  Start({"--generation", c.generation, "--no-pace"});
  HostLine host(sim.devicePath(), c.speed);
  ASSERT_TRUE(host.isOpen()) << host.error();
  host.send(Hex(kEnterDev));
  std::string answer = host.readFor(400);
  EXPECT_EQ(!answer.empty(), c.answers) << HexOf(answer);
  ASSERT_TRUE(sim.waitForJournal(c.openLine));
  EXPECT_EQ(sim.countJournal("cmd A"), c.answers ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Generations, LineSpeed,
                         ::testing::Values(SpeedCase{"Gen4800At4800", "4800", B4800, "open 4800", true},
                                           SpeedCase{"Gen4800At9600", "4800", B9600, "open 9600", false},
                                           SpeedCase{"Gen9600At4800", "9600", B4800, "open 4800", false},
                                           SpeedCase{"Gen9600At9600", "9600", B9600, "open 9600", true},
                                           SpeedCase{"BothAt4800", "both", B4800, "open 4800", true},
                                           SpeedCase{"BothAt9600", "both", B9600, "open 9600", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace movra::test
