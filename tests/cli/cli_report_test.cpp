// movra-cli report after a stored download: the figures agree with a second, plain
// computation written here from the records file; the meter and patient are chosen, the
// range given, the PDF written; each refusal has its own exit code.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

const char kSerial[] = "MV20240001X";
const std::string kRecords = "/tests/cli/data/report_records.txt";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string Fixed(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// The figures worked out straight from the records file: every day from the first test to
// the last gets a value, days in a gap over 56 days get none.
std::vector<std::string> ExpectedLines(const std::string& patient, double low, double high) {
  std::ifstream in(SourceDir() + kRecords);
  std::map<long, std::vector<double>> byDay;
  std::vector<std::pair<long, double>> tests;  // in time order
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    int rec, y, m, d, region, hour, minute, h12, pm, caltype, level;
    double inr;
    std::string pid;
    f >> rec >> y >> m >> d >> region >> hour >> minute >> h12 >> pm >> inr >> caltype >> level >> pid;
    if (pid != patient || caltype == 1 || caltype == 2 || caltype == 5 || caltype == 6) continue;
    double shown = std::round(inr * 10) / 10;
    if (shown > 7.0) shown = 7.0;   // INR ↑
    if (shown <= 0.7) shown = 0.7;  // INR ↓
    long day = std::chrono::sys_days(std::chrono::year(y) / m / d).time_since_epoch().count();
    byDay[day].push_back(shown);
    tests.push_back({day, shown});
  }
  std::map<long, double> daily;
  for (auto& [day, values] : byDay) {
    double sum = 0;
    for (double v : values) sum += v;
    daily[day] = sum / values.size();
  }
  // Days in, below and above the range over the test days of `daily`.
  auto dayCounts = [&](const std::map<long, double>& testDays) {
    int in_ = 0, below = 0, above = 0;
    auto count = [&](double v) {
      if (v < low - 1e-9) ++below;
      else if (v > high + 1e-9) ++above;
      else ++in_;
    };
    for (auto it = testDays.begin(); it != testDays.end(); ++it) {
      auto next = std::next(it);
      if (next == testDays.end()) {
        count(it->second);
        break;
      }
      long gap = next->first - it->first;
      if (gap > 56) {
        count(it->second);
        continue;
      }
      for (long k = 0; k < gap; ++k) count(it->second + (next->second - it->second) * k / gap);
    }
    return std::array<int, 3>{in_, below, above};
  };
  auto [in_, below, above] = dayCounts(daily);
  int days = in_ + below + above;
  int testsIn = 0;
  double sum = 0;
  for (auto& [day, v] : tests) {
    sum += v;
    testsIn += v >= low - 1e-9 && v <= high + 1e-9 && v > 0.7 && v < 7.0;
  }
  auto date = [](long day) {
    std::chrono::year_month_day ymd{std::chrono::sys_days(std::chrono::days(day))};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
    return std::string(buf);
  };
  double last = tests.back().second;
  std::string lastText = last >= 7.0 ? "INR \xE2\x86\x91" : last <= 0.7 ? "INR \xE2\x86\x93" : Fixed(last, 1);
  const int n = static_cast<int>(tests.size());

  // Variance growth rate: (change)^2 per week between consecutive test days, averaged;
  // and the mean days between test days.
  double vgr = 0;
  for (auto it = std::next(daily.begin()); it != daily.end(); ++it) {
    auto before = std::prev(it);
    vgr += std::pow(it->second - before->second, 2) / ((it->first - before->first) / 7.0);
  }
  vgr /= static_cast<double>(daily.size() - 1);
  const double interval = static_cast<double>(daily.rbegin()->first - daily.begin()->first) / (daily.size() - 1);

  // The markers over the 6 calendar months up to the last test day.
  namespace c = std::chrono;
  c::year_month_day start = c::year_month_day{c::sys_days(c::days(tests.back().first))} - c::months(6);
  if (!start.ok()) start = start.year() / start.month() / c::last;
  const long windowStart = c::sys_days(start).time_since_epoch().count();
  std::map<long, double> windowDaily(daily.lower_bound(windowStart), daily.end());
  auto [wIn, wBelow, wAbove] = dayCounts(windowDaily);
  int below15 = 0, above5 = 0, arrowsAbove = 0;
  for (auto& [day, v] : tests) {
    if (day < windowStart) continue;
    below15 += v < 1.5 - 1e-9;
    above5 += v > 5.0 + 1e-9;
    arrowsAbove += v >= 7.0;
  }
  std::vector<std::string> flags;
  // The window has a TTR when two of its test days are at most 56 days apart.
  bool windowTtr = false;
  for (auto it = windowDaily.begin(); it != windowDaily.end() && std::next(it) != windowDaily.end(); ++it)
    windowTtr |= std::next(it)->first - it->first <= 56;
  if (windowTtr && 100.0 * wIn / (wIn + wBelow + wAbove) < 65) flags.push_back("ttr-below-65");
  if (below15 >= 2) flags.push_back("two-below-1.5");
  if (above5 >= 2) flags.push_back("two-above-5");
  if (arrowsAbove >= 1) flags.push_back("above-range");  // the meter measures up to 7.0 only
  std::string flagText;
  for (const std::string& f : flags) flagText += (flagText.empty() ? "" : ",") + f;

  return {std::string("Group\t") + kSerial + "/" + patient,
          "Target\t" + Fixed(low, 1) + "-" + Fixed(high, 1),
          "Tests\t" + std::to_string(n),
          "TTR\t" + Fixed(100.0 * in_ / days, 1),
          "Below\t" + Fixed(100.0 * below / days, 1),
          "Above\t" + Fixed(100.0 * above / days, 1),
          "InRangeTests\t" + std::to_string(testsIn) + "\t" + Fixed(100.0 * testsIn / n, 1),
          "Mean\t" + Fixed(sum / n, 2),
          "Last\t" + lastText,
          "From\t" + date(tests.front().first),
          "To\t" + date(tests.back().first),
          "VGR\t" + Fixed(vgr, 2),
          "Interval\t" + Fixed(interval, 1),
          "Flags\t" + (flagText.empty() ? std::string("none") : flagText)};
}

std::string PdfText(const std::string& pdf) {
  std::string text;
  FILE* p = popen(("pdftotext -layout '" + pdf + "' - 2>&1").c_str(), "r");
  if (!p) return "";
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  pclose(p);
  return text;
}

class CliReport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(folder.setupError(), "");
    setenv("MOVRA_DEVICE_ROOT", root.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("MOVRA_DEVICE_ROOT"); }
  void StoreDownload() {
    ASSERT_TRUE(sim.start({"--records", SourceDir() + kRecords, "--no-pace", "--device-root", root.path(),
                           "--serial", kSerial}))
        << sim.lastError();
    ProcessResult r = folder.run({"download", "--port", "COM1", "--store"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  TempDir root;
  TempDir out;
  ProgramFolder folder;
  SimProcess sim;
};

// A movra-cli built without Qt (the ThreadSanitizer build) prints the figures but writes
// no PDF, and says so.
#ifdef MOVRA_CLI_WRITES_PDF
constexpr bool kWritesPdf = true;
#else
constexpr bool kWritesPdf = false;
#endif

TEST_F(CliReport, FiguresAgreeWithAPlainComputation) {
  StoreDownload();
  // Two patients on the meter: one must be chosen.
  ProcessResult r = folder.run({"report"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(std::string(kSerial) + "/345\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(std::string(kSerial) + "/346\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  const std::string group = std::string(kSerial) + "/345";
  std::vector<std::string> expected = ExpectedLines("345", 2.0, 3.0);
  if (!kWritesPdf) {
    r = folder.run({"report", "--group", group});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), expected);
    return;
  }
  r = folder.run({"report", "--group", group, "--pdf", out.file("clinic")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Lines(r.out), expected);
  std::string text = PdfText(out.file("clinic.pdf"));
  EXPECT_NE(text.find(kSerial), std::string::npos) << text;
  // The TTR figure of the printout is the one printed.
  EXPECT_NE(text.find(expected[3].substr(4) + " %"), std::string::npos) << text;

  r = folder.run({"report", "--group", group, "--range", "2.5-3.5"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out), ExpectedLines("345", 2.5, 3.5));
}

TEST_F(CliReport, RefusalsHaveTheirOwnExitCodes) {
  ProcessResult r = folder.run({"report"});
  EXPECT_EQ(r.exitCode, 6);
  EXPECT_EQ(r.err, "Message: No Records!\n");

  StoreDownload();
  const std::string group = std::string(kSerial) + "/345";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* errPart;
  } cases[] = {
      {{"report", "--group", group, "--range", "3.0-2.0"}, 2, "--range wants LOW-HIGH"},
      {{"report", "--group", group, "--range", "2,0"}, 2, "--range wants LOW-HIGH"},
      {{"report", "--group", std::string(kSerial) + "/999"}, 2, "no results of"},
      {{"report", "--group", group, "--pdf", out.file("no/such/folder/r.pdf")}, 1,
       kWritesPdf ? "Cannot create file" : "cannot write a PDF"},
  };
  for (const Case& c : cases) {
    r = folder.run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace movra::test
