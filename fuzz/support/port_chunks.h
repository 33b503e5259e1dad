// Fuzz inputs shaped as the serial port delivers bytes: chunks, each a length byte (mod 129,
// the port delivers at most 128 bytes at a time) and that many bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace movra::fuzz {

inline void Require(bool ok) {
  if (!ok) std::abort();
}

inline std::vector<std::string> PortChunks(const uint8_t* data, size_t size) {
  std::vector<std::string> chunks;
  for (size_t i = 0; i < size;) {
    size_t len = data[i++] % 129;
    if (len > size - i) len = size - i;
    chunks.emplace_back(reinterpret_cast<const char*>(data + i), len);
    i += len;
  }
  return chunks;
}

}  // namespace movra::fuzz
