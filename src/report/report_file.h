// The file a report is saved to.
#pragma once
#include <string>

namespace movra {

// The name as typed when it already ends in ".pdf" (any case), else the name + ".pdf".
std::string PdfTargetName(const std::string& typed);

}  // namespace movra
