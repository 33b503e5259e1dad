// Runs a program to its end for a test, with its stdout and stderr captured apart.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace movra::test {

struct ProcessResult {
  int exitCode = -1;  // 128 + signal when a signal ended it; -1 when it had to be killed
  std::string out;
  std::string err;
  long elapsedMs = 0;
};

// Kills the program when it runs longer than timeoutMs. onStart, when given, learns the
// program's process id as soon as it runs (to send it a signal from another thread).
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs,
                         const std::function<void(pid_t)>& onStart = {});

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

}  // namespace movra::test
