// The simulator's own view of the meter's frames: "&P", a command letter, three header
// bytes, a length byte, the payload, a CRC-16 (high byte first) and a carriage return.
// Kept apart from the program's meter code on purpose, so a fault there cannot hide in
// both.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace movra::sim {

using Bytes = std::string;

// CRC-16 with the MODBUS parameters, one bit at a time.
uint16_t Crc16(const Bytes& bytes);

// Header bytes are zero in every answer the meter sends.
Bytes BuildFrame(char letter, const Bytes& payload, uint8_t h1 = 0, uint8_t h2 = 0, uint8_t h3 = 0);

// Upper-case hex without blanks ("7879"); the journal and the options use it.
std::string ToHex(const Bytes& bytes);
// Accepts "7879", "78 79" or "78:79"; false on anything else.
bool FromHex(const std::string& text, Bytes& out);

// Cuts what the host sends into command frames. Bytes that cannot start or complete a
// frame come back as junk so the journal can show them.
class CommandReader {
 public:
  struct Piece {
    bool frame = false;  // a complete frame ending in CR with a matching CRC
    Bytes bytes;
  };
  void Feed(const Bytes& bytes, std::vector<Piece>& out);
  // Gives up an incomplete frame as junk; the caller decides how long is too long.
  void Expire(std::vector<Piece>& out);
  bool Pending() const { return !buffer_.empty(); }
  void Reset() { buffer_.clear(); }

 private:
  void Cut(std::vector<Piece>& out);
  Bytes buffer_;
};

// Frame length limit for commands: anything longer cannot be a command from the host.
constexpr int kMaxCommandPayload = 32;

}  // namespace movra::sim
