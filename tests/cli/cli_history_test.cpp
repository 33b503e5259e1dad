// movra-cli over the history end to end: two downloads of one meter whose memory overlaps
// (its older tests under new record numbers), a second meter of the same person, each
// download emptying the list as the window's does; every program run a restart. The
// history lists each result once, the patient is named and linked, the report over the
// history agrees with a plain computation here, and the CLI's refusals have their codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <set>
#include <sstream>

#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

const char kMeterA[] = "MV20240001X";
const char kMeterB[] = "MV20240002X";

std::string Fixed(double v, int decimals) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(decimals) << v;
  return out.str();
}

// One patient test of the person: days since 2024-01-01 and the INR as the report counts it.
struct Kept {
  int day;
  double inr;
};
// Anna's tests on both meters, worked out by hand from the three records files: 7.5 is an
// arrow counted as 7.0, 0.5 one counted as 0.7; the control of 02-10 and patient 346 stay out.
const std::vector<Kept> kAnna = {{1, 2.1},  {8, 1.7},  {22, 3.4}, {36, 7.0},
                                 {50, 2.6}, {64, 2.9}, {78, 3.8}, {92, 0.7}};

// Rosendaal: the INR interpolated day by day between tests; the share of days in range.
double PlainTtr(const std::vector<Kept>& tests, double low, double high) {
  int days = 0, in = 0;
  for (size_t i = 0; i + 1 < tests.size(); ++i) {
    const int gap = tests[i + 1].day - tests[i].day;
    for (int k = 0; k < gap; ++k, ++days) {
      const double v = tests[i].inr + (tests[i + 1].inr - tests[i].inr) * k / gap;
      in += v >= low - 1e-9 && v <= high + 1e-9;
    }
  }
  ++days;  // the last test's own day
  in += tests.back().inr >= low - 1e-9 && tests.back().inr <= high + 1e-9;
  return 100.0 * in / days;
}

// Fihn's variance growth rate (B1), one test a day here: the mean over consecutive tests of
// the squared change divided by the weeks between them.
double PlainVgr(const std::vector<Kept>& tests) {
  double sum = 0;
  for (size_t i = 1; i < tests.size(); ++i) {
    const double change = tests[i].inr - tests[i - 1].inr;
    sum += change * change / ((tests[i].day - tests[i - 1].day) / 7.0);
  }
  return sum / static_cast<double>(tests.size() - 1);
}

// The markers of poor control, for tests that all lie in the 6 months before the last one
// and an arrow above the meter's range of 7.0 (which is its own marker, not "above 8").
std::string PlainFlags(const std::vector<Kept>& tests, double low, double high, bool arrowAbove) {
  std::vector<std::string> raised;
  if (PlainTtr(tests, low, high) < 65) raised.push_back("ttr-below-65");
  auto count = [&](auto pick) { return std::count_if(tests.begin(), tests.end(), pick); };
  if (count([](const Kept& t) { return t.inr < 1.5 - 1e-9; }) >= 2) raised.push_back("two-below-1.5");
  if (count([](const Kept& t) { return t.inr > 5 + 1e-9; }) >= 2) raised.push_back("two-above-5");
  if (arrowAbove) raised.push_back("above-range");
  std::string out;
  for (const std::string& r : raised) out += (out.empty() ? "" : ",") + r;
  return out.empty() ? "none" : out;
}

class CliHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(folder.setupError(), "");
    setenv("MOVRA_DEVICE_ROOT", root.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("MOVRA_DEVICE_ROOT"); }
  // One download as the window makes it: the list emptied first.
  void Download(const char* records, const char* serial) {
    sim.stop();
    ASSERT_TRUE(sim.start({"--records", SourceDir() + "/tests/cli/data/" + records, "--no-pace", "--device-root",
                           root.path(), "--serial", serial}))
        << sim.lastError();
    ProcessResult r = folder.run({"download", "--port", "COM1", "--store", "--clear"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  ProcessResult Run(const std::vector<std::string>& args) {
    ProcessResult r = folder.run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r;
  }
  TempDir root;
  TempDir out;
  ProgramFolder folder;
  SimProcess sim;
};

TEST_F(CliHistory, KeepsEveryResultOnceAndReportsOverBothMeters) {
  Download("history_first.txt", kMeterA);
  Download("history_second.txt", kMeterA);
  Download("history_meter_b.txt", kMeterB);
  // The list holds the last download alone; the history everything, once.
  EXPECT_EQ(folder.storedRows().size(), 2u);
  std::vector<std::string> kept = Lines(Run({"history"}).out);
  std::set<std::string> unique(kept.begin(), kept.end());
  EXPECT_EQ(unique.size(), kept.size());
  ASSERT_EQ(kept.size(), 10u);  // 6 + 2 new of the second download + 2 of meter B
  EXPECT_EQ(kept[0].substr(0, kept[0].rfind('\t')), std::string(kMeterA) + "\t345\t2024-01-02\t09:00\t2.1");
  EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) {
    return a.substr(a.find('\t', 12) + 1) < b.substr(b.find('\t', 12) + 1);
  })) << "oldest first";

  // The period and the pair choose; the data CSV writes arrows as their limit.
  std::vector<std::string> feb = Lines(Run({"history", "--group", std::string(kMeterA) + "/345", "--from",
                                            "2024-02-06", "--to", "2024-02-20", "--csv", out.file("h.csv")})
                                           .out);
  EXPECT_EQ(feb.size(), 3u);  // 02-06, the control of 02-10, 02-20
  std::vector<std::string> csv = Lines(out.read("h.csv"));
  ASSERT_EQ(csv.size(), 4u);
  EXPECT_EQ(csv[0], "serial_number,patient_id,date,time,inr,inr_comparator,sample_type,control_level\r");
  EXPECT_EQ(csv[1].substr(0, csv[1].find(",>,") + 3), std::string(kMeterA) + ",345,2024-02-06,09:00,7.0,>,");

  // Anna: both meters, her birth date and her own range.
  ProcessResult set = Run({"patient", "set", std::string(kMeterA) + "/345", "--name", "Anna Berg", "--born",
                           "1950-04-02", "--range", "2.5-3.5", "--add-meter", std::string(kMeterB) + "/7"});
  const std::string anna = "Anna Berg\t1950-04-02\t2.5-3.5\t" + std::string(kMeterA) + "/345," + kMeterB + "/7\t8";
  EXPECT_EQ(set.out.substr(0, anna.size()), anna) << set.out;
  std::vector<std::string> patients = Lines(Run({"patient", "list"}).out);
  ASSERT_EQ(patients.size(), 2u);
  EXPECT_EQ(patients[0], anna + "\t2024-04-02\tINR \xE2\x86\x93");
  EXPECT_EQ(patients[1][0], '\t');  // 346 is not named
  EXPECT_NE(patients[1].find(std::string(kMeterA) + "/346\t1"), std::string::npos) << patients[1];

  // The report names the pair asked for and covers every pair of its patient.
  std::vector<std::string> report = Lines(Run({"report", "--history", "--group", std::string(kMeterB) + "/7"}).out);
  double sum = 0;
  for (const Kept& t : kAnna) sum += t.inr;
  for (const std::string& line :
       {std::string("Group\t") + kMeterB + "/7", std::string("Target\t2.5-3.5"), std::string("Tests\t8"),
        "TTR\t" + Fixed(PlainTtr(kAnna, 2.5, 3.5), 1), "Mean\t" + Fixed(sum / kAnna.size(), 2),
        std::string("From\t2024-01-02"), std::string("To\t2024-04-02"), "VGR\t" + Fixed(PlainVgr(kAnna), 2),
        "Interval\t" + Fixed((kAnna.back().day - kAnna.front().day) / double(kAnna.size() - 1), 1),
        "Flags\t" + PlainFlags(kAnna, 2.5, 3.5, true)})
    EXPECT_NE(std::find(report.begin(), report.end(), line), report.end()) << line;

  // A period and a range given on the line.
  report = Lines(Run({"report", "--history", "--group", std::string(kMeterA) + "/345", "--from", "2024-01-09",
                      "--to", "2024-03-05", "--range", "2.0-3.0"})
                     .out);
  const std::vector<Kept> part(kAnna.begin() + 1, kAnna.begin() + 6);
  EXPECT_NE(std::find(report.begin(), report.end(), "TTR\t" + Fixed(PlainTtr(part, 2.0, 3.0), 1)), report.end());
  EXPECT_NE(std::find(report.begin(), report.end(), "Tests\t5"), report.end());
}

TEST_F(CliHistory, RefusesBadInputWithItsExitCode) {
  Download("history_first.txt", kMeterA);
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* errPart;
  } cases[] = {
      {{"history", "--from", "2024-02-30"}, 2, "--from wants a day as YYYY-MM-DD"},
      {{"history", "--to", "24-01-01"}, 2, "--to wants a day"},
      {{"history", "--from", "2024-03-01", "--to", "2024-01-01"}, 2, "lies before"},
      {{"history", "--group", "PT999/1"}, 2, "holds no results of PT999/1"},
      {{"history", "--group", "nopair"}, 2, "a group is SN/PATIENT"},
      {{"report", "--history", "--group", "PT999/1"}, 2, "holds no results of PT999/1"},
      {{"report", "--from", "2024-01-01"}, 2, "--from and --to need --history"},
      {{"patient", "set"}, 2, "patient wants"},
      {{"patient", "set", std::string(kMeterA) + "/345", "--range", "3-2"}, 2, "--range wants"},
      {{"patient", "set", std::string(kMeterA) + "/345", "--name", std::string(51, 'x')}, 2, "50 characters"},
      {{"backup"}, 2, "backup wants one FILE"},
      {{"backup", folder.databasePath()}, 1, "already exists"},
      // The clinic's server is named by a PostgreSQL address alone; "" keeps the command local.
      {{"history", "--database", "https://db.clinic.example/movra"}, 2, "must begin with postgresql://"},
      {{"report", "--history", "--database=host=db"}, 2, "must begin with postgresql://"},
      {{"patient", "list", "--database", "db.clinic.example"}, 2, "must begin with postgresql://"},
      {{"fhir", "--group", std::string(kMeterA) + "/345", "--out", "x.json", "--database", "x"}, 2,
       "must begin with postgresql://"},
      {{"download", "--database", "mysql://db/movra"}, 2, "must begin with postgresql://"},
      {{"history", "--database", ""}, 0, ""},
  };
  for (const Case& c : cases) {
    ProcessResult r = folder.run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
  }
}

TEST_F(CliHistory, BackupIsACopyThatOpensWithEveryResult) {
  Download("history_first.txt", kMeterA);
  ProcessResult r = Run({"backup", out.file("copy.dat")});
  EXPECT_EQ(r.out, "Backup\t" + out.file("copy.dat") + "\nKeptResults\t6\n");
  // Restored as the guide says: copied back while Movra is closed.
  Download("history_second.txt", kMeterA);
  ASSERT_EQ(std::rename(out.file("copy.dat").c_str(), folder.databasePath().c_str()), 0);
  EXPECT_EQ(Lines(Run({"history"}).out).size(), 6u);
}

}  // namespace
}  // namespace movra::test
