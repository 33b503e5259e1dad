#include "report/report_file.h"

#include <cctype>

namespace movra {

std::string PdfTargetName(const std::string& typed) {
  if (typed.size() >= 4) {
    std::string ext = typed.substr(typed.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".pdf") return typed;
  }
  return typed + ".pdf";
}

}  // namespace movra
