// Faults on the serial line, end to end: the meter simulator misbehaves while the main
// window downloads from it. Whatever happens on the line, the window comes back to rest,
// every record the meter saw acknowledged is in Result_Log once and in order, nothing else
// is, and the user is told exactly what the window says for that fault.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fault_support.h"
#include "sim_process.h"
#include "ui/frm_main.h"

namespace movra::test {
namespace {

std::string Summary(int total) {
  return "[Message] Finished transfering. Total records: " + std::to_string(total) + "! ";
}
// The summary of a download whose transfer ended before the meter had sent all it holds.
std::string IncompleteSummary(int total, int read) {
  return Summary(total) + "\nThe download is incomplete: " + std::to_string(read) +
         " records were read. The records not read are still in the meter: connect it again and press Download.";
}
// Records read that can be no result: they stay in the meter, and the user is told.
std::string NotStored(int count) {
  return std::to_string(count) +
         " records from the meter were not stored: their date, time or INR value is not valid. The meter still "
         "holds them; show the meter to your clinic.";
}
std::string CrcError(int record) {
  return "[Error] Record " + std::to_string(record) + " CRC error! Please try again!";
}
const std::string kDefaultSerial = "PT12345678A";

// Each transfer lasts its 800 ms of commands, the records, and the 3 s no-frame limit;
// the margin is for a loaded machine.
int DownloadLimitMs(int ports, int records) { return ports * 2 * 6000 + records * 500 + 20000; }

// The meter's records count down from meterRecords to 1; the record at position k (the
// simulator's options count positions) has the number meterRecords + 1 - k.
struct LineFault {
  const char* name;
  std::vector<std::string> simArgs;
  int meterRecords;         // records the meter holds
  std::vector<int> stored;  // record numbers in Result_Log afterwards, in order
  std::vector<std::string> dialogs;
  int transferEnds;  // transfers that ended with their end message
  DateOverrides dates = {};  // records whose date the storing rules reject
};

// Every meter here answers at 4800, so its port is not read again at 9600: one transfer,
// except for the meter that answers only at 9600.
const LineFault kLineFaults[] = {
    // The cable pulled: the meter had answered, so no later port step tries the port, and
    // the summary tells what was read.
    {"UnplugBeforeTheFirstRecord", {"--no-pace", "--unplug-before", "1"}, 3, {}, {IncompleteSummary(0, 0)}, 1},
    {"UnplugInTheMiddle", {"--no-pace", "--unplug-before", "3"}, 5, {5, 4}, {IncompleteSummary(2, 2)}, 1},
    {"UnplugDuringTheAcknowledgement",
     {"--no-pace", "--unplug-during-ack", "3"},
     5,
     {5, 4, 3},
     {IncompleteSummary(3, 3)},
     1},
    // Paced, so the stray bytes arrive in chunks of their own as well as with the frames.
    {"NoiseAndCarriageReturnsBetweenFrames",
     {"--noise-before", "1:FF00", "--noise-before", "2:7879", "--crs-before", "3:5", "--noise-before", "4:000D0A0D",
      "--crs-before", "5:1", "--noise-before", "5:2650"},
     5,
     {5, 4, 3, 2, 1},
     {Summary(5)},
     1},
    // The frame is never cut, never acknowledged, and the meter waits: the no-frame limit
    // ends the transfer.
    {"DamagedFrame", {"--no-pace", "--damaged", "3"}, 5, {5, 4}, {IncompleteSummary(2, 2)}, 1},
    // Rejected within the millisecond it arrived, when the box is answered at once: the end
    // of that transfer must not read as the command's own "no port" notice.
    {"BadCrcAtTheFirstRecord", {"--no-pace", "--bad-crc", "1"}, 4, {}, {CrcError(4), IncompleteSummary(0, 0)}, 1},
    {"BadCrcAtAMiddleRecord", {"--no-pace", "--bad-crc", "3"}, 5, {5, 4}, {CrcError(3), IncompleteSummary(2, 2)}, 1},
    {"BadCrcAtTheLastRecord",
     {"--no-pace", "--bad-crc", "5"},
     5,
     {5, 4, 3, 2},
     {CrcError(1), IncompleteSummary(4, 4)},
     1},
    // The first pass at 4800 meets silence; the second pass reads it. Paced at 9600.
    {"MeterThatAnswersOnlyAt9600", {"--generation", "9600"}, 4, {4, 3, 2, 1}, {Summary(4)}, 2},
    // Record 12 of 30 is the last the meter sends.
    {"MeterThatStopsAnsweringHalfway",
     {"--no-pace", "--stop-after", "12"},
     30,
     {30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19},
     {IncompleteSummary(12, 12)},
     1},
    // A broken clock: accepted and acknowledged on the line, then refused by the date rule
    // with its trace line, and counted in the summary's second line. Day 100 must not be
    // read as day 10.
    {"RecordsWithImpossibleDates",
     {"--no-pace"},
     5,
     {5, 3, 1},
     {Summary(3) + "\n" + NotStored(2)},
     1,
     {{2, {13, 5}}, {4, {3, 100}}}},
};

void PrintTo(const LineFault& f, std::ostream* os) { *os << f.name; }

class LineFaultTest : public WindowWithMeter, public ::testing::WithParamInterface<LineFault> {};

TEST_P(LineFaultTest, DownloadEndsAtRestWithEveryAcceptedRecordStoredOnce) {
  const LineFault& f = GetParam();
  SimProcess sim;
  std::vector<std::string> args = {"--device-root", folder.deviceRoot(), "--records",
                                   recordsFile(f.meterRecords, f.dates)};
  args.insert(args.end(), f.simArgs.begin(), f.simArgs.end());
  ASSERT_TRUE(sim.start(args)) << sim.lastError();

  ASSERT_TRUE(RunDownload(w(), DownloadLimitMs(1, f.meterRecords)));
  ExpectIdle(w());

  // Accepted means parsed and acknowledged: the meter's journal says which. Of those, only
  // the records the date rule refuses are missing.
  std::vector<int> accepted;
  for (int n : AckedRecords(sim))
    if (!f.dates.count(n)) accepted.push_back(n);
  EXPECT_EQ(RecordNumbersOf(ReadStoredRows(folder.databasePath())), accepted);
  expectStored(f.stored, kDefaultSerial);
  EXPECT_EQ(DialogLines(boxes->shown()), f.dialogs);
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), f.transferEnds);
  for (const auto& [n, date] : f.dates)
    EXPECT_EQ(
        CountOccurrences(trace, "Save Error: wrong datetime , should yyyy-mm-dd " + MeterDateText(n, f.dates) + "\n"),
        1)
        << "record " << n;
}

// A logout, a shutdown or a closed terminal during a download (SIGTERM, SIGHUP): the
// transfer stops at the record in hand, every record the meter saw acknowledged is
// stored, and the program quits without a question or a summary.
class SessionEndTest : public WindowWithMeter, public ::testing::WithParamInterface<int> {};

TEST_P(SessionEndTest, StoresEveryAcknowledgedRecordThenQuits) {
  SimProcess sim;
  // Paced at the line speed, so the transfer is still running when the signal comes.
  ASSERT_TRUE(sim.start({"--device-root", folder.deviceRoot(), "--usb-index", "0", "--generate", "30"}))
      << sim.lastError();
  std::thread session([&] {
    sim.waitForJournal([](const SimProcess::Lines& lines) {
      return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }) >=
             4;
    }, 30000);
    kill(getpid(), GetParam());
  });
  bool returned = RunDownload(w(), 60000);
  session.join();
  ASSERT_TRUE(returned);
  // The transfer has ended: the meter hears no acknowledgement after this.
  ASSERT_TRUE(ProcessEventsUntil([&] { return w().SessionEnded(); }, 10000));

  const std::vector<int> acked = AckedRecords(sim);
  EXPECT_GE(acked.size(), 4u);
  EXPECT_LT(acked.size(), 30u);
  EXPECT_EQ(RecordNumbersOf(ReadStoredRows(folder.databasePath())), acked);
  EXPECT_EQ(DialogLines(boxes->shown()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEndTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param == SIGTERM ? "Term" : "HangUp"; });

INSTANTIATE_TEST_SUITE_P(Line, LineFaultTest, ::testing::ValuesIn(kLineFaults),
                         [](const ::testing::TestParamInfo<LineFault>& i) { return std::string(i.param.name); });

// Two adapters: the first has no meter behind it (it never answers), the second has one.
// Both are tried at 4800, then only the first at 9600 (the second's meter answered at
// 4800), one transfer after the other, and the records of the second are stored once.
TEST_F(WindowWithMeter, TwoCablesWhereOnlyTheSecondHasAMeter) {
  SimProcess empty, meter;
  ASSERT_TRUE(empty.start({"--device-root", folder.deviceRoot(), "--usb-index", "0", "--silent"})) << empty.lastError();
  ASSERT_TRUE(meter.start({"--device-root", folder.deviceRoot(), "--usb-index", "1", "--no-pace", "--records",
                           recordsFile(4), "--serial", "PT00000002B"}))
      << meter.lastError();

  ASSERT_TRUE(RunDownload(w(), DownloadLimitMs(2, 4)));
  ExpectIdle(w());
  ASSERT_EQ(w().UsbPorts, (std::vector<std::string>{"COM1", "COM2"}));

  EXPECT_EQ(RecordNumbersOf(ReadStoredRows(folder.databasePath())), AckedRecords(meter));
  expectStored({4, 3, 2, 1}, "PT00000002B");
  EXPECT_EQ(DialogLines(boxes->shown()), (std::vector<std::string>{Summary(4)}));
  // COM1 and COM2 at 4800, then COM1 at 9600.
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), 3);
  EXPECT_EQ(meter.countJournal("open 9600"), 0);
  // It listens at 4800 only and says nothing: the download command is never sent to it.
  EXPECT_EQ(empty.countJournal("cmd P"), 1);
  EXPECT_EQ(empty.countJournal("cmd Z"), 0);
  EXPECT_TRUE(AckedRecords(empty).empty());
}

// Meter A is downloaded, then meter B, whose serial number answer is odd: B's records carry
// B's serial number when its answer is whole and right, and "Unknown" otherwise, never A's.
struct SecondMeter {
  const char* name;
  std::vector<std::string> simArgs;
  std::string serial;  // on B's records
  std::string trace;   // why the answer was not taken; "" when it was
};
void PrintTo(const SecondMeter& m, std::ostream* os) { *os << m.name; }

const SecondMeter kSecondMeters[] = {
    {"AnswerInTwoPieces", {"--serial", "PT0000000BB", "--split-sn", "2:300"}, "PT0000000BB", ""},
    {"AnswerWithAWrongCrc", {"--serial", "PT0000000BB", "--bad-crc-sn"}, "Unknown", "Serial number answer CRC error"},
    {"AnswerShorterThan11Bytes", {"--serial", "PT7"}, "PT7", ""},
};

class SerialNumberTest : public WindowWithMeter, public ::testing::WithParamInterface<SecondMeter> {};

TEST_P(SerialNumberTest, RecordsCarryTheirOwnMetersSerialNumber) {
  const SecondMeter& b = GetParam();
  boxes->allowAny(IDYES);  // the second download replaces the first one's rows
  {
    SimProcess a;
    ASSERT_TRUE(a.start({"--device-root", folder.deviceRoot(), "--no-pace", "--records", recordsFile(2), "--serial",
                         "PT0000000AA"}))
        << a.lastError();
    ASSERT_TRUE(RunDownload(w(), DownloadLimitMs(1, 2)));
    expectStored({2, 1}, "PT0000000AA");
  }  // meter A is unplugged
  SimProcess sim;
  std::vector<std::string> args = {"--device-root", folder.deviceRoot(), "--no-pace", "--records", recordsFile(3)};
  args.insert(args.end(), b.simArgs.begin(), b.simArgs.end());
  ASSERT_TRUE(sim.start(args)) << sim.lastError();
  ASSERT_TRUE(RunDownload(w(), DownloadLimitMs(1, 3)));
  ExpectIdle(w());
  EXPECT_EQ(RecordNumbersOf(ReadStoredRows(folder.databasePath())), AckedRecords(sim));
  expectStored({3, 2, 1}, b.serial);
  std::string trace = ReadTrace(folder);
  if (b.trace.empty())
    EXPECT_EQ(CountOccurrences(trace, "the serial number stays Unknown"), 0);
  else
    EXPECT_EQ(CountOccurrences(trace, "[In OnGetMeterData] " + b.trace + ", the serial number stays Unknown"), 1);
}

INSTANTIATE_TEST_SUITE_P(SecondMeter, SerialNumberTest, ::testing::ValuesIn(kSecondMeters),
                         [](const ::testing::TestParamInfo<SecondMeter>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
