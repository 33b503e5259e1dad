// The three standing queries of the data module: their statements, parameters, declared
// fields and the calculated fields of the result list.
#pragma once
#include <string>

#include "data/row_set.h"

namespace movra {

class TAdoConnection;

// The result list over Result_Log, its lines joined with CR LF, as the data module runs it.
std::string CheckDataEntrySql();
// The same over Result_Log_His, ordered by date-time and patient identifier.
std::string CheckDataEntryHisSql();
constexpr const char* kCheckDataSql = "SELECT * from Patient_info Where FProviderID=:ProviderID";

// PT from INR: the integer part of inr × 10.2 + 0.5 in 80-bit extended arithmetic, so
// that 12.5 gives 128 as it always has (plain double arithmetic gives 127).
double PtFromInr(double inr);

// Sets up each query on the connection, closed: statement, parameters with their fixed
// values, declared fields, and for the result list the calculated fields and where its
// batch update writes.
void SetupCheckDataEntry(RowSet& q, TAdoConnection& conn);
void SetupCheckDataEntryHis(RowSet& q, TAdoConnection& conn);
void SetupCheckData(RowSet& q, TAdoConnection& conn);

// fDate_Cal, fControl_Cal, fDateFmt_Cal, fPT_Cal, fSampleType_Cal, fVisCheck of one row.
void qryCheckDataEntryCalcFields(CalcRow& row);
// After a Patient_info row is posted: its key and targets into Operator.
void qryCheckDataAfterPost(RowSet& q);

}  // namespace movra
