#include "app/local_time.h"

namespace movra {

std::tm LocalCalendarTime(std::time_t t) {
  std::tm tm{};
  localtime_s(&tm, &t);
  return tm;
}

}  // namespace movra
