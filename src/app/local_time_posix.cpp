#include "app/local_time.h"

namespace movra {

std::tm LocalCalendarTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace movra
