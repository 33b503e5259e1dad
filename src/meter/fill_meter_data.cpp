#include <exception>
#include <utility>

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
    AddNotice(ErrorNotice(check.errorText));
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
    AddNotice(ErrorNotice(text));
  }
  return check.recordNumber;
}

// The transfer thread tells; the owner shows, in its own time and on its own thread.
void CHBMeter::AddNotice(Notice notice) {
  std::lock_guard<std::mutex> lock(noticeMutex_);
  notices_.push_back(std::move(notice));
}

std::vector<Notice> CHBMeter::TakeNotices() {
  std::lock_guard<std::mutex> lock(noticeMutex_);
  return std::exchange(notices_, {});
}

bool CHBMeter::NoticesWaiting() const {
  std::lock_guard<std::mutex> lock(noticeMutex_);
  return !notices_.empty();
}

}  // namespace movra
