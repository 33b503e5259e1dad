// The results a report is made from: the ticked rows of the result list, the patient tests
// grouped by meter and patient, the control tests of the same meter beside them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "data/inr_result.h"

namespace movra {

// Where a value lies against the meter's measuring range, as the list shows it: a number,
// or an arrow above 7.0 or below 0.7.
enum class Measured { Below, In, Above };

struct ReportResult {
  TDateTime when = 0;         // fDate: the day and the time of the test
  std::string timeText;       // fTime_String as the list shows it
  int tenths = 0;             // the INR in tenths as the list shows it; the limit for an arrow
  Measured measured = Measured::In;
  std::string sampleType;     // fSampleType_Cal
  std::string recordNumber;   // fRecordNumber
};

// What the clinic knows of the person, when the report is made from the history; the
// list's report knows nothing of it and leaves it empty.
struct ReportPatient {
  std::string name;               // "" when not named
  std::optional<TDateTime> born;  // the day of birth
};

// The patient tests of one patient on one meter, oldest first, and that meter's control
// tests (which check the meter and strips, not the patient) oldest first.
struct ReportGroup {
  std::string serialNumber;
  std::string patientId;
  std::vector<ReportResult> tests;
  std::vector<ReportResult> controls;
  ReportPatient patient;
};

// The measuring limits in tenths: an arrow enters the figures as the limit it passed.
constexpr int kMeasuringLowTenths = 7;
constexpr int kMeasuringHighTenths = 70;

// The sample types of control tests: the external control and the control strip, read
// on the meter or downloaded to it.
bool IsControlSample(const std::string& sampleType);

ReportResult ReportResultOf(const InrResult& row);

// One group per meter and patient among the ticked patient tests, in the order the groups
// first appear in the list. A meter whose ticked rows are all control tests gives no group.
std::vector<ReportGroup> GroupReportRows(const std::vector<InrResult>& rows);

// "SERIAL/PATIENT", how a group is named on the command line and in the window's choice.
std::string GroupName(const ReportGroup& group);

}  // namespace movra
