// The line-fault table for movra-cli download --store: for each fault of the line or the
// meter, the tool ends by itself without crashing, every record the simulator saw
// acknowledged is stored once and in order unless a storing rule refuses it (with its own
// trace line), nothing else is stored, and the only messages are the described ones: a
// transfer that ended before the meter had sent all it holds says so and exits with 5.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

// A meter sends its newest record first and counts down: 5, 4 .. 1.
const std::vector<std::string> kAllFive = {"5", "4", "3", "2", "1"};

// What the tool says on stderr, under the window's summary, when a transfer ended before
// the meter had sent all it holds.
std::string Incomplete(int read) {
  return "Message: The download is incomplete: " + std::to_string(read) +
         " records were read. The records not read are still in the meter: connect it again and press Download.\n";
}
std::string CrcError(int record) {
  return "Error: Record " + std::to_string(record) + " CRC error! Please try again!\n";
}

constexpr int kDone = 0;
constexpr int kIncomplete = 5;
constexpr int kFailed = 1;
constexpr int kNoMeter = 7;

struct LineFault {
  const char* name;
  std::vector<std::string> simArgs;  // besides the records: five generated unless --records
  const char* baud;
  std::vector<std::string> acked;     // what the simulator's journal shows acknowledged
  std::vector<std::string> rejected;  // acknowledged records a storing rule refuses
  std::string messages;               // stderr, whole
  int exitCode;
  std::string serial = "PT12345678A";
  std::string traceLine = {};  // a line the trace must hold
  bool exportCsv = false;      // --csv as well: what was read is exported all the same
};

std::ostream& operator<<(std::ostream& os, const LineFault& f) { return os << f.name; }

const LineFault kFaults[] = {
    {"UnplugBeforeTheFirstRecord", {"--unplug-before", "1", "--no-pace"}, "4800", {}, {}, Incomplete(0), kIncomplete},
    {"UnplugInTheMiddle", {"--unplug-before", "3", "--no-pace"}, "4800", {"5", "4"}, {}, Incomplete(2), kIncomplete},
    {"UnplugDuringTheAcknowledgement",
     {"--unplug-during-ack", "2", "--no-pace"},
     "4800",
     {"5", "4"},
     {},
     Incomplete(2),
     kIncomplete},
    // Paced, so that noise and frames arrive in chunks of their own.
    {"NoiseAndCarriageReturnsBetweenFrames",
     {"--noise-before", "2:7879", "--crs-before", "3:2", "--noise-before", "4:0d0d41", "--crs-before", "5:1"},
     "4800",
     kAllFive,
     {},
     "",
     kDone},
    // Nothing more is cut after it and the meter waits for its acknowledgement: the
    // transfer ends by its time limit.
    {"DamagedFrame", {"--damaged", "3", "--no-pace"}, "4800", {"5", "4"}, {}, Incomplete(2), kIncomplete},
    {"BadCrcAtTheFirstRecord", {"--bad-crc", "1", "--no-pace"}, "4800", {}, {}, CrcError(5) + Incomplete(0),
     kIncomplete},
    {"BadCrcInTheMiddle", {"--bad-crc", "3", "--no-pace"}, "4800", {"5", "4"}, {}, CrcError(3) + Incomplete(2),
     kIncomplete},
    {"BadCrcAtTheLastRecord",
     {"--bad-crc", "5", "--no-pace"},
     "4800",
     {"5", "4", "3", "2"},
     {},
     CrcError(1) + Incomplete(4),
     kIncomplete},
    // The serial number answer is taken only whole and with the right CRC.
    {"SerialNumberAnswerInTwoChunks", {"--split-sn", "2:150", "--no-pace"}, "4800", kAllFive, {}, "", kDone},
    {"SerialNumberAnswerWithAWrongCrc",
     {"--bad-crc-sn", "--no-pace"},
     "4800",
     kAllFive,
     {},
     "",
     kDone,
     "Unknown",
     "[In OnGetMeterData] Serial number answer CRC error, the serial number stays Unknown"},
    {"SerialNumberShorterThan11Bytes", {"--serial", "PT7", "--no-pace"}, "4800", kAllFive, {}, "", kDone, "PT7"},
    {"MeterOf9600ReadAt4800",
     {"--generation", "9600"},
     "4800",
     {},
     {},
     "movra-cli: no meter answered on PORT at 4800 baud. Check that the meter is switched on and connected, and the "
     "speed: 4800 for the first meter generation, 9600 for the second.\n",
     kNoMeter},
    {"MeterOf9600ReadAt9600", {"--generation", "9600"}, "9600", kAllFive, {}, "", kDone},
    {"MeterStopsAnsweringHalfway",
     {"--stop-after", "3", "--no-pace"},
     "4800",
     {"5", "4", "3"},
     {},
     "Message: Export to CSV finished!\n" + Incomplete(3),
     kIncomplete,
     "PT12345678A",
     {},
     true},
    // A meter clock that says month 13: the record is acknowledged, but has no calendar
    // date to be stored under.
    {"RecordWithoutCalendarDate",
     {"--records", "rejected_date.txt", "--no-pace"},
     "4800",
     {"1", "2", "3"},
     {"2"},
     "Message: 1 records from the meter were not stored: their date, time or INR value is not valid. The meter "
     "still holds them; show the meter to your clinic.\n",
     kFailed,
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

  std::vector<std::string> args = {"download", "--port", sim.devicePath(), "--baud", f.baud, "--store"};
  TempDir out;
  if (f.exportCsv) args.insert(args.end(), {"--csv", out.file("list")});
  ProcessResult r = folder.run(args);
  ASSERT_EQ(r.exitCode, f.exitCode) << "stdout:\n" << r.out << "stderr:\n" << r.err;
  std::string messages = f.messages;
  if (size_t at = messages.find("PORT"); at != std::string::npos) messages.replace(at, 4, sim.devicePath());
  EXPECT_EQ(r.err, messages);

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
  if (f.exportCsv) {
    std::vector<std::string> exported;
    std::vector<std::string> lines = Lines(ReadFileBytes(out.file("list.csv")));
    for (size_t i = 1; i < lines.size(); ++i) exported.push_back(lines[i].substr(0, lines[i].find(',')));
    EXPECT_EQ(exported, expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, CliLineFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<LineFault>& info) { return info.param.name; });

// Runs `download --store` against the simulator and sends `signal` once the meter's journal
// shows `acksBefore` acknowledgements.
ProcessResult SignalStoringDownload(const ProgramFolder& folder, SimProcess& sim, int acksBefore, int signal) {
  std::promise<pid_t> started;
  auto run = std::async(std::launch::async, [&] {
    return RunProcess({folder.cli(), "download", "--port", sim.devicePath(), "--store"}, 60000,
                      [&](pid_t pid) { started.set_value(pid); });
  });
  pid_t pid = started.get_future().get();
  bool seen = sim.waitForJournal([&](const SimProcess::Lines& lines) {
    return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }) >=
           acksBefore;
  });
  EXPECT_TRUE(seen) << "the meter never saw " << acksBefore << " acknowledgements";
  kill(pid, signal);
  return run.get();
}

// Ctrl-C or SIGTERM in the middle of a transfer: the tool stops the transfer, stores every
// record the meter saw acknowledged, and ends with its own status.
struct StopSignal {
  const char* name;
  int signal;
  int acksBefore;  // acknowledgements in the meter's journal when the signal is sent
};

std::ostream& operator<<(std::ostream& os, const StopSignal& s) { return os << s.name; }

class CliStopSignal : public ::testing::TestWithParam<StopSignal> {};

TEST_P(CliStopSignal, StoresEveryAcknowledgedRecordAndExitsInterrupted) {
  const StopSignal& s = GetParam();
  ProgramFolder folder;
  ASSERT_EQ(folder.setupError(), "");
  SimProcess sim;
  // Paced at the line speed, so the transfer is still running when the signal comes.
  ASSERT_TRUE(sim.start({"--generate", "30"})) << sim.lastError();
  ProcessResult r = SignalStoringDownload(folder, sim, s.acksBefore, s.signal);

  EXPECT_EQ(r.exitCode, 130) << "stdout:\n" << r.out << "stderr:\n" << r.err;
  // The port is closed: the meter sees no more acknowledgements.
  ASSERT_TRUE(sim.waitForJournal("close"));
  const std::vector<std::string> acked = AckedNumbers(sim.journalLines());
  ASSERT_GE(acked.size(), size_t(s.acksBefore));
  ASSERT_LT(acked.size(), 30u);
  std::vector<std::string> stored;
  for (const StoredRow& row : folder.storedRows()) stored.push_back(row.recordNumber);
  EXPECT_EQ(stored, acked);
  EXPECT_EQ(r.err, Incomplete(int(acked.size())));
}

INSTANTIATE_TEST_SUITE_P(Signals, CliStopSignal,
                         ::testing::Values(StopSignal{"CtrlC", SIGINT, 3}, StopSignal{"Term", SIGTERM, 7},
                                           StopSignal{"HangUp", SIGHUP, 5}),
                         [](const ::testing::TestParamInfo<StopSignal>& info) { return info.param.name; });

// kill -9 (or a power cut) the moment the meter has heard an acknowledgement: the record it
// acknowledged is already in the file. A record stored but not yet acknowledged may be
// there too; the meter keeps it and the next download finds it stored.
class CliKilled : public ::testing::TestWithParam<int> {};

TEST_P(CliKilled, KeepsEveryAcknowledgedRecord) {
  const int acksBefore = GetParam();
  ProgramFolder folder;
  ASSERT_EQ(folder.setupError(), "");
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--generate", "30"})) << sim.lastError();
  SignalStoringDownload(folder, sim, acksBefore, SIGKILL);

  ASSERT_TRUE(sim.waitForJournal("close"));
  const std::vector<std::string> acked = AckedNumbers(sim.journalLines());
  ASSERT_GE(acked.size(), size_t(acksBefore));
  std::vector<std::string> stored;
  for (const StoredRow& row : folder.storedRows()) stored.push_back(row.recordNumber);
  ASSERT_GE(stored.size(), acked.size());
  ASSERT_LE(stored.size(), acked.size() + 1);
  EXPECT_TRUE(std::equal(acked.begin(), acked.end(), stored.begin()))
      << "acknowledged " << ::testing::PrintToString(acked) << ", stored " << ::testing::PrintToString(stored);
}

INSTANTIATE_TEST_SUITE_P(AfterAcknowledgement, CliKilled, ::testing::Values(1, 4, 9, 16));

// `movra-cli download --store | head -1`: the reader goes after the first line. The tool
// must not die of the broken pipe between an acknowledgement and its store: it reads the
// meter to the end, stores every record and says that its output was lost.
TEST(CliClosedOutput, StoresEveryRecordAndFailsWithAMessage) {
  ProgramFolder folder;
  ASSERT_EQ(folder.setupError(), "");
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--generate", "6"})) << sim.lastError();

  ProcessResult r = RunProcess({"/bin/bash", "-c",
                                "\"$0\" download --port \"$1\" --store | head -1 >/dev/null; "
                                "echo \"status ${PIPESTATUS[0]}\"",
                                folder.cli(), sim.devicePath()},
                               60000);
  ASSERT_TRUE(sim.waitForJournal("close"));
  EXPECT_EQ(r.out, "status 1\n") << r.err;
  EXPECT_NE(r.err.find("movra-cli: the output could not be written"), std::string::npos) << r.err;
  const std::vector<std::string> acked = AckedNumbers(sim.journalLines());
  EXPECT_EQ(acked, (std::vector<std::string>{"6", "5", "4", "3", "2", "1"}));
  std::vector<std::string> stored;
  for (const StoredRow& row : folder.storedRows()) stored.push_back(row.recordNumber);
  EXPECT_EQ(stored, acked);
}

}  // namespace
}  // namespace movra::test
