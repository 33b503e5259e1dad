#include "meter/meter_crc.h"

namespace movra {

namespace {
constexpr std::array<uint16_t, 16> MakeNibbleTable() {
  std::array<uint16_t, 16> t{};
  for (uint16_t i = 0; i < 16; ++i) {
    uint16_t r = i;
    for (int step = 0; step < 4; ++step) r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0xA001) : static_cast<uint16_t>(r >> 1);
    t[i] = r;
  }
  return t;
}
constexpr std::array<uint16_t, 16> kNibbleTable = MakeNibbleTable();
}  // namespace

const std::array<uint16_t, 16>& CrcNibbleTable() { return kNibbleTable; }

uint16_t Crc16(const std::string& bytes) {
  uint16_t reg = 0xFFFF;
  for (unsigned char b : bytes) {
    reg = static_cast<uint16_t>((reg >> 4) ^ kNibbleTable[(reg ^ b) & 0x0F]);
    reg = static_cast<uint16_t>((reg >> 4) ^ kNibbleTable[(reg ^ (b >> 4)) & 0x0F]);
  }
  return reg;
}

std::string CrcText(const std::string& bytes) {
  uint16_t crc = Crc16(bytes);
  return std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
}

std::string AppendCrc(const std::string& bytes) { return bytes + CrcText(bytes) + '\r'; }

bool CheckCrc(const std::string& bytes, const std::string& received) {
  return received.size() == 2 && CrcText(bytes) == received;
}

}  // namespace movra
