// Text is UTF-8 inside the program. Byte strings from the meter and from files in the
// ANSI code page stay as they are when they are valid UTF-8 and are read as Latin-1
// otherwise, so every byte string gives some text.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace movra {

// Decodes the sequence starting at s[i] into `codePoint` and returns its length, or 0
// when no valid sequence starts there. Strict: no overlong forms, no surrogates, nothing
// above U+10FFFF, nothing cut short.
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t& codePoint);
// Strict in the same way: no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short.
bool IsValidUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t codePoint);
// The bytes as UTF-8 text: unchanged when valid UTF-8, else each byte as Latin-1.
std::string AnsiToUtf8(const std::string& bytes);
// Characters in a UTF-8 text (a byte that starts no valid sequence counts as one).
size_t Utf8Length(std::string_view s);

}  // namespace movra
