#include "meter_frames.h"

#include <cctype>

namespace movra::sim {

uint16_t Crc16(const Bytes& bytes) {
  uint16_t crc = 0xFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

Bytes BuildFrame(char letter, const Bytes& payload, uint8_t h1, uint8_t h2, uint8_t h3) {
  Bytes f = {'&', 'P', letter, char(h1), char(h2), char(h3), char(uint8_t(payload.size()))};
  f += payload;
  uint16_t crc = Crc16(f);
  f += char(crc >> 8);
  f += char(crc & 0xFF);
  f += '\r';
  return f;
}

std::string ToHex(const Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 0xF];
  }
  return s;
}

bool FromHex(const std::string& text, Bytes& out) {
  out.clear();
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':') {
      if (high >= 0) return false;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
    if (high < 0) {
      high = v;
    } else {
      out += char(high << 4 | v);
      high = -1;
    }
  }
  return high < 0 && !out.empty();
}

namespace {
// Neighbouring junk goes into one piece, so the journal shows it on one line.
void AddJunk(std::vector<CommandReader::Piece>& out, const Bytes& bytes) {
  if (!out.empty() && !out.back().frame)
    out.back().bytes += bytes;
  else
    out.push_back({false, bytes});
}
}  // namespace

void CommandReader::Feed(const Bytes& bytes, std::vector<Piece>& out) {
  buffer_ += bytes;
  Cut(out);
}

void CommandReader::Expire(std::vector<Piece>& out) {
  if (buffer_.empty()) return;
  AddJunk(out, buffer_);
  buffer_.clear();
}

void CommandReader::Cut(std::vector<Piece>& out) {
  for (;;) {
    // Skip to the next "&P"; what lies before it is noise.
    size_t start = buffer_.find("&P");
    if (start == Bytes::npos) {
      // Keep a trailing "&", it may be the start of the next frame.
      size_t keep = (!buffer_.empty() && buffer_.back() == '&') ? 1 : 0;
      if (buffer_.size() > keep) {
        AddJunk(out, buffer_.substr(0, buffer_.size() - keep));
        buffer_.erase(0, buffer_.size() - keep);
      }
      return;
    }
    if (start > 0) {
      AddJunk(out, buffer_.substr(0, start));
      buffer_.erase(0, start);
    }
    if (buffer_.size() < 7) return;
    size_t n = static_cast<unsigned char>(buffer_[6]);
    size_t len = n + 10;
    if (n > kMaxCommandPayload) {
      AddJunk(out, buffer_.substr(0, 2));
      buffer_.erase(0, 2);
      continue;
    }
    if (buffer_.size() < len) return;
    Bytes frame = buffer_.substr(0, len);
    uint16_t crc = Crc16(frame.substr(0, n + 7));
    bool good = frame[len - 1] == '\r' && static_cast<unsigned char>(frame[n + 7]) == (crc >> 8) &&
                static_cast<unsigned char>(frame[n + 8]) == (crc & 0xFF);
    if (good || frame[len - 1] == '\r') {
      // A frame with a wrong CRC is still a frame: drop it whole.
      out.push_back({good, frame});
      buffer_.erase(0, len);
    } else {
      // No carriage return where the length says: resynchronise after the "&P".
      AddJunk(out, buffer_.substr(0, 2));
      buffer_.erase(0, 2);
    }
  }
}

}  // namespace movra::sim
