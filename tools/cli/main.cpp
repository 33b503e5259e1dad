// movra-cli: the meter code without a window. "movra-cli <subcommand> [options]".
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/trace.h"
#include "clinic_option.h"
#include "interrupt_watch.h"
#include "subcommand.h"

using namespace movra::cli;

namespace {

// Every subcommand in one table; a new one is a file and a line here.
std::vector<Subcommand> Table() { return {PortsSubcommand(),   DownloadSubcommand(), ReportSubcommand(),
          HistorySubcommand(), PatientSubcommand(),  BackupSubcommand(), FhirSubcommand(), DatabaseSubcommand()}; }

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: movra-cli <subcommand> [options]\n\nsubcommands:\n");
  for (const auto& s : Table()) {
    std::fprintf(to, "  %s: %s\n", s.name.c_str(), s.summary.c_str());
    std::fputs(OptionsHelp(s.options).c_str(), to);
    std::fputs(s.notes.c_str(), to);
  }
}

// Output that never reached its reader is a failure, although the work itself (a download
// and its store) was done to the end.
int WithStdoutChecked(int exitCode) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return exitCode;
  std::fprintf(stderr, "movra-cli: the output could not be written (%s)\n",
               std::strerror(errno ? errno : EPIPE));
  return exitCode == kExitOk ? kExitFailure : exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  IgnoreBrokenPipe();
  // A trace that stops taking records is said on stderr, like every other error.
  movra::SetTraceFailureHandler([](const movra::Notice& n) { movra::ShowNotice(n); });
  for (const auto& sub : Table()) {
    if (sub.name != args[0]) continue;
    try {
      ParsedOptions options = ParseOptions({args.begin() + 1, args.end()}, sub.options, sub.words);
      CheckDatabaseOption(options);
      return WithStdoutChecked(sub.run(options));
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
