// The event journal tests read while the simulator runs: one line per event, each line
// on disk as soon as it happens.
#pragma once
#include <string>

namespace movra::sim {

class Journal {
 public:
  Journal() = default;
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // No path: every Write is a no-op. Throws std::runtime_error when it cannot be opened.
  void Open(const std::string& path);
  void Write(const std::string& line);

 private:
  int fd_ = -1;
};

}  // namespace movra::sim
