#include "report/report_settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/config.h"
#include "app/folders.h"
#include "app/ini_file.h"
#include "app/trace.h"

namespace movra {

std::optional<int> ParseInrTenths(const std::string& raw) {
  size_t b = raw.find_first_not_of(" \t");
  size_t e = raw.find_last_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  std::string text = raw.substr(b, e - b + 1);
  size_t point = text.find_first_of(".,");
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  auto digits = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
  };
  if (whole.empty() || whole.size() > 3 || !digits(whole) || !digits(fraction)) return std::nullopt;
  if (point != std::string::npos && fraction.empty()) return std::nullopt;
  // Trailing zeros are allowed; a second significant decimal is finer than the meter shows.
  if (fraction.size() > 1 && fraction.find_first_not_of('0', 1) != std::string::npos) return std::nullopt;
  return std::stoi(whole) * 10 + (fraction.empty() ? 0 : fraction[0] - '0');
}

bool IsValidTarget(TargetRange r) {
  return r.lowTenths >= kLowestTargetTenths && r.highTenths <= kHighestTargetTenths && r.lowTenths < r.highTenths;
}

std::optional<TargetRange> ParseTargetRangeText(const std::string& text) {
  size_t dash = text.find('-');
  if (dash == std::string::npos) return std::nullopt;
  auto low = ParseInrTenths(text.substr(0, dash));
  auto high = ParseInrTenths(text.substr(dash + 1));
  if (!low || !high) return std::nullopt;
  TargetRange r{*low, *high};
  if (!IsValidTarget(r)) return std::nullopt;
  return r;
}

TargetRange ReadTargetRange(const std::string& path) {
  IniFile ini(path);
  auto low = ini.value(kReportSection, kTargetLowKey);
  auto high = ini.value(kReportSection, kTargetHighKey);
  TargetRange usual;
  if (!low && !high) return usual;
  TargetRange r{low ? ParseInrTenths(*low).value_or(-1) : usual.lowTenths,
                high ? ParseInrTenths(*high).value_or(-1) : usual.highTenths};
  if (IsValidTarget(r)) return r;
  BugMessage("[REPORT] TargetLow=" + low.value_or("") + " TargetHigh=" + high.value_or("") +
             " is no target range; the report uses 2.0-3.0");
  return usual;
}

TargetRange ReadConfiguredTargetRange() { return ReadTargetRange(ConfigFilePath()); }

std::string TenthsText(int tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// The section a header line opens (lower case), nullopt for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string t = Trimmed(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
  return Lower(Trimmed(t.substr(1, t.size() - 2)));
}

std::string KeyOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? "" : Lower(Trimmed(line.substr(0, eq)));
}

}  // namespace

std::optional<std::string> WriteTargetRange(const std::string& path, TargetRange range) {
  std::vector<std::string> lines;
  std::string eol = "\r\n";
  {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.find("\r\n") == std::string::npos) eol = "\n";
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  const std::pair<std::string, std::string> values[] = {{kTargetLowKey, TenthsText(range.lowTenths)},
                                                        {kTargetHighKey, TenthsText(range.highTenths)}};
  bool written[2] = {false, false};
  size_t sectionEnd = std::string::npos;  // where missing keys go
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto s = SectionOf(lines[i])) {
      inSection = *s == Lower(kReportSection);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    for (int k = 0; k < 2; ++k)
      if (KeyOf(lines[i]) == Lower(values[k].first)) {
        lines[i] = values[k].first + "=" + values[k].second;
        written[k] = true;
      }
    sectionEnd = i + 1;
  }
  std::vector<std::string> missing;
  for (int k = 0; k < 2; ++k)
    if (!written[k]) missing.push_back(values[k].first + "=" + values[k].second);
  if (sectionEnd == std::string::npos) {
    if (!lines.empty() && !Trimmed(lines.back()).empty()) lines.push_back("");
    lines.push_back(std::string("[") + kReportSection + "]");
    lines.insert(lines.end(), missing.begin(), missing.end());
  } else {
    // After the section's last line that is not blank.
    while (sectionEnd > 0 && Trimmed(lines[sectionEnd - 1]).empty() && !SectionOf(lines[sectionEnd - 1]))
      --sectionEnd;
    lines.insert(lines.begin() + static_cast<long>(sectionEnd), missing.begin(), missing.end());
  }
  std::string out;
  for (const std::string& l : lines) out += l + eol;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return std::string(std::strerror(errno));
  f << out;
  f.close();
  if (!f) return std::string(std::strerror(errno));
  return std::nullopt;
}

}  // namespace movra
