// The test results the simulated meter holds, and their record frames.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "meter_frames.h"

namespace movra::sim {

struct SimRecord {
  int number = 0;  // 0..255, one byte on the wire
  int year = 2000;  // full year; the meter sends year - 2000
  int month = 1, day = 1, region = 0, hour = 0, minute = 0, h12 = 0, pm = 0;
  float inr = 1.0f;
  int calType = 4, calLevel = 1;
  std::optional<uint16_t> patient;  // none: the short 25-byte frame
};

class RecordsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One record per line: recno year month day region hour minute h12 pm inr caltype
// callevel patient ("-" for none); '#' starts a comment.
std::vector<SimRecord> LoadRecordsFile(const std::string& path);
std::vector<SimRecord> ParseRecords(const std::string& text);
// Varied but repeatable records, record k always with the same values. A meter sends its
// newest record first and counts down: n, n-1 .. 1, the first number telling how many
// come. countUp gives 1..n instead. The number byte wraps after 255.
std::vector<SimRecord> GenerateRecords(int n, bool countUp = false);

Bytes BuildRecordFrame(const SimRecord& r);

}  // namespace movra::sim
