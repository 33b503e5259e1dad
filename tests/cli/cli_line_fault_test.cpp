// The line-fault table for movra-cli download --store: for each fault of the line or the
// meter, the tool ends by itself without crashing, every record the simulator saw
// acknowledged is stored once and in order unless a storing rule refuses it (with its own
// trace line), nothing else is stored, and the only messages are the described ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

const std::vector<std::string> kAllFive = {"1", "2", "3", "4", "5"};

struct LineFault {
  const char* name;
  std::vector<std::string> simArgs;  // besides the records: five generated unless --records
  const char* baud;
  std::vector<std::string> acked;     // what the simulator's journal shows acknowledged
  std::vector<std::string> rejected;  // acknowledged records a storing rule refuses
  std::string messages;               // stderr, whole
  std::string serial = "PT12345678A";
  std::string traceLine = {};  // a line the trace must hold
};

std::ostream& operator<<(std::ostream& os, const LineFault& f) { return os << f.name; }

const LineFault kFaults[] = {
    {"UnplugBeforeTheFirstRecord", {"--unplug-before", "1", "--no-pace"}, "4800", {}, {}, ""},
    {"UnplugInTheMiddle", {"--unplug-before", "3", "--no-pace"}, "4800", {"1", "2"}, {}, ""},
    {"UnplugDuringTheAcknowledgement", {"--unplug-during-ack", "2", "--no-pace"}, "4800", {"1", "2"}, {}, ""},
    // Paced, so that noise and frames arrive in chunks of their own.
    {"NoiseAndCarriageReturnsBetweenFrames",
     {"--noise-before", "2:7879", "--crs-before", "3:2", "--noise-before", "4:0d0d41", "--crs-before", "5:1"},
     "4800",
     kAllFive,
     {},
     ""},
    // Nothing more is cut after it and the meter waits for its acknowledgement: the
    // transfer ends by its time limit, without a message.
    {"DamagedFrame", {"--damaged", "3", "--no-pace"}, "4800", {"1", "2"}, {}, ""},
    {"BadCrcAtTheFirstRecord",
     {"--bad-crc", "1", "--no-pace"},
     "4800",
     {},
     {},
     "Error: Record 1 CRC error! Please try again!\n"},
    {"BadCrcInTheMiddle",
     {"--bad-crc", "3", "--no-pace"},
     "4800",
     {"1", "2"},
     {},
     "Error: Record 3 CRC error! Please try again!\n"},
    {"BadCrcAtTheLastRecord",
     {"--bad-crc", "5", "--no-pace"},
     "4800",
     {"1", "2", "3", "4"},
     {},
     "Error: Record 5 CRC error! Please try again!\n"},
    // The halves are taken as two answers: the first is too short to hold the number, so
    // the records keep "Unknown"; the second half waits ahead of the records, harmless.
    {"SerialNumberAnswerInTwoChunks", {"--split-sn", "2:150", "--no-pace"}, "4800", kAllFive, {}, "", "Unknown"},
    {"MeterOf9600ReadAt4800", {"--generation", "9600"}, "4800", {}, {}, ""},
    {"MeterOf9600ReadAt9600", {"--generation", "9600"}, "9600", kAllFive, {}, ""},
    {"MeterStopsAnsweringHalfway", {"--stop-after", "3", "--no-pace"}, "4800", {"1", "2", "3"}, {}, ""},
    // A meter clock that says month 13: the record is acknowledged, but has no calendar
    // date to be stored under.
    {"RecordWithoutCalendarDate",
     {"--records", "rejected_date.txt", "--no-pace"},
     "4800",
     {"1", "2", "3"},
     {"2"},
     "",
     "PT12345678A",
     "Save Error: wrong datetime , should yyyy-mm-dd 2024-13-15"},
};

class CliLineFault : public ::testing::TestWithParam<LineFault> {};

std::vector<std::string> SimArgsOf(const LineFault& f) {
  std::vector<std::string> args = f.simArgs;
  auto records = std::find(args.begin(), args.end(), "--records");
  if (records != args.end())
    *(records + 1) = SourceDir() + "/tests/cli/data/" + *(records + 1);
  else
    args.insert(args.end(), {"--generate", "5"});
  return args;
}

TEST_P(CliLineFault, StoresWhatWasAcknowledgedOnceAndInOrder) {
  const LineFault& f = GetParam();
  ProgramFolder folder;
  ASSERT_EQ(folder.setupError(), "");
  SimProcess sim;
  ASSERT_TRUE(sim.start(SimArgsOf(f))) << sim.lastError();

  ProcessResult r = folder.run({"download", "--port", sim.devicePath(), "--baud", f.baud, "--store"});
  ASSERT_EQ(r.exitCode, 0) << "stdout:\n" << r.out << "stderr:\n" << r.err;
  EXPECT_EQ(r.err, f.messages);

  const std::vector<std::string> acked = AckedNumbers(sim.journalLines());
  EXPECT_EQ(acked, f.acked);
  std::vector<std::string> expected;
  for (const std::string& n : acked)
    if (std::find(f.rejected.begin(), f.rejected.end(), n) == f.rejected.end()) expected.push_back(n);

  std::vector<std::string> stored;
  for (const StoredRow& row : folder.storedRows()) {
    stored.push_back(row.recordNumber);
    EXPECT_EQ(row.serialNumber, f.serial);
  }
  EXPECT_EQ(stored, expected);

  // The printed list is what was stored; one progress line per accepted record.
  std::vector<std::string> listed;
  for (const std::string& line : ListLines(r.out)) listed.push_back(line.substr(0, line.find('\t')));
  EXPECT_EQ(listed, expected);
  std::vector<std::string> progress = ProgressLines(r.out);
  EXPECT_EQ(progress.size(), acked.size());
  if (!progress.empty()) {
    EXPECT_EQ(progress.back(), "Reading " + f.serial + "(" + sim.devicePath() + "):  " +
                                   std::to_string(expected.size()) + " / " + acked.front());
  }
  if (!f.traceLine.empty()) {
    EXPECT_NE(ReadFileBytes(folder.tracePath()).find(f.traceLine), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, CliLineFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<LineFault>& info) { return info.param.name; });

}  // namespace
}  // namespace movra::test
