// The file names the export dialog proposes.
#pragma once
#include <string>

#include "app/datetime.h"

namespace movra {

// "PT_" + YYYY_MM_DD_hh_mm_ss: the first proposal of each export.
std::string FirstExportName(const DateParts& now);
// "Movra" + "YYYY-MM-DD hh_mm_ss": proposed after the user declined to overwrite a file.
std::string RetryExportName(const DateParts& now);

}  // namespace movra
