// movra-cli: the meter code without a window. "movra-cli <subcommand> [options]".
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "subcommand.h"

using namespace movra::cli;

namespace {

// Every subcommand in one table; a new one is a file and a line here.
std::vector<Subcommand> Table() { return {PortsSubcommand(), DownloadSubcommand(), ReportSubcommand()}; }

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: movra-cli <subcommand> [options]\n\nsubcommands:\n");
  for (const auto& s : Table()) {
    std::fprintf(to, "  %s: %s\n", s.name.c_str(), s.summary.c_str());
    std::fputs(OptionsHelp(s.options).c_str(), to);
    std::fputs(s.notes.c_str(), to);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const auto& sub : Table()) {
    if (sub.name != args[0]) continue;
    try {
      ParsedOptions options = ParseOptions({args.begin() + 1, args.end()}, sub.options);
      return sub.run(options);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "movra-cli %s: %s\n", sub.name.c_str(), e.what());
      PrintUsage(stderr);
      return kExitUsage;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "movra-cli %s: %s\n", sub.name.c_str(), e.what());
      return kExitFailure;
    }
  }
  std::fprintf(stderr, "movra-cli: unknown subcommand \"%s\"\n", args[0].c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
