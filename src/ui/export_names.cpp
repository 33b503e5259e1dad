#include "ui/export_names.h"

#include <cstdio>

namespace movra {

std::string FirstExportName(const DateParts& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "PT_%04d_%02d_%02d_%02d_%02d_%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

std::string RetryExportName(const DateParts& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Movra%04d-%02d-%02d %02d_%02d_%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

}  // namespace movra
