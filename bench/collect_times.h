// A benchmark reporter that keeps each benchmark's mean wall time per iteration, in
// milliseconds whatever unit the benchmark was declared with, so a program can print
// its figures as ratios against a baseline measured in the same run.
#pragma once
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace movra::bench {

class CollectTimes : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      double ms = r.GetAdjustedRealTime();
      if (r.time_unit == benchmark::kMicrosecond) ms /= 1000;
      if (r.time_unit == benchmark::kNanosecond) ms /= 1e6;
      if (r.time_unit == benchmark::kSecond) ms *= 1000;
      ms_[r.benchmark_name()] = ms;
    }
  }
  // 0 for a benchmark that did not run.
  double operator[](const std::string& name) const {
    auto it = ms_.find(name);
    return it == ms_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> ms_;
};

}  // namespace movra::bench
