// The 16-bit CRC that protects every meter frame (the CRC-16/MODBUS parameters), computed
// four bits at a time from a 16-entry table as the meter's firmware does.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace movra {

// Entry i: the register after four reflected shift steps (polynomial 0xA001) from i.
const std::array<uint16_t, 16>& CrcNibbleTable();
// The register value over the bytes, starting from 0xFFFF, low nibble of each byte first.
uint16_t Crc16(const std::string& bytes);
// The CRC as it goes on the wire: two bytes, high byte first.
std::string CrcText(const std::string& bytes);
// The bytes, their CrcText, then a carriage return.
std::string AppendCrc(const std::string& bytes);
// True when the two received bytes are the CrcText of the bytes, first with first.
bool CheckCrc(const std::string& bytes, const std::string& received);

}  // namespace movra
