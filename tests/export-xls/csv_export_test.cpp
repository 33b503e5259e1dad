#include <gtest/gtest.h>

#include <filesystem>

#include "app/format_settings.h"
#include "export/csv_export.h"
#include "export/export_values.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "test_rows.h"

using namespace movra;

namespace {

ExportRow Row(const char* number, float inr) {
  ExportRow r = test::WithInr(test::ExampleRow(), inr);
  r.recordNumber = number;
  return r;
}

// The list of the golden file: the example row, an unticked row, INR 7.5, record "0" with
// INR 0.74, INR 0.75, a tie that rounds to even with no sample type, 7.04 that shows as
// 7.0, and the meter's 0.7 that counts as below.
std::vector<ExportRow> GoldenRows() {
  ExportRow unticked = test::ExampleRow();
  unticked.checked = false;
  ExportRow tie = Row("6", 2.25f);
  tie.sampleType = "";
  return {test::ExampleRow(), unticked, Row("12", 7.5f), Row("0", 0.74f), Row("5", 0.75f), tie, Row("7", 7.04f), Row("8", 0.7f)};
}

std::string Golden() { return test::ReadFileBytes(test::SourceDir() + "/tests/export-xls/data/export-golden.csv"); }

TEST(CsvExport, GoldenFile) {
  test::DecimalSeparator point('.');
  ASSERT_FALSE(Golden().empty());
  EXPECT_EQ(CsvBytes(GoldenRows()), Golden());
}

// With a decimal comma the INR value holds a comma, so it is quoted to stay one field.
TEST(CsvExport, DecimalCommaIsQuoted) {
  test::DecimalSeparator comma(',');
  EXPECT_EQ(CsvRowLine(test::ExampleRow()), "12,345,YY-MM-DD, 24-03-15 , 14:05 ,\" 2,5 \", 26 ,EC,SN01\r\n");
  EXPECT_EQ(CsvRowLine(Row("12", 7.5f)), "12,345,YY-MM-DD, 24-03-15 , 14:05 ,INR \xE2\x86\x91,INR \xE2\x86\x91,EC,SN01\r\n");
}

// The date and time texts are those of the date-time formatter, whatever the value.
TEST(CsvExport, DateAndTimeTextsMatchTheFormatter) {
  ExportRow r = test::ExampleRow();
  for (TDateTime d : {0.0, 2.0, 36525.999, 36526.0, 45366.5868, 73050.0, -700.25, 2958465.0}) {
    r.date = d;
    EXPECT_EQ(DateText(r), FormatDateTime("yy-mm-dd", d)) << d;
  }
  for (const char* t : {"00:00", "9:5", "14:05", "23:59:59", "12:00 AM", "1:30 PM"}) {
    r.timeText = t;
    EXPECT_EQ(TimeText(r), FormatDateTime("hh:nn", *StrToTime(t))) << t;
  }
}

TEST(CsvExport, FieldQuoting) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"plain", "plain"},       {" 2.5 ", " 2.5 "},         {"", ""},
      {"Doe, J", "\"Doe, J\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"a\rb", "\"a\rb\""},
      {"a\nb", "\"a\nb\""},     {"\"", "\"\"\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.in), c.out) << c.in;
  ExportRow r = test::ExampleRow();
  r.patientId = "Doe, \"J\"";
  EXPECT_EQ(CsvRowLine(r), "12,\"Doe, \"\"J\"\"\",YY-MM-DD, 24-03-15 , 14:05 , 2.5 , 26 ,EC,SN01\r\n");
}

TEST(CsvExport, ValuesThatCannotBeWritten) {
  struct Case {
    const char* number;
    const char* time;
    const char* message;
  } cases[] = {
      {"x1", "14:05", "'x1' is not a valid integer value"},
      {"", "14:05", "'' is not a valid integer value"},
      {"99999999999", "14:05", "'99999999999' is not a valid integer value"},
      {"12", "later", "'later' is not a valid time"},
      {"12", "", "'' is not a valid time"},
  };
  for (const Case& c : cases) {
    ExportRow r = test::ExampleRow();
    r.recordNumber = c.number;
    r.timeText = c.time;
    try {
      CsvRowLine(r);
      ADD_FAILURE() << c.number << " " << c.time;
    } catch (const ExportValueError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  ExportRow negative = test::ExampleRow();
  negative.recordNumber = "-3";
  EXPECT_EQ(CsvValues(negative)[0], "00");
  negative.recordNumber = " 7";
  EXPECT_EQ(CsvValues(negative)[0], " 7") << "written as stored";
}

// A text from the meter that a spreadsheet would run as a formula gets an apostrophe in
// front; numbers and every other text are written as they are.
TEST(CsvExport, FormulaLikeMeterTextsGetAnApostrophe) {
  struct Case {
    const char* text;
    const char* field;
  } cases[] = {
      {"=SUM(1+1)*9", "'=SUM(1+1)*9"},
      {"+49 30 1234", "'+49 30 1234"},
      {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0"},
      {"@SUM(A1:A9)", "'@SUM(A1:A9)"},
      {"\tHYPERLINK", "'\tHYPERLINK"},
      {"\r=1", "\"'\r=1\""},  // quoted as well, for the CR
      {"=1,2", "\"'=1,2\""},
      {"-", "'-"},
      {"-1000", "-1000"},
      {"+5", "+5"},
      {"-2.5", "-2.5"},
      {"-2,5", "\"-2,5\""},
      {"-1e5", "-1e5"},
      {"SN01", "SN01"},
      {"a=b", "a=b"},
      {" =x", " =x"},
      {"", ""},
  };
  for (const Case& c : cases) {
    ExportRow r = test::ExampleRow();
    r.patientId = r.sampleType = r.serialNumber = c.text;
    std::string f = c.field;
    EXPECT_EQ(CsvRowLine(r), "12," + f + ",YY-MM-DD, 24-03-15 , 14:05 , 2.5 , 26 ," + f + "," + f + "\r\n") << c.text;
  }
  // The arrow texts are the system's own and stay as they are.
  EXPECT_EQ(CsvRowLine(test::WithInr(test::ExampleRow(), 0.5f)),
            "12,345,YY-MM-DD, 24-03-15 , 14:05 ,INR \xE2\x86\x93,INR \xE2\x86\x93,EC,SN01\r\n");
}

TEST(CsvExport, FileThatCannotBeCreatedGoesToTheErrorDisplay) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  ExportResult result = ExportCsv(GoldenRows(), dir.file("missing/out"));
  EXPECT_EQ(result.outcome, ExportOutcome::GeneralError);
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text.rfind("Cannot create file", 0), 0u) << result.notice->text;
  EXPECT_EQ(result.notice->caption, "Error");
}

}  // namespace
