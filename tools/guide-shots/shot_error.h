// Every failure of a shot is one of these: its message says what did not come and stops
// the build.
#pragma once
#include <stdexcept>
#include <string>

namespace movra::shots {

class ShotError : public std::runtime_error {
 public:
  explicit ShotError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace movra::shots
