// Helpers for the meter tests: byte strings from hex, record frames, and a data folder in a
// scratch directory with the trace open, so the logs a test causes can be read back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace movra::test {

// "26 50 5A" -> the three bytes.
std::string Hex(const std::string& spaced);
// The bytes as "26 50 5A" (for failure messages).
std::string ToHex(const std::string& bytes);

// The 17 payload bytes of the worked example record (number 5, 2011-03-15 09:30 PM,
// INR 2.5, Downloaded Sample, Level 1, patient 2).
std::string ExamplePayload17();
// A record frame around the payload ("&PZ", header, length byte, CRC, carriage return).
std::string RecordFrame(const std::string& payload);

// Points DataRoot at a scratch folder with a Data folder, opens the trace there, and puts
// everything back at the end.
class LogFolder {
 public:
  LogFolder();
  ~LogFolder();
  std::string RawLog() const;
  std::string CommDataLog() const;
  std::string Trace() const;
  // The lines of the raw-data log without their time stamps.
  std::vector<std::string> RawLogBodies() const;
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string oldDataRoot_;
};

}  // namespace movra::test
