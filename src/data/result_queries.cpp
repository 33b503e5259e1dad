#include "data/result_queries.h"

#include <cmath>

#include "app/format_settings.h"
#include "app/utf8.h"
#include "data/operator_record.h"
#include "data/schema.h"

namespace movra {

namespace {

std::string statementOver(const char* table, const char* orderLine) {
  const std::string lines[] = {
      std::string("Select * from ") + table + " Where ",
      "(FPatientID= :PatientID )",
      "AND ",
      "(",
      "  ( (FDate >=:StartDate ) ",
      "     AND ",
      "     (FDate <=:EndDate)   )",
      "  OR ",
      " (:UseDateRange = 0)",
      " ) ",
      orderLine,
  };
  std::string sql;
  for (const auto& l : lines) sql += (sql.empty() ? "" : "\r\n") + l;
  return sql;
}

// The program never changes these: every row of patient 0, every date admitted.
void addResultParameters(RowSet& q) {
  q.addParameter("PatientID", FieldKind::Integer, int64_t{0});
  q.addParameter("StartDate", FieldKind::DateTime, 2.0);     // 1900-01-01 00:00
  q.addParameter("EndDate", FieldKind::DateTime, 73051.0);   // 2100-01-01 00:00
  q.addParameter("UseDateRange", FieldKind::Text, std::string("0"));
}

FieldDef calc(const char* name, FieldKind kind, int size = 0) {
  FieldDef d;
  d.name = name;
  d.kind = kind;
  d.size = size;
  d.calculated = true;
  return d;
}

}  // namespace

std::string CheckDataEntrySql() { return statementOver("Result_Log", "Order By FSN, FrecordNumber"); }
std::string CheckDataEntryHisSql() { return statementOver("Result_Log_His", "ORDER BY  fDateTime, fMeterType"); }

double PtFromInr(double inr) {
  const long double v = static_cast<long double>(inr) * 10.2L + 0.5L;
  return static_cast<double>(std::trunc(v));
}

void qryCheckDataEntryCalcFields(CalcRow& row) {
  // An empty test date shows as empty, not as the epoch's date.
  FieldRef date = row.field("fDate");
  if (!date.isNull()) row.set("fDate_Cal", FormatDateTime("YY-MM-DD", date.asDateTime()));
  row.set("fDateFmt_Cal", std::string("YY-MM-DD"));
  row.set("fPT_Cal", PtFromInr(row.field("fINR_v").asFloat()));
  row.set("fVisCheck", int64_t{row.field("fChecked").asBoolean() ? 1 : 0});
  // The sample type " " (one blank) shows as empty.
  std::string type = row.field("fCalibrationType").asString();
  if (Utf8Length(type) > 1) row.set("fSampleType_Cal", type);
}

void SetupCheckDataEntry(RowSet& q, TAdoConnection& conn) {
  q.setConnection(&conn);
  q.setCommandText(CheckDataEntrySql());
  addResultParameters(q);
  q.setFields(FieldDefsOf(TableByName("Result_Log")));
  q.addCalcField(calc("fDate_Cal", FieldKind::Text, 30));
  q.addCalcField(calc("fControl_Cal", FieldKind::Text, 20));
  q.addCalcField(calc("fDateFmt_Cal", FieldKind::Text, 12));
  q.addCalcField(calc("fPT_Cal", FieldKind::Float));
  q.addCalcField(calc("fSampleType_Cal", FieldKind::Text, 20));
  q.addCalcField(calc("fVisCheck", FieldKind::Boolean));
  q.setOnCalcFields(qryCheckDataEntryCalcFields);
  q.setUpdateTable("Result_Log", "fID");
}

void SetupCheckDataEntryHis(RowSet& q, TAdoConnection& conn) {
  q.setConnection(&conn);
  q.setCommandText(CheckDataEntryHisSql());
  addResultParameters(q);
  q.setFields(FieldDefsOf(TableByName("Result_Log_His")));
  q.setReadOnly(true);
}

void SetupCheckData(RowSet& q, TAdoConnection& conn) {
  q.setConnection(&conn);
  q.setCommandText(kCheckDataSql);
  q.addParameter("ProviderID", FieldKind::Integer, FieldValue{});
  q.setFields(FieldDefsOf(TableByName("Patient_info")));
  q.setAfterPost(qryCheckDataAfterPost);
}

void qryCheckDataAfterPost(RowSet& q) {
  Operator.PatientID = q.fieldByName("fID").asInteger();
  Operator.TargetHi = q.fieldByName("fTarget_hi").asInteger();
  Operator.TargetLo = q.fieldByName("fTarget_lo").asInteger();
  Operator.TargetHypo = q.fieldByName("fTarget_hypo").asInteger();
}

}  // namespace movra
