// Storing downloaded records into Result_Log: the conversions of each record, the
// rejected ones, the progress line, the batch, and ClearData.
#include <gtest/gtest.h>

#include <cmath>

#include <ostream>

#include <optional>

#include "app/config.h"
#include "app/folders.h"
#include "app/trace.h"
#include "app/dialogs.h"
#include "data/data_module.h"
#include "data/record_conversion.h"
#include "data/record_store.h"
#include "data_fixture.h"
#include "recording_presenter.h"

namespace movra::test {
namespace {

struct RecordingUi : StoreUi {
  std::vector<std::pair<int, std::string>> status;
  std::vector<bool> cursor;
  void setStatusText(int panel, const std::string& text) override { status.emplace_back(panel, text); }
  void setBusyCursor(bool busy) override { cursor.push_back(busy); }
};

struct CountingObserver : RowSetObserver {
  int total = 0;
  void dataSetChanged(RowSet&) override { ++total; }
  void rowChanged(RowSet&, int) override { ++total; }
  void currentRowChanged(RowSet&) override { ++total; }
};

TMeterRecord baseRecord() {
  TMeterRecord r;
  r.RecordNumber = "12";
  r.SerialNumber = "SN01";
  r.MeterType = "345";
  r.Date = "2024-03-15";
  r.Time = "03:15";
  r.Region = "US";
  r.CalibrationType = "EC";
  r.CalibrationLevel = "Level 1";
  r.InrValue = static_cast<double>(2.5f);
  return r;
}

class Storing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenTrace());
    ASSERT_TRUE(dm.OpenDatabase(folder.dataFile()));
    raw = std::make_unique<RawDb>(folder.dataFile());
  }
  void TearDown() override { CloseTrace(); }
  void store(const std::vector<TMeterRecord>& recs) {
    for (const auto& r : recs) records.Add(r);
    // The store returns its boxes; its callers show them, as the downloader's listener does.
    ShowNotices(storer.StoreMeterRecords(records, "SN01", "COM 5", 20));
  }
  std::string trace() { return ReadFileBytes(TraceFilePath()); }

  DataFolder folder;
  ScopedPresenter dialogs;
  TDM dm;
  RecordingUi ui;
  TRecordStore storer{dm, ui};
  TMeterRecordQuery records;
  std::unique_ptr<RawDb> raw;
};

// ---------------------------------------------------------------- one record, many ways

struct StoreCase {
  const char* what;
  TMeterRecord rec;
  bool stored;
  const char* recordNumber = "12";
  int providerId = 12;
  std::optional<std::string> timeString;
  std::optional<std::string> ampm;
  std::optional<std::pair<int, int>> timeOfDay;  // fTime / fDate; empty: not written
  const char* inrText = "2.5";
  const char* dialog = nullptr;  // the whole text of the one box expected, if any
  const char* traceLine = nullptr;
  const char* storedSerial = nullptr;  // fSN when it is not the record's serial number
};
void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.what; }

TMeterRecord with(std::function<void(TMeterRecord&)> f) {
  TMeterRecord r = baseRecord();
  f(r);
  return r;
}

std::vector<StoreCase> storeCases() {
  using T = std::pair<int, int>;
  return {
      {"PM afternoon", with([](auto& r) { r.AmPm = "PM"; }), true, "12", 12, "15:15", "PM", T{15, 15}},
      {"no marker keeps the text", with([](auto& r) { r.Time = "09:40"; }), true, "12", 12, "09:40", std::nullopt, T{9, 40}},
      {"AM morning", with([](auto& r) { r.Time = "07:05"; r.AmPm = "am"; }), true, "12", 12, "07:05", "am", T{7, 5}},
      {"hour above 12 with PM stays", with([](auto& r) { r.Time = "13:05"; r.AmPm = "PM"; }), true, "12", 12, "13:05", "PM", T{13, 5}},
      {"12 AM is midnight", with([](auto& r) { r.Time = "12:30"; r.AmPm = "AM"; }), true, "12", 12, "00:30", "AM", T{0, 30}},
      {"12 PM is noon", with([](auto& r) { r.Time = "12:30"; r.AmPm = "PM"; }), true, "12", 12, "12:30", "PM", T{12, 30}},
      // A time that is no time of day would stop every export of the list: not stored.
      {"hour 24", with([](auto& r) { r.Time = "24:30"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong time , should hh:nn 24:30"},
      {"minute 60", with([](auto& r) { r.Time = "10:60"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong time , should hh:nn 10:60"},
      {"hour and minute out of range", with([](auto& r) { r.Time = "25:61"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong time , should hh:nn 25:61"},
      {"hour 24 with PM", with([](auto& r) { r.Time = "24:00"; r.AmPm = "PM"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong time , should hh:nn 24:00"},
      {"minute 60 with AM", with([](auto& r) { r.Time = "09:60"; r.AmPm = "AM"; }), false, "", 0, {}, {}, {}, "",
       nullptr, "Save Error: wrong time , should hh:nn 09:60"},
      {"hour byte of three digits with PM", with([](auto& r) { r.Time = "123:05"; r.AmPm = "PM"; }), false, "", 0, {}, {},
       {}, "", nullptr, "Save Error: wrong time , should hh:nn 12::0"},
      {"hour not a number", with([](auto& r) { r.Time = "ab:cd"; r.AmPm = "PM"; }), false, "", 0, {}, {}, {}, "",
       nullptr, "Error conversion: hour: -1"},
      {"time no number without a marker", with([](auto& r) { r.Time = "ab:cd"; }), false, "", 0, {}, {}, {}, "",
       nullptr, "Save Error: wrong time , should hh:nn ab:cd"},
      {"23:59 is the last minute", with([](auto& r) { r.Time = "23:59"; }), true, "12", 12, "23:59", std::nullopt,
       T{23, 59}},
      // No byte of a meter's text may break a line of the list, the trace or an export.
      {"control bytes in the serial number",
       with([](auto& r) { r.SerialNumber = std::string("S\0N\r\n\t\x01\x1F\x7F\x85X\xE9", 12); }), true, "12", 12,
       "03:15", std::nullopt, T{3, 15}, "2.5", nullptr, nullptr, "S?N???????X\u00E9"},
      {"INR 7.0", with([](auto& r) { r.InrValue = 7.0; }), true, "12", 12, "03:15", std::nullopt, T{3, 15}, "7.0"},
      {"INR 7.05 single", with([](auto& r) { r.InrValue = 7.05f; }), true, "12", 12, "03:15", std::nullopt, T{3, 15},
       "INR \u2191"},
      {"INR 0.7 single", with([](auto& r) { r.InrValue = 0.7f; }), true, "12", 12, "03:15", std::nullopt, T{3, 15},
       "INR \u2193"},
      // A value far above the range is a result with its arrow; no number is none.
      {"INR 1e30", with([](auto& r) { r.InrValue = 1e30; }), true, "12", 12, "03:15", std::nullopt, T{3, 15},
       "INR \u2191"},
      {"INR NaN", with([](auto& r) { r.InrValue = std::nan(""); }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: record 12 of SN01 holds no INR value"},
      {"INR infinite", with([](auto& r) { r.InrValue = HUGE_VAL; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: record 12 of SN01 holds no INR value"},
      {"INR minus infinite", with([](auto& r) { r.InrValue = -HUGE_VAL; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: record 12 of SN01 holds no INR value"},
      {"empty record number", with([](auto& r) { r.RecordNumber = ""; }), true, "0", 0, "03:15", std::nullopt, T{3, 15}},
      {"record number no integer", with([](auto& r) { r.RecordNumber = "A7"; }), true, "A7", 0, "03:15", std::nullopt, T{3, 15}},
      {"date of 9 characters", with([](auto& r) { r.Date = "2017-9-12"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong datetime , should yyyy-mm-dd 2017-9-12"},
      {"date with letters", with([](auto& r) { r.Date = "2017-ab-12"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong datetime , should yyyy-mm-dd 2017-ab-12"},
      {"month 13", with([](auto& r) { r.Date = "2017-13-01"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong datetime , should yyyy-mm-dd 2017-13-01"},
      {"February 30", with([](auto& r) { r.Date = "2017-02-30"; }), false, "", 0, {}, {}, {}, "", nullptr,
       "Save Error: wrong datetime , should yyyy-mm-dd 2017-02-30"},
      {"serial number too long", with([](auto& r) { r.SerialNumber = std::string(31, 'S'); }), false, "", 0, {}, {}, {}, "",
       "The field 'fSN' is too small to accept the amount of data you attempted to add (31 characters, at most 30)."
       "\r\n\r\r2024-03-1503:15EC12",
       "Save Error \r\nThe field 'fSN' is too small"},
  };
}

class StoreOneRecord : public Storing, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StoreOneRecord, AsTheTableSays) {
  const StoreCase& c = GetParam();
  if (c.dialog) dialogs->expect(c.dialog);
  store({c.rec});
  EXPECT_EQ(storer.TransferCount, c.stored ? 1 : 0);
  // A record refused for what it holds is counted for the summary; one the file could not
  // take is told by its own message.
  EXPECT_EQ(storer.InvalidCount, c.stored || c.dialog ? 0 : 1);
  if (c.dialog) {
    auto shown = dialogs->shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.dialog);
    EXPECT_EQ(shown[0].caption, kApplicationTitle);
    EXPECT_EQ(shown[0].style, MB_OK);
  }
  if (c.traceLine) {
    EXPECT_NE(trace().find(c.traceLine), std::string::npos) << trace();
  }
  ASSERT_EQ(raw->count("Result_Log"), c.stored ? 1 : 0);
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), c.stored ? 1 : 0);
  if (!c.stored) return;

  RowSet& q = dm.qryCheckDataEntry;
  q.first();
  EXPECT_EQ(q.fieldByName("fRecordNumber").asString(), c.recordNumber);
  EXPECT_EQ(q.fieldByName("fProviderID").asInteger(), c.providerId);
  EXPECT_EQ(q.fieldByName("fPatientID").asInteger(), -1000);
  EXPECT_TRUE(q.fieldByName("fChecked").asBoolean());
  EXPECT_EQ(q.fieldByName("fTime_String").isNull(), !c.timeString.has_value());
  if (c.timeString) {
    EXPECT_EQ(q.fieldByName("fTime_String").asString(), *c.timeString);
  }
  EXPECT_EQ(q.fieldByName("fAMPM").isNull(), !c.ampm.has_value());
  if (c.ampm) {
    EXPECT_EQ(q.fieldByName("fAMPM").asString(), *c.ampm);
  }
  const double date = *EncodeDate(2024, 3, 15);
  if (c.timeOfDay) {
    double expected = date + *EncodeTime(c.timeOfDay->first, c.timeOfDay->second, 0, 0);
    EXPECT_DOUBLE_EQ(q.fieldByName("fTime").asDateTime(), expected);
    EXPECT_DOUBLE_EQ(q.fieldByName("fDate").asDateTime(), expected);
    EXPECT_NEAR(q.fieldByName("fDateTime").asDateTime(), Now(), 1.0 / 24);
  } else {
    EXPECT_TRUE(q.fieldByName("fTime").isNull());
    EXPECT_TRUE(q.fieldByName("fDate").isNull());
    EXPECT_TRUE(q.fieldByName("fDateTime").isNull());
  }
  EXPECT_EQ(q.fieldByName("fInr_s").asString(), c.inrText);
  EXPECT_EQ(q.fieldByName("fInr_v").asFloat(), c.rec.InrValue);
  EXPECT_EQ(q.fieldByName("fCalibrationType").asString(), "EC");
  EXPECT_EQ(q.fieldByName("fCalibrationLevel").asString(), "Level 1");
  EXPECT_EQ(q.fieldByName("fMeterType").asString(), "345");
  EXPECT_EQ(q.fieldByName("fSN").asString(), c.storedSerial ? c.storedSerial : c.rec.SerialNumber);
  // What the list shows is what the file holds.
  EXPECT_EQ(raw->scalar("SELECT fINR_s FROM Result_Log"), FieldValue(std::string(c.inrText)));
}

INSTANTIATE_TEST_SUITE_P(Records, StoreOneRecord, ::testing::ValuesIn(storeCases()),
                         [](const ::testing::TestParamInfo<StoreCase>& i) { return CaseName(i.param.what); });

// ---------------------------------------------------------------- runs

TEST_F(Storing, RecordsArrivingInSeveralMessagesAreAllStored) {
  CountingObserver grid;
  dm.qryCheckDataEntry.addObserver(&grid);
  auto numbered = [](const char* n) { return with([n](auto& r) { r.RecordNumber = n; }); };
  store({numbered("1"), numbered("2"), numbered("3")});
  EXPECT_EQ(grid.total, 1);  // the grid is refreshed once per run
  store({numbered("4"), numbered("5")});
  store({});  // the list was already emptied: nothing stored, the line still refreshed
  EXPECT_EQ(storer.TransferCount, 5);
  EXPECT_EQ(raw->count("Result_Log"), 5);
  EXPECT_EQ(dm.qryCheckDataEntry.pendingCount(), 0);
  ASSERT_EQ(ui.status.size(), 3u);
  EXPECT_EQ(ui.status.back(), std::make_pair(0, std::string("Reading SN01(COM 5):  5 / 20")));
  EXPECT_EQ(ui.cursor, (std::vector<bool>{true, false, true, false, true, false}));
  EXPECT_FALSE(dm.qryCheckDataEntry.controlsDisabled());
  dm.qryCheckDataEntry.removeObserver(&grid);
}

TEST_F(Storing, ABatchThatCannotBeWrittenStaysListedAndIsCountedNotRaised) {
  raw->exec("BEGIN IMMEDIATE");  // another writer holds the file, as a full disk would stop it
  store({baseRecord(), with([](auto& r) { r.RecordNumber = "13"; })});
  store({with([](auto& r) { r.RecordNumber = "14"; })});
  EXPECT_TRUE(dialogs->shown().empty());
  EXPECT_EQ(ui.cursor.back(), false);
  EXPECT_FALSE(dm.qryCheckDataEntry.controlsDisabled());
  // Listed (and so exportable), counted as stored rows of the download, not in the file.
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), 3);
  EXPECT_EQ(storer.TransferCount, 3);
  EXPECT_EQ(storer.UnsavedCount(), 3);
  EXPECT_EQ(storer.LastWriteError(), "database is locked");
  // Each failed batch is one more of the same: the trace says it once.
  const std::string t = trace();
  const std::string failure = "Save Error \r\ndatabase is locked";
  size_t at = t.find(failure);
  ASSERT_NE(at, std::string::npos) << t;
  EXPECT_EQ(t.find(failure, at + 1), std::string::npos) << t;
  raw->exec("ROLLBACK");
  EXPECT_EQ(raw->count("Result_Log"), 0);

  // A check-box edit is pending as well, but it is no record missing from the file.
  dm.qryCheckDataEntry.first();
  dm.qryCheckDataEntry.edit();
  dm.qryCheckDataEntry.fieldByName("fChecked").setAsBoolean(false);
  dm.qryCheckDataEntry.post();
  EXPECT_EQ(storer.UnsavedCount(), 3);

  store({with([](auto& r) { r.RecordNumber = "15"; })});
  EXPECT_EQ(raw->count("Result_Log"), 4);
  EXPECT_EQ(storer.TransferCount, 4);
  EXPECT_EQ(storer.UnsavedCount(), 0);
  EXPECT_EQ(storer.LastWriteError(), "");
}

// ---------------------------------------------------------------- each record once

struct RepeatCase {
  const char* what;
  std::function<void(TMeterRecord&)> second;  // the second record, changed from the first
  bool requeryBetween;                        // the list re-queried (a new start) in between
  bool sameCall;                              // both in one call, so the first is still pending
  int rowsInFile;
  int rowsListed;
  int transferCount;
};
void PrintTo(const RepeatCase& c, std::ostream* os) { *os << c.what; }

class StoreRepeatedRecord : public Storing, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(StoreRepeatedRecord, IsStoredOnce) {
  const RepeatCase& c = GetParam();
  TMeterRecord first = baseRecord();
  first.AmPm = "PM";
  TMeterRecord second = first;
  if (c.second) c.second(second);
  if (c.sameCall) {
    store({first, second});
  } else {
    store({first});
    if (c.requeryBetween) dm.qryCheckDataEntry.requery();
    store({second});
  }
  EXPECT_EQ(raw->count("Result_Log"), c.rowsInFile);
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), c.rowsListed);
  EXPECT_EQ(storer.TransferCount, c.transferCount);
  EXPECT_EQ(storer.UnsavedCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Records, StoreRepeatedRecord,
    ::testing::Values(
        RepeatCase{"same record in one batch", nullptr, false, true, 1, 1, 1},
        RepeatCase{"same record read again", nullptr, false, false, 1, 1, 1},
        RepeatCase{"same record read again at 24 hours", [](auto& r) { r.Time = "15:15"; r.AmPm = ""; }, false, false, 1, 1,
                   1},
        RepeatCase{"stored by an earlier run is listed again", nullptr, true, false, 1, 1, 2},
        RepeatCase{"another record number", [](auto& r) { r.RecordNumber = "13"; }, false, true, 2, 2, 2},
        RepeatCase{"another meter", [](auto& r) { r.SerialNumber = "SN02"; }, false, false, 2, 2, 2},
        RepeatCase{"another day", [](auto& r) { r.Date = "2024-03-16"; }, false, false, 2, 2, 2},
        RepeatCase{"another minute", [](auto& r) { r.Time = "03:16"; }, false, true, 2, 2, 2},
        RepeatCase{"morning instead of afternoon", [](auto& r) { r.AmPm = "AM"; }, false, false, 2, 2, 2},
        // Two patients, values, sample types or levels of one minute are two tests, listed or
        // found in the file; so are serial numbers that differ only in case. (After the
        // re-query the list starts empty: the first stays in the file, the second is added.)
        RepeatCase{"another value", [](auto& r) { r.InrValue = 3.0; }, false, false, 2, 2, 2},
        RepeatCase{"another value stored earlier", [](auto& r) { r.InrValue = 3.0; }, true, false, 2, 1, 2},
        RepeatCase{"another patient", [](auto& r) { r.MeterType = "346"; }, false, true, 2, 2, 2},
        RepeatCase{"another patient stored earlier", [](auto& r) { r.MeterType = "346"; }, true, false, 2, 1, 2},
        RepeatCase{"another sample type", [](auto& r) { r.CalibrationType = "CS"; }, true, false, 2, 1, 2},
        RepeatCase{"another level", [](auto& r) { r.CalibrationLevel = "Level2(EC Only)"; }, true, false, 2, 1, 2},
        RepeatCase{"serial number in other case", [](auto& r) { r.SerialNumber = "sn01"; }, true, false, 2, 1, 2}),
    [](const ::testing::TestParamInfo<RepeatCase>& i) { return CaseName(i.param.what); });

TEST(ControlCharacters, BecomeQuestionMarksAndOtherTextStays) {
  const std::pair<std::string, std::string> cases[] = {
      {"MV20240001X", "MV20240001X"},
      {std::string("A\0B", 3), "A?B"},
      {"line\r\nbreak\ttab\x1B[0m\x7F", "line??break?tab?[0m?"},
      {"C1 \xC2\x85 \xC2\x9F kept \xC2\xA0", "C1 ? ? kept \xC2\xA0"},
      {"sep\xE2\x80\xA8par\xE2\x80\xA9 arrow \xE2\x86\x91 \xE4\xB8\xAD", "sep?par? arrow \xE2\x86\x91 \xE4\xB8\xAD"},
      {"cut \xC2", "cut \xC2"},
      // Direction overrides, embeddings and isolates would show "PT123" as "321TP".
      {"\xE2\x80\xAEPT123\xE2\x80\xAC", "?PT123?"},
      {"a\xE2\x80\xAA" "b\xE2\x80\xAB" "c\xE2\x80\xAD" "d", "a?b?c?d"},
      {"\xE2\x81\xA6x\xE2\x81\xA7y\xE2\x81\xA8z\xE2\x81\xA9", "?x?y?z?"},
      // Neighbours that are ordinary text stay: en dash, ellipsis, word joiner.
      {"\xE2\x80\x93 \xE2\x80\xA6 \xE2\x81\xA0", "\xE2\x80\x93 \xE2\x80\xA6 \xE2\x81\xA0"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ReplaceControlCharacters(in), out) << in;
}

TEST_F(Storing, ClearDataEmptiesTheTableAndTheList) {
  store({baseRecord(), baseRecord()});
  // A row of an earlier run that never cleared (stored for patient -1000) goes as well.
  raw->exec("INSERT INTO Result_Log (fPatientID, fSN) VALUES (-1000, 'OLD'), (0, 'LISTED')");
  storer.ClearData();
  EXPECT_EQ(raw->count("Result_Log"), 0);
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), 0);
  EXPECT_EQ(storer.TransferCount, 0);

  storer.TransferCount = 4;
  storer.ClearData();  // on an empty table
  EXPECT_EQ(raw->count("Result_Log"), 0);
  EXPECT_EQ(storer.TransferCount, 0);
}

TEST_F(Storing, StoredRowsOfAnEarlierRunAreNotListedAfterTheNextStart) {
  store({baseRecord()});
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), 1);
  dm.qryCheckDataEntry.requery();
  EXPECT_EQ(dm.qryCheckDataEntry.recordCount(), 0);
  EXPECT_EQ(raw->count("Result_Log"), 1);
}

}  // namespace
}  // namespace movra::test
