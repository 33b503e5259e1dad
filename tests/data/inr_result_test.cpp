// A meter record read as a result: the texts it keeps, the time it means, the value's text
// and range, and the records that can be no result with what the trace says of them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "app/format_settings.h"
#include "data/inr_result_conversion.h"
#include "data/result_queries.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

// Record 12 of meter SN01: patient 345's external control on 15 March 2024 at 03:15, INR 2.5.
TMeterRecord MeterRecord() {
  return TMeterRecord{"12", "SN01", "345", "2024-03-15", "03:15", "US", "", "EC", "Level 1", static_cast<double>(2.5f)};
}

template <typename Change>
TMeterRecord With(Change change) {
  TMeterRecord r = MeterRecord();
  change(r);
  return r;
}

struct ReadCase {
  const char* what;
  TMeterRecord record;
  // Expected when read: time text, hour and minute, INR text and range, record number, patient.
  const char* timeText;
  int hour, minute;
  const char* inrText;
  InrRange range;
  const char* recordNumber = "12";
  const char* patient = "345";
};
std::ostream& operator<<(std::ostream& os, const ReadCase& c) { return os << c.what; }

class ReadingARecord : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadingARecord, KeepsItsTextsAndMeansItsTime) {
  const ReadCase& c = GetParam();
  MeterRecordReading reading = ResultOfMeterRecord(c.record);
  ASSERT_TRUE(reading.result.has_value());
  EXPECT_TRUE(reading.notes.empty());
  const InrResult& r = *reading.result;
  EXPECT_EQ(r.serialNumber, "SN01");
  EXPECT_EQ(r.recordNumber, c.recordNumber);
  EXPECT_EQ(r.patientId, c.patient);
  EXPECT_EQ(r.dateText, "2024-03-15");
  EXPECT_EQ(r.timeText, c.timeText);
  EXPECT_EQ(r.amPm, c.record.AmPm);
  EXPECT_DOUBLE_EQ(r.date, *EncodeDate(2024, 3, 15) + *EncodeTime(c.hour, c.minute, 0, 0));
  EXPECT_EQ(r.inr, c.record.InrValue);
  EXPECT_EQ(r.inrText, c.inrText);
  EXPECT_EQ(r.range, c.range);
  EXPECT_EQ(r.pt, PtFromInr(c.record.InrValue));
  EXPECT_EQ(r.sampleType, "EC");
  EXPECT_EQ(r.controlLevel, "Level 1");
  EXPECT_TRUE(r.checked);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadingARecord,
    ::testing::Values(
        ReadCase{"plain", MeterRecord(), "03:15", 3, 15, "2.5", InrRange::In},
        ReadCase{"afternoon", With([](TMeterRecord& r) { r.AmPm = "PM"; }), "15:15", 15, 15, "2.5", InrRange::In},
        ReadCase{"just after midnight", With([](TMeterRecord& r) { r.Time = "12:05", r.AmPm = "AM"; }), "00:05", 0, 5,
                 "2.5", InrRange::In},
        ReadCase{"above the range", With([](TMeterRecord& r) { r.InrValue = 7.5; }), "03:15", 3, 15, "INR \u2191",
                 InrRange::Above},
        ReadCase{"single-precision 0.7 lies below",
                 With([](TMeterRecord& r) { r.InrValue = static_cast<double>(0.7f); }), "03:15", 3, 15, "INR \u2193",
                 InrRange::Below},
        ReadCase{"no record number", With([](TMeterRecord& r) { r.RecordNumber.clear(); }), "03:15", 3, 15, "2.5",
                 InrRange::In, "0"},
        ReadCase{"control character and Latin-1 in the patient",
                 With([](TMeterRecord& r) { r.MeterType = "A\nB\xE9"; }), "03:15", 3, 15, "2.5", InrRange::In, "12",
                 "A?B\u00E9"}),
    [](const auto& info) { return CaseName(info.param.what); });

struct RejectCase {
  const char* what;
  TMeterRecord record;
  std::vector<std::string> notes;
};
std::ostream& operator<<(std::ostream& os, const RejectCase& c) { return os << c.what; }

class ReadingNoResult : public ::testing::TestWithParam<RejectCase> {};

TEST_P(ReadingNoResult, SaysWhy) {
  MeterRecordReading reading = ResultOfMeterRecord(GetParam().record);
  EXPECT_FALSE(reading.result.has_value());
  EXPECT_EQ(reading.notes, GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadingNoResult,
    ::testing::Values(
        RejectCase{"INR no number",
                   With([](TMeterRecord& r) { r.InrValue = std::numeric_limits<double>::quiet_NaN(); }),
                   {"Save Error: record 12 of SN01 holds no INR value (" +
                    FloatToStr(std::numeric_limits<double>::quiet_NaN()) + "); not stored"}},
        RejectCase{"month 13", With([](TMeterRecord& r) { r.Date = "2024-13-01"; }),
                   {"Save Error: wrong datetime , should yyyy-mm-dd 2024-13-01"}},
        RejectCase{"hour 24", With([](TMeterRecord& r) { r.Time = "24:00"; }),
                   {"Save Error: wrong time , should hh:nn 24:00"}},
        RejectCase{"broken 12-hour clock", With([](TMeterRecord& r) { r.Time = "x1:15", r.AmPm = "AM"; }),
                   {"Error conversion: hour: -1", "Save Error: wrong time , should hh:nn x1:15"}}),
    [](const auto& info) { return CaseName(info.param.what); });

}  // namespace
}  // namespace movra::test
