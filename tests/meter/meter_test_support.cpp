#include "meter_test_support.h"

#include <cstdio>
#include <sstream>

#include "app/folders.h"
#include "app/trace.h"
#include "meter/meter_crc.h"

namespace movra::test {

std::string Hex(const std::string& spaced) {
  std::string out;
  std::istringstream in(spaced);
  std::string pair;
  while (in >> pair) out += static_cast<char>(std::stoi(pair, nullptr, 16));
  return out;
}

std::string ToHex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    out += buf;
  }
  return out;
}

std::string ExamplePayload17() { return Hex("05 0B 03 0F 00 09 1E 01 01 40 20 00 00 04 01 00 02"); }

std::string RecordFrame(const std::string& payload) {
  return AppendCrc(Hex("26 50 5A 00 00 00") + static_cast<char>(payload.size()) + payload);
}

LogFolder::LogFolder() : oldDataRoot_(DataRoot) {
  dir_.mkdirs("PTDATA/Data");
  DataRoot = dir_.file("PTDATA");
  DataDir = DataRoot + "/";
  OpenTrace();
}

LogFolder::~LogFolder() {
  CloseTrace();
  DataRoot = oldDataRoot_;
  DataDir = DataRoot.empty() ? std::string() : DataRoot + "/";
}

std::string LogFolder::RawLog() const { return ReadFileBytes(RawLogPath()); }
std::string LogFolder::CommDataLog() const { return ReadFileBytes(CommDataLogPath()); }
std::string LogFolder::Trace() const { return ReadFileBytes(TraceFilePath()); }

std::vector<std::string> LogFolder::RawLogBodies() const {
  std::vector<std::string> lines;
  std::string all = RawLog();
  size_t start = 0;
  for (;;) {
    size_t end = all.find("\r\n", start);
    if (end == std::string::npos) break;
    // "YYYY-MM-DD hh:mm:ss:zzz " is 24 characters.
    std::string line = all.substr(start, end - start);
    lines.push_back(line.size() >= 24 ? line.substr(24) : line);
    start = end + 2;
  }
  return lines;
}

}  // namespace movra::test
