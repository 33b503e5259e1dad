// The result list: its statement as written, what it selects and in which order, and the
// calculated fields the list and the exports show.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/operator_record.h"
#include "data/result_queries.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

class ResultList : public ResultListTest {};

TEST(ResultStatement, IsWrittenAsTheProgramAlwaysRanIt) {
  EXPECT_EQ(CheckDataEntrySql(),
            "Select * from Result_Log Where \r\n(FPatientID= :PatientID )\r\nAND \r\n(\r\n  ( (FDate >=:StartDate ) \r\n"
            "     AND \r\n     (FDate <=:EndDate)   )\r\n  OR \r\n (:UseDateRange = 0)\r\n ) \r\n"
            "Order By FSN, FrecordNumber");
  EXPECT_EQ(CheckDataEntryHisSql(),
            "Select * from Result_Log_His Where \r\n(FPatientID= :PatientID )\r\nAND \r\n(\r\n  ( (FDate >=:StartDate ) \r\n"
            "     AND \r\n     (FDate <=:EndDate)   )\r\n  OR \r\n (:UseDateRange = 0)\r\n ) \r\n"
            "ORDER BY  fDateTime, fMeterType");
}

TEST_F(ResultList, HoldsPatientZeroInTextOrderOfSerialAndRecordNumber) {
  // Record 10 comes before record 9, and serial numbers compare without regard to case.
  raw->exec(
      "INSERT INTO Result_Log (fPatientID, fSN, fRecordNumber, fDate) VALUES "
      "(0, 'B1', '9', 45000.5), (0, 'a1', '10', NULL), (0, 'B1', '10', 1.0), (0, 'a1', '9', 80000.0), "
      "(-1000, 'a1', '1', 45000.0), (NULL, 'a1', '2', 45000.0)");
  q.open();
  std::vector<std::string> seen;
  for (q.first(); !q.eof(); q.next())
    seen.push_back(q.fieldByName("FSN").asString() + "/" + q.fieldByName("frecordnumber").asString());
  // Rows of other patients are not listed; every date is admitted, an empty one too.
  EXPECT_EQ(seen, (std::vector<std::string>{"a1/10", "a1/9", "B1/10", "B1/9"}));
  EXPECT_EQ(q.parameter("UseDateRange").kind, FieldKind::Text);
  EXPECT_EQ(q.parameter("UseDateRange").value, FieldValue(std::string("0")));
}

TEST_F(ResultList, UsesTheDateRangeWhenAskedTo) {
  raw->exec("INSERT INTO Result_Log (fPatientID, fSN, fDate) VALUES (0, 'in', 45000.0), (0, 'out', 80000.0), "
            "(0, 'none', NULL)");
  q.parameter("UseDateRange").value = std::string("1");
  q.open();
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName("fSN").asString(), "in");
}

struct PtCase {
  double inr;
  double pt;
};

TEST(PtFromInr, FollowsExtendedArithmetic) {
  const PtCase cases[] = {{2.5, 26}, {1.5, 15}, {3.5, 36}, {7.0, 71}, {static_cast<double>(0.7f), 7},
                          {static_cast<double>(12.5f), 128}, {0.0, 0}};
  for (const auto& c : cases) EXPECT_EQ(PtFromInr(c.inr), c.pt) << c.inr;
  // Every one-decimal value the meter can send: double arithmetic agrees except at 12.5.
  for (int tenths = 1; tenths <= 199; ++tenths) {
    double inr = static_cast<double>(static_cast<float>(tenths / 10.0));
    volatile double product = inr * 10.2;
    double plainDouble = std::trunc(product + 0.5);
    if (tenths == 125) {
      EXPECT_EQ(PtFromInr(inr), plainDouble + 1);
    } else {
      EXPECT_EQ(PtFromInr(inr), plainDouble) << inr;
    }
  }
}

struct CalcCase {
  const char* what;
  const char* values;  // the row's columns as SQL
  const char* dateCal;
  const char* sampleType;
  double pt;
  bool visCheck;
};
void PrintTo(const CalcCase& c, std::ostream* os) { *os << c.what; }

class CalculatedFields : public ::testing::TestWithParam<CalcCase> {};

TEST_P(CalculatedFields, FollowTheRow) {
  DataFolder folder;
  TAdoConnection conn;
  conn.setConnectionString(BuildConnectionString(folder.dataFile()));
  conn.open();
  RawDb(folder.dataFile())
      .exec(std::string("INSERT INTO Result_Log (fPatientID, fDate, fINR_v, fCalibrationType, fChecked) VALUES ") +
            GetParam().values);
  RowSet q("qryCheckDataEntry");
  SetupCheckDataEntry(q, conn);
  q.open();
  ASSERT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.fieldByName("fDate_Cal").asString(), GetParam().dateCal);
  EXPECT_EQ(q.fieldByName("fDateFmt_Cal").asString(), "YY-MM-DD");
  EXPECT_EQ(q.fieldByName("fPT_Cal").asFloat(), GetParam().pt);
  EXPECT_EQ(q.fieldByName("fSampleType_Cal").asString(), GetParam().sampleType);
  EXPECT_EQ(q.fieldByName("fVisCheck").asBoolean(), GetParam().visCheck);
  EXPECT_TRUE(q.fieldByName("fControl_Cal").isNull());
}

INSTANTIATE_TEST_SUITE_P(
    ResultList, CalculatedFields,
    ::testing::Values(
        // 45366.0 is 2024-03-15.
        CalcCase{"EC ticked", "(0, 45366.5, 2.5, 'EC', 1)", "24-03-15", "EC", 26, true},
        CalcCase{"downloaded sample", "(0, 45366.0, 1.5, 'Downloaded Sample', 0)", "24-03-15", "Downloaded Sample", 15, false},
        CalcCase{"blank sample type", "(0, 45366.0, 3.5, ' ', 1)", "24-03-15", "", 36, true},
        CalcCase{"empty INR, tick and date", "(0, NULL, NULL, 'CS', NULL)", "", "CS", 0, false}),
    [](const ::testing::TestParamInfo<CalcCase>& i) { return CaseName(i.param.what); });

TEST_F(ResultList, CalculatedFieldsFollowAnEditAtOnce) {
  raw->exec("INSERT INTO Result_Log (fPatientID, fINR_v, fChecked) VALUES (0, 2.5, 1)");
  q.open();
  q.edit();
  q.fieldByName("fChecked").setAsBoolean(false);
  EXPECT_FALSE(q.fieldByName("fVisCheck").asBoolean());
  q.fieldByName("fINR_v").setAsFloat(3.5);
  EXPECT_EQ(q.fieldByName("fPT_Cal").asFloat(), 36);
  q.cancel();
  EXPECT_TRUE(q.fieldByName("fVisCheck").asBoolean());
  EXPECT_EQ(q.fieldByName("fPT_Cal").asFloat(), 26);
}

TEST_F(ResultList, HistoryAndPatientQueriesOpenReadOnlyAndAfterPost) {
  raw->exec("INSERT INTO Patient_info (fID, fProviderID, fTarget_hi, fTarget_lo, fTarget_hypo) VALUES (42, -1000, 30, 20, 15)");
  RowSet his("qryCheckDataEntryHis"), patients("qryCheckData");
  SetupCheckDataEntryHis(his, conn);
  SetupCheckData(patients, conn);
  his.open();
  EXPECT_EQ(his.fieldCount(), 23);
  EXPECT_THROW(his.append(), DbError);

  patients.parameter("ProviderID").value = int64_t{-1000};
  patients.open();
  ASSERT_EQ(patients.recordCount(), 1);
  EXPECT_EQ(patients.fieldCount(), 32);
  patients.edit();
  patients.fieldByName("fTarget_hi").setAsInteger(31);
  patients.post();
  EXPECT_EQ(Operator.PatientID, 42);
  EXPECT_EQ(Operator.TargetHi, 31);
  EXPECT_EQ(Operator.TargetLo, 20);
  EXPECT_EQ(Operator.TargetHypo, 15);
}

}  // namespace
}  // namespace movra::test
