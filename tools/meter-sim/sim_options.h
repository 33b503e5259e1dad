// The simulator's command line.
#pragma once
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace movra::sim {

struct SplitWrite {
  int pieces = 1;
  int gapMs = 0;
};

struct SimOptions {
  std::string recordsFile;
  int generate = -1;  // -1: not given
  bool countUp = false;  // generated records numbered 1..N instead of N down to 1
  std::string serial = "PT12345678A";
  bool answers4800 = true;
  bool answers9600 = false;
  bool pace = true;
  // Record positions (1-based in the list) that misbehave; each option may repeat.
  std::set<int> badCrc;
  std::set<int> damaged;
  std::map<int, SplitWrite> split;
  std::optional<SplitWrite> splitSerial;
  bool serialBadCrc = false;
  std::map<int, std::string> noiseBefore;  // raw bytes
  std::map<int, int> crsBefore;
  bool noDevModeAnswer = false;
  bool silent = false;
  int stopAfter = 0;  // 0: not given
  int unplugBefore = 0;
  int unplugDuringAck = 0;
  std::string journal;
  std::string link;
  std::string deviceRoot;
  int usbIndex = 0;
  std::string product = "CP2102 USB to UART Bridge Controller";
  bool once = false;
  bool help = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

SimOptions ParseSimOptions(const std::vector<std::string>& args);
const char* UsageText();

}  // namespace movra::sim
