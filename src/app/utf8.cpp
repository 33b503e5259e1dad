#include "app/utf8.h"

namespace movra {

size_t DecodeUtf8At(std::string_view s, size_t i, char32_t& codePoint) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    codePoint = c;
    return 1;
  }
  size_t extra;
  char32_t cp;
  if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() - i <= extra) return 0;
  for (size_t k = 1; k <= extra; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (cc & 0x3F);
  }
  static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  codePoint = cp;
  return extra + 1;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t n = DecodeUtf8At(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string AnsiToUtf8(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) AppendUtf8(out, c);
  return out;
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) {
    char32_t cp;
    size_t len = DecodeUtf8At(s, i, cp);
    i += len ? len : 1;
  }
  return n;
}

}  // namespace movra
