// Text between the program (UTF-8) and the workbook (UTF-16 code units, stored either
// compressed as one byte per unit when every unit is below 256, or as UTF-16LE).
#pragma once
#include <string>
#include <string_view>

namespace movra {

// UTF-8 to UTF-16. Bytes that are not valid UTF-8 (meter texts are byte strings) are
// taken as Latin-1, so every byte string gives some text.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// True when every unit fits in one byte, so the text can be stored compressed.
bool FitsCompressed(std::u16string_view text);

// Appends the characters of `text`: one byte each when compressed, else UTF-16LE.
void AppendBiffChars(std::string& out, std::u16string_view text, bool compressed);
// XLUnicodeString: 16-bit count, flags byte, characters (as cells and names store them).
void AppendXLUnicodeString(std::string& out, std::u16string_view text);
// ShortXLUnicodeString: 8-bit count, flags byte, characters (sheet and font names).
void AppendShortXLUnicodeString(std::string& out, std::u16string_view text);

// Reads `count` characters at `at` of a record body; `highByte` selects UTF-16LE. Throws
// XlsError when the body is too short.
std::u16string ReadBiffChars(std::string_view body, size_t at, size_t count, bool highByte);

}  // namespace movra
