#include "cli_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace movra::cli {

std::optional<std::string> ParsedOptions::value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

long ParsedOptions::number(const std::string& name, long min, long max) const {
  auto text = value(name);
  if (!text) throw UsageError("--" + name + " is missing");
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end || errno || v < min || v > max)
    throw UsageError("--" + name + " wants a number from " + std::to_string(min) + " to " + std::to_string(max) +
                     ", not \"" + *text + "\"");
  return v;
}

ParsedOptions ParseOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
                           size_t maxWords) {
  ParsedOptions out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (out.words_.size() >= maxWords) throw UsageError("unexpected argument \"" + arg + "\"");
      out.words_.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> inlineValue;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    auto spec = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
    if (spec == specs.end()) throw UsageError("unknown option --" + name);
    if (out.has(name)) throw UsageError("--" + name + " given twice");
    if (spec->valueName.empty()) {
      if (inlineValue) throw UsageError("--" + name + " takes no value");
      out.flags_.insert(name);
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) throw UsageError("--" + name + " needs " + spec->valueName);
      inlineValue = args[++i];
    }
    out.values_[name] = *inlineValue;
  }
  for (const auto& s : specs)
    if (s.required && !out.has(s.name)) throw UsageError("--" + s.name + " is required");
  return out;
}

std::string OptionsHelp(const std::vector<OptionSpec>& specs) {
  std::string text;
  for (const auto& s : specs) {
    std::string left = "  --" + s.name + (s.valueName.empty() ? "" : " " + s.valueName);
    if (left.size() < 22) left.resize(22, ' ');
    text += left + " " + s.help + "\n";
  }
  return text;
}

}  // namespace movra::cli
