#include "export/xls_text.h"

#include "app/utf8.h"
#include "export/xls_error.h"

namespace movra {

namespace {

// Decodes UTF-8 strictly (no overlongs, no surrogates, nothing above U+10FFFF); false on
// the first fault.
bool DecodeUtf8(std::string_view s, std::u16string& out) {
  out.clear();
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t n = DecodeUtf8At(s, i, cp);
    if (n == 0) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  if (DecodeUtf8(utf8, out)) return out;
  out.clear();
  for (unsigned char c : utf8) out += static_cast<char16_t>(c);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool FitsCompressed(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 0xFF) return false;
  return true;
}

void AppendBiffChars(std::string& out, std::u16string_view text, bool compressed) {
  if (compressed) {
    for (char16_t c : text) out += static_cast<char>(c);
  } else {
    for (char16_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
  }
}

void AppendXLUnicodeString(std::string& out, std::u16string_view text) {
  bool compressed = FitsCompressed(text);
  out += static_cast<char>(text.size() & 0xFF);
  out += static_cast<char>(text.size() >> 8 & 0xFF);
  out += static_cast<char>(compressed ? 0 : 1);
  AppendBiffChars(out, text, compressed);
}

void AppendShortXLUnicodeString(std::string& out, std::u16string_view text) {
  bool compressed = FitsCompressed(text);
  out += static_cast<char>(text.size() & 0xFF);
  out += static_cast<char>(compressed ? 0 : 1);
  AppendBiffChars(out, text, compressed);
}

std::u16string ReadBiffChars(std::string_view body, size_t at, size_t count, bool highByte) {
  size_t bytes = highByte ? count * 2 : count;
  if (at > body.size() || body.size() - at < bytes) throw XlsError("The workbook is damaged (a text runs past its record).");
  std::u16string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (highByte)
      out += static_cast<char16_t>(static_cast<uint8_t>(body[at + 2 * i]) | static_cast<uint8_t>(body[at + 2 * i + 1]) << 8);
    else
      out += static_cast<char16_t>(static_cast<uint8_t>(body[at + i]));
  }
  return out;
}

}  // namespace movra
