// One INR test result: what the store keeps, the list shows, the exports write and the
// report charts. Plain data without the database, the window or the serial line.
#pragma once
#include <string>

#include "app/datetime.h"

namespace movra {

// Where a value lies against the meter's measuring range: shown as a number, or as an
// arrow above 7.0 or below 0.7.
enum class InrRange { Below, In, Above };

struct InrResult {
  std::string serialNumber;   // the meter's
  std::string recordNumber;   // the meter's number of the test, "0" when it sent none
  std::string patientId;      // as entered on the meter
  std::string dateText;       // yyyy-mm-dd as the meter wrote it
  std::string timeText;       // hh:nn on the 24-hour clock
  std::string amPm;           // "", "AM" or "PM": the meter's clock before conversion
  TDateTime date = 0;         // the day and the time of the test as a point in time
  double inr = 0;             // the meter's value; no number for a damaged older row
  std::string inrText;        // the value as the list shows it, or its arrow
  InrRange range = InrRange::In;
  double pt = 0;              // seconds, from the INR
  std::string sampleType;     // as stored; one read from the list as the list shows it
  std::string controlLevel;   // the control's level, "" for a patient test
  bool checked = false;       // ticked in the list
};

}  // namespace movra
