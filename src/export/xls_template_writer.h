// A new export template made from nothing: worksheet "Sheet1" whose first row holds the
// nine column titles in bold, with column widths that fit the titles and the values.
#pragma once
#include <string>

namespace movra {

// The bytes of the template file.
std::string MakeTemplateWorkbook();
// Writes it to `path`; throws XlsError when the file cannot be written.
void WriteTemplateWorkbook(const std::string& path);

}  // namespace movra
