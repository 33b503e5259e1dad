// Windows has no immutable flag that even its owner cannot lift; the cases that need one skip.
#include <cerrno>

#include "data_fixture.h"

namespace movra::test {

bool SetImmutable(const std::string&, bool) {
  errno = ENOTSUP;
  return false;
}

}  // namespace movra::test
