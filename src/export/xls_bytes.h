// Little-endian fields of the compound-file and BIFF structures. Reads are checked: a
// field beyond the end of its structure raises XlsError with the caller's description.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "export/xls_error.h"

namespace movra {

inline uint16_t GetLe16(std::string_view s, size_t at) {
  if (at > s.size() || s.size() - at < 2) throw XlsError("The workbook is damaged (a field lies beyond its record).");
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

inline uint32_t GetLe32(std::string_view s, size_t at) {
  if (at > s.size() || s.size() - at < 4) throw XlsError("The workbook is damaged (a field lies beyond its record).");
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

inline uint64_t GetLe64(std::string_view s, size_t at) {
  return static_cast<uint64_t>(GetLe32(s, at)) | static_cast<uint64_t>(GetLe32(s, at + 4)) << 32;
}

inline void PutLe16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

inline void PutLe32(std::string& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

inline void PutLe64(std::string& out, uint64_t v) {
  PutLe32(out, static_cast<uint32_t>(v));
  PutLe32(out, static_cast<uint32_t>(v >> 32));
}

inline void SetLe16(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void SetLe32(std::string& out, size_t at, uint32_t v) {
  SetLe16(out, at, v & 0xFFFF);
  SetLe16(out, at + 2, v >> 16);
}

}  // namespace movra
