// Option parsing for movra-cli subcommands: "--name value", "--name=value" and flags.
#pragma once
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace movra::cli {

struct OptionSpec {
  std::string name;     // without the leading "--"
  std::string valueName;  // empty for a flag
  std::string help;
  bool required = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ParsedOptions {
 public:
  bool has(const std::string& name) const { return values_.count(name) || flags_.count(name); }
  std::optional<std::string> value(const std::string& name) const;
  // The value as a whole number in [min, max]; UsageError otherwise.
  long number(const std::string& name, long min, long max) const;
  // The arguments that are no options, in order ("set", "PT1/2" of `patient set PT1/2`).
  const std::vector<std::string>& words() const { return words_; }

 private:
  friend ParsedOptions ParseOptions(const std::vector<std::string>&, const std::vector<OptionSpec>&, size_t);
  std::vector<std::string> words_;
  std::map<std::string, std::string> values_;
  std::set<std::string> flags_;
};

// UsageError for an unknown option, a missing value, a repeated option, a missing
// required one, or more than maxWords arguments that are no options.
ParsedOptions ParseOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                           size_t maxWords = 0);

// "  --port PORT   help" lines for a usage text.
std::string OptionsHelp(const std::vector<OptionSpec>& specs);

}  // namespace movra::cli
