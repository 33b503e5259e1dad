// The one error of the workbook reader and writer. Its message is meant for the user: it
// says what is wrong with which file, without internal names.
#pragma once
#include <stdexcept>
#include <string>

namespace movra {

class XlsError : public std::runtime_error {
 public:
  explicit XlsError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace movra
