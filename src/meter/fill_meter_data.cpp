#include <exception>

#include "app/dialogs.h"
#include "app/trace.h"
#include "meter/hb_meter.h"
#include "meter/raw_log.h"
#include "meter/record_frame.h"

namespace movra {

int32_t CHBMeter::FillMeterData(const std::string& frame) {
  RecordFrameCheck check = CheckRecordFrame(frame);
  if (check.verdict != RecordFrameVerdict::Accepted) {
    if (!check.traceText.empty()) BugMessage(check.traceText);
    rejection_ = check.verdict;
    ShowError(check.errorText);
    return -1;
  }
  // A lost log line never costs a record.
  WriteRawLog(frame, "", true);
  try {
    records_.Add(ConvertRecordPayload(check.payload, receiver_.SerialNumber()));
    ++recordsParsed_;
  } catch (const std::exception& e) {
    // The record is dropped, but acknowledged, so the meter goes on with the next one.
    std::string text = std::string("Error in HBMeter FillMeterData : ") + e.what();
    BugMessage(text);
    ShowError(text);
  }
  return check.recordNumber;
}

}  // namespace movra
