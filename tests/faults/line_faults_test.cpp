// Faults on the serial line, end to end: the meter simulator misbehaves while the main
// window downloads from it. Whatever happens on the line, the window comes back to rest,
// every record the meter saw acknowledged is in Result_Log once and in order, nothing else
// is, and the user is told exactly what the window says for that fault.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fault_support.h"
#include "sim_process.h"
#include "ui/frm_main.h"

namespace movra::test {
namespace {

std::string Summary(int total) {
  return "[Message] Finished transfering. Total records: " + std::to_string(total) + "! ";
}
std::string CrcError(int record) {
  return "[Error] Record " + std::to_string(record) + " CRC error! Please try again!";
}
// After an unplug the next transfer finds no port, and the command stops there.
const std::string kUnplugged =
    "[Message] Com 1 disconnected!, Please check the meter or cable!\n"
    "The serial port does not exist (the cable may have been unplugged).";
const std::string kDefaultSerial = "PT12345678A";

// Each transfer lasts its 800 ms of commands, the records, and the 3 s no-frame limit;
// the margin is for a loaded machine.
int DownloadLimitMs(int ports, int records) { return ports * 2 * 6000 + records * 500 + 20000; }

struct LineFault {
  const char* name;
  std::vector<std::string> simArgs;
  int meterRecords;         // records the meter holds
  std::vector<int> stored;  // record numbers in Result_Log afterwards, in order
  std::vector<std::string> dialogs;
  int transferEnds;  // transfers that ended with their end message
  std::string serial = kDefaultSerial;
  DateOverrides dates = {};  // records whose date the storing rules reject
};

const LineFault kLineFaults[] = {
    {"UnplugBeforeTheFirstRecord", {"--no-pace", "--unplug-before", "1"}, 3, {}, {kUnplugged}, 1},
    {"UnplugInTheMiddle", {"--no-pace", "--unplug-before", "3"}, 5, {1, 2}, {kUnplugged}, 1},
    {"UnplugDuringTheAcknowledgement", {"--no-pace", "--unplug-during-ack", "3"}, 5, {1, 2, 3}, {kUnplugged}, 1},
    // Paced, so the stray bytes arrive in chunks of their own as well as with the frames.
    {"NoiseAndCarriageReturnsBetweenFrames",
     {"--noise-before", "1:FF00", "--noise-before", "2:7879", "--crs-before", "3:5", "--noise-before", "4:000D0A0D",
      "--crs-before", "5:1", "--noise-before", "5:2650"},
     5,
     {1, 2, 3, 4, 5},
     {Summary(5)},
     2},
    // The frame is never cut, never acknowledged, and the meter waits: the no-frame limit
    // ends the transfer without a word.
    {"DamagedFrame", {"--no-pace", "--damaged", "3"}, 5, {1, 2}, {Summary(2)}, 2},
    // Rejected within the millisecond it arrived, when the box is answered at once: the end
    // of that transfer must not read as the command's own "no port" notice.
    {"BadCrcAtTheFirstRecord", {"--no-pace", "--bad-crc", "1"}, 4, {}, {CrcError(1), Summary(0)}, 2},
    {"BadCrcAtAMiddleRecord", {"--no-pace", "--bad-crc", "3"}, 5, {1, 2}, {CrcError(3), Summary(2)}, 2},
    {"BadCrcAtTheLastRecord", {"--no-pace", "--bad-crc", "5"}, 5, {1, 2, 3, 4}, {CrcError(5), Summary(4)}, 2},
    // The answers are told apart by their order: the first piece (10 bytes) is taken as the
    // whole serial number answer and holds none, so the number stays unknown; the second
    // piece waits ahead of the first record frame and does not disturb the cutting.
    {"SerialNumberAnswerInTwoChunks", {"--no-pace", "--split-sn", "2:300"}, 3, {1, 2, 3}, {Summary(3)}, 2, "Unknown"},
    // The first pass at 4800 meets silence; the second pass reads it. Paced at 9600.
    {"MeterThatAnswersOnlyAt9600", {"--generation", "9600"}, 4, {1, 2, 3, 4}, {Summary(4)}, 2},
    {"MeterThatStopsAnsweringHalfway", {"--no-pace", "--stop-after", "3"}, 6, {1, 2, 3}, {Summary(3)}, 2},
    // A broken clock: accepted and acknowledged on the line, then refused by the date rule
    // with its trace line. Day 100 must not be read as day 10.
    {"RecordsWithImpossibleDates",
     {"--no-pace"},
     5,
     {1, 3, 5},
     {Summary(3)},
     2,
     kDefaultSerial,
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
  expectStored(f.stored, f.serial);
  EXPECT_EQ(DialogLines(boxes->shown()), f.dialogs);
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), f.transferEnds);
  for (const auto& [n, date] : f.dates)
    EXPECT_EQ(
        CountOccurrences(trace, "Save Error: wrong datetime , should yyyy-mm-dd " + MeterDateText(n, f.dates) + "\n"),
        1)
        << "record " << n;
}

INSTANTIATE_TEST_SUITE_P(Line, LineFaultTest, ::testing::ValuesIn(kLineFaults),
                         [](const ::testing::TestParamInfo<LineFault>& i) { return std::string(i.param.name); });

// Two adapters: the first has no meter behind it (it never answers), the second has one.
// Every port is tried at both rates, one transfer after the other, and the records of the
// second are stored once.
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
  expectStored({1, 2, 3, 4}, "PT00000002B");
  EXPECT_EQ(DialogLines(boxes->shown()), (std::vector<std::string>{Summary(4)}));
  // COM1 and COM2 at 4800, then both at 9600.
  std::string trace = ReadTrace(folder);
  EXPECT_EQ(CountOccurrences(trace, "Main Received Transfer End Message"), 4);
  EXPECT_EQ(empty.countJournal("cmd Z"), 1);  // it listens at 4800 only, and says nothing
  EXPECT_TRUE(AckedRecords(empty).empty());
}

}  // namespace
}  // namespace movra::test
