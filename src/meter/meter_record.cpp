#include "meter/meter_record.h"

namespace movra {

void TMeterRecordQuery::Add(const TMeterRecord& r) {
  std::lock_guard<std::mutex> lock(mutex_);
  items_.push_back(r);
}

bool TMeterRecordQuery::Pop(TMeterRecord& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (items_.empty()) return false;
  out = std::move(items_.front());
  items_.pop_front();
  return true;
}

void TMeterRecordQuery::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  items_.clear();
}

int32_t TMeterRecordQuery::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int32_t>(items_.size());
}

}  // namespace movra
