#include "sim_records.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace movra::sim {

namespace {

long ParseInteger(const std::string& field, long lo, long hi, const std::string& what, int line) {
  const char* s = field.c_str();
  char* end = nullptr;
  errno = 0;
  bool hex = field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X');
  long v = std::strtol(hex ? s + 2 : s, &end, hex ? 16 : 10);
  if (errno || end == s || *end || v < lo || v > hi)
    throw RecordsError("line " + std::to_string(line) + ": " + what + " \"" + field + "\" is not a number in " +
                       std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

float ParseInr(const std::string& field, int line) {
  const char* s = field.c_str();
  char* end = nullptr;
  float v = std::strtof(s, &end);
  if (end == s || *end) throw RecordsError("line " + std::to_string(line) + ": inr \"" + field + "\" is not a number");
  return v;
}

}  // namespace

std::vector<SimRecord> ParseRecords(const std::string& text) {
  std::vector<SimRecord> records;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    if (auto hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
    std::istringstream fields(raw);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.empty()) continue;
    if (f.size() != 13)
      throw RecordsError("line " + std::to_string(lineNo) + ": expected 13 fields, found " + std::to_string(f.size()));
    SimRecord r;
    r.number = int(ParseInteger(f[0], 0, 255, "recno", lineNo));
    r.year = int(ParseInteger(f[1], 2000, 2255, "year", lineNo));
    // No range test beyond the byte: a meter with a broken clock sends what it has.
    r.month = int(ParseInteger(f[2], 0, 255, "month", lineNo));
    r.day = int(ParseInteger(f[3], 0, 255, "day", lineNo));
    r.region = int(ParseInteger(f[4], 0, 255, "region", lineNo));
    r.hour = int(ParseInteger(f[5], 0, 255, "hour", lineNo));
    r.minute = int(ParseInteger(f[6], 0, 255, "minute", lineNo));
    r.h12 = int(ParseInteger(f[7], 0, 255, "h12", lineNo));
    r.pm = int(ParseInteger(f[8], 0, 255, "pm", lineNo));
    r.inr = ParseInr(f[9], lineNo);
    r.calType = int(ParseInteger(f[10], 0, 255, "caltype", lineNo));
    r.calLevel = int(ParseInteger(f[11], 0, 255, "callevel", lineNo));
    if (f[12] != "-") r.patient = uint16_t(ParseInteger(f[12], 0, 65535, "patient", lineNo));
    records.push_back(r);
  }
  return records;
}

std::vector<SimRecord> LoadRecordsFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RecordsError("cannot read " + path + ": " + std::strerror(errno));
  std::ostringstream ss;
  ss << in.rdbuf();
  return ParseRecords(ss.str());
}

std::vector<SimRecord> GenerateRecords(int n, bool countUp) {
  static const int calTypes[] = {4, 1, 2, 5, 6, 0, 4, 4};
  std::vector<SimRecord> records;
  for (int k = 1; k <= n; ++k) {
    int i = countUp ? k : n + 1 - k;
    SimRecord r;
    r.number = i & 0xFF;
    r.year = 2010 + i % 15;
    r.month = 1 + (i * 7) % 12;
    r.day = 1 + (i * 11) % 28;
    r.region = i % 5 == 0 ? 1 : 0;
    int hour24 = (i * 5) % 24;
    r.minute = (i * 13) % 60;
    r.h12 = i % 3 != 0 ? 1 : 0;
    if (r.h12) {
      r.pm = hour24 >= 12 ? 1 : 0;
      r.hour = hour24 % 12 == 0 ? 12 : hour24 % 12;
    } else {
      r.hour = hour24;
    }
    // 0.8 .. 7.5 in steps of 0.1
    r.inr = float((8 + (i * 37) % 68) / 10.0);
    r.calType = calTypes[i % 8];
    r.calLevel = i % 4 == 0 ? 2 : 1;
    r.patient = uint16_t(i % 10 == 0 ? 0 : (i * 97) % 65536);
    records.push_back(r);
  }
  return records;
}

Bytes BuildRecordFrame(const SimRecord& r) {
  Bytes p;
  p += char(r.number);
  p += char(r.year - 2000);
  p += char(r.month);
  p += char(r.day);
  p += char(r.region);
  p += char(r.hour);
  p += char(r.minute);
  p += char(r.h12);
  p += char(r.pm);
  uint32_t bits;
  static_assert(sizeof bits == sizeof r.inr);
  std::memcpy(&bits, &r.inr, sizeof bits);
  for (int shift = 24; shift >= 0; shift -= 8) p += char((bits >> shift) & 0xFF);
  p += char(r.calType);
  p += char(r.calLevel);
  if (r.patient) {
    p += char(*r.patient >> 8);
    p += char(*r.patient & 0xFF);
  }
  return BuildFrame('Z', p);
}

}  // namespace movra::sim
