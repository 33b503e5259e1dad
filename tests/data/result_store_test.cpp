// The result store over a real encrypted file: a batch is kept once per test, the list
// and the stored results read back as they were stored, and one meter's results over a
// period come oldest first with whole days at both ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include "app/trace.h"
#include "data/data_module.h"
#include "data/inr_result_conversion.h"
#include "data/sql_result_store.h"
#include "data_fixture.h"
#include "history_fixture.h"
#include "recording_presenter.h"

namespace movra::test {
namespace {

TDateTime Day(int day, int hour = 0, int minute = 0) {
  return *EncodeDate(2024, 3, day) + *EncodeTime(hour, minute, 0, 0);
}

std::vector<std::string> RecordNumbers(const std::vector<InrResult>& results) {
  std::vector<std::string> numbers;
  for (const InrResult& r : results) numbers.push_back(r.serialNumber + "#" + r.recordNumber);
  return numbers;
}

// A program folder with its database open, the trace the store writes to, and a second
// connection that counts the rows of the file itself.
class StoringResults : public ::testing::Test {
 protected:
  ~StoringResults() override { CloseTrace(); }
  void SetUp() override { ASSERT_TRUE(opened); }

  DataFolder folder;
  ScopedPresenter dialogs;
  TDM dm;
  bool opened = OpenTrace() && dm.OpenDatabase(folder.dataFile());
  RawDb raw{folder.dataFile()};
  NullStoreUi ui;
  SqlResultStore store{dm, ui};
};

TEST_F(StoringResults, KeepsEachTestOnceAndReadsItBackAsStored) {
  const std::vector<InrResult> batch = {MeterResult("SN01", "345", 15, 15, 2.5, "1"),
                                        MeterResult("SN01", "345", 16, 9, 7.5, "2", "EC")};
  StoreOutcome first = store.Store(batch);
  EXPECT_EQ(first.listed, 2);
  EXPECT_EQ(first.unsaved, 0);
  EXPECT_EQ(first.writeError, "");
  EXPECT_EQ(raw.count("Result_Log"), 2);

  // The same tests again, and a second patient's test of the same minute: only that one is new.
  std::vector<InrResult> again = batch;
  again.push_back(MeterResult("SN01", "346", 15, 15, 2.5, "1"));
  EXPECT_EQ(store.Store(again).listed, 1);
  EXPECT_EQ(raw.count("Result_Log"), 3);
  EXPECT_EQ(store.Listed().size(), 3u);

  // The file holds what was stored, field for field.
  std::vector<InrResult> stored = store.Stored();
  ASSERT_EQ(stored.size(), 3u);
  auto it = std::find_if(stored.begin(), stored.end(), [](const InrResult& r) { return r.recordNumber == "2"; });
  ASSERT_NE(it, stored.end());
  const InrResult& high = *it;
  EXPECT_EQ(high.serialNumber, "SN01");
  EXPECT_EQ(high.recordNumber, "2");
  EXPECT_EQ(high.patientId, "345");
  EXPECT_EQ(high.dateText, "2024-03-16");
  EXPECT_EQ(high.timeText, "09:30");
  EXPECT_DOUBLE_EQ(high.date, Day(16, 9, 30));
  EXPECT_DOUBLE_EQ(high.inr, 7.5);
  EXPECT_EQ(high.inrText, "INR \u2191");
  EXPECT_EQ(high.range, InrRange::Above);
  EXPECT_DOUBLE_EQ(high.pt, batch[1].pt);
  EXPECT_EQ(high.sampleType, "EC");
  EXPECT_EQ(high.controlLevel, "Level 1");
  EXPECT_TRUE(high.checked);

  // A later run starts with an empty list: the stored copies are listed, not stored again.
  dm.qryCheckDataEntry.close();
  EXPECT_EQ(store.Store(batch).listed, 2);
  EXPECT_EQ(raw.count("Result_Log"), 3);
  EXPECT_EQ(RecordNumbers(store.Listed()), (std::vector<std::string>{"SN01#1", "SN01#2"}));
}

TEST_F(StoringResults, AnEmptyFileHoldsNoResults) {
  EXPECT_TRUE(store.Listed().empty());
  EXPECT_TRUE(store.Stored().empty());
  EXPECT_TRUE(store.ReadPeriod({"SN01", std::string("345"), Day(1), Day(31)}).empty());
}

struct PeriodCase {
  const char* what;
  ResultPeriod period;
  std::vector<std::string> expected;  // serial#record, in the order read
};
std::ostream& operator<<(std::ostream& os, const PeriodCase& c) { return os << c.what; }

class ReadingAPeriod : public StoringResults, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(ReadingAPeriod, GivesTheMetersResultsOldestFirst) {
  // Stored out of order: record numbers do not follow the time of the test.
  store.Store({
      MeterResult("SN01", "345", 10, 8, 2.4, "1"),
      MeterResult("SN01", "345", 12, 20, 2.6, "2"),
      MeterResult("SN01", "345", 12, 7, 2.1, "3"),
      MeterResult("SN01", "345", 11, 23, 3.0, "4"),
      MeterResult("SN01", "345", 13, 0, 2.2, "5"),
      MeterResult("SN01", "346", 12, 9, 1.9, "6"),
      MeterResult("SN01", "", 12, 10, 2.0, "7", "EC"),
      MeterResult("SN02", "345", 12, 11, 2.8, "1"),
      MeterResult("sn01", "345", 12, 12, 2.8, "1"),
  });
  EXPECT_EQ(RecordNumbers(store.ReadPeriod(GetParam().period)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadingAPeriod,
    ::testing::Values(
        PeriodCase{"one day whole", {"SN01", std::string("345"), Day(12), Day(12)}, {"SN01#3", "SN01#2"}},
        PeriodCase{"times of day in the bounds do not cut a day",
                   {"SN01", std::string("345"), Day(12, 18), Day(12, 6)},
                   {"SN01#3", "SN01#2"}},
        PeriodCase{"both ends included", {"SN01", std::string("345"), Day(11), Day(13)},
                   {"SN01#4", "SN01#3", "SN01#2", "SN01#5"}},
        PeriodCase{"every patient and control of the meter", {"SN01", std::nullopt, Day(12), Day(12)},
                   {"SN01#3", "SN01#6", "SN01#7", "SN01#2"}},
        PeriodCase{"a patient without an identifier", {"SN01", std::string(""), Day(1), Day(31)}, {"SN01#7"}},
        PeriodCase{"serial numbers differ by case", {"sn01", std::string("345"), Day(1), Day(31)}, {"sn01#1"}},
        PeriodCase{"a period with no test", {"SN01", std::string("345"), Day(14), Day(20)}, {}},
        PeriodCase{"a last day before the first", {"SN01", std::string("345"), Day(13), Day(10)}, {}}),
    [](const auto& info) { return CaseName(info.param.what); });

}  // namespace
}  // namespace movra::test
