// One row of the result list as the exports read it: the stored columns and calculated
// fields they write, and whether the row is ticked.
#pragma once
#include <string>

#include "app/datetime.h"

namespace movra {

struct ExportRow {
  bool checked = false;       // fChecked
  std::string recordNumber;   // fRecordNumber, as stored
  std::string patientId;      // fMeterType
  TDateTime date = 0;         // fDate
  std::string timeText;       // fTime_String
  double inr = 0;             // fINR_v (0 when empty)
  double pt = 0;              // fPT_Cal
  std::string sampleType;     // fSampleType_Cal
  std::string serialNumber;   // fSN
};

}  // namespace movra
