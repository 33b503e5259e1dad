// movra-cli download, end to end against the simulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "run_process.h"
#include "sim_process.h"
#include "temp_dir.h"

using namespace movra::test;

namespace {

std::string Cli() { return BuildDir() + "/bin/movra-cli"; }

ProcessResult Download(const std::string& port, const std::string& baud = "4800") {
  return RunProcess({Cli(), "download", "--port", port, "--baud", baud}, 60000);
}

TEST(MovraCli, PrintsEveryRecordInOrderAndTheMeterSeesEachAcknowledged) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--records", SourceDir() + "/tests/meter/data/cli_records.txt", "--serial", "MV20240001X",
                         "--no-pace"}))
      << sim.lastError();
  ProcessResult r = Download(sim.devicePath());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<std::string> expected = {
      "SerialNumber: MV20240001X",
      "4\tMV20240001X\t2\t2011-03-15\t09:30\tUS\tPM\tDownloaded Sample\tLevel 1\t2.5",
      "3\tMV20240001X\t00\t2011-03-16\t14:05\tEUR\t\t \tLevel2(EC Only)\t1.10000002",
      "2\tMV20240001X\t\t2012-12-31\t12:00\tUS\tAM\tUnknown\tUnknown\t3.70000005",
      "1\tMV20240001X\t65535\t2000-01-01\t00:00\tUS\t\tDownloaded CS\tLevel 1\t0.899999976",
      "Records: 4",
  };
  EXPECT_EQ(Lines(r.out), expected);
  EXPECT_EQ(sim.ackCount(), 4);
  for (const char* ack : {"ack 4", "ack 3", "ack 2", "ack 1"}) EXPECT_EQ(sim.countJournal(ack), 1) << ack;
}

// The one line a record gets stays one line whatever bytes the meter puts in its texts.
TEST(MovraCli, ControlBytesFromTheMeterDoNotBreakALine) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--generate", "2", "--no-pace", "--serial", "M\n\t\x01\x1B\x7F" "00001"})) << sim.lastError();
  ProcessResult r = Download(sim.devicePath());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], "SerialNumber: M?????00001");
  for (size_t i : {1u, 2u}) {
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 9) << lines[i];
    EXPECT_NE(lines[i].find("\tM?????00001\t"), std::string::npos) << lines[i];
  }
}

// A line where no meter answers is told, with its own exit code; a meter that answers but
// holds nothing is a plain, successful download of no records.
struct QuietLine {
  const char* name;
  std::vector<std::string> simArgs;
  const char* baud;
  int exitCode;
  bool toldNoMeter;
};

TEST(MovraCli, NoMeterAnsweringIsToldAndFails) {
  const QuietLine cases[] = {
      {"Silent", {"--silent"}, "4800", 7, true},
      {"NoDeviceModeAnswer", {"--no-devmode-answer"}, "4800", 7, true},
      {"A9600MeterReadAt4800", {"--generation", "9600", "--generate", "3"}, "4800", 7, true},
      {"A4800MeterReadAt9600", {"--generate", "3"}, "9600", 7, true},
      {"AMeterWithNoRecords", {"--generate", "0"}, "4800", 0, false},
  };
  for (const QuietLine& c : cases) {
    SCOPED_TRACE(c.name);
    SimProcess sim;
    ASSERT_TRUE(sim.start(c.simArgs)) << sim.lastError();
    ProcessResult r = Download(sim.devicePath(), c.baud);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.err.find("movra-cli: no meter answered on " + sim.devicePath() + " at " + c.baud + " baud.") == 0,
              c.toldNoMeter)
        << r.err;
    EXPECT_EQ(Lines(r.out).back(), "Records: 0");
    EXPECT_LT(r.elapsedMs, 8000);
  }
}

TEST(MovraCli, BadCrcStopsAtThatRecord) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--generate", "5", "--bad-crc", "3", "--no-pace"})) << sim.lastError();
  ProcessResult r = Download(sim.devicePath());
  EXPECT_EQ(r.exitCode, 5) << r.err;
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[1].substr(0, 2), "5\t");
  EXPECT_EQ(lines[2].substr(0, 2), "4\t");
  EXPECT_EQ(lines[3], "Records: 2");
  EXPECT_EQ(r.err,
            "Error: Record 3 CRC error! Please try again!\n"
            "Message: The download is incomplete: 2 records were read. The records not read are still in the meter: "
            "connect it again and press Download.\n");
  EXPECT_EQ(sim.countJournal("ack 3"), 0);
  EXPECT_EQ(sim.ackCount(), 2);
}

TEST(MovraCli, UnplugMidTransferEndsCleanly) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--generate", "10", "--unplug-before", "4", "--no-pace"})) << sim.lastError();
  ProcessResult r = Download(sim.devicePath());
  EXPECT_EQ(r.exitCode, 5) << r.err;
  auto lines = Lines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Records: 3");
  EXPECT_LT(r.elapsedMs, 15000);
}

TEST(MovraCli, PortThatCannotOpenExitsWith3AndSaysWhy) {
  ProcessResult r = Download("/nonexistent/ttyUSB7");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("/nonexistent/ttyUSB7"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Error opening serial port"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(MovraCli, UsageErrorsExitWith2) {
  // "download" alone is the whole Download command; a speed without a port is no command.
  for (std::vector<std::string> args : {std::vector<std::string>{"download", "--baud", "4800"},
                                        {"download", "--port"},
                                        {"download", "--port", "LPT1"},
                                        {"download", "--port", "COM1", "--baud", "fast"},
                                        {"download", "--port", "COM1", "--color"},
                                        {"upload"},
                                        {}}) {
    args.insert(args.begin(), Cli());
    ProcessResult r = RunProcess(args, 10000);
    EXPECT_EQ(r.exitCode, 2) << args.size();
    EXPECT_NE(r.err.find("usage: movra-cli"), std::string::npos);
  }
}

}  // namespace
